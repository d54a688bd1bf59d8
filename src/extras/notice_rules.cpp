#include "extras/notice_rules.h"

#include <climits>
#include <cstdio>

#include "core/state_store.h"
#include "core/text.h"
#include "skin/skin_images.h"

namespace mrvn {

namespace {

bool IsHighSurrogate(wchar_t c) { return (uint32_t(c) & 0xFC00u) == 0xD800u; }

// The first `chars` characters, one fewer when the last kept one opens a surrogate pair.
std::wstring KeepChars(const std::wstring& text, size_t chars) {
    if (text.size() <= chars) return text;
    if (chars > 0 && IsHighSurrogate(text[chars - 1])) --chars;
    return text.substr(0, chars);
}

// The field at `pos` up to the next "|", cut to `room` less its terminator; false without a "|".
bool TakeField(const std::wstring& line, size_t& pos, size_t room, std::wstring& out) {
    const size_t bar = line.find(L'|', pos);
    if (bar == std::wstring::npos) return false;
    out = KeepChars(line.substr(pos, bar - pos), room - 1);
    pos = bar + 1;
    return true;
}

bool Missing(const wchar_t* s) { return !s || !*s; }

// The date's first 15 characters up to its first blank.
std::wstring DatePart(const wchar_t* s) {
    std::wstring d;
    for (size_t i = 0; i < kNoticeDateChars && s[i]; ++i) {
        if (s[i] == L' ' || s[i] == L'\t') break;
        d += s[i];
    }
    return d;
}

int Saturate(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

// 0 when both have the dash or both lack it; else the one without sorts first.
int DashOrder(size_t da, size_t db) {
    const bool ha = da != std::wstring::npos, hb = db != std::wstring::npos;
    if (ha == hb) return 0;
    return ha ? -1 : 1;
}

}  // namespace

bool SplitNoticeLine(const std::wstring& line, NoticeFields& out) {
    size_t pos = 0;
    if (!TakeField(line, pos, kNoticeIdRoom, out.id)) return false;
    if (!TakeField(line, pos, kNoticeDayRoom, out.lastDay)) return false;
    if (!TakeField(line, pos, kNoticeTitleRoom, out.title)) return false;
    if (!TakeField(line, pos, kNoticeLinkRoom, out.link)) return false;
    if (!TakeField(line, pos, kNoticeTextRoom, out.text)) return false;
    if (!TakeField(line, pos, kNoticePictureRoom, out.picture)) return false;
    out.showCount = ParseLeadingInt(line.substr(pos));
    return true;
}

std::wstring FormatNoticeDate(const SystemTime& t) {
    wchar_t buf[64] = {};
    std::swprintf(buf, 64, L"%04d-%02d-%02d", int(t.year), int(t.month), int(t.day));
    return buf;
}

int CompareDates(const wchar_t* a, const wchar_t* b) {
    if (a == b) return 0;
    if (Missing(b)) return Missing(a) ? 0 : -1;
    if (Missing(a)) return 1;
    const std::wstring da = DatePart(a), db = DatePart(b);
    const size_t a1 = da.find(L'-'), b1 = db.find(L'-');
    if (const int o = DashOrder(a1, b1); o != 0 || a1 == std::wstring::npos) return o;
    const int64_t year = int64_t(ParseLeadingInt(db.substr(0, b1))) - ParseLeadingInt(da.substr(0, a1));
    if (year != 0) return Saturate(year);
    const size_t a2 = da.find(L'-', a1 + 1), b2 = db.find(L'-', b1 + 1);
    if (const int o = DashOrder(a2, b2); o != 0 || a2 == std::wstring::npos) return o;
    const int64_t month =
        int64_t(ParseLeadingInt(db.substr(b1 + 1, b2 - b1 - 1))) - ParseLeadingInt(da.substr(a1 + 1, a2 - a1 - 1));
    if (month != 0) return Saturate(month);
    return Saturate(int64_t(ParseLeadingInt(db.substr(b2 + 1))) - ParseLeadingInt(da.substr(a2 + 1)));
}

bool IsNoticeWanted(const std::wstring& line, const std::wstring& storedPopInfo, const std::wstring& popEnable) {
    if (line.empty()) return false;
    if (storedPopInfo.empty() || line.find(storedPopInfo) == std::wstring::npos) return true;
    return popEnable != L"0";
}

bool AcceptNotice(const std::wstring& line, ProfileFile& ini, const std::wstring& settingsPath,
                  const std::wstring& today, NoticeFields& out) {
    // A longer line never comes from the transfer; one built elsewhere is refused the same way.
    if (line.size() >= kNoticeLineBytes) return false;
    const std::wstring stored = ini.GetString(settingsPath, kIniSection, kPopInfoKey, L"", kPopInfoChars);
    const std::wstring enable = ini.GetString(settingsPath, kIniSection, kPopEnableKey, L"", kPopEnableChars);
    if (!IsNoticeWanted(line, stored, enable)) return false;
    NoticeFields fields;
    if (!SplitNoticeLine(line, fields)) return false;
    if (CompareDates(fields.lastDay.c_str(), today.c_str()) > 0) return false;
    ini.WriteString(settingsPath, kIniSection, kPopInfoKey, line);
    ini.WriteString(settingsPath, kIniSection, kPopEnableKey, L"1");
    out = std::move(fields);
    return true;
}

NoticeLayout ChooseNoticeLayout(const NoticeFields& f) {
    if (f.picture.empty()) return NoticeLayout::TextOnly;
    return f.text.empty() ? NoticeLayout::PictureOnly : NoticeLayout::PictureAndText;
}

NoticeGeometry NoticeLayoutGeometry(NoticeLayout layout, int cw, int ch) {
    NoticeGeometry g;
    switch (layout) {
        case NoticeLayout::PictureAndText:
            g.backgroundId = kImgNoticeBg;
            g.closeStripId = kImgNoticeClose;
            g.border = 3;
            g.btnRightMargin = 3;
            g.btnTop = 3;
            g.picture = {true, RectXywh(15, 67, 75, 80)};
            g.title = {true, RectXywh(100, 48, cw - 120, 15)};
            g.text = {true, RectXywh(100, 68, cw - 116, 13)};
            g.more = {true, RectXywh(195, 168, 42, 13)};
            g.textCut = 54;
            break;
        case NoticeLayout::PictureOnly:
            g.backgroundId = kImgPictureBg;
            g.closeStripId = kImgPictureClose;
            g.colourKeyed = true;
            g.btnTop = 1;
            g.text = {true, RectXywh(-3, 22, cw + 3, ch - 22)};
            break;
        case NoticeLayout::TextOnly:
            g.backgroundId = kImgNoticeTextBg;
            g.closeStripId = kImgNoticeClose;
            g.border = 3;
            g.btnRightMargin = 3;
            g.btnTop = 3;
            g.title = {true, RectXywh(0, 45, cw, 15)};
            g.text = {true, RectXywh(18, 65, cw - 34, 13)};
            g.more = {true, RectXywh(195, 145, 42, 13)};
            g.textCut = 71;
            break;
    }
    return g;
}

std::wstring CutNoticeText(const std::wstring& text, size_t chars) { return KeepChars(text, chars) + L"..."; }

SkinPoint NoticeWindowOrigin(const SkinRect& wa, int width, int height) {
    return {wa.right - width, wa.bottom - height};
}

bool IsNoticeLinkOpenable(const std::wstring& link) {
    const std::wstring upper = UpperAscii(link.substr(0, 8));
    return upper.rfind(L"HTTP:", 0) == 0 || upper.rfind(L"HTTPS:", 0) == 0;
}

NoticeTimes ParseNoticeTimes(const std::wstring& text) {
    NoticeTimes t;
    const size_t comma = text.find(L',');
    if (comma == std::wstring::npos) return t;
    const int32_t show = ParseLeadingInt(text.substr(0, comma));
    const int32_t gap = ParseLeadingInt(text.substr(comma + 1));
    if (show > 0 && gap > 0) {
        t.showMs = uint32_t(show);
        t.gapMs = uint32_t(gap);
    }
    return t;
}

}  // namespace mrvn
