#include "web/win/browser_control.h"

#include <exdispid.h>
#include <objbase.h>
#include <oleauto.h>

namespace mrvn::web {

using win::ComPtr;

namespace {

constexpr wchar_t kClassName[] = L"MrvnBrowserHost";
// HTMLDocumentEvents2; mingw's uuid library does not carry it.
constexpr IID kDiidDocumentEvents2 = {0x3050F613, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

// IUnknown and the type half of IDispatch, for objects that are only ever called through Invoke.
class DispatchBase : public IDispatch {
public:
    explicit DispatchBase(const IID& also = IID_IDispatch) : also_(also) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == also_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

protected:
    virtual ~DispatchBase() = default;

private:
    const IID also_;
    std::atomic<ULONG> refs_{1};
};

// The external object that script reaches as window.external: always there, with no members.
class ExternalObject final : public DispatchBase {
public:
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// A dispatch-only event sink: the control and the document call Invoke with the event's number.
class DispatchSink : public DispatchBase {
public:
    DispatchSink(const IID& events, CBrowserControl* owner, WebViewEvents* handler)
        : DispatchBase(events), owner_(owner), handler_(handler) {}
    void Detach() {
        owner_ = nullptr;
        handler_ = nullptr;
    }

protected:
    CBrowserControl* owner_;
    WebViewEvents* handler_;
};

// Argument `i` counted from the first one the event declares (DISPPARAMS holds them in reverse).
VARIANT* Arg(DISPPARAMS* params, UINT i) { return &params->rgvarg[params->cArgs - 1 - i]; }

IDispatch* DispArg(DISPPARAMS* params, UINT i) {
    VARIANT* v = Arg(params, i);
    return v->vt == VT_DISPATCH ? v->pdispVal : nullptr;
}

// Cancel comes as VT_BYREF|VT_BOOL; anything else gets a flag of our own that nobody reads.
VARIANT_BOOL* CancelArg(DISPPARAMS* params, UINT i, VARIANT_BOOL* spare) {
    VARIANT* v = Arg(params, i);
    return v->vt == (VT_BYREF | VT_BOOL) && v->pboolVal ? v->pboolVal : spare;
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    ComPtr<IUnknown> ua, ub;
    if (FAILED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ua.GetAddressOf())))) return false;
    if (FAILED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ub.GetAddressOf())))) return false;
    return ua.Get() == ub.Get();
}

}  // namespace

// DWebBrowserEvents2, handed on with the control's own argument shapes.
class BrowserEventSink final : public DispatchSink {
public:
    BrowserEventSink(CBrowserControl* owner, WebViewEvents* handler)
        : DispatchSink(DIID_DWebBrowserEvents2, owner, handler) {}

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        // The owner may go inside the call: this object stays until the control lets go of it.
        ComPtr<BrowserEventSink> keep(this);
        WebViewEvents* h = handler_;
        if (!h || !p || (p->cArgs && !p->rgvarg)) return S_OK;
        VARIANT_BOOL spare = VARIANT_FALSE;
        switch (id) {
            case DISPID_BEFORENAVIGATE2:
                if (p->cArgs != 7) break;
                h->BeforeNavigate2(DispArg(p, 0), Arg(p, 1), Arg(p, 2), Arg(p, 3), Arg(p, 4), Arg(p, 5),
                                   CancelArg(p, 6, &spare));
                break;
            case DISPID_NAVIGATECOMPLETE2:
                if (p->cArgs == 2) h->NavigateComplete2(DispArg(p, 0), Arg(p, 1));
                break;
            case DISPID_DOCUMENTCOMPLETE:
                if (p->cArgs != 2) break;
                // The document's element events first, so that the owner's handler finds them on.
                if (owner_) owner_->OnDocumentComplete(DispArg(p, 0));
                if (handler_) handler_->DocumentComplete(DispArg(p, 0), Arg(p, 1));
                break;
            case DISPID_TITLECHANGE:
                if (p->cArgs == 1) h->TitleChange(Arg(p, 0)->vt == VT_BSTR ? Arg(p, 0)->bstrVal : nullptr);
                break;
            case DISPID_NAVIGATEERROR:
                if (p->cArgs != 5) break;
                h->NavigateError(DispArg(p, 0), Arg(p, 1), Arg(p, 2), Arg(p, 3), CancelArg(p, 4, &spare));
                break;
            default: break;
        }
        return S_OK;
    }
};

