#include "framework/dialog.h"

#include "framework/pump.h"

namespace mrvn::fw {

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!dx || !dx->m_pDlgWnd || control.m_hWnd) return;
    control.SubclassDlgItem(id, dx->m_pDlgWnd);
}

CDialog::~CDialog() {
    // Destroyed without the object: the derived parts that would answer its messages are gone.
    if (HWND h = Detach(); h && ::IsWindow(h)) ::DestroyWindow(h);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return FALSE;
    // From here on the object's WindowProc sees every message; the dialog manager stays beneath it.
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (!self || !self->SubclassWindow(hwnd)) return TRUE;
    BOOL focusDefault = TRUE;
    try {
        focusDefault = self->OnInitDialog();
    } catch (...) {
        focusDefault = TRUE;
    }
    return focusDefault;
}

HWND CDialog::CreateFromTemplate(HWND parent) {
    m_nModalResult = -1;
    return ::CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(m_nIDTemplate), parent, &CDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_nIDTemplate = templateId;
    if (parent) m_pParentWnd = parent;
    return CreateFromTemplate(OwnerHandle()) != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = OwnerHandle();
    // A child cannot own a modal dialog; its top-level ancestor does.
    if (owner) owner = ::GetAncestor(owner, GA_ROOT);
    m_bEndModal = false;
    m_bInModal = true;
    HWND h = CreateFromTemplate(owner);
    if (!h) {
        m_bInModal = false;
        return -1;
    }
    // Only an owner of this process is disabled: a process that ends with its box still up must
    // not leave another program's window disabled behind it.
    DWORD ownerPid = 0;
    if (owner) ::GetWindowThreadProcessId(owner, &ownerPid);
    const bool disableOwner = owner && ownerPid == ::GetCurrentProcessId() && ::IsWindowEnabled(owner);
    if (!m_bEndModal) {  // EndDialog inside OnInitDialog: never shown
        if (disableOwner) ::EnableWindow(owner, FALSE);
        ::ShowWindow(h, SW_SHOW);
        RunModalLoop([this] { return m_bEndModal; });
    }
    if (disableOwner) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        // Hand activation back before the window goes, as the system's dialogs do.
        if (owner) ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    m_bInModal = false;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result) {
    m_nModalResult = result;
    if (m_bInModal) {
        m_bEndModal = true;
        if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL save) {
    CDataExchange dx(this, save);
    try {
        DoDataExchange(&dx);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
    }
    return FALSE;
}

}  // namespace mrvn::fw
