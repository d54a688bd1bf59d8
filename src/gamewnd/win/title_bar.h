// The main window's own title-bar controls: hide, sound, menu and hall buttons and the add-account
// link, with their images and looks. Laid out again only when the window's width changes.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "gamewnd/tab_strip.h"
#include "platform/win32/scoped.h"
#include "skin/win/skin_controls_win.h"

namespace mrvn::gamewnd {

class CTitleBar {
public:
    void Bind(fw::CDataExchange* dx);
    // Images, texts and colours, once the controls are bound.
    void Setup();
    // Moves the controls for `width` when it changed; the window repaints what the change says.
    TitleBarWidth::Change Layout(int width, int osMajorVersion);
    RECT AccountLinkRect() const { return m_lblOtherAccount.GetWindowRect(); }
    RECT MenuButtonRect() const { return m_btnMenu.GetWindowRect(); }
    // The sound button's strip for sound off or on, the hall button's for the hall shown or hidden.
    void ShowSoundOff(bool off);
    void ShowHallShown(bool shown);

private:
    skin::CBtnEx m_btnHide;
    skin::CBtnEx m_btnMenu;
    skin::CBtnEx m_btnSound;
    skin::CBtnEx m_btnHall;
    skin::CStaticEx m_lblOtherAccount;
    win::OwnedBitmap m_bmpHide, m_bmpSoundOn, m_bmpSoundOff, m_bmpMenu, m_bmpHallHidden, m_bmpHallShown,
        m_bmpAccount;
    TitleBarWidth m_titleWidth;
};

}  // namespace mrvn::gamewnd