namespace {

// An element of the platform's document.
class PlatformElement final : public WebElement {
public:
    explicit PlatformElement(ComPtr<IHTMLElement> e) : e_(std::move(e)) {}
    std::wstring TagName() override {
        BSTR s = nullptr;
        return Take(SUCCEEDED(e_->get_tagName(&s)) ? s : nullptr);
    }
    std::wstring ClassName() override {
        BSTR s = nullptr;
        return Take(SUCCEEDED(e_->get_className(&s)) ? s : nullptr);
    }
    bool Offsets(long& left, long& top, long& width, long& height) override {
        return SUCCEEDED(e_->get_offsetLeft(&left)) && SUCCEEDED(e_->get_offsetTop(&top)) &&
               SUCCEEDED(e_->get_offsetWidth(&width)) && SUCCEEDED(e_->get_offsetHeight(&height));
    }
    bool GetAttribute(const std::wstring& name, VARIANT* value) override {
        ::VariantInit(value);
        BSTR n = ::SysAllocStringLen(name.data(), UINT(name.size()));
        const HRESULT hr = n ? e_->getAttribute(n, 0, value) : E_OUTOFMEMORY;
        ::SysFreeString(n);
        return SUCCEEDED(hr) && value->vt != VT_NULL && value->vt != VT_EMPTY;
    }
    bool PutBackgroundPositionX(const VARIANT& value) override {
        ComPtr<IHTMLStyle> style;
        if (FAILED(e_->get_style(style.GetAddressOf())) || !style) return false;
        return SUCCEEDED(style->put_backgroundPositionX(value));
    }
    bool Click() override { return SUCCEEDED(e_->click()); }
    bool Is(const WebElement& other) const override {
        auto* o = dynamic_cast<const PlatformElement*>(&other);
        return o && SameObject(e_.Get(), o->e_.Get());
    }

private:
    static std::wstring Take(BSTR s) {
        std::wstring out = s ? std::wstring(s, ::SysStringLen(s)) : L"";
        ::SysFreeString(s);
        return out;
    }
    ComPtr<IHTMLElement> e_;
};

}  // namespace

// HTMLDocumentEvents2 of the shown document: the element events of the DHTML table, with the
// source element; a handled event cancels the document's default action.
class DocumentEventSink final : public DispatchSink {
public:
    explicit DocumentEventSink(WebViewEvents* handler) : DispatchSink(kDiidDocumentEvents2, nullptr, handler) {}

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        ComPtr<DocumentEventSink> keep(this);
        WebViewEvents* h = handler_;
        if (!h || !p || p->cArgs < 1 || !p->rgvarg) return S_OK;
        // The seam numbers element events by the document's own dispatch ids.
        const auto ev = static_cast<ElementEvent>(id);
        switch (ev) {
            case ElementEvent::MouseOver:
            case ElementEvent::MouseOut:
            case ElementEvent::MouseDown:
            case ElementEvent::MouseMove:
            case ElementEvent::MouseUp:
            case ElementEvent::ContextMenu: break;
            default: return S_OK;
        }
        VARIANT* arg = Arg(p, 0);
        if (arg->vt != VT_DISPATCH || !arg->pdispVal) return S_OK;
        ComPtr<IHTMLEventObj> event;
        if (FAILED(arg->pdispVal->QueryInterface(IID_IHTMLEventObj, reinterpret_cast<void**>(event.GetAddressOf()))))
            return S_OK;
        ComPtr<IHTMLElement> source;
        if (FAILED(event->get_srcElement(source.GetAddressOf())) || !source) return S_OK;
        if (h->OnElementEvent(ev, std::make_shared<PlatformElement>(source))) {
            VARIANT no;
            ::VariantInit(&no);
            no.vt = VT_BOOL;
            no.boolVal = VARIANT_FALSE;
            event->put_returnValue(no);
            if (result) {
                ::VariantInit(result);
                result->vt = VT_BOOL;
                result->boolVal = VARIANT_FALSE;
            }
        }
        return S_OK;
    }
};

// --- the site ---

