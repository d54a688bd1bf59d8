#include "hotkeys/win/setting_dlg.h"

#include <optional>

#include "gamewnd/private_messages.h"
#include "hotkeys/hotkey_rules.h"
#include "hotkeys/win/key_state.h"
#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/message_box.h"
#include "skin/win/skin_image.h"

namespace mrvn::hotkeys {

CSettingDlg* g_pOpenSettingDlg = nullptr;

namespace {

// The three fields in the order of the hotkeys: boss, window switch, sound.
constexpr int kFields[3] = {IDC_EDIT_BOSS, IDC_EDIT_SWITCH, IDC_EDIT_SOUND};
constexpr HotkeyId kIds[3] = {HotkeyId::Boss, HotkeyId::WindowSwitch, HotkeyId::Sound};
constexpr COLORREF kGroupColour = RGB(231, 241, 247);

bool IsGroupBox(int id) { return id == IDC_GRP_SWITCH || id == IDC_GRP_SOUND || id == IDC_GRP_BOSS; }

BOOL CALLBACK EndOwnedBox(HWND h, LPARAM owner) {
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    // WM_CLOSE answers a box with Cancel; other owned windows (tooltips) are left alone.
    if (::GetWindow(h, GW_OWNER) == reinterpret_cast<HWND>(owner) && lstrcmpW(cls, L"#32770") == 0)
        ::SendMessageW(h, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

CSettingDlg::CSettingDlg(ProfileFile& ini, std::wstring settingsPath, HWND owner)
    : CDlgEx(IDD_SETTINGS, owner), m_ini(ini), m_settingsPath(std::move(settingsPath)) {}

void CSettingDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::DDX_Control(dx, IDC_LBL_BOSS, m_lblBoss);
    fw::DDX_Control(dx, IDC_LBL_BOSS_EXAMPLE, m_lblBossExample);
    fw::DDX_Control(dx, IDC_LBL_SWITCH, m_lblSwitch);
    fw::DDX_Control(dx, IDC_LBL_SWITCH_EXAMPLE, m_lblSwitchExample);
    fw::DDX_Control(dx, IDC_LBL_SOUND, m_lblSound);
    fw::DDX_Control(dx, IDC_LBL_SOUND_EXAMPLE, m_lblSoundExample);
    fw::DDX_Control(dx, IDOK, m_btnOK);
    fw::DDX_Control(dx, IDCANCEL, m_btnCancel);
}

BOOL CSettingDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseDialogFrame();
    SetTitle(kSettingsTitle);
    const HMODULE module = fw::ResourceInstance();
    m_bmpClose.Reset(skin::LoadSkinImage(module, kImgClose));
    SetSkin(win::OwnedBitmap(skin::LoadSkinImage(module, kImgDialogBg)), false, true, nullptr, {}, {},
            m_bmpClose.Get());
    m_bmpButton.Reset(skin::LoadSkinImage(module, kImgButton));
    for (skin::CBtnEx* b : {&m_btnOK, &m_btnCancel}) {
        if (m_bmpButton) b->SetImageStrip(m_bmpButton.Get(), false);
    }
    m_brGroup.Reset(::CreateSolidBrush(kGroupColour));

    HotkeyStore store(m_ini, m_settingsPath);
    for (int i = 0; i < 3; ++i) {
        const Hotkey h = store.Read(kIds[i]);
        m_nKey[i] = h.key;
        ::SetDlgItemTextW(m_hWnd, kFields[i], HotkeyText(h).c_str());
    }
    CentreOverOwner();
    return TRUE;
}

void CSettingDlg::CentreOverOwner() {
    // The template has no position of its own: over a maximised main window it would open in the
    // screen's corner, far from where the player looks.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT area{}, self{};
    if (!owner || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area)) {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    ::GetWindowRect(m_hWnd, &self);
    const int w = self.right - self.left, h = self.bottom - self.top;
    ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring CSettingDlg::FieldText(int index) const {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(m_hWnd, kFields[index], text, 64);
    return text;
}

BOOL CSettingDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return CDlgEx::PreTranslateMessage(msg);
    const HWND focus = ::GetFocus();
    int index = -1;
    for (int i = 0; i < 3; ++i) {
        if (focus && focus == GetDlgItem(kFields[i])) index = i;
    }
    const std::optional<HotkeyId> field = index >= 0 ? std::optional<HotkeyId>(kIds[index]) : std::nullopt;
    const Capture c = DecideCapture(msg->message, int32_t(msg->wParam), field, CurrentModifiersNow());
    if (c.kind == Capture::Kind::PassOn) return CDlgEx::PreTranslateMessage(msg);
    if (c.kind == Capture::Kind::SetText) {
        if (c.newKey) m_nKey[index] = *c.newKey;
        ::SetWindowTextW(focus, c.text.c_str());
        // The caret at the end; the key itself goes no further, so nothing is typed.
        ::SendMessageW(focus, EM_SETSEL, c.text.size(), -1);
        ::SendMessageW(focus, EM_SCROLLCARET, 0, 0);
    }
    return TRUE;
}

void CSettingDlg::OnOK() {
    const std::wstring texts[3] = {FieldText(0), FieldText(1), FieldText(2)};
    if (HotkeyTextsConflict(texts[0], texts[1], texts[2])) {
        // Stays open with nothing written (unless the boss key ended it meanwhile).
        skin::SkinMessageBox(m_hWnd, kHotkeyConflictText, kMainWindowTitle, 0);
        return;
    }
    HotkeyStore store(m_ini, m_settingsPath);
    for (int i = 0; i < 3; ++i) {
        if (const std::optional<Hotkey> h = HotkeyToSave(texts[i], m_nKey[i])) store.Write(kIds[i], *h);
    }
    TellMainWindows();
    EndDialog(IDOK);
}

void CSettingDlg::CancelFromOutside() {
    if (m_hWnd) ::EnumThreadWindows(::GetCurrentThreadId(), EndOwnedBox, reinterpret_cast<LPARAM>(m_hWnd));
    EndDialog(IDCANCEL);
}

LRESULT CSettingDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        const LRESULT r = CDlgEx::WindowProc(msg, wParam, lParam);
        if (!IsGroupBox(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) || !m_brGroup) return r;
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(m_brGroup.Get());
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

INT_PTR RunSettingsDialog(HWND owner, ProfileFile& ini, const std::wstring& settingsPath) {
    CSettingDlg dlg(ini, settingsPath, owner);
    g_pOpenSettingDlg = &dlg;
    const INT_PTR result = dlg.DoModal();
    g_pOpenSettingDlg = nullptr;
    return result;
}

void CancelOpenSettingsDialog() {
    CSettingDlg* dlg = g_pOpenSettingDlg;
    if (dlg && dlg->m_hWnd && ::IsWindowVisible(dlg->m_hWnd)) dlg->CancelFromOutside();
}

int TellMainWindows() {
    HWND found[kMaxMainWindowsTold] = {};
    int count = 0;
    // Other programs' windows too: only their texts are read, into bounded buffers (a window of
    // another process is not asked, so a hung program cannot hold the save up).
    for (HWND h = ::GetWindow(::GetDesktopWindow(), GW_CHILD); h && count < kMaxMainWindowsTold;
         h = ::GetWindow(h, GW_HWNDNEXT)) {
        wchar_t text[128] = {};
        wchar_t cls[64] = {};
        ::GetWindowTextW(h, text, 128);
        ::GetClassNameW(h, cls, 64);
        if (lstrcmpW(text, kMainWindowTitle) == 0 && lstrcmpW(cls, kMainWindowClass) == 0) found[count++] = h;
    }
    for (int i = 0; i < count; ++i) ::PostMessageW(found[i], WM_HOTKEYS_CHANGED, 0, 0);
    return count;
}

}  // namespace mrvn::hotkeys
