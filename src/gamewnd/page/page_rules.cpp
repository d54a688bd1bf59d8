#include "gamewnd/page/page_rules.h"

#include <algorithm>

#include "gamewnd/private_messages.h"

namespace mrvn::gamewnd::page {
namespace {

constexpr std::wstring_view kEnterGame = L"app://entergame|";
constexpr int32_t kVkF5 = 116;

bool IsSafeTag(const std::wstring& tag) {
    if (tag.empty() || tag.size() > kMaxGameTagChars) return false;
    if (tag.find(L"..") != std::wstring::npos) return false;
    return std::none_of(tag.begin(), tag.end(), [](wchar_t c) {
        return c == L'\\' || c == L':' || static_cast<uint32_t>(c) < 0x20;
    });
}

}  // namespace

EnterGameParse ParseEnterGame(std::wstring_view url, std::wstring_view webHomePage, EnterGame& game) {
    game = {};
    const size_t at = url.find(kEnterGame);
    if (at == std::wstring_view::npos) return EnterGameParse::NotEnterGame;
    // From the end of the marker, wherever it stands: with it at the start that is character 16.
    const std::wstring_view rest = url.substr(at + kEnterGame.size());
    const size_t bar = rest.find(L'|');
    std::wstring tag(rest.substr(0, bar));
    game.downloadPage = bar == std::wstring_view::npos ? std::wstring(webHomePage) : std::wstring(rest.substr(bar + 1));

    std::erase(tag, L'/');
    if (!tag.empty() && tag[0] >= L'a' && tag[0] <= L'z') tag[0] = static_cast<wchar_t>(tag[0] - L'a' + L'A');
    if (!IsSafeTag(tag)) {
        game.tag.clear();
        return EnterGameParse::BadTag;
    }
    game.tag = std::move(tag);
    return EnterGameParse::Launch;
}

bool IsWebAddress(std::wstring_view address) {
    const auto startsNoCase = [&](std::wstring_view prefix) {
        if (address.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            wchar_t c = address[i];
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c != prefix[i]) return false;
        }
        return true;
    };
    size_t hostAt = 0;
    if (startsNoCase(L"http://")) hostAt = 7;
    else if (startsNoCase(L"https://")) hostAt = 8;
    else return false;
    if (hostAt >= address.size() || address[hostAt] == L'/') return false;
    return std::none_of(address.begin(), address.end(), [](wchar_t c) {
        return static_cast<uint32_t>(c) <= 0x20 || c == 0x7F || c == L'"' || c == L'\\';
    });
}

bool OpensDownloadPage(int answer, std::wstring_view page) {
    return answer == kOfferAnswerCancel && IsWebAddress(page);
}

std::wstring HallPageAddress(std::wstring_view clientHost) {
    std::wstring address = L"http://";
    address += clientHost;
    address += L"/webgame.htm";
    return address;
}

std::wstring GameLauncherPath(std::wstring_view commonAppData, std::wstring_view tag) {
    std::wstring path(commonAppData);
    path += L"\\Quarn\\GameLogin\\";
    path += tag;
    path += L".exe";
    return path;
}

bool F5Refreshes(const Hotkey& boss, const Hotkey& sound, long lParam) {
    const Hotkey plainF5{0, kVkF5};
    return (boss != plainF5 && sound != plainF5) || lParam == kLauncherMarker;
}

bool ForwardsToMainWindow(const Hotkey& windowSwitch, int32_t vk, int32_t modifiers, long lParam) {
    return lParam != kLauncherMarker && HotkeyMatches(windowSwitch, vk, modifiers);
}

}  // namespace mrvn::gamewnd::page
