#include "gamewnd/page/win/page_frame.h"

#include <shellapi.h>

#include "core/install.h"
#include "gamewnd/page/page_rules.h"
#include "gamewnd/win/placement.h"
#include "platform/win32/win32_platform.h"
#include "skin/win/message_box.h"
#include "web/win/web_view.h"

namespace mrvn::gamewnd::page {

int CGmWndView::OnCreate(CREATESTRUCTW* cs) {
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    return CWebPageView::OnCreate(cs);
}

void CGmWndView::OnInitialUpdate() {
    CWebPageView::OnInitialUpdate();
    g_pPageView = this;
    // Script errors of the page are nobody's business here.
    put_Silent(true);
    Navigate2(m_settings.gameAddress);
}

void CGmWndView::OnGetHostInfo(DWORD* flags) {
    // Game pages have neither border nor scroll bars; the hall page keeps its scroll bars.
    if (!m_settings.ShowsHall()) *flags |= web::kHostFlagNo3dBorder | web::kHostFlagScrollNo;
}

void CGmWndView::OnNavigateComplete2(const std::wstring& url) {
    if (m_settings.navigatedUrl) *m_settings.navigatedUrl = url;
    // Whichever tab is current, a page that completes a navigation shows itself in the page area.
    // Without a main window there is no page area: the frame stays hidden until the watch ends us.
    HWND frame = GetParent();
    HWND mainWnd = m_settings.mainWnd;
    if (!::IsWindow(mainWnd)) return;
    PlaceFrame(frame, mainWnd, true);
    ShowFrame(frame, mainWnd);
}

void CGmWndView::OnTitleChange(const std::wstring& title) {
    if (m_settings.pageTitle) *m_settings.pageTitle = title;
}

void CGmWndView::OnBeforeNavigate2(const std::wstring& url, DWORD, const std::wstring&, VARIANT*, const std::wstring&,
                                   BOOL* cancel) {
    if (url.find(L"app://entergame|") == std::wstring::npos) return;
    // The browser never goes to an "app:" address.
    *cancel = TRUE;
    EnterGame(url);
}

void CGmWndView::EnterGame(const std::wstring& url) {
    page::EnterGame game;
    // A tag that would name a file outside our folder starts nothing and offers nothing.
    if (page::ParseEnterGame(url, m_settings.webHomePage, game) != page::EnterGameParse::Launch) return;
    const std::wstring launcher =
        page::GameLauncherPath(win::Win32KnownFolders().Get(KnownFolder::CommonAppData), game.tag);
    if (::GetFileAttributesW(launcher.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (m_settings.launcher) m_settings.launcher->Launch(launcher, PlainCommandLine(launcher));
        return;
    }
    const int answer = skin::SkinMessageBox(m_settings.mainWnd, kEnterGameOffer, kEnterGameCaption, 1);
    if (answer == IDOK) {
        if (m_settings.showClientDownload) m_settings.showClientDownload(game.tag);
        return;
    }
    // Anything else the page put there is refused without a word: the page is not the player.
    if (page::OpensDownloadPage(answer, game.downloadPage)) {
        ::ShellExecuteW(nullptr, L"open", game.downloadPage.c_str(), nullptr, nullptr, SW_SHOW);
    }
}

}  // namespace mrvn::gamewnd::page
