#include "login/win/dhtml_dlg.h"

#include <windowsx.h>

#include <cwctype>

#include "login/nav_filter.h"

namespace mrvn::login {

using web::ElementEvent;
using web::ElementRef;

namespace {

using Row = DHtmlEventRow;
constexpr Row::Kind kTag = Row::Kind::Tag;
constexpr Row::Kind kClass = Row::Kind::Class;

// Sprite buttons first, then the drag rows for bare page areas.
const DHtmlEventRow kRows[] = {
    {kClass, L"button", ElementEvent::MouseOut, &CDHtmDlgEx::OnSpriteOut},
    {kClass, L"button", ElementEvent::MouseOver, &CDHtmDlgEx::OnSpriteOver},
    {kClass, L"button", ElementEvent::MouseDown, &CDHtmDlgEx::OnSpriteDown},
    {kClass, L"button", ElementEvent::MouseUp, &CDHtmDlgEx::OnSpriteUp},
    {kTag, L"body", ElementEvent::MouseDown, &CDHtmDlgEx::OnDragDown},
    {kTag, L"body", ElementEvent::MouseUp, &CDHtmDlgEx::OnDragUp},
    {kTag, L"body", ElementEvent::MouseMove, &CDHtmDlgEx::OnDragMove},
    {kTag, L"body", ElementEvent::ContextMenu, &CDHtmDlgEx::OnNoMenu},
    {kTag, L"td", ElementEvent::MouseDown, &CDHtmDlgEx::OnDragDown},
    {kTag, L"td", ElementEvent::MouseUp, &CDHtmDlgEx::OnDragUp},
    {kTag, L"td", ElementEvent::MouseMove, &CDHtmDlgEx::OnDragMove},
    {kTag, L"td", ElementEvent::ContextMenu, &CDHtmDlgEx::OnNoMenu},
    {kTag, L"div", ElementEvent::MouseDown, &CDHtmDlgEx::OnDragDown},
    {kTag, L"div", ElementEvent::MouseUp, &CDHtmDlgEx::OnDragUp},
    {kTag, L"div", ElementEvent::MouseMove, &CDHtmDlgEx::OnDragMove},
    {kTag, L"div", ElementEvent::ContextMenu, &CDHtmDlgEx::OnNoMenu},
};
const DHtmlEventMap kMap{nullptr, kRows, sizeof kRows / sizeof kRows[0]};

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && !b[i];
}

}  // namespace

CDHtmDlgEx::CDHtmDlgEx(UINT templateId, std::wstring url, fw::CWnd* parent)
    : CDialog(templateId, parent), m_strUrl(std::move(url)) {}

CDHtmDlgEx::~CDHtmDlgEx() {
    m_spPressed.reset();
    // The view goes with the dialog's window; its events must not reach a half-destroyed dialog.
    if (m_hWnd) DestroyWindow();
    m_pBrowser.reset();
}

BOOL CDHtmDlgEx::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pBrowser = web::CreateWebView();
    const RECT rc = GetClientRect();
    if (!m_pBrowser->Create(m_hWnd, rc, kBrowserControlId, this)) {
        m_pBrowser.reset();
        return TRUE;
    }
    m_pBrowser->put_Silent(true);
    if (!m_strUrl.empty()) m_pBrowser->Navigate2(m_strUrl);
    return TRUE;
}

const DHtmlEventMap* CDHtmDlgEx::GetDHtmlEventMap() const { return &kMap; }

// --- browser events ---

void CDHtmDlgEx::OnBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                   VARIANT_BOOL* cancel) {
    const std::wstring address = web::VariantText(url);
    switch (FilterNavigation(address)) {
        case NavFilter::AppCommand:
            *cancel = VARIANT_TRUE;
            OnAppCommand(address);
            break;
        case NavFilter::LetThrough: *cancel = VARIANT_FALSE; break;
        case NavFilter::Unchanged: break;
    }
}

void CDHtmDlgEx::BeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                                 VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
    OnBeforeNavigate2(disp, url, flags, targetFrame, postData, headers, cancel);
}

void CDHtmDlgEx::OnNavigateComplete(IDispatch*, const std::wstring&) {
    if (m_pBrowser) m_pBrowser->SetBodyScroll(L"auto");
}

void CDHtmDlgEx::NavigateComplete2(IDispatch* disp, VARIANT* url) { OnNavigateComplete(disp, web::VariantText(url)); }

void CDHtmDlgEx::DocumentComplete(IDispatch* disp, VARIANT* url) { OnDocumentComplete(disp, web::VariantText(url)); }

void CDHtmDlgEx::TitleChange(BSTR text) { OnTitleChange(text ? std::wstring(text, ::SysStringLen(text)) : L""); }

BOOL CDHtmDlgEx::OnNavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, BOOL* cancel) {
    *cancel = TRUE;
    return TRUE;
}

