#include "web/win/page_engine_wnd.h"

#include <objidl.h>
#include <shlwapi.h>
#include <windowsx.h>
#include <wininet.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "framework/controls.h"
#include "web/form_data.h"
#include "web/html_parser.h"
#include "web/scroll_rule.h"
#include "web/text_dump.h"
#include "web/tiles.h"
#include "web/url.h"
#include "web/win/page_fetch.h"

namespace mrvn::web {

namespace gp = Gdiplus::DllExports;

namespace {

constexpr wchar_t kClassName[] = L"MrvnPageEngine";
constexpr UINT kMsgRunQueued = WM_APP + 0x31;
constexpr UINT kMsgFetched = WM_APP + 0x32;  // wParam: the job's number
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kDeadlineTimer = 2;
// A navigation, its page and its images, gets this long in all; what is not in by then is not shown.
constexpr DWORD kNavigationDeadlineMs = 30000;
constexpr int kFirstFieldId = 1000;
constexpr int kLineStep = 20;

// The context-menu request of a form field (the platform's CONTEXT_MENU_CONTROL).
constexpr DWORD kMenuOfControl = 2;

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A VARIANT that owns its BSTR, and the VT_BYREF|VT_VARIANT wrapper the platform control passes.
struct EventArg {
    VARIANT inner;
    VARIANT outer;
    EventArg() {
        ::VariantInit(&inner);
        ::VariantInit(&outer);
        outer.vt = VT_BYREF | VT_VARIANT;
        outer.pvarVal = &inner;
    }
    explicit EventArg(const std::wstring& text) : EventArg() {
        inner.vt = VT_BSTR;
        inner.bstrVal = ::SysAllocStringLen(text.data(), UINT(text.size()));
    }
    explicit EventArg(long n) : EventArg() {
        inner.vt = VT_I4;
        inner.lVal = n;
    }
    ~EventArg() { ::VariantClear(&inner); }
    EventArg(const EventArg&) = delete;
    EventArg& operator=(const EventArg&) = delete;
};

int CALLBACK NoteFontSeen(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM seen) {
    *reinterpret_cast<bool*>(seen) = true;
    return 0;
}

// The face for page text: a CJK face where the system has one, as the platform's pages are Chinese.
const wchar_t* PageFace() {
    static const wchar_t* face = [] {
        const wchar_t* candidates[] = {L"SimSun", L"Microsoft YaHei", L"WenQuanYi Micro Hei", L"Tahoma"};
        HDC dc = ::GetDC(nullptr);
        const wchar_t* found = L"Tahoma";
        for (const wchar_t* name : candidates) {
            LOGFONTW lf{};
            lf.lfCharSet = DEFAULT_CHARSET;
            wcsncpy_s(lf.lfFaceName, name, _TRUNCATE);
            bool seen = false;
            ::EnumFontFamiliesExW(dc, &lf, &NoteFontSeen, reinterpret_cast<LPARAM>(&seen), 0);
            if (seen) {
                found = name;
                break;
            }
        }
        ::ReleaseDC(nullptr, dc);
        return found;
    }();
    return face;
}

}  // namespace

// Fonts by what the layout asks for, kept for the engine's life.
class PageFonts {
public:
    ~PageFonts() {
        for (auto& [key, font] : fonts_) ::DeleteObject(font);
    }
    HFONT Get(const TextFont& f) {
        const uint64_t key = (uint64_t(f.size) << 20) | (uint64_t(f.weight) << 2) | (f.italic ? 2 : 0) |
                             (f.underline ? 1 : 0);
        auto it = fonts_.find(key);
        if (it != fonts_.end()) return it->second;
        HFONT font = ::CreateFontW(f.size, 0, 0, 0, f.weight, f.italic, f.underline, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, PageFace());
        fonts_[key] = font;
        return font;
    }

private:
    std::map<uint64_t, HFONT> fonts_;
};

namespace {

class FontMeasurer final : public TextMeasurer {
public:
    FontMeasurer(HDC dc, PageFonts& fonts) : dc_(dc), fonts_(fonts) { old_ = ::SelectObject(dc_, fonts_.Get({})); }
    ~FontMeasurer() override { ::SelectObject(dc_, old_); }
    FontMeasurer(const FontMeasurer&) = delete;
    FontMeasurer& operator=(const FontMeasurer&) = delete;
    TextExtent Measure(const std::wstring& text) override {
        RECT rc{0, 0, 0, 0};
        ::DrawTextW(dc_, text.c_str(), int(text.size()), &rc, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }
    void UseFont(const TextFont& font) override { ::SelectObject(dc_, fonts_.Get(font)); }

private:
    HDC dc_;
    PageFonts& fonts_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

// Images of the shown page, fetched and decoded with GDI+ (which the application starts).
class PageImages final : public ImageSizes {
public:
    ~PageImages() override { Clear(); }
    void Clear() {
        for (auto& [url, image] : images_)
            if (image) gp::GdipDisposeImage(image);
        images_.clear();
        for (auto& [image, brush] : patterns_)
            if (brush) ::DeleteObject(brush);
        patterns_.clear();
    }
    // A GDI pattern of an opaque tile, made once: a pattern fill is far cheaper than GDI+'s textured
    // one, and exact. Null for a tile with any see-through pixel, or a large one.
    HBRUSH Pattern(Gdiplus::GpBitmap* image) {
        auto it = patterns_.find(image);
        if (it != patterns_.end()) return it->second;
        HBRUSH brush = nullptr;
        UINT w = 0, h = 0;
        gp::GdipGetImageWidth(image, &w);
        gp::GdipGetImageHeight(image, &h);
        if (w > 0 && h > 0 && w * h <= 64 * 64 && Opaque(image, w, h)) {
            HBITMAP bitmap = nullptr;
            if (gp::GdipCreateHBITMAPFromBitmap(image, &bitmap, 0xFF000000) == Gdiplus::Ok && bitmap) {
                brush = ::CreatePatternBrush(bitmap);
                ::DeleteObject(bitmap);
            }
        }
        patterns_[image] = brush;
        return brush;
    }
    bool Known(const std::wstring& url) const { return images_.count(url) != 0; }
    // Decodes a fetched image; a broken one is kept as such and not asked for again.
    void Add(const std::wstring& url, const FetchReply& reply) {
        Gdiplus::GpBitmap* image = nullptr;
        if (reply.answered && reply.status < 400 && !reply.body.empty()) {
            IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(reply.body.data()),
                                                  UINT(reply.body.size()));
            if (stream) {
                if (gp::GdipCreateBitmapFromStream(stream, &image) != Gdiplus::Ok) image = nullptr;
                stream->Release();
            }
        }
        if (Gdiplus::GpBitmap* old = Get(url)) {
            if (auto p = patterns_.find(old); p != patterns_.end()) {
                if (p->second) ::DeleteObject(p->second);
                patterns_.erase(p);
            }
            gp::GdipDisposeImage(old);
        }
        images_[url] = image;
    }
    bool Size(const std::wstring& url, int& width, int& height) override {
        auto it = images_.find(url);
        if (it == images_.end() || !it->second) return false;
        UINT w = 0, h = 0;
        gp::GdipGetImageWidth(it->second, &w);
        gp::GdipGetImageHeight(it->second, &h);
        width = int(w);
        height = int(h);
        return true;
    }
    Gdiplus::GpBitmap* Get(const std::wstring& url) const {
        auto it = images_.find(url);
        return it == images_.end() ? nullptr : it->second;
    }

private:
    static bool Opaque(Gdiplus::GpBitmap* image, UINT w, UINT h) {
        Gdiplus::PixelFormat format = 0;
        if (gp::GdipGetImagePixelFormat(image, &format) == Gdiplus::Ok && !(format & PixelFormatAlpha) &&
            !(format & PixelFormatIndexed))
            return true;
        for (UINT y = 0; y < h; ++y) {
            for (UINT x = 0; x < w; ++x) {
                Gdiplus::ARGB c = 0;
                if (gp::GdipBitmapGetPixel(image, INT(x), INT(y), &c) != Gdiplus::Ok || (c >> 24) != 0xFF) return false;
            }
        }
        return true;
    }

    std::map<std::wstring, Gdiplus::GpBitmap*> images_;
    std::map<Gdiplus::GpBitmap*, HBRUSH> patterns_;
};

namespace {

// An element of a shown page.
class EngineElement final : public WebElement {
public:
    EngineElement(std::shared_ptr<ShownPage> page, NodeId n) : page_(std::move(page)), n_(n) {}
    std::wstring TagName() override {
        std::wstring name = page_->doc[n_].name;
        for (auto& c : name) c = wchar_t(::towupper(c));
        return name;
    }
    std::wstring ClassName() override { return page_->doc.ClassName(n_); }
    bool Offsets(long& left, long& top, long& width, long& height) override {
        const ElementOffsets o = OffsetsOf(page_->doc, page_->layout, n_);
        left = o.left, top = o.top, width = o.width, height = o.height;
        return true;
    }
    bool GetAttribute(const std::wstring& name, VARIANT* value) override {
        ::VariantInit(value);
        const std::wstring* text = page_->doc.Attr(n_, name);
        if (name == L"disabled") {  // read through the property: a boolean
            value->vt = VT_BOOL;
            value->boolVal = text ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        }
        if (!text) {
            value->vt = VT_NULL;
            return false;
        }
        value->vt = VT_BSTR;
        value->bstrVal = ::SysAllocStringLen(text->data(), UINT(text->size()));
        return true;
    }
    bool PutBackgroundPositionX(const VARIANT& value) override {
        VARIANT v;
        ::VariantInit(&v);
        if (FAILED(::VariantChangeType(&v, const_cast<VARIANT*>(&value), 0, VT_I4))) return false;
        page_->doc.SetBackgroundPositionX(n_, v.lVal);
        if (page_->view) page_->view->Relayout();
        return true;
    }
    bool Click() override {
        if (!page_->view) return false;
        page_->view->PerformClick(n_);
        return true;
    }
    bool Is(const WebElement& other) const override {
        auto* o = dynamic_cast<const EngineElement*>(&other);
        return o && o->page_ == page_ && o->n_ == n_;
    }

private:
    std::shared_ptr<ShownPage> page_;
    NodeId n_;
};

}  // namespace

CPageEngineWnd::CPageEngineWnd() : images_(std::make_unique<PageImages>()), fonts_(std::make_unique<PageFonts>()) {}

CPageEngineWnd::~CPageEngineWnd() {
    if (page_) page_->view = nullptr;
    if (m_hWnd) DestroyWindow();
}

bool CPageEngineWnd::Create(HWND parent, const RECT& rc, int id, WebViewEvents* events) {
    events_ = events;
    fw::RegisterWndClass(kClassName, CS_DBLCLKS, nullptr, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
    return CreateEx(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, rc, parent, id);
}

void CPageEngineWnd::Move(const RECT& rc) {
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

HRESULT CPageEngineWnd::Navigate2(const std::wstring& url) {
    if (!m_hWnd) return E_FAIL;
    Request req;
    req.url = url;
    Begin(req, true);
    return S_OK;
}

HRESULT CPageEngineWnd::Refresh() {
    if (!m_hWnd || address_.empty()) return E_FAIL;
    Request req;
    req.url = address_;
    Begin(req, false);
    return S_OK;
}

void CPageEngineWnd::Begin(const Request& req, bool askFirst) {
    if (askFirst && events_) {
        EventArg url(req.url), flags(0L), target(req.target), headers(req.post ? L"Content-Type: " + req.contentType + L"\r\n" : L"");
        EventArg post;
        if (req.post) {
            SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, ULONG(req.body.size()));
            if (bytes) {
                void* data = nullptr;
                if (SUCCEEDED(::SafeArrayAccessData(bytes, &data))) {
                    std::copy(req.body.begin(), req.body.end(), static_cast<char*>(data));
                    ::SafeArrayUnaccessData(bytes);
                }
                post.inner.vt = VT_ARRAY | VT_UI1;
                post.inner.parray = bytes;
            }
        }
        VARIANT_BOOL cancel = VARIANT_FALSE;
        const std::weak_ptr<int> alive = life_;
        events_->BeforeNavigate2(nullptr, &url.outer, &flags.outer, &target.outer, &post.outer, &headers.outer,
                                 &cancel);
        if (alive.expired() || cancel != VARIANT_FALSE || !m_hWnd) return;
    }
    // Script addresses are let through and do nothing: this engine runs no script.
    if (UrlScheme(req.url) == L"javascript") return;

    ::KillTimer(m_hWnd, kRefreshTimer);
    // A newer navigation replaces the one under way: its replies are not taken.
    DropFetches();
    FetchJob::Order order;
    order.url = req.url;
    order.post = req.post;
    order.body = req.body;
    if (req.post) order.headers = L"Content-Type: " + req.contentType + L"\r\n";
    fetching_ = req;
    deadline_ = ::GetTickCount64() + kNavigationDeadlineMs;
    ::SetTimer(m_hWnd, kDeadlineTimer, kNavigationDeadlineMs, nullptr);
    pageJob_ = FetchJob::Start({order}, deadline_, m_hWnd, kMsgFetched);
}

void CPageEngineWnd::DropFetches() {
    pageJob_.reset();
    imageJob_.reset();
    arriving_.reset();
    arrivingImages_.reset();
    deadline_ = 0;
    if (m_hWnd) ::KillTimer(m_hWnd, kDeadlineTimer);
}

void CPageEngineWnd::OnFetched(WPARAM number) {
    if (pageJob_ && pageJob_->Number() == number && pageJob_->Done()) {
        const std::shared_ptr<FetchJob> job = std::move(pageJob_);
        Fetched(job->Replies().front());
    } else if (imageJob_ && imageJob_->Number() == number && imageJob_->Done() && arriving_) {
        const std::shared_ptr<FetchJob> job = std::move(imageJob_);
        for (size_t i = 0; i < job->Replies().size(); ++i) arrivingImages_->Add(job->Orders()[i].url, job->Replies()[i]);
        Present();
    }
}

// The deadline of a navigation: a page not in fails as an unanswered request would; a page whose
// images are not all in shows without them.
void CPageEngineWnd::OnDeadline() {
    ::KillTimer(m_hWnd, kDeadlineTimer);
    if (pageJob_) {
        pageJob_.reset();
        FetchReply late;
        late.error = ERROR_INTERNET_TIMEOUT;
        Fetched(late);
    } else if (arriving_) {
        imageJob_.reset();
        Present();
    }
}

void CPageEngineWnd::Fetched(const FetchReply& reply) {
    const Request req = fetching_;
    if (!reply.answered || reply.status >= 400) {
        // The platform control's codes: the HTTP status, else INET_E_RESOURCE_NOT_FOUND.
        EventArg url(req.url), target(req.target), status(long(reply.answered ? reply.status : 0x800C0005L));
        VARIANT_BOOL cancel = VARIANT_FALSE;
        const std::weak_ptr<int> alive = life_;
        if (events_) events_->NavigateError(nullptr, &url.outer, &target.outer, &status.outer, &cancel);
        if (alive.expired() || !m_hWnd) return;
        if (cancel != VARIANT_FALSE) {
            DropFetches();
            return;
        }
        if (!reply.answered || reply.body.empty()) {
            Arrive(req.url, "<html><head><title>\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA\xE6\xAD\xA4\xE9\xA1\xB5</title>"
                            "</head><body><p>\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA\xE6\xAD\xA4\xE9\xA1\xB5</p></body></html>",
                   "text/html; charset=utf-8");
            return;
        }
    }
    Arrive(reply.finalUrl, reply.body, reply.contentType);
}

void CPageEngineWnd::Arrive(const std::wstring& address, const std::string& bytes, const std::string& contentType) {
    if (!m_hWnd) return;
    pageJob_.reset();
    imageJob_.reset();
    auto page = std::make_shared<ShownPage>();
    PageSource source;
    source.address = address;
    source.contentType = contentType;
    page->doc = LoadPage(bytes.data(), bytes.size(), source, codePage_);
    page->styles = ComputeStyles(page->doc);
    arriving_ = page;
    arrivingAddress_ = address;
    arrivingImages_ = std::make_unique<PageImages>();
    page->layout = LayOut(*page, *arrivingImages_);
    std::vector<FetchJob::Order> orders;
    for (const auto& url : page->layout.missingImages) {
        if (std::none_of(orders.begin(), orders.end(), [&](const FetchJob::Order& o) { return o.url == url; }))
            orders.push_back(FetchJob::Order{url, false, "", L""});
    }
    if (orders.empty()) {
        Present(true);
        return;
    }
    // A page shown from bytes at hand starts its deadline here.
    const ULONGLONG now = ::GetTickCount64();
    if (!deadline_ || deadline_ <= now) {
        deadline_ = now + kNavigationDeadlineMs;
        ::SetTimer(m_hWnd, kDeadlineTimer, kNavigationDeadlineMs, nullptr);
    }
    imageJob_ = FetchJob::Start(std::move(orders), deadline_, m_hWnd, kMsgFetched);
}

void CPageEngineWnd::Present(bool laidOut) {
    ::KillTimer(m_hWnd, kDeadlineTimer);
    deadline_ = 0;
    imageJob_.reset();
    std::shared_ptr<ShownPage> page = std::move(arriving_);
    std::unique_ptr<PageImages> images = std::move(arrivingImages_);
    if (!page) return;
    if (page_) page_->view = nullptr;
    DestroyFields();
    page->view = this;
    page_ = page;
    images_ = std::move(images);
    address_ = arrivingAddress_;
    const std::wstring address = address_;
    scrollX_ = scrollY_ = 0;
    wheel_.Reset();
    hover_ = down_ = focusLink_ = kNoNode;
    pending_ = {};  // an action queued on the page before names nodes of that page
    if (laidOut) {
        UpdateScrollBars();
    } else {
        Relayout();  // with the images that came
    }
    CreateFields();
    Invalidate(FALSE);

    const std::wstring title = page_->doc.title.empty() ? address : page_->doc.title;
    BSTR titleText = ::SysAllocStringLen(title.data(), UINT(title.size()));
    EventArg url(address);
    const std::weak_ptr<int> alive = life_;
    if (events_) events_->TitleChange(titleText);
    ::SysFreeString(titleText);
    if (alive.expired()) return;
    if (events_ && page_ == page) events_->NavigateComplete2(nullptr, &url.outer);
    if (alive.expired()) return;
    if (events_ && page_ == page) events_->DocumentComplete(nullptr, &url.outer);
    if (alive.expired()) return;
    if (page_ == page && m_hWnd && page->doc.refresh.present)
        ::SetTimer(m_hWnd, kRefreshTimer, UINT(std::clamp(page->doc.refresh.seconds, 0, 86400)) * 1000u, nullptr);
}

PageLayout CPageEngineWnd::LayOut(const ShownPage& page, ImageSizes& images) {
    const RECT rc = GetClientRect();
    LayoutOptions options;
    options.viewportWidth = std::max<int>(1, rc.right);
    options.viewportHeight = std::max<int>(1, rc.bottom);
    HDC dc = ::GetDC(m_hWnd);
    PageLayout layout;
    {
        FontMeasurer measurer(dc, *fonts_);
        layout = LayoutPage(page.doc, page.styles, measurer, images, options);
    }
    ::ReleaseDC(m_hWnd, dc);
    return layout;
}

void CPageEngineWnd::Relayout() {
    if (!page_ || !m_hWnd) return;
    page_->styles = ComputeStyles(page_->doc);
    page_->layout = LayOut(*page_, *images_);
    UpdateScrollBars();
    PlaceFields();
    Invalidate(FALSE);
}

bool CPageEngineWnd::SetBodyScroll(const std::wstring& value) {
    if (!page_ || page_->doc.body == kNoNode) return false;
    page_->doc.SetAttr(page_->doc.body, L"scroll", value);
    Relayout();
    return true;
}

std::wstring CPageEngineWnd::TextDump() {
    if (!page_) return L"";
    SyncFieldsToDocument();
    return web::TextDump(page_->doc, page_->styles);
}

// --- form fields as real controls ---

void CPageEngineWnd::CreateFields() {
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    int id = kFirstFieldId;
    for (const DisplayItem& item : page_->layout.items) {
        if (item.kind != ItemKind::Control) continue;
        const Document& doc = page_->doc;
        const NodeId n = item.node;
        const std::wstring value = doc.AttrOr(n, L"value");
        const wchar_t* cls = L"BUTTON";
        std::wstring text;
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        DWORD exStyle = 0;
        switch (item.control) {
            case ControlKind::Text:
            case ControlKind::Password:
            case ControlKind::TextArea:
                cls = L"EDIT";
                exStyle = WS_EX_CLIENTEDGE;
                text = item.control == ControlKind::TextArea ? doc.TextContent(n) : value;
                style |= item.control == ControlKind::TextArea ? ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL
                                                               : ES_AUTOHSCROLL;
                if (item.control == ControlKind::Password) style |= ES_PASSWORD;
                if (const auto* max = doc.Attr(n, L"maxlength"); max && _wtoi(max->c_str()) > 0) {
                    // set below, once the control exists
                }
                break;
            case ControlKind::Checkbox: style |= BS_AUTOCHECKBOX; break;
            // Not automatic: the system would group every radio button of the window as one.
            case ControlKind::Radio: style |= BS_RADIOBUTTON; break;
            case ControlKind::Select:
            case ControlKind::ListBox:
                cls = L"COMBOBOX";
                style |= CBS_DROPDOWNLIST | WS_VSCROLL;
                break;
            default:
                style |= BS_PUSHBUTTON;
                text = item.text;
                break;
        }
        if (doc.HasAttr(n, L"disabled")) style |= WS_DISABLED;
        const Rect& r = item.rect;
        const int height = cls == std::wstring(L"COMBOBOX") ? r.h + 200 : r.h;
        HWND h = ::CreateWindowExW(exStyle, cls, text.c_str(), style, r.x - scrollX_, r.y - scrollY_, r.w, height,
                                   m_hWnd, reinterpret_cast<HMENU>(INT_PTR(id)), fw::ResourceInstance(), nullptr);
        if (!h) continue;
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SetWindowSubclass(h, &CPageEngineWnd::FieldProc, 0, reinterpret_cast<DWORD_PTR>(this));
        if (const auto* max = doc.Attr(n, L"maxlength"); max && cls == std::wstring(L"EDIT") && _wtoi(max->c_str()) > 0)
            ::SendMessageW(h, EM_SETLIMITTEXT, WPARAM(_wtoi(max->c_str())), 0);
        if (item.control == ControlKind::Checkbox || item.control == ControlKind::Radio)
            ::SendMessageW(h, BM_SETCHECK, doc.HasAttr(n, L"checked") ? BST_CHECKED : BST_UNCHECKED, 0);
        if (item.control == ControlKind::Select || item.control == ControlKind::ListBox) {
            int index = 0, selected = 0;
            for (NodeId o : doc.Descendants(n)) {
                if (!doc.IsElement(o, L"option")) continue;
                ::SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(doc.TextContent(o).c_str()));
                if (doc.HasAttr(o, L"selected")) selected = index;
                ++index;
            }
            ::SendMessageW(h, CB_SETCURSEL, WPARAM(selected), 0);
        }
        fields_[id] = Field{n, item.control, h};
        ++id;
    }
}

// A field's own menu (an edit's Cut/Copy/Paste) is the host's to allow, as for the page.
LRESULT CALLBACK CPageEngineWnd::FieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    auto* engine = reinterpret_cast<CPageEngineWnd*>(self);
    if (msg == WM_CONTEXTMENU && engine->events_) {
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (engine->events_->ShowContextMenu(kMenuOfControl, pt) == S_OK) return 0;
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &CPageEngineWnd::FieldProc, 0);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void CPageEngineWnd::DestroyFields() {
    for (auto& [id, field] : fields_) ::DestroyWindow(field.hwnd);
    fields_.clear();
}

void CPageEngineWnd::PlaceFields() {
    if (!page_) return;
    for (auto& [id, field] : fields_) {
        const Rect r = page_->layout.Box(field.node);
        ::SetWindowPos(field.hwnd, nullptr, r.x - scrollX_, r.y - scrollY_, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CPageEngineWnd::SyncFieldsToDocument() {
    if (!page_) return;
    Document& doc = page_->doc;
    for (auto& [id, field] : fields_) {
        switch (field.kind) {
            case ControlKind::Text:
            case ControlKind::Password:
            case ControlKind::TextArea: {
                const int len = ::GetWindowTextLengthW(field.hwnd);
                std::wstring text(size_t(len) + 1, L'\0');
                text.resize(size_t(::GetWindowTextW(field.hwnd, text.data(), len + 1)));
                doc.SetAttr(field.node, L"value", text);
                break;
            }
            case ControlKind::Checkbox:
                SetChecked(doc, field.node, ::SendMessageW(field.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
                break;
            // Radio buttons follow the tree, which groups them by name and form.
            case ControlKind::Select:
            case ControlKind::ListBox: {
                const LRESULT sel = ::SendMessageW(field.hwnd, CB_GETCURSEL, 0, 0);
                if (sel >= 0) SelectOption(doc, field.node, int(sel));
                break;
            }
            default: break;
        }
    }
}

const CPageEngineWnd::Field* CPageEngineWnd::FieldOf(HWND hwnd) const {
    for (auto& [id, field] : fields_)
        if (field.hwnd == hwnd || ::IsChild(field.hwnd, hwnd)) return &field;
    return nullptr;
}

void CPageEngineWnd::ShowChecks() {
    if (!page_) return;
    for (auto& [id, field] : fields_) {
        if (field.kind != ControlKind::Checkbox && field.kind != ControlKind::Radio) continue;
        const bool checked = page_->doc.HasAttr(field.node, L"checked");
        ::SendMessageW(field.hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

BOOL CPageEngineWnd::OnCommand(WPARAM wParam, LPARAM) {
    auto it = fields_.find(LOWORD(wParam));
    if (it == fields_.end() || HIWORD(wParam) != BN_CLICKED) return FALSE;
    const ControlKind kind = it->second.kind;
    if (kind == ControlKind::Radio && page_) {
        SetChecked(page_->doc, it->second.node, true);
        ShowChecks();
        return TRUE;
    }
    if (kind == ControlKind::Submit || kind == ControlKind::Button || kind == ControlKind::ImageSubmit ||
        kind == ControlKind::Reset)
        PerformClick(it->second.node);
    return TRUE;
}

// --- actions: run after the message that caused them, never inside it ---

void CPageEngineWnd::PerformClick(NodeId n) {
    // A disabled element takes no click, from the player or from click().
    if (!page_ || page_->doc.HasAttr(n, L"disabled")) return;
    SyncFieldsToDocument();
    QueueAction(ClickAction(page_->doc, n));
}

void CPageEngineWnd::QueueAction(const ElementAction& action) {
    if (action.kind == ElementAction::Kind::None || !m_hWnd) return;
    if (action.kind == ElementAction::Kind::Toggle) {
        ApplyToggle(page_->doc, action.field);
        ShowChecks();
        return;
    }
    pending_ = action;
    if (!queued_) ::PostMessageW(m_hWnd, kMsgRunQueued, 0, 0);
    queued_ = true;
}

void CPageEngineWnd::RunQueued() {
    queued_ = false;
    const ElementAction action = pending_;
    pending_ = {};
    if (!page_) return;
    Request req;
    if (action.kind == ElementAction::Kind::Navigate) {
        req.url = action.url;
        req.target = action.target;
    } else if (action.kind == ElementAction::Kind::Submit) {
        SyncFieldsToDocument();
        const FormSubmission sub = BuildFormSubmission(page_->doc, action.form, action.submitter, codePage_);
        req.url = sub.url;
        req.post = sub.post;
        req.body = sub.body;
        req.contentType = sub.contentType;
    } else {
        return;
    }
    Begin(req, true);
}

// --- window ---

LRESULT CPageEngineWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: OnSize(); return 0;
        case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
        case WM_MOUSELEAVE: OnMouseLeave(); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: OnLButtonDown(lParam); return 0;
        case WM_LBUTTONUP: OnLButtonUp(lParam); return 0;
        case WM_CONTEXTMENU: OnContextMenu(lParam); return 0;
        case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
        case WM_VSCROLL: OnScroll(SB_VERT, LOWORD(wParam)); return 0;
        case WM_HSCROLL: OnScroll(SB_HORZ, LOWORD(wParam)); return 0;
        case WM_MOUSEWHEEL: OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
        case WM_TIMER: OnTimer(wParam); return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTTAB;
        case WM_DESTROY: OnDestroy(); break;
        case kMsgRunQueued: RunQueued(); return 0;
        case kMsgFetched: OnFetched(wParam); return 0;
        default: break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CPageEngineWnd::OnDestroy() {
    ::KillTimer(m_hWnd, kRefreshTimer);
    // Fetches under way run on and end unheard: nothing of theirs reaches this window again.
    DropFetches();
    DestroyFields();
    if (page_) page_->view = nullptr;
}

void CPageEngineWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT rc = GetClientRect();
    fw::CMemDC mem(dc, std::max<int>(1, rc.right), std::max<int>(1, rc.bottom));
    if (mem) {
        Paint(mem.Dc(), rc.right, rc.bottom);
        ::BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.Dc(), 0, 0, SRCCOPY);
    } else {
        Paint(dc, rc.right, rc.bottom);
    }
    ::EndPaint(m_hWnd, &ps);
}

namespace {

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
    // ExtTextOut with ETO_OPAQUE fills with the exact colour, no brush dithering.
    ::SetBkColor(dc, color);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// Above this many tiles one textured fill is cheaper than drawing each.
constexpr long long kTilesDrawnOneByOne = 64;

// `clip` is the painted area in window coordinates: only tiles that show there are drawn.
void DrawImage(HDC dc, Gdiplus::GpBitmap* image, HBRUSH pattern, const DisplayItem& item, int dx, int dy,
               const Rect& clip) {
    const Rect r{item.rect.x - dx, item.rect.y - dy, item.rect.w, item.rect.h};
    UINT iw = 0, ih = 0;
    gp::GdipGetImageWidth(image, &iw);
    gp::GdipGetImageHeight(image, &ih);
    const bool stretch = item.stretch || iw == 0 || ih == 0;
    const TileRange tiles =
        stretch ? TileRange{} : VisibleTiles(r, clip, r.x + item.imageX, r.y + item.imageY, int(iw), int(ih), item.repeat);
    if (!stretch && tiles.Empty()) return;
    if (!stretch && tiles.Count() > kTilesDrawnOneByOne && pattern) {
        // The pattern's corner on the first visible tile's corner.
        const int w = int(iw), h = int(ih);
        POINT old{};
        ::SetBrushOrgEx(dc, ((tiles.x % w) + w) % w, ((tiles.y % h) + h) % h, &old);
        const RECT r{tiles.area.x, tiles.area.y, tiles.area.Right(), tiles.area.Bottom()};
        ::FillRect(dc, &r, pattern);
        ::SetBrushOrgEx(dc, old.x, old.y, nullptr);
        return;
    }
    Gdiplus::GpGraphics* g = nullptr;
    if (gp::GdipCreateFromHDC(dc, &g) != Gdiplus::Ok) return;
    if (stretch) {
        gp::GdipDrawImageRectI(g, image, r.x, r.y, r.w, r.h);
    } else if (tiles.Count() <= kTilesDrawnOneByOne) {
        const Rect& a = tiles.area;
        gp::GdipSetClipRectI(g, a.x, a.y, a.w, a.h, Gdiplus::CombineModeReplace);
        const int w = int(iw), h = int(ih);
        for (int j = 0; j < tiles.down; ++j)
            for (int i = 0; i < tiles.across; ++i) gp::GdipDrawImageRectI(g, image, tiles.x + i * w, tiles.y + j * h, w, h);
    } else {
        // The tile's pixels as they are, repeated from the first visible tile's corner.
        Gdiplus::GpTexture* brush = nullptr;
        if (gp::GdipCreateTexture(image, Gdiplus::WrapModeTile, &brush) == Gdiplus::Ok) {
            gp::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeNearestNeighbor);
            gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHalf);
            gp::GdipTranslateTextureTransform(brush, Gdiplus::REAL(tiles.x), Gdiplus::REAL(tiles.y),
                                              Gdiplus::MatrixOrderAppend);
            const Rect& a = tiles.area;
            gp::GdipFillRectangleI(g, brush, a.x, a.y, a.w, a.h);
            gp::GdipDeleteBrush(brush);
        }
    }
    gp::GdipDeleteGraphics(g);
}

}  // namespace

void CPageEngineWnd::Paint(HDC dc, int w, int h) {
    const RECT all{0, 0, w, h};
    FillSolid(dc, all, ToColorRef(page_ ? page_->layout.canvasColor : 0xFFFFFF));
    if (!page_) return;
    ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = ::SelectObject(dc, fonts_->Get({}));
    for (const DisplayItem& item : page_->layout.items) {
        RECT r{item.rect.x - scrollX_, item.rect.y - scrollY_, item.rect.Right() - scrollX_,
               item.rect.Bottom() - scrollY_};
        if (r.bottom < 0 || r.top > h || r.right < 0 || r.left > w) continue;
        switch (item.kind) {
            case ItemKind::Fill: FillSolid(dc, r, ToColorRef(item.color)); break;
            case ItemKind::Border:
                for (int i = 0; i < item.borderWidth; ++i) {
                    const COLORREF c = ToColorRef(item.color);
                    FillSolid(dc, {r.left + i, r.top + i, r.right - i, r.top + i + 1}, c);
                    FillSolid(dc, {r.left + i, r.bottom - i - 1, r.right - i, r.bottom - i}, c);
                    FillSolid(dc, {r.left + i, r.top + i, r.left + i + 1, r.bottom - i}, c);
                    FillSolid(dc, {r.right - i - 1, r.top + i, r.right - i, r.bottom - i}, c);
                }
                break;
            case ItemKind::Text:
                ::SelectObject(dc, fonts_->Get(item.font));
                ::SetBkMode(dc, TRANSPARENT);
                ::SetTextColor(dc, ToColorRef(item.color));
                ::ExtTextOutW(dc, r.left, r.top, 0, nullptr, item.text.c_str(), UINT(item.text.size()), nullptr);
                break;
            case ItemKind::Image:
                if (Gdiplus::GpBitmap* image = images_->Get(item.url))
                    DrawImage(dc, image, images_->Pattern(image), item, scrollX_, scrollY_, Rect{0, 0, w, h});
                break;
            default: break;
        }
    }
    if (focusLink_ != kNoNode && ::GetFocus() == m_hWnd) {
        for (const DisplayItem& item : page_->layout.items) {
            if (item.kind != ItemKind::Link || item.node != focusLink_) continue;
            RECT r{item.rect.x - scrollX_, item.rect.y - scrollY_, item.rect.Right() - scrollX_,
                   item.rect.Bottom() - scrollY_};
            ::DrawFocusRect(dc, &r);
        }
    }
    ::SelectObject(dc, oldFont);
}

void CPageEngineWnd::OnSize() {
    if (page_) Relayout();
}

// Scroll bars only where the page's body allows them: "no" never, "yes" always, "auto" on
// overflow; without the attribute the host's flags decide.
void CPageEngineWnd::UpdateScrollBars() {
    // The whole window is the view: the client area already lost the room of bars shown before.
    const RECT wr = GetWindowRect();
    const int viewW = wr.right - wr.left, viewH = wr.bottom - wr.top;
    const DWORD hostFlags = events_ ? events_->HostFlags() : 0;
    const ScrollBars bars =
        ChooseScrollBars(page_->layout.bodyScroll, (hostFlags & kHostFlagScrollNo) != 0, page_->layout.width,
                         page_->layout.height, viewW, viewH, ::GetSystemMetrics(SM_CXVSCROLL));
    ::ShowScrollBar(m_hWnd, SB_VERT, bars.vertical);
    ::ShowScrollBar(m_hWnd, SB_HORZ, bars.horizontal);
    const RECT rc = GetClientRect();
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    scrollY_ = bars.vertical ? std::clamp(scrollY_, 0, std::max(0, page_->layout.height - int(rc.bottom))) : 0;
    if (bars.vertical) {
        si.nMax = std::max(page_->layout.height - 1, 0);
        si.nPage = UINT(rc.bottom);
        si.nPos = scrollY_;
        ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    }
    scrollX_ = bars.horizontal ? std::clamp(scrollX_, 0, std::max(0, page_->layout.width - int(rc.right))) : 0;
    if (bars.horizontal) {
        si.nMax = std::max(page_->layout.width - 1, 0);
        si.nPage = UINT(rc.right);
        si.nPos = scrollX_;
        ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    }
}

void CPageEngineWnd::ScrollTo(int x, int y) {
    if (!page_) return;
    const RECT rc = GetClientRect();
    x = std::clamp(x, 0, std::max(0, page_->layout.width - int(rc.right)));
    y = std::clamp(y, 0, std::max(0, page_->layout.height - int(rc.bottom)));
    if (!(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_HSCROLL)) x = 0;
    if (!(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VSCROLL)) y = 0;
    if (x == scrollX_ && y == scrollY_) return;
    scrollX_ = x;
    scrollY_ = y;
    ::SetScrollPos(m_hWnd, SB_HORZ, x, TRUE);
    ::SetScrollPos(m_hWnd, SB_VERT, y, TRUE);
    PlaceFields();
    Invalidate(FALSE);
}

void CPageEngineWnd::OnScroll(int bar, WORD code) {
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(m_hWnd, bar, &si);
    int pos = si.nPos;
    switch (code) {
        case SB_LINEUP: pos -= kLineStep; break;
        case SB_LINEDOWN: pos += kLineStep; break;
        case SB_PAGEUP: pos -= int(si.nPage); break;
        case SB_PAGEDOWN: pos += int(si.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = si.nMax; break;
        default: break;
    }
    if (bar == SB_VERT) ScrollTo(scrollX_, pos);
    else ScrollTo(pos, scrollY_);
}

// Three lines to a notch; finer wheels send parts of a notch, which add up.
void CPageEngineWnd::OnMouseWheel(short delta) { ScrollTo(scrollX_, scrollY_ - wheel_.Take(delta, 3 * kLineStep)); }

NodeId CPageEngineWnd::NodeAt(LPARAM lParam) const {
    if (!page_) return kNoNode;
    return HitTest(page_->doc, page_->layout, GET_X_LPARAM(lParam) + scrollX_, GET_Y_LPARAM(lParam) + scrollY_);
}

void CPageEngineWnd::FireElement(ElementEvent ev, NodeId n) {
    if (!events_ || !page_ || !page_->doc.Valid(n) || page_->doc[n].kind != NodeKind::Element) return;
    events_->OnElementEvent(ev, std::make_shared<EngineElement>(page_, n));
}

void CPageEngineWnd::OnMouseMove(LPARAM lParam) {
    if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, m_hWnd, 0};
        tracking_ = ::TrackMouseEvent(&tme) != FALSE;
    }
    const NodeId n = NodeAt(lParam);
    if (n != hover_) {
        const NodeId old = hover_;
        hover_ = n;
        if (old != kNoNode) FireElement(ElementEvent::MouseOut, old);
        FireElement(ElementEvent::MouseOver, n);
    }
    FireElement(ElementEvent::MouseMove, n);
}

void CPageEngineWnd::OnMouseLeave() {
    tracking_ = false;
    const NodeId old = hover_;
    hover_ = kNoNode;
    if (old != kNoNode) FireElement(ElementEvent::MouseOut, old);
}

void CPageEngineWnd::OnLButtonDown(LPARAM lParam) {
    if (::GetFocus() != m_hWnd) ::SetFocus(m_hWnd);
    down_ = NodeAt(lParam);
    FireElement(ElementEvent::MouseDown, down_);
}

void CPageEngineWnd::OnLButtonUp(LPARAM lParam) {
    const NodeId n = NodeAt(lParam);
    const NodeId down = down_;
    down_ = kNoNode;
    FireElement(ElementEvent::MouseUp, n);
    // A click is a press and a release on the same element (or inside the same link).
    if (!page_ || n == kNoNode) return;
    const NodeId link = page_->doc.Closest(n, L"a");
    if (n == down || (link != kNoNode && link == page_->doc.Closest(down, L"a"))) PerformClick(n);
}

void CPageEngineWnd::OnContextMenu(LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    POINT client = pt;
    ::ScreenToClient(m_hWnd, &client);
    FireElement(ElementEvent::ContextMenu, NodeAt(MAKELPARAM(client.x, client.y)));
    // This engine has no menu of its own: the host's answer only decides that nothing is shown.
    if (events_) events_->ShowContextMenu(0, pt);
}

BOOL CPageEngineWnd::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == m_hWnd && page_) {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        const int x = pt.x + scrollX_, y = pt.y + scrollY_;
        bool hand = LinkAt(page_->layout, x, y) != kNoNode;
        if (!hand) {
            const NodeId n = HitTest(page_->doc, page_->layout, x, y);
            hand = page_->doc.Valid(n) && page_->styles[size_t(n)].handCursor;
        }
        ::SetCursor(::LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
        return TRUE;
    }
    return BOOL(Default());
}

void CPageEngineWnd::OnTimer(UINT_PTR id) {
    if (id == kDeadlineTimer) {
        OnDeadline();
        return;
    }
    if (id != kRefreshTimer) return;
    ::KillTimer(m_hWnd, kRefreshTimer);
    if (!page_ || !page_->doc.refresh.present) return;
    Request req;
    req.url = page_->doc.refresh.url;
    Begin(req, true);
}

// --- keyboard: Tab walks links and fields, Enter follows or submits ---

void CPageEngineWnd::MoveFocus(bool back) {
    if (!page_) return;
    const std::vector<NodeId> order = FocusOrder(page_->doc, page_->layout);
    if (order.empty()) return;
    NodeId current = focusLink_;
    if (const Field* f = FieldOf(::GetFocus())) current = f->node;
    auto it = std::find(order.begin(), order.end(), current);
    size_t index;
    if (it == order.end()) index = back ? order.size() - 1 : 0;
    else index = (size_t(it - order.begin()) + (back ? order.size() - 1 : 1)) % order.size();
    const NodeId next = order[index];
    for (auto& [id, field] : fields_) {
        if (field.node == next) {
            focusLink_ = kNoNode;
            ::SetFocus(field.hwnd);
            if (field.kind == ControlKind::Text || field.kind == ControlKind::Password)
                ::SendMessageW(field.hwnd, EM_SETSEL, 0, -1);
            Invalidate(FALSE);
            return;
        }
    }
    focusLink_ = next;
    ::SetFocus(m_hWnd);
    Invalidate(FALSE);
}

bool CPageEngineWnd::ActivateFocused() {
    if (!page_) return false;
    HWND focus = ::GetFocus();
    if (const Field* f = FieldOf(focus)) {
        SyncFieldsToDocument();
        if (f->kind == ControlKind::Text || f->kind == ControlKind::Password)
            QueueAction(EnterAction(page_->doc, f->node));
        else if (f->kind != ControlKind::Select && f->kind != ControlKind::ListBox && f->kind != ControlKind::TextArea)
            PerformClick(f->node);
        return true;
    }
    if (focus == m_hWnd && focusLink_ != kNoNode) PerformClick(focusLink_);
    return true;
}

BOOL CPageEngineWnd::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || !m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
        return FALSE;
    if (msg->wParam == VK_TAB) {
        MoveFocus(::GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    }
    if (msg->wParam == VK_RETURN) {
        const Field* f = FieldOf(msg->hwnd);
        if (f && f->kind == ControlKind::TextArea) return FALSE;
        return ActivateFocused() ? TRUE : FALSE;
    }
    return FALSE;
}

}  // namespace mrvn::web
