#include "gamewnd/win/title_bar.h"

#include <utility>

#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"

namespace mrvn::gamewnd {

namespace {
win::OwnedBitmap SkinImage(int id) { return win::OwnedBitmap(skin::LoadSkinImage(fw::ResourceInstance(), id)); }
}  // namespace

void CTitleBar::Bind(fw::CDataExchange* dx) {
    fw::DDX_Control(dx, IDC_BTN_HIDE, m_btnHide);
    fw::DDX_Control(dx, IDC_BTN_MENU, m_btnMenu);
    fw::DDX_Control(dx, IDC_BTN_SOUND, m_btnSound);
    fw::DDX_Control(dx, IDC_LBL_OTHER_ACCOUNT, m_lblOtherAccount);
    fw::DDX_Control(dx, IDC_BTN_HALL, m_btnHall);
}

void CTitleBar::Setup() {
    m_bmpHide = SkinImage(kImgHide);
    m_bmpSoundOn = SkinImage(kImgSoundOn);
    m_bmpSoundOff = SkinImage(kImgSoundOff);
    m_bmpMenu = SkinImage(kImgMenu);
    m_bmpHallHidden = SkinImage(kImgHallHidden);
    m_bmpHallShown = SkinImage(kImgHallShown);
    m_bmpAccount = SkinImage(kImgAccount);
    m_btnHide.SetImageStrip(m_bmpHide.Get(), true);
    m_btnSound.SetImageStrip(m_bmpSoundOn.Get(), true);
    m_btnMenu.SetImageStrip(m_bmpMenu.Get(), true);
    m_btnMenu.m_crText = RGB(255, 255, 255);
    m_btnMenu.SetLabel(L"系统");
    m_btnHall.SetImageStrip(m_bmpHallHidden.Get(), true);
    // Image-only buttons: the name is for screen readers; the skin draws no text on them.
    m_btnHide.SetWindowText(L"隐藏");
    m_btnSound.SetWindowText(L"声音");
    m_btnHall.SetWindowText(L"游戏大厅");

    m_lblOtherAccount.m_crText = RGB(255, 255, 255);
    m_lblOtherAccount.m_bHandCursor = TRUE;
    m_lblOtherAccount.m_bUnderline = TRUE;
    m_lblOtherAccount.ModifyStyle(0, SS_NOTIFY);
    m_lblOtherAccount.SetImage(m_bmpAccount.Get());
}

void CTitleBar::ShowSoundOff(bool off) {
    m_btnSound.SetImageStrip(off ? m_bmpSoundOff.Get() : m_bmpSoundOn.Get(), true);
    if (m_btnSound.m_hWnd) ::InvalidateRect(m_btnSound.m_hWnd, nullptr, TRUE);
}

void CTitleBar::ShowHallShown(bool shown) {
    m_btnHall.SetImageStrip(shown ? m_bmpHallShown.Get() : m_bmpHallHidden.Get(), true);
    if (m_btnHall.m_hWnd) ::InvalidateRect(m_btnHall.m_hWnd, nullptr, TRUE);
}

TitleBarWidth::Change CTitleBar::Layout(int width, int osMajorVersion) {
    const TitleBarWidth::Change change = m_titleWidth.OnSize(width, m_btnHide.m_hWnd != nullptr, osMajorVersion);
    if (!change.relayout) return change;
    const TitleBarLayout l = LayoutTitleBar(width);
    const std::pair<fw::CWnd*, SkinRect> moves[] = {
        {&m_btnHide, l.hide}, {&m_btnSound, l.sound}, {&m_btnMenu, l.menu}, {&m_btnHall, l.hall},
        {&m_lblOtherAccount, l.otherAccount}};
    for (const auto& [wnd, r] : moves) {
        if (wnd->m_hWnd) ::MoveWindow(wnd->m_hWnd, r.left, r.top, r.Width(), r.Height(), TRUE);
    }
    for (skin::CBtnEx* b : {&m_btnHide, &m_btnSound, &m_btnMenu, &m_btnHall}) b->UpdateStoredRect();
    for (const auto& [wnd, r] : moves) {
        if (wnd->m_hWnd) ::InvalidateRect(wnd->m_hWnd, nullptr, TRUE);
    }
    return change;
}

}  // namespace mrvn::gamewnd
