// The page process's view: a framework view whose one child is a web view, with the operations the
// page window overrides (host flags, navigations, title).
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/frame.h"
#include "web/win/web_view.h"

namespace mrvn::web {

class CWebPageView : public fw::CView, public WebViewEvents {
public:
    ~CWebPageView() override;
    BOOL Create(fw::CWnd* frame, const RECT& rc) override;

    HRESULT Navigate2(const std::wstring& url) { return m_pBrowser ? m_pBrowser->Navigate2(url) : E_FAIL; }
    HRESULT Refresh() { return m_pBrowser ? m_pBrowser->Refresh() : E_FAIL; }
    HRESULT put_Silent(bool silent) { return m_pBrowser ? m_pBrowser->put_Silent(silent) : E_FAIL; }
    WebView* Browser() const { return m_pBrowser.get(); }

    virtual void OnGetHostInfo(DWORD* flags) { (void)flags; }
    virtual void OnNavigateComplete2(const std::wstring& url) { (void)url; }
    virtual void OnBeforeNavigate2(const std::wstring& url, DWORD flags, const std::wstring& targetFrame,
                                   VARIANT* postData, const std::wstring& headers, BOOL* cancel) {
        (void)url, (void)flags, (void)targetFrame, (void)postData, (void)headers, (void)cancel;
    }
    virtual void OnTitleChange(const std::wstring& title) { (void)title; }

    // WebViewEvents
    void BeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                         VARIANT* headers, VARIANT_BOOL* cancel) override;
    void NavigateComplete2(IDispatch* disp, VARIANT* url) override;
    void DocumentComplete(IDispatch*, VARIANT*) override {}
    void TitleChange(BSTR text) override;
    void NavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) override {}
    DWORD HostFlags() override;
    HRESULT ShowContextMenu(DWORD, POINT) override { return S_FALSE; }
    HRESULT ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) override { return S_FALSE; }
    HRESULT ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override { return S_FALSE; }
    bool OnElementEvent(ElementEvent, const ElementRef&) override { return false; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::unique_ptr<WebView> m_pBrowser;

private:
    void OnSize();
};

}  // namespace mrvn::web
