// The platform's notice: its line and fields, the dates, whether it is wanted, how it is laid out and
// how long it shows. The pop-up window (extras/win/pop_info_dlg.*) only carries these out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/profile_file.h"
#include "skin/skin_geometry.h"

namespace mrvn {

// Rooms of the notice's fields in wide characters, the terminator included: a longer field is cut
// to its room less one.
inline constexpr size_t kNoticeIdRoom = 32;
inline constexpr size_t kNoticeDayRoom = 32;
inline constexpr size_t kNoticeTitleRoom = 64;
inline constexpr size_t kNoticeLinkRoom = 512;
inline constexpr size_t kNoticeTextRoom = 512;
inline constexpr size_t kNoticePictureRoom = 512;
// Dates are compared by their first 15 characters.
inline constexpr size_t kNoticeDateChars = 15;
// The whole line is below this many bytes (the transfer refuses longer bodies).
inline constexpr size_t kNoticeLineBytes = 1024;
// Settings values read back: "PopInfo" through a 1024-character buffer, "PopEnable" through 8.
inline constexpr size_t kPopInfoChars = 1024;
inline constexpr size_t kPopEnableChars = 8;
inline constexpr wchar_t kPopInfoKey[] = L"PopInfo";
inline constexpr wchar_t kPopEnableKey[] = L"PopEnable";
// The picture goes into this file beside the program.
inline constexpr wchar_t kNoticePictureFile[] = L"PopWnd.jpg";

struct NoticeFields {
    std::wstring id;       // field 1, kept only
    std::wstring lastDay;  // field 2
    std::wstring title;    // field 3
    std::wstring link;     // field 4, may be empty
    std::wstring text;     // field 5
    std::wstring picture;  // field 6, may be empty
    int showCount = 0;     // field 7: showings in one run
};

// Splits the seven "|"-separated fields, each cut to its room (never inside a surrogate pair).
// False when fewer than six "|" are there; `out` is then unspecified.
bool SplitNoticeLine(const std::wstring& line, NoticeFields& out);

// "%04d-%02d-%02d" of a local date.
std::wstring FormatNoticeDate(const SystemTime& localNow);

// Compares two year-month-day dates by number: b - a at the first difference (year, month, day),
// saturated to int. Null or empty is missing: 0 when both are, -1 when only b is, 1 when only a is.
// Each date is read from its first 15 characters up to its first blank; a date without its first
// (or second) "-" sorts before one with it.
int CompareDates(const wchar_t* a, const wchar_t* b);

// New (the stored line is empty or not part of it), or the same one not dismissed ("PopEnable" not
// "0"). An empty line is never wanted.
bool IsNoticeWanted(const std::wstring& line, const std::wstring& storedPopInfo, const std::wstring& popEnable);

// The decision once the line has arrived: wanted, complete, and its last day not before `today`.
// An accepted line is stored as "PopInfo" with "PopEnable" 1 in section "Mrvn" of `settingsPath`.
bool AcceptNotice(const std::wstring& line, ProfileFile& ini, const std::wstring& settingsPath,
                  const std::wstring& today, NoticeFields& out);

enum class NoticeLayout {
    PictureAndText,  // background 143, close strip 144
    PictureOnly,     // background 146, close strip 145, colour-keyed
    TextOnly,        // background 147, close strip 144
};

NoticeLayout ChooseNoticeLayout(const NoticeFields& fields);

// Where each control goes, in client coordinates of the background's size. An empty rectangle
// (`shown` false) is a control the layout does not use; the window hides it.
struct NoticeControlPlace {
    bool shown = false;
    SkinRect rect;
};

struct NoticeGeometry {
    int backgroundId = 0;
    int closeStripId = 0;
    bool colourKeyed = false;
    // The skin's frame members.
    int border = 0;
    int btnRightMargin = 0;
    int btnTop = 0;
    NoticeControlPlace picture;  // 1019
    NoticeControlPlace title;    // 1020
    NoticeControlPlace text;     // 1021 (the picture itself in the picture-only layout)
    NoticeControlPlace more;     // 1022, the details link
    size_t textCut = 0;          // characters of the text kept before "..."; 0: no text shown
};

NoticeGeometry NoticeLayoutGeometry(NoticeLayout layout, int clientWidth, int clientHeight);

// The first `chars` characters and "..." (always); one character fewer when the cut would split a
// surrogate pair.
std::wstring CutNoticeText(const std::wstring& text, size_t chars);

// The window's top-left corner: its bottom-right corner at the work area's.
SkinPoint NoticeWindowOrigin(const SkinRect& workArea, int width, int height);

// Only web addresses are opened: "http:" or "https:" (any case). The launcher runs elevated, so a
// notice must not start a program or open a share.
bool IsNoticeLinkOpenable(const std::wstring& link);

// How long one showing lasts and the gap to the next.
struct NoticeTimes {
    uint32_t showMs = 11000;
    uint32_t gapMs = 2400000;
};

// "showMs,gapMs" as a test sets it; anything unreadable, or a zero, keeps the product's times.
NoticeTimes ParseNoticeTimes(const std::wstring& text);

// After a showing of a run that has shown `shows` times: another one comes 40 minutes on.
inline bool NoticeShowsAgain(int shows, int showCount) { return shows < showCount; }

}  // namespace mrvn
