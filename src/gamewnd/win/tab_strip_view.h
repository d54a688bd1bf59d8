// What the tab strip looks like: the tab and close-box images and the tooltip with a tab's whole
// label. The strip's state and decisions are GameTabs'; this draws them.
#pragma once
#include <windows.h>

#include "framework/controls.h"
#include "gamewnd/game_tabs.h"

namespace mrvn::gamewnd {

class CTabStripView {
public:
    void Create(fw::CWnd* owner);
    // Draws every tab into the window's memory DC, in the window's font.
    void Paint(HDC mem, HFONT font, const GameTabs& tabs) const;
    // The tooltip follows what the hit test decided.
    void ShowTip(const GameTabs::Hover& hover, const GameTabs& tabs);
    void RelayEvent(MSG* msg);

private:
    fw::CWnd* m_owner = nullptr;
    fw::CImageList m_imgTabs;
    fw::CImageList m_imgTabClose;
    fw::CToolTipCtrl m_tipTabs;
};

}  // namespace mrvn::gamewnd
