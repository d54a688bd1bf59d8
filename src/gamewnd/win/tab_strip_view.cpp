#include "gamewnd/win/tab_strip_view.h"

#include "platform/win32/scoped.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"
#include "skin/win/skin_paint.h"

namespace mrvn::gamewnd {

namespace {

void BuildImageList(fw::CImageList& list, HBITMAP strip, int frames) {
    const SIZE s = skin::BitmapSize(strip);
    if (!strip || s.cx < frames) return;
    if (list.Create(s.cx / frames, s.cy, ILC_COLOR24 | ILC_MASK, frames, 0)) list.Add(strip, skin::kKeyColor);
}

void DrawFrameOf(const fw::CImageList& list, int frame, HDC dc, const SkinRect& r) {
    ::ImageList_DrawEx(list.GetSafeHandle(), frame, dc, r.left, r.top, r.Width(), r.Height(), CLR_DEFAULT,
                       CLR_DEFAULT, ILD_TRANSPARENT);
}

}  // namespace

void CTabStripView::Create(fw::CWnd* owner) {
    m_owner = owner;
    win::OwnedBitmap tabs(skin::LoadSkinImage(fw::ResourceInstance(), kImgTab));
    win::OwnedBitmap close(skin::LoadSkinImage(fw::ResourceInstance(), kImgTabClose));
    BuildImageList(m_imgTabs, tabs.Get(), 3);
    BuildImageList(m_imgTabClose, close.Get(), 3);
    if (m_tipTabs.Create(owner, TTS_ALWAYSTIP)) {
        m_tipTabs.AddTool(owner, nullptr, 0);
        m_tipTabs.SetDelayTime(TTDT_AUTOMATIC, 500);
    }
}

void CTabStripView::Paint(HDC mem, HFONT font, const GameTabs& tabs) const {
    win::ScopedSaveDc saved(mem);
    if (font) ::SelectObject(mem, font);
    ::SetBkMode(mem, TRANSPARENT);
    skin::GdiTextMeasurer measurer(mem);
    for (const GameTabs::TabPaint& tab : tabs.PaintTabs(measurer)) {
        DrawFrameOf(m_imgTabs, tab.backgroundFrame, mem, tab.background);
        if (tab.closeFrame >= 0) DrawFrameOf(m_imgTabClose, tab.closeFrame, mem, tab.closeBox);
        RECT text = skin::ToRect(tab.textRect);
        ::DrawTextW(mem, tab.text.c_str(), int(tab.text.size()), &text, DT_SINGLELINE);
    }
}

void CTabStripView::ShowTip(const GameTabs::Hover& hover, const GameTabs& tabs) {
    if (!m_tipTabs.m_hWnd) return;
    if (hover.tip == TipChange::Activate) {
        ::SendMessageW(m_tipTabs.m_hWnd, TTM_ACTIVATE, TRUE, 0);
        m_tipTabs.UpdateTipText(tabs.Label(hover.tipTab), m_owner, 0);
    } else if (hover.tip == TipChange::Deactivate) {
        ::SendMessageW(m_tipTabs.m_hWnd, TTM_ACTIVATE, FALSE, 0);
    }
}

void CTabStripView::RelayEvent(MSG* msg) {
    if (m_tipTabs.m_hWnd) m_tipTabs.RelayEvent(msg);
}

}  // namespace mrvn::gamewnd
