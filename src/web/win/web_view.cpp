#include "web/win/web_view.h"

#include <objbase.h>

#include <cstdlib>
#include <cstring>

#include "web/win/browser_control.h"
#include "web/win/page_engine_wnd.h"

namespace mrvn::web {

namespace {

// CLSID_HTMLDocument; mingw's uuid library does not carry it.
constexpr CLSID kHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

const VARIANT* Unwrap(const VARIANT* v) {
    while (v && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
    return v;
}

}  // namespace

WebEngine ChosenWebEngine() {
    static const WebEngine engine = [] {
        if (const char* forced = std::getenv("MRVN_WEB_ENGINE")) {
            if (std::strcmp(forced, "builtin") == 0) return WebEngine::BuiltIn;
            if (std::strcmp(forced, "platform") == 0) return WebEngine::Platform;
        }
        // Any failure means the platform cannot make a document: Wine without its engine fails with
        // one code or another, so none is tested for.
        IUnknown* doc = nullptr;
        const HRESULT hr = ::CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                              reinterpret_cast<void**>(&doc));
        if (FAILED(hr) || !doc) return WebEngine::BuiltIn;
        doc->Release();
        return WebEngine::Platform;
    }();
    return engine;
}

std::unique_ptr<WebView> CreateWebView() {
    if (ChosenWebEngine() == WebEngine::Platform) return std::make_unique<CBrowserControl>();
    return std::make_unique<CPageEngineWnd>();
}

std::wstring VariantText(const VARIANT* v) {
    v = Unwrap(v);
    if (!v) return L"";
    if (v->vt == VT_BSTR) return v->bstrVal ? std::wstring(v->bstrVal, ::SysStringLen(v->bstrVal)) : L"";
    if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal && *v->pbstrVal)
        return std::wstring(*v->pbstrVal, ::SysStringLen(*v->pbstrVal));
    return L"";
}

long VariantLong(const VARIANT* v, long def) {
    v = Unwrap(v);
    if (!v) return def;
    VARIANT out;
    ::VariantInit(&out);
    if (FAILED(::VariantChangeType(&out, const_cast<VARIANT*>(v), 0, VT_I4))) return def;
    return out.lVal;
}

}  // namespace mrvn::web
