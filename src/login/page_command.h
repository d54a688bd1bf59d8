// The login page's commands: "app:" addresses read by character position, the "loadgame" login
// text, its unescape step, the page label built from it and the refusal message.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace mrvn::login {

enum class PageCommand {
    None,      // not "app:": the navigation proceeds
    LoadGame,  // characters 6-13 "loadgame"
    ExitGame,  // characters 6-13 "exitgame"
    Minimize,  // characters 6-13 "minimize"
    Other,     // any other "app:" address: cancelled, nothing else
};

// "http://<web host>/mrvn/client/index.html?cid=4224": the page the login window opens.
std::wstring LoginAddress(const std::wstring& webHost);

// Case-sensitive; characters 4-5 and 14 are not looked at. Every result but None cancels.
PageCommand ClassifyPageCommand(std::wstring_view url);

struct LoadGameArgs {
    std::wstring loginText;    // from index 15 up to the first "|" at or after it
    std::wstring gameAddress;  // everything after that "|"
};
// Both empty when there is no "|" at or after index 15.
LoadGameArgs SplitLoadGame(std::wstring_view url);

// The unescape buffers hold 255 bytes and a zero.
inline constexpr size_t kUnescapeBufBytes = 256;

// "%XX" with two hex digits becomes that byte; any other "%" stays as it is (UrlUnescapeA, flags 0).
std::string PercentDecode(std::string_view bytes);

// The login text as the page sent it: unchanged without "%"; otherwise encoded, percent-decoded and
// read back as UTF-8. The encoding is UTF-8, not the thread's code page: escaped text is ASCII,
// which both give alike, and a raw non-ASCII character then survives instead of turning into "?".
// A text whose encoding exceeds 255 bytes is cut to 255 before decoding, never inside an escape,
// and a character the cut left incomplete is dropped rather than shown as garbage.
std::wstring UnescapeLoginText(std::wstring_view text);

struct LoginFields {
    std::wstring server;   // before the first "服-", capital "S" removed
    std::wstring middle;   // after "服-" up to the next "-"; only 4 characters after a "》" in it
    std::wstring account;  // after that "-"; the whole text when there is none
};
LoginFields SplitLoginText(std::wstring_view text);

// server + "服-" + middle + "-" + account: the text of the game tab.
std::wstring PageLabel(const LoginFields& fields);

// Whether the main window reads `label` back unchanged from WM_COPYDATA: at most 255 UTF-16 units,
// no zero inside, no lone surrogate. A label that is not would be refused there as a duplicate, so
// the login ends without asking and without the duplicate message.
bool PageLabelSendable(const std::wstring& label);

// "账号 <account> 已在 <server>服 登录，同一账号不能在一服重复登录"
std::wstring RefusalMessage(const LoginFields& fields);

}  // namespace mrvn::login
