// The login page's addresses: command word, loadgame split, unescape, page label and refusal
// message, and the entergame tag of the page process. The first field is the address.
#include "gamewnd/page/page_rules.h"
#include "core/text_encoding.h"
#include "login/page_command.h"
#include "support/fuzz_input.h"

namespace {

bool ValidWide(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        if (c > (sizeof(wchar_t) == 2 ? 0xFFFFu : 0x10FFFFu)) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size()) return false;
            const auto d = static_cast<uint32_t>(text[i + 1]);
            if (d < 0xDC00 || d > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const std::wstring url = in.Line();

    const login::PageCommand command = login::ClassifyPageCommand(url);
    MRVN_FUZZ_CHECK((command == login::PageCommand::None) == (url.rfind(L"app:", 0) != 0));

    const login::LoadGameArgs args = login::SplitLoadGame(url);
    MRVN_FUZZ_CHECK(args.loginText.size() + args.gameAddress.size() <= url.size());
    if (!args.loginText.empty() || !args.gameAddress.empty()) {
        MRVN_FUZZ_CHECK(url.substr(15, args.loginText.size()) == args.loginText);
        MRVN_FUZZ_CHECK(args.loginText.find(L'|') == std::wstring::npos);
    }

    // The unescape step on the address's own text and on the raw rest of the input as bytes.
    for (const std::wstring& text : {args.loginText, url}) {
        const std::wstring unescaped = login::UnescapeLoginText(text);
        if (text.find(L'%') == std::wstring::npos) {
            MRVN_FUZZ_CHECK(unescaped == text);
        } else {
            MRVN_FUZZ_CHECK(unescaped.size() < login::kUnescapeBufBytes);
            MRVN_FUZZ_CHECK(ValidWide(unescaped));
        }
        const login::LoginFields fields = login::SplitLoginText(unescaped);
        MRVN_FUZZ_CHECK(fields.server.find(L'S') == std::wstring::npos);
        MRVN_FUZZ_CHECK(fields.server.size() + fields.middle.size() <= unescaped.size());
        MRVN_FUZZ_CHECK(fields.account.size() <= unescaped.size());
        const std::wstring label = login::PageLabel(fields);
        MRVN_FUZZ_CHECK(label.size() == fields.server.size() + fields.middle.size() + fields.account.size() + 3);
        if (login::PageLabelSendable(label)) MRVN_FUZZ_CHECK(label.find(L'\0') == std::wstring::npos && label.size() <= 255);
        MRVN_FUZZ_CHECK(login::RefusalMessage(fields).find(fields.account) != std::wstring::npos);
    }
    const std::vector<uint8_t> rest = in.Rest();
    const std::wstring decoded = DecodeUtf8(std::string(rest.begin(), rest.end()));
    MRVN_FUZZ_CHECK(ValidWide(decoded) && decoded.size() <= rest.size());

    gamewnd::page::EnterGame game;
    if (gamewnd::page::ParseEnterGame(url, L"http://home/", game) == gamewnd::page::EnterGameParse::Launch) {
        MRVN_FUZZ_CHECK(!game.tag.empty() && game.tag.size() <= gamewnd::page::kMaxGameTagChars);
        MRVN_FUZZ_CHECK(game.tag.find_first_of(L"\\:/|") == std::wstring::npos);
        MRVN_FUZZ_CHECK(game.tag.find(L"..") == std::wstring::npos);
    } else {
        MRVN_FUZZ_CHECK(game.tag.empty());
    }
    return 0;
}
