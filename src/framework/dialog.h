// Dialogs from resource templates: modal through the one pump, or modeless, with control binding.
#pragma once
#include <windows.h>

#include "framework/wnd.h"

namespace mrvn::fw {

// DoDataExchange's carrier: only control binding is needed.
class CDataExchange {
public:
    CDataExchange(CWnd* dlg, BOOL save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    // An owner that is only a handle: a window of another process, or one with no object.
    CDialog(UINT templateId, HWND owner) : m_nIDTemplate(templateId), m_hWndOwner(owner) {}
    ~CDialog() override;

    // Runs the dialog through the one pump; the EndDialog result, or -1 when the dialog could not
    // be made or WM_QUIT ended the loop first.
    virtual INT_PTR DoModal();
    // Modeless: the window stays until DestroyWindow or EndDialog.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    BOOL UpdateData(BOOL save = TRUE);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    // The parent object's window, else the plain owner handle.
    HWND OwnerHandle() const { return m_pParentWnd ? m_pParentWnd->m_hWnd : m_hWndOwner; }

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd = nullptr;
    HWND m_hWndOwner = nullptr;
    INT_PTR m_nModalResult = -1;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND parent);
    bool m_bInModal = false;
    bool m_bEndModal = false;
};

}  // namespace mrvn::fw
