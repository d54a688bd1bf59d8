// CDlgEx: the framed window every dialog of the launcher is built on. It throws the system frame
// away and draws its own from a background image: corner-cut shape, icon and title, caption buttons,
// caption dragging, border sizing and maximizing to the work area.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "platform/win32/scoped.h"
#include "skin/dlg_frame.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::skin {

class CDlgEx : public fw::CDialog {
public:
    explicit CDlgEx(UINT templateId, fw::CWnd* parent = nullptr);
    CDlgEx(UINT templateId, HWND owner);

    BOOL OnInitDialog() override;

    // Any bitmap may be null. The dialog takes the background and the maximize and restore strips;
    // the close and minimize strips stay the caller's (their buttons copy them).
    BOOL SetSkin(win::OwnedBitmap background, bool resizeToBackground, bool stretchSkin, HBITMAP minimize,
                 win::OwnedBitmap maximize, win::OwnedBitmap restore, HBITMAP close);
    void SetTitle(const std::wstring& text);
    void UpdateWindowRegion();

    virtual void OnCloseButton();
    virtual void OnMinimizeButton();
    virtual void ToggleMaximize();
    virtual void UpdateMaximizeButton(bool maximized);

    // The frame members as the portable rules take them.
    DlgFrameStyle FrameStyle() const;
    // The small dialogs' frame: a 30-pixel caption band, a 4-pixel border, the close button in the
    // top right corner.
    void UseDialogFrame() {
        m_nCaptionHeight = 30;
        m_nBorder = 4;
        m_nBtnRightMargin = m_nBtnTop = m_nBtnSpacing = 0;
    }

    BOOL m_bShowTitle = TRUE;
    int m_nCaptionHeight = -1;
    int m_nBtnRightMargin = 5;
    int m_nBtnTop = 1;
    int m_nBtnSpacing = 0;
    int m_nBorder = 3;
    COLORREF m_crTitle = 0xFFFFFF;
    int m_nTitleWeight = 400;
    win::OwnedBitmap m_bmpBackground;
    CBtnEx m_btnClose;
    CBtnEx m_btnMin;
    CBtnEx m_btnMax;
    int m_nMaxWidth = 1440;
    int m_nMaxHeight = 900;
    RECT m_rcRestore{};
    BOOL m_bMaximized = FALSE;
    BOOL m_bResizable = FALSE;
    BOOL m_bStretchSkin = FALSE;
    win::OwnedBitmap m_bmpMaximize;
    win::OwnedBitmap m_bmpRestore;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Paints the whole frame into `dc` at (0, 0) in one blit; FALSE without a background.
    BOOL PaintFrame(HDC dc);

    // The frame's message handlers.
    BOOL OnEraseBkgnd(HDC dc) { return PaintFrame(dc); }
    LRESULT OnNcHitTest(POINT screen);
    LRESULT OnNcLButtonDown(int hit, LPARAM lParam);
    bool OnNcLButtonDblClk(int hit);
    void OnLButtonDblClk(POINT client);
    LRESULT OnSize(int width);

private:
    void DrawBackground(HDC dc, int w, int h);
    void MoveCaptionButtons(int width);
    void DrawIconAndTitle(HDC dc);
    HICON SmallIcon() const;
    int WindowFontHeight() const;
};

}  // namespace mrvn::skin
