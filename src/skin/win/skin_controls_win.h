// The skinned child controls: an image button of four frames, a wrapping static text and an image
// progress bar. Each has its parent paint the skin under it, then draws itself in one blit.
#pragma once
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "platform/win32/scoped.h"

namespace mrvn::skin {

class CBtnEx : public fw::CButton {
public:
    CBtnEx() = default;

    // The four frames of `strip` (normal, hover, pressed, disabled); the strip stays the caller's.
    BOOL SetImageStrip(HBITMAP strip, bool resize);
    void SetToolTipText(const std::wstring& text);
    // The label the skin draws, also the window text (screen readers name buttons by it).
    void SetLabel(const std::wstring& text);
    // A visible child one frame of `strip` in size, its right edge at x and its top at y.
    static BOOL CreateImageButton(CBtnEx& button, HBITMAP strip, int x, int y, int id, fw::CWnd* parent);

    // Refreshes the stored rectangle after the owner moved or resized the button.
    void UpdateStoredRect();
    const std::wstring& ToolTipText() const { return m_strToolTip; }
    fw::CToolTipCtrl& ToolTip() { return m_toolTip; }
    bool HasImages() const { return m_imgList.GetSafeHandle() != nullptr; }

    BOOL m_bTracking = FALSE;
    BOOL m_bHover = FALSE;
    std::wstring m_strText;
    COLORREF m_crText = 0;
    BOOL m_bPressedLatch = FALSE;
    BOOL m_bToolTip = FALSE;

protected:
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(DRAWITEMSTRUCT* dis) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawFrame(HDC dc, HDC ref, int frame, int w, int h);
    void DrawLabel(HDC dc, int frame);
    bool OnHover(UINT msg);
    bool OnToolTipText(NMHDR* hdr);
    RECT m_rcStored{};
    fw::CImageList m_imgList;
    fw::CToolTipCtrl m_toolTip;
    std::wstring m_strToolTip;
};

class CStaticEx : public fw::CStatic {
public:
    CStaticEx() = default;

    // One image shown left of the text; the bitmap stays the caller's. FALSE for null.
    BOOL SetImage(HBITMAP bmp);
    // Lays the text out by the wrap walk and draws it; grows the control to fit.
    virtual void DrawTextContent(HDC dc);

    std::wstring m_strText;
    int m_nFontWidth = 0;
    int m_nFontWeight = -1;
    int m_nFontHeight = 0;
    BOOL m_bHandCursor = FALSE;
    BOOL m_bUnderline = FALSE;
    COLORREF m_crText = 0;
    COLORREF m_crHover = 0;
    int m_nLineSpacing = 3;
    BOOL m_bHoverColor = FALSE;
    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC target);
    HFONT EnsureFont();
    win::OwnedFont m_font;
    fw::CImageList m_imgList;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
};

class CImgProgress : public fw::CProgressCtrl {
public:
    CImgProgress() = default;

    // Takes both bitmaps and sizes the control to the track.
    BOOL SetImages(win::OwnedBitmap track, win::OwnedBitmap bar);

    win::OwnedBitmap m_hbmTrack;
    win::OwnedBitmap m_hbmBar;
    RECT m_rcClient{};
    RECT m_rcBar{};

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC target);
};

}  // namespace mrvn::skin
