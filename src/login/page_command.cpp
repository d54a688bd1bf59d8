#include "login/page_command.h"

#include <cstdint>
#include <vector>

#include "gamewnd/page_label.h"
#include "core/text_encoding.h"

namespace mrvn::login {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Length of the longest prefix of `bytes` that ends on a character and not inside a "%XX" escape.
size_t CutEscaped(std::string_view bytes, size_t limit) {
    if (bytes.size() <= limit) return bytes.size();
    size_t cut = limit;
    // Inside a "%XX": back to its "%".
    for (size_t back = 1; back <= 2 && back <= cut; ++back) {
        const size_t at = cut - back;
        if (bytes[at] == '%' && at + 2 < bytes.size() && HexValue(bytes[at + 1]) >= 0 && HexValue(bytes[at + 2]) >= 0) {
            cut = at;
            break;
        }
    }
    // Inside a raw multi-byte character: back to its lead byte.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

// Drops a trailing lead byte whose continuation the cut removed.
void DropIncompleteTail(std::string& bytes) {
    size_t lead = bytes.size();
    size_t back = 0;
    while (lead > 0 && back < 4 && (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80) --lead, ++back;
    if (lead == 0) return;
    const auto b = static_cast<unsigned char>(bytes[lead - 1]);
    const size_t need = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
    if (need > back + 1) bytes.resize(lead - 1);
}

std::wstring Substr(std::wstring_view text, long start, long end) {
    const long size = static_cast<long>(text.size());
    if (start < 0) start = 0;
    if (end > size) end = size;
    if (start >= size || end <= start) return {};
    return std::wstring(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

}  // namespace

std::wstring LoginAddress(const std::wstring& webHost) {
    return L"http://" + webHost + L"/mrvn/client/index.html?cid=4224";
}

PageCommand ClassifyPageCommand(std::wstring_view url) {
    if (url.substr(0, 4) != L"app:") return PageCommand::None;
    const std::wstring_view word = url.size() >= 14 ? url.substr(6, 8) : std::wstring_view{};
    if (word == L"loadgame") return PageCommand::LoadGame;
    if (word == L"exitgame") return PageCommand::ExitGame;
    if (word == L"minimize") return PageCommand::Minimize;
    return PageCommand::Other;
}

LoadGameArgs SplitLoadGame(std::wstring_view url) {
    LoadGameArgs args;
    if (url.size() <= 15) return args;
    const size_t bar = url.find(L'|', 15);
    if (bar == std::wstring_view::npos) return args;
    args.loginText = url.substr(15, bar - 15);
    args.gameAddress = url.substr(bar + 1);
    return args;
}

std::string PercentDecode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && HexValue(bytes[i + 1]) >= 0 && HexValue(bytes[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(bytes[i + 1]) * 16 + HexValue(bytes[i + 2]));
            i += 2;
        } else {
            out += bytes[i];
        }
    }
    return out;
}

std::wstring UnescapeLoginText(std::wstring_view text) {
    if (text.empty() || text.find(L'%') == std::wstring_view::npos) return std::wstring(text);
    const std::string encoded = EncodeUtf8(std::wstring(text));
    const size_t fits = CutEscaped(encoded, kUnescapeBufBytes - 1);
    std::string decoded = PercentDecode(std::string_view(encoded).substr(0, fits));
    if (fits < encoded.size()) DropIncompleteTail(decoded);
    return DecodeUtf8(decoded);
}

LoginFields SplitLoginText(std::wstring_view text) {
    const long size = static_cast<long>(text.size());
    const size_t found = text.find(L"服-");
    const long p = found == std::wstring_view::npos ? -1 : static_cast<long>(found);
    long q = -1;
    if (p + 2 < size && p + 2 >= 0) {
        const size_t dash = text.find(L'-', static_cast<size_t>(p + 2));
        if (dash != std::wstring_view::npos) q = static_cast<long>(dash);
    }
    LoginFields fields;
    fields.server = p < 0 ? std::wstring() : Substr(text, 0, p);
    fields.middle = q < 0 ? std::wstring() : Substr(text, p + 2, q);
    fields.account = q < 0 ? std::wstring(text) : Substr(text, q + 1, size);

    std::erase(fields.server, L'S');
    const size_t mark = fields.middle.find(L'》');
    if (mark != std::wstring::npos) fields.middle = fields.middle.substr(mark + 1, 4);
    return fields;
}

std::wstring PageLabel(const LoginFields& fields) {
    return fields.server + L"服-" + fields.middle + L"-" + fields.account;
}

std::wstring RefusalMessage(const LoginFields& fields) {
    return L"账号 " + fields.account + L" 已在 " + fields.server + L"服 登录，同一账号不能在一服重复登录";
}

bool PageLabelSendable(const std::wstring& label) {
    std::vector<uint8_t> bytes;
    auto put = [&bytes](uint32_t unit) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    };
    for (const wchar_t c : label) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp > 0x10FFFF) return false;
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    put(0);
    // The main window's own reading decides: what it would refuse or read differently is not sent.
    std::wstring read;
    return ReadPageLabel(bytes.data(), bytes.size(), read) && read == label;
}

}  // namespace mrvn::login
