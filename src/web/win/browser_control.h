// The platform's browser control behind the browser seam: CLSID_WebBrowser in place in one child
// window of its parent, with a site of our own and sinks that hand the control's events to the
// seam's owner unchanged. Used where the platform can make an HTML document.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <oleidl.h>

#include <atomic>
#include <memory>
#include <string>

#include "framework/wnd.h"
#include "platform/win32/scoped.h"
#include "web/win/web_view.h"

namespace mrvn::web {

// IDocHostShowUI ({C4D244B0-D43E-11CF-893B-00AA00BDCE1A}); mingw's uuid library does not carry it.
inline constexpr IID kIidDocHostShowUI = {0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

// The control's site: client site, in-place site and frame, and the host's UI handler. IDocHostShowUI
// is a second interface of the same object with the same count, found through the site and through
// its IDocHostUIHandler alike. Its owner detaches it before going; a call after that changes nothing.
class CMyBrowserControlSite final : public IOleClientSite,
                                    public IOleInPlaceSite,
                                    public IOleInPlaceFrame,
                                    public IDocHostUIHandler,
                                    public IDocHostShowUI {
public:
    CMyBrowserControlSite(HWND host, WebViewEvents* events) : host_(host), events_(events) {}
    void Detach() {
        host_ = nullptr;
        events_ = nullptr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no menus, tool space or status line of our own.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }  // the frame's and the UI handler's
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override;
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override;
    STDMETHODIMP GetExternal(IDispatch** out) override;
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override;

    // IDocHostShowUI
    STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                             DWORD helpContext, LRESULT* result) override;
    STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt, IDispatch* hit) override;

private:
    ~CMyBrowserControlSite() = default;
    std::atomic<ULONG> refs_{1};
    HWND host_;
    WebViewEvents* events_;
    win::ComPtr<IDispatch> external_;
};

class BrowserEventSink;
class DocumentEventSink;

class CBrowserControl final : public fw::CWnd, public WebView {
public:
    CBrowserControl() = default;
    ~CBrowserControl() override;

    bool Create(HWND parent, const RECT& rc, int id, WebViewEvents* events) override;
    HWND Window() const override { return m_hWnd; }
    void Move(const RECT& rc) override;
    HRESULT Navigate2(const std::wstring& url) override;
    HRESULT Refresh() override;
    HRESULT put_Silent(bool silent) override;
    std::wstring LocationURL() override;
    bool SetBodyScroll(const std::wstring& value) override;
    std::wstring TextDump() override;

    // The control's own accelerators, offered a key after the windows that host it.
    BOOL PreTranslateMessage(MSG* msg) override;
    bool FiltersAfterHosts() const override { return true; }

    // The control itself (tests ask it for its site); null once it is closed.
    IWebBrowser2* Control() const { return browser_.Get(); }

    // From the sinks.
    void OnDocumentComplete(IDispatch* disp);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool Embed(const RECT& rc);
    void Close();
    void UnhookDocument();
    win::ComPtr<IHTMLDocument2> Document() const;

    WebViewEvents* events_ = nullptr;
    CMyBrowserControlSite* site_ = nullptr;  // one reference of ours
    BrowserEventSink* sink_ = nullptr;       // one reference of ours
    DocumentEventSink* docSink_ = nullptr;   // one reference of ours, while a document is hooked
    win::ComPtr<IOleObject> object_;
    win::ComPtr<IOleInPlaceObject> inPlace_;
    win::ComPtr<IWebBrowser2> browser_;
    win::ComPtr<IConnectionPoint> events2_;
    DWORD cookie_ = 0;
    win::ComPtr<IConnectionPoint> docEvents_;
    DWORD docCookie_ = 0;
};

}  // namespace mrvn::web
