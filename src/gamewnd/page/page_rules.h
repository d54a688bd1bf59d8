// Rules of the game page process that need no window: the "app://entergame|" link to another game's
// launcher and the keys the page frame handles itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hotkeys/hotkey_format.h"

namespace mrvn::gamewnd::page {

// The tag names a file in our own folder; anything longer or path-like is refused.
inline constexpr size_t kMaxGameTagChars = 32;

struct EnterGame {
    std::wstring tag;           // "/" removed, first a-z upper-cased: "mrvn" gives "Mrvn"
    std::wstring downloadPage;  // after the first "|"; the web home page when there is none
};

enum class EnterGameParse {
    NotEnterGame,  // the address navigates normally
    Launch,        // `game` holds the tag and the download page
    BadTag,        // cancelled, but no file is looked for: empty, too long, "\\", ".." or ":" in it
};

// The text after "app://entergame|" is "<tag>" or "<tag>|<download page>".
EnterGameParse ParseEnterGame(std::wstring_view url, std::wstring_view webHomePage, EnterGame& game);

// The offer's answer that opens the download page: Cancel (IDCANCEL). OK is the client download's.
inline constexpr int kOfferAnswerCancel = 2;

// "http://" or "https://" (any letter case) and a host, with no blank, quote, backslash or control
// character anywhere: what the shell opens as a web page and nothing else. A program path, a share
// or a "file:" address would run or open with this process's rights, which are an administrator's.
bool IsWebAddress(std::wstring_view address);

// The download page goes to the shell only on Cancel, and only when it is a web address.
bool OpensDownloadPage(int answer, std::wstring_view page);

// The game hall page on the client-service host (host[:port]).
std::wstring HallPageAddress(std::wstring_view clientHost);

// "<common app data>\Quarn\GameLogin\<tag>.exe"
std::wstring GameLauncherPath(std::wstring_view commonAppData, std::wstring_view tag);

// F5 refreshes unless F5 alone is the boss or the sound key; the menu's F5 (lParam 6825) always does.
bool F5Refreshes(const Hotkey& boss, const Hotkey& sound, long lParam);

// A key-down that the frame posts on to the main window: the window-switch key, unless it is one of
// the launcher's own messages (lParam 6825).
bool ForwardsToMainWindow(const Hotkey& windowSwitch, int32_t vk, int32_t modifiers, long lParam);

}  // namespace mrvn::gamewnd::page
