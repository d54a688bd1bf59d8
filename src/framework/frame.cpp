#include "framework/frame.h"

#include "framework/winapp.h"

namespace mrvn::fw {

namespace {
constexpr wchar_t kFrameClass[] = L"MrvnFrameWnd";
constexpr wchar_t kViewClass[] = L"MrvnView";
}  // namespace

BOOL CView::Create(CWnd* frame, const RECT& rc) {
    if (!frame) return FALSE;
    return CreateEx(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rc, frame->m_hWnd,
                    kViewId);
}

BOOL CView::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!RegisterWndClass(kViewClass, CS_DBLCLKS)) return FALSE;
    cs.lpszClass = kViewClass;
    return TRUE;
}

void CView::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    OnDraw(dc);
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

CFrameWnd::~CFrameWnd() {
    if (HWND h = Detach(); h && ::IsWindow(h)) ::DestroyWindow(h);
}

BOOL CFrameWnd::LoadFrame(const wchar_t* title, DWORD style, const RECT& rc, HWND owner, CView* view) {
    m_pView = view;
    return CreateEx(0, kFrameClass, title, style, rc, owner, 0);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!RegisterWndClass(kFrameClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                          ::LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(128))))
        return FALSE;
    cs.lpszClass = kFrameClass;
    return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCTW*) {
    if (!m_pView) return 0;
    const RECT rc = GetClientRect();
    return m_pView->Create(this, rc) ? 0 : -1;
}

void CFrameWnd::InitialUpdateFrame() {
    if (m_bInitialUpdateDone || !m_pView || !m_pView->m_hWnd) return;
    m_bInitialUpdateDone = true;
    m_pView->OnInitialUpdate();
}

void CFrameWnd::RecalcLayout() {
    if (!m_pView || !m_pView->m_hWnd) return;
    const RECT rc = GetClientRect();
    ::MoveWindow(m_pView->m_hWnd, 0, 0, rc.right, rc.bottom, TRUE);
}

void CFrameWnd::OnSize() { RecalcLayout(); }

void CFrameWnd::OnDestroy() {
    // The application's main frame takes its message loop with it.
    if (CWinApp* app = CWinApp::Current(); app && app->m_pMainWnd == m_hWnd) ::PostQuitMessage(0);
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_SETFOCUS:
        if (m_pView && m_pView->m_hWnd) {
            ::SetFocus(m_pView->m_hWnd);
            return 0;
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::fw