STDMETHODIMP CMyBrowserControlSite::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *out = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
    else if (riid == kIidDocHostShowUI) *out = static_cast<IDocHostShowUI*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CMyBrowserControlSite::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP CMyBrowserControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CMyBrowserControlSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CMyBrowserControlSite::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = host_;
    return host_ ? S_OK : E_FAIL;
}

STDMETHODIMP CMyBrowserControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                                     LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *doc = nullptr;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    RECT rc{0, 0, 0, 0};
    if (host_) ::GetClientRect(host_, &rc);
    *pos = rc;
    *clip = rc;
    info->fMDIApp = FALSE;
    info->hwndFrame = host_ ? ::GetAncestor(host_, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP CMyBrowserControlSite::ShowContextMenu(DWORD id, POINT* pt, IUnknown*, IDispatch*) {
    if (!events_) return S_OK;
    return events_->ShowContextMenu(id, pt ? *pt : POINT{0, 0});
}

STDMETHODIMP CMyBrowserControlSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    info->dwFlags = events_ ? events_->HostFlags() : 0;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

STDMETHODIMP CMyBrowserControlSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CMyBrowserControlSite::GetDropTarget(IDropTarget*, IDropTarget** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CMyBrowserControlSite::GetExternal(IDispatch** out) {
    if (!out) return E_POINTER;
    // Script may always reach the external object.
    if (!external_) external_.Attach(new ExternalObject);
    *out = external_.Get();
    (*out)->AddRef();
    return S_OK;
}

STDMETHODIMP CMyBrowserControlSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out) *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP CMyBrowserControlSite::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out) *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP CMyBrowserControlSite::ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type,
                                                LPOLESTR helpFile, DWORD helpContext, LRESULT* result) {
    // Without an owner nothing is shown.
    if (!events_) return S_OK;
    return events_->ShowMessage(hwnd, text, caption, type, helpFile, helpContext, result);
}

STDMETHODIMP CMyBrowserControlSite::ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt,
                                             IDispatch* hit) {
    if (!events_) return S_OK;
    return events_->ShowHelp(hwnd, helpFile, command, data, pt, hit);
}

// --- the view ---

CBrowserControl::~CBrowserControl() {
    Close();
    if (m_hWnd) DestroyWindow();
}

bool CBrowserControl::Create(HWND parent, const RECT& rc, int id, WebViewEvents* events) {
    events_ = events;
    fw::RegisterWndClass(kClassName, CS_DBLCLKS, nullptr, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
    if (!CreateEx(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, rc, parent, id))
        return false;
    if (Embed(GetClientRect())) return true;
    Close();
    DestroyWindow();
    return false;
}

bool CBrowserControl::Embed(const RECT& rc) {
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(object_.GetAddressOf()))))
        return false;
    site_ = new CMyBrowserControlSite(m_hWnd, events_);
    if (FAILED(object_->SetClientSite(site_))) return false;
    if (FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser_.GetAddressOf()))))
        return false;
    // Events before activation: the first navigation's come inside Navigate2.
    sink_ = new BrowserEventSink(this, events_);
    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_.As(&points)) &&
        SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events2_.GetAddressOf()))) {
        if (FAILED(events2_->Advise(static_cast<IDispatch*>(sink_), &cookie_))) {
            cookie_ = 0;
            events2_.Reset();
        }
    }
    RECT pos = rc;
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, m_hWnd, &pos))) return false;
    object_.As(&inPlace_);
    if (inPlace_) inPlace_->SetObjectRects(&pos, &pos);
    return events2_ != nullptr;
}

// Lets go of the control while our window still exists; the site and sinks stay alive for as long
// as the control holds them, detached.
void CBrowserControl::Close() {
    UnhookDocument();
    if (events2_ && cookie_) events2_->Unadvise(cookie_);
    events2_.Reset();
    cookie_ = 0;
    if (sink_) {
        sink_->Detach();
        sink_->Release();
        sink_ = nullptr;
    }
    if (site_) site_->Detach();
    if (inPlace_) inPlace_->InPlaceDeactivate();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    inPlace_.Reset();
    browser_.Reset();
    object_.Reset();
    if (site_) {
        site_->Release();
        site_ = nullptr;
    }
}

void CBrowserControl::UnhookDocument() {
    if (docEvents_ && docCookie_) docEvents_->Unadvise(docCookie_);
    docEvents_.Reset();
    docCookie_ = 0;
    if (docSink_) {
        docSink_->Detach();
        docSink_->Release();
        docSink_ = nullptr;
    }
}

