// The launcher's message box: a skinned modal dialog sized to its text with one or two buttons.
#pragma once
#include <windows.h>

#include <string>

#include "skin/win/dlg_ex.h"

namespace mrvn::skin {

inline constexpr UINT kMessageBoxTemplate = 130;  // IDD_MESSAGE_BOX

class CMessageBox : public CDlgEx {
public:
    explicit CMessageBox(fw::CWnd* parent = nullptr);
    ~CMessageBox() override;

    BOOL OnInitDialog() override;
    // Enter and Esc must not answer the question.
    void OnOK() override {}
    void OnCancel() override {}

    // Each bitmap passes to the box: the background to the base through SetSkin, the strips are
    // deleted by the box.
    HBITMAP m_hbmBackground = nullptr;
    HBITMAP m_hbmClose = nullptr;
    HBITMAP m_hbmButton1 = nullptr;
    HBITMAP m_hbmButton2 = nullptr;
    std::wstring m_strText;
    std::wstring m_strCaption;
    int m_nStyle = 0;
    int m_nLineCount = 1;
    HFONT m_hTextFont = nullptr;
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
