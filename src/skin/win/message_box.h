// The launcher's message box: a skinned modal dialog sized to its text with one or two buttons.
#pragma once
#include <windows.h>

#include <string>

#include "skin/win/dlg_ex.h"

namespace mrvn::skin {

class CMessageBox : public CDlgEx {
public:
    // The owner is a plain handle: it may be a window of another process (a page's box over the
    // main window), which is never bound to an object here.
    explicit CMessageBox(HWND owner = nullptr);

    BOOL OnInitDialog() override;
    // Enter and Esc must not answer the question.
    void OnOK() override {}
    void OnCancel() override {}

    // The box owns its images; the background passes on to the base in OnInitDialog.
    win::OwnedBitmap m_hbmBackground;
    win::OwnedBitmap m_hbmClose;
    win::OwnedBitmap m_hbmButton1;
    win::OwnedBitmap m_hbmButton2;
    std::wstring m_strText;
    std::wstring m_strCaption;
    int m_nStyle = 0;
    HFONT m_hTextFont = nullptr;  // the dialog's font, not owned
    CBtnEx m_btn1;
    CBtnEx m_btn2;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintText(HDC dc);
};

// Shows `text` modally over `parent` (or none); styles 0 (OK), 1 (OK, Cancel), 4 (Yes, No). Returns
// 1, 2, 6 or 7, and 2 when closed with the close button.
int SkinMessageBox(HWND parent, const std::wstring& text, const std::wstring& caption, int style);

}  // namespace mrvn::skin
