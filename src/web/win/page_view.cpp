#include "web/win/page_view.h"

namespace mrvn::web {

CWebPageView::~CWebPageView() {
    // The web view's window goes first, so that no event reaches a view being destroyed.
    m_pBrowser.reset();
}

BOOL CWebPageView::Create(fw::CWnd* frame, const RECT& rc) {
    if (!CView::Create(frame, rc)) return FALSE;
    m_pBrowser = CreateWebView();
    const RECT client = GetClientRect();
    if (!m_pBrowser->Create(m_hWnd, client, 1, this)) {
        m_pBrowser.reset();
        return FALSE;
    }
    return TRUE;
}

void CWebPageView::BeforeNavigate2(IDispatch*, VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                                   VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
    BOOL c = *cancel != VARIANT_FALSE;
    OnBeforeNavigate2(VariantText(url), DWORD(VariantLong(flags)), VariantText(targetFrame), postData,
                      VariantText(headers), &c);
    *cancel = c ? VARIANT_TRUE : VARIANT_FALSE;
}

void CWebPageView::NavigateComplete2(IDispatch*, VARIANT* url) { OnNavigateComplete2(VariantText(url)); }

void CWebPageView::TitleChange(BSTR text) { OnTitleChange(text ? std::wstring(text, ::SysStringLen(text)) : L""); }

DWORD CWebPageView::HostFlags() {
    DWORD flags = 0;
    OnGetHostInfo(&flags);
    return flags;
}

void CWebPageView::OnSize() {
    if (m_pBrowser) m_pBrowser->Move(GetClientRect());
}

LRESULT CWebPageView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) OnSize();
    return CView::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::web