void CDHtmDlgEx::NavigateError(IDispatch* disp, VARIANT* url, VARIANT* targetFrame, VARIANT* status,
                               VARIANT_BOOL* cancel) {
    BOOL c = *cancel != VARIANT_FALSE;
    OnNavigateError(disp, url, targetFrame, status, &c);
    *cancel = c ? VARIANT_TRUE : VARIANT_FALSE;
}

HRESULT CDHtmDlgEx::ShowContextMenu(DWORD, POINT) { return S_OK; }

HRESULT CDHtmDlgEx::OnHostShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) { return S_FALSE; }

HRESULT CDHtmDlgEx::OnHostShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_FALSE; }

HRESULT CDHtmDlgEx::ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                DWORD helpContext, LRESULT* result) {
    return OnHostShowMessage(hwnd, text, caption, type, helpFile, helpContext, result);
}

HRESULT CDHtmDlgEx::ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt, IDispatch* hit) {
    return OnHostShowHelp(hwnd, helpFile, command, data, pt, hit);
}

// --- the DHTML event table ---

bool CDHtmDlgEx::OnElementEvent(ElementEvent ev, const ElementRef& source) {
    if (!source) return false;
    const std::wstring tag = source->TagName();
    const std::wstring cls = source->ClassName();
    for (const DHtmlEventMap* map = GetDHtmlEventMap(); map; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const DHtmlEventRow& row = map->rows[i];
            if (row.event != ev) continue;
            const bool applies = row.kind == DHtmlEventRow::Kind::Tag ? SameNoCase(tag, row.name) : cls == row.name;
            if (!applies) continue;
            // S_FALSE becomes the event result false: the default action is cancelled.
            return (this->*row.handler)(source) == S_FALSE;
        }
    }
    return false;
}

bool CDHtmDlgEx::IsDisabled(const ElementRef& element) const {
    VARIANT v;
    ::VariantInit(&v);
    if (!element->GetAttribute(L"disabled", &v)) {
        ::VariantClear(&v);
        return false;
    }
    const bool disabled = v.vt == VT_BOOL && v.boolVal != VARIANT_FALSE;
    ::VariantClear(&v);
    return disabled;
}

// Frame 0 normal, 1 hover, 2 pressed: the image holds them side by side, each as wide as the element.
void CDHtmDlgEx::ShowFrame(const ElementRef& element, int frame) {
    long left = 0, top = 0, width = 0, height = 0;
    if (!element->Offsets(left, top, width, height)) return;
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = -frame * width;
    element->PutBackgroundPositionX(v);
}

HRESULT CDHtmDlgEx::OnSpriteOut(const ElementRef& element) {
    if (::GetCapture() != m_hWnd) ShowFrame(element, 0);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpriteOver(const ElementRef& element) {
    if (::GetCapture() != m_hWnd && !IsDisabled(element)) ShowFrame(element, 1);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpriteDown(const ElementRef& element) {
    if (IsDisabled(element)) return S_FALSE;
    m_spPressed = element;
    ::SetCapture(m_hWnd);
    ShowFrame(element, 2);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnSpriteUp(const ElementRef& element) {
    OnSpriteOver(element);
    element->Click();
    return S_FALSE;
}

void CDHtmDlgEx::SendDrag(UINT msg) {
    POINT pt;
    ::GetCursorPos(&pt);
    ::SendMessageW(m_hWnd, msg, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

HRESULT CDHtmDlgEx::OnDragDown(const ElementRef&) {
    SendDrag(WM_NCLBUTTONDOWN);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragUp(const ElementRef&) {
    SendDrag(WM_NCLBUTTONUP);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragMove(const ElementRef&) {
    SendDrag(WM_NCMOUSEMOVE);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnNoMenu(const ElementRef&) { return S_FALSE; }

// --- window ---

// The end of a sprite press: the release comes to the dialog, which holds the capture.
bool CDHtmDlgEx::OnCaptureRelease(LPARAM lParam) {
    ::ReleaseCapture();
    if (ElementRef pressed = std::move(m_spPressed)) {
        m_spPressed.reset();
        long left = 0, top = 0, width = 0, height = 0;
        pressed->Offsets(left, top, width, height);
        const RECT rc{left, top, left + width, top + height};
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (::PtInRect(&rc, pt)) {
            OnSpriteOver(pressed);
            pressed->Click();
        } else {
            ShowFrame(pressed, 0);
        }
    }
    return true;
}

void CDHtmDlgEx::OnSize() {
    if (m_pBrowser) m_pBrowser->Move(GetClientRect());
}

LRESULT CDHtmDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (::GetCapture() == m_hWnd && OnCaptureRelease(lParam)) return 0;
            break;
        case WM_SIZE: OnSize(); break;
        default: break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::login
