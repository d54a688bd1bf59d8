#include "framework/controls.h"

#include <vector>

namespace mrvn::fw {

BOOL CButton::Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, L"BUTTON", text, style, rc, parent ? parent->m_hWnd : nullptr, id);
}

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, L"STATIC", text, style, rc, parent ? parent->m_hWnd : nullptr, id);
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, PROGRESS_CLASSW, L"", style, rc, parent ? parent->m_hWnd : nullptr, id);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    PBRANGE r{};
    ::SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
    lower = r.iLow;
    upper = r.iHigh;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

CToolTipCtrl::~CToolTipCtrl() {
    if (HWND h = Detach(); h && ::IsWindow(h)) ::DestroyWindow(h);
}

BOOL CToolTipCtrl::Create(CWnd* owner, DWORD style) {
    if (m_hWnd || !owner) return FALSE;
    HWND h = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner->m_hWnd, nullptr,
                               ResourceInstance(), nullptr);
    return h && Attach(h);
}

namespace {
TTTOOLINFOW ToolInfo(CWnd* tool, UINT_PTR id, const wchar_t* text) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = 0;  // messages come by RelayEvent, not by subclassing the tool
    ti.hwnd = tool->m_hWnd;
    ti.uId = id;
    ti.rect = tool->GetClientRect();
    ti.hinst = ResourceInstance();
    ti.lpszText = const_cast<wchar_t*>(text ? text : LPSTR_TEXTCALLBACKW);
    return ti;
}
}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* tool, const wchar_t* text, UINT_PTR id) {
    if (!m_hWnd || !tool) return FALSE;
    TTTOOLINFOW ti = ToolInfo(tool, id, text);
    return BOOL(::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::UpdateTipText(const std::wstring& text, CWnd* tool, UINT_PTR id) {
    if (!m_hWnd || !tool) return;
    TTTOOLINFOW ti = ToolInfo(tool, id, text.c_str());
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring CToolTipCtrl::GetText(CWnd* tool, UINT_PTR id) const {
    if (!m_hWnd || !tool) return {};
    std::vector<wchar_t> buf(1024, L'\0');
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = tool->m_hWnd;
    ti.uId = id;
    ti.lpszText = buf.data();
    ::SendMessageW(m_hWnd, TTM_GETTEXTW, WPARAM(buf.size()), reinterpret_cast<LPARAM>(&ti));
    return buf.data();
}

CMemDC::CMemDC(HDC ref, int width, int height) {
    m_dc = ::CreateCompatibleDC(ref);
    if (!m_dc) return;
    m_bmp = ::CreateCompatibleBitmap(ref, width > 0 ? width : 1, height > 0 ? height : 1);
    if (m_bmp) m_old = ::SelectObject(m_dc, m_bmp);
}

CMemDC::~CMemDC() {
    if (m_dc && m_old) ::SelectObject(m_dc, m_old);
    if (m_bmp) ::DeleteObject(m_bmp);
    if (m_dc) ::DeleteDC(m_dc);
}

}  // namespace mrvn::fw
