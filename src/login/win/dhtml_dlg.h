// CDHtmDlgEx: a dialog whose client area is a web view showing a page that behaves like a window of
// the launcher: "app:" addresses are commands for the dialog, error pages and the browser's menu
// never show, bare page areas drag the window and elements of class "button" are sprite buttons.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "web/win/web_view.h"

namespace mrvn::login {

class CDHtmDlgEx;

// A row of the DHTML event table: by the source element's tag (without case) or its whole class.
struct DHtmlEventRow {
    enum class Kind { Tag, Class };
    Kind kind;
    const wchar_t* name;
    web::ElementEvent event;
    HRESULT (CDHtmDlgEx::*handler)(const web::ElementRef& element);
};
// A class's table; `base` is searched after it (null: the table replaces its base's).
struct DHtmlEventMap {
    const DHtmlEventMap* base;
    const DHtmlEventRow* rows;
    size_t count;
};

inline constexpr int kBrowserControlId = 102;
// The platform dialog's host flags (no 3-D border, no scroll bars) and dialog mode.
inline constexpr DWORD kDialogHostFlags = web::kHostFlagNo3dBorder | web::kHostFlagScrollNo | web::kHostFlagDialog;

class CDHtmDlgEx : public fw::CDialog, public web::WebViewEvents {
public:
    CDHtmDlgEx(UINT templateId, std::wstring url, fw::CWnd* parent = nullptr);
    ~CDHtmDlgEx() override;

    BOOL OnInitDialog() override;
    // Enter never closes the dialog.
    void OnOK() override {}

    web::WebView* Browser() const { return m_pBrowser.get(); }
    HRESULT Navigate(const std::wstring& url) { return m_pBrowser ? m_pBrowser->Navigate2(url) : E_FAIL; }
    // The pressed sprite button, while one is held.
    const web::ElementRef& PressedElement() const { return m_spPressed; }

    // The navigation filter: "app:" (exactly so) is cancelled and goes to OnAppCommand, "javascript"
    // is let through, everything else is left as it is.
    virtual void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                                   VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel);
    virtual void OnAppCommand(const std::wstring& url) { (void)url; }
    // Base: the body's scroll attribute becomes "auto".
    virtual void OnNavigateComplete(IDispatch* disp, const std::wstring& url);
    virtual void OnDocumentComplete(IDispatch* disp, const std::wstring& url) { (void)disp, (void)url; }
    virtual void OnTitleChange(const std::wstring& title) { (void)title; }
    // Cancels: no error page, the dialog stays where it was.
    virtual BOOL OnNavigateError(IDispatch* disp, VARIANT* url, VARIANT* targetFrame, VARIANT* status, BOOL* cancel);
    virtual HRESULT OnHostShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                      DWORD helpContext, LRESULT* result);
    virtual HRESULT OnHostShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt, IDispatch* hit);
    virtual DWORD GetHostInfoFlags() { return kDialogHostFlags; }

    virtual const DHtmlEventMap* GetDHtmlEventMap() const;

    // The table's actions, for derived tables.
    HRESULT OnSpriteOut(const web::ElementRef& element);
    HRESULT OnSpriteOver(const web::ElementRef& element);
    HRESULT OnSpriteDown(const web::ElementRef& element);
    HRESULT OnSpriteUp(const web::ElementRef& element);
    HRESULT OnDragDown(const web::ElementRef& element);
    HRESULT OnDragUp(const web::ElementRef& element);
    HRESULT OnDragMove(const web::ElementRef& element);
    HRESULT OnNoMenu(const web::ElementRef& element);

    // WebViewEvents
    void BeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                         VARIANT* headers, VARIANT_BOOL* cancel) override;
    void NavigateComplete2(IDispatch* disp, VARIANT* url) override;
    void DocumentComplete(IDispatch* disp, VARIANT* url) override;
    void TitleChange(BSTR text) override;
    void NavigateError(IDispatch* disp, VARIANT* url, VARIANT* targetFrame, VARIANT* status,
                       VARIANT_BOOL* cancel) override;
    DWORD HostFlags() override { return GetHostInfoFlags(); }
    HRESULT ShowContextMenu(DWORD id, POINT pt) override;
    HRESULT ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile, DWORD helpContext,
                        LRESULT* result) override;
    HRESULT ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt, IDispatch* hit) override;
    bool OnElementEvent(web::ElementEvent ev, const web::ElementRef& source) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    std::wstring m_strUrl;
    std::unique_ptr<web::WebView> m_pBrowser;

private:
    bool IsDisabled(const web::ElementRef& element) const;
    void ShowFrame(const web::ElementRef& element, int frame);
    void SendDrag(UINT msg);
    void OnSize();
    bool OnCaptureRelease(LPARAM lParam);

    web::ElementRef m_spPressed;
};

}  // namespace mrvn::login
