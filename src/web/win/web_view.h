// The browser seam: one interface for "a web view in a window", with the argument shapes of the
// platform control's events, so that everything above it (the HTML dialog, the page view) is
// written once for the platform's control and for the built-in page engine.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>

namespace mrvn::web {

// Host flags the seam understands (the platform's DOCHOSTUIFLAG values).
inline constexpr DWORD kHostFlagDialog = 0x01;
inline constexpr DWORD kHostFlagNo3dBorder = 0x04;
inline constexpr DWORD kHostFlagScrollNo = 0x08;

// Element events of the DHTML event table, by the platform's dispatch ids.
enum class ElementEvent : long {
    MouseOver = static_cast<long>(0x80010008),
    MouseOut = static_cast<long>(0x80010009),
    MouseDown = -605,
    MouseMove = -606,
    MouseUp = -607,
    ContextMenu = 1023,
};

// One page element, held by reference: the holder keeps it alive across relayouts.
class WebElement {
public:
    virtual ~WebElement() = default;
    virtual std::wstring TagName() = 0;    // as the engine spells it; compare without case
    virtual std::wstring ClassName() = 0;  // the class attribute, whole
    virtual bool Offsets(long& left, long& top, long& width, long& height) = 0;
    // getAttribute: "disabled" reads as VT_BOOL. False when the element has no such attribute.
    virtual bool GetAttribute(const std::wstring& name, VARIANT* value) = 0;
    // style.backgroundPositionX; false when the element has no style to set.
    virtual bool PutBackgroundPositionX(const VARIANT& value) = 0;
    virtual bool Click() = 0;
    // The same element of the same page.
    virtual bool Is(const WebElement& other) const = 0;
};
using ElementRef = std::shared_ptr<WebElement>;

// What the view tells its owner, with the platform control's shapes: addresses and the other
// arguments arrive as VT_BYREF|VT_VARIANT, Cancel as a VARIANT_BOOL pointer. Events may come
// inside Navigate2 or after it returned.
class WebViewEvents {
public:
    virtual ~WebViewEvents() = default;
    virtual void BeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                                 VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) = 0;
    virtual void NavigateComplete2(IDispatch* disp, VARIANT* url) = 0;
    virtual void DocumentComplete(IDispatch* disp, VARIANT* url) = 0;
    virtual void TitleChange(BSTR text) = 0;
    // May come twice for one navigation; Cancel keeps the current page.
    virtual void NavigateError(IDispatch* disp, VARIANT* url, VARIANT* targetFrame, VARIANT* status,
                               VARIANT_BOOL* cancel) = 0;

    // The host's questions.
    virtual DWORD HostFlags() = 0;
    // S_OK: the host showed (or suppressed) the menu itself.
    virtual HRESULT ShowContextMenu(DWORD id, POINT pt) = 0;
    // S_FALSE: the view shows its own box.
    virtual HRESULT ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                DWORD helpContext, LRESULT* result) = 0;
    virtual HRESULT ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt,
                             IDispatch* hit) = 0;

    // An element event with its source element; true cancels the default action.
    virtual bool OnElementEvent(ElementEvent ev, const ElementRef& source) = 0;
};

class WebView {
public:
    virtual ~WebView() = default;
    // One child window of `parent` over `rc`; the events go to `events`, which outlives the view.
    virtual bool Create(HWND parent, const RECT& rc, int id, WebViewEvents* events) = 0;
    virtual HWND Window() const = 0;
    virtual void Move(const RECT& rc) = 0;
    virtual HRESULT Navigate2(const std::wstring& url) = 0;
    virtual HRESULT Refresh() = 0;
    virtual HRESULT put_Silent(bool silent) = 0;
    virtual std::wstring LocationURL() = 0;
    // The body's `scroll` attribute ("auto", "yes", "no"); false without a page.
    virtual bool SetBodyScroll(const std::wstring& value) = 0;
    // What the page shows, as plain text; empty where the engine cannot tell (tests read it).
    virtual std::wstring TextDump() = 0;
};

enum class WebEngine { Platform, BuiltIn };
// Decided once per process, after OLE is initialised: the platform's control only where the platform
// can make an HTML document. MRVN_WEB_ENGINE=builtin or =platform forces one (tests).
WebEngine ChosenWebEngine();
std::unique_ptr<WebView> CreateWebView();

// The text of an event argument, through any VT_BYREF|VT_VARIANT wrapping; empty when not text.
std::wstring VariantText(const VARIANT* v);
// Its number (VT_I4 and the like, through wrapping); `def` when not a number.
long VariantLong(const VARIANT* v, long def = 0);

}  // namespace mrvn::web