void CBrowserControl::OnDocumentComplete(IDispatch* disp) {
    // Only the top-level document; frames complete too.
    if (!browser_ || !SameObject(disp, browser_.Get())) return;
    UnhookDocument();
    ComPtr<IHTMLDocument2> doc = Document();
    if (!doc) return;  // no HTML engine: no element events
    ComPtr<IConnectionPointContainer> points;
    if (FAILED(doc.As(&points)) || FAILED(points->FindConnectionPoint(kDiidDocumentEvents2, docEvents_.GetAddressOf())))
        return;
    docSink_ = new DocumentEventSink(events_);
    if (FAILED(docEvents_->Advise(static_cast<IDispatch*>(docSink_), &docCookie_))) {
        docCookie_ = 0;
        UnhookDocument();
    }
}

ComPtr<IHTMLDocument2> CBrowserControl::Document() const {
    ComPtr<IHTMLDocument2> doc;
    if (!browser_) return doc;
    ComPtr<IDispatch> disp;
    if (SUCCEEDED(browser_->get_Document(disp.GetAddressOf())) && disp) disp.As(&doc);
    return doc;
}

void CBrowserControl::Move(const RECT& rc) {
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

HRESULT CBrowserControl::Navigate2(const std::wstring& url) {
    // Held here: the owner may destroy this view from inside an event of the navigation.
    ComPtr<IWebBrowser2> browser = browser_;
    if (!browser) return E_FAIL;
    VARIANT address, empty;
    ::VariantInit(&address);
    ::VariantInit(&empty);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocStringLen(url.data(), UINT(url.size()));
    if (!address.bstrVal) return E_OUTOFMEMORY;
    const HRESULT hr = browser->Navigate2(&address, &empty, &empty, &empty, &empty);
    ::VariantClear(&address);
    return hr;
}

HRESULT CBrowserControl::Refresh() {
    ComPtr<IWebBrowser2> browser = browser_;
    return browser ? browser->Refresh() : E_FAIL;
}

HRESULT CBrowserControl::put_Silent(bool silent) {
    return browser_ ? browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE) : E_FAIL;
}

std::wstring CBrowserControl::LocationURL() {
    BSTR s = nullptr;
    if (!browser_ || FAILED(browser_->get_LocationURL(&s)) || !s) return L"";
    std::wstring out(s, ::SysStringLen(s));
    ::SysFreeString(s);
    return out;
}

bool CBrowserControl::SetBodyScroll(const std::wstring& value) {
    ComPtr<IHTMLDocument2> doc = Document();
    ComPtr<IHTMLElement> body;
    ComPtr<IHTMLBodyElement> bodyElement;
    if (!doc || FAILED(doc->get_body(body.GetAddressOf())) || !body || FAILED(body.As(&bodyElement))) return false;
    BSTR s = ::SysAllocStringLen(value.data(), UINT(value.size()));
    const HRESULT hr = s ? bodyElement->put_scroll(s) : E_OUTOFMEMORY;
    ::SysFreeString(s);
    return SUCCEEDED(hr);
}

std::wstring CBrowserControl::TextDump() {
    ComPtr<IHTMLDocument2> doc = Document();
    ComPtr<IHTMLElement> body;
    BSTR s = nullptr;
    if (!doc || FAILED(doc->get_body(body.GetAddressOf())) || !body || FAILED(body->get_innerText(&s)) || !s)
        return L"";
    std::wstring out(s, ::SysStringLen(s));
    ::SysFreeString(s);
    return out;
}

BOOL CBrowserControl::PreTranslateMessage(MSG* msg) {
    // Keys inside the control that no host took (Tab between fields, Enter in a form, accelerators).
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !browser_ || !m_hWnd) return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(browser_.As(&active))) return FALSE;
    return active->TranslateAccelerator(msg) == S_OK ? TRUE : FALSE;
}

LRESULT CBrowserControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            if (inPlace_) {
                const RECT rc{0, 0, LOWORD(lParam), HIWORD(lParam)};
                inPlace_->SetObjectRects(&rc, &rc);
            }
            return 0;
        case WM_ERASEBKGND: return 1;
        // The control goes with our window, never after it.
        case WM_DESTROY: Close(); break;
        default: break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::web
