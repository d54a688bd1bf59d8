// The window-free rules of CMessageBox: size from the measured text, button places and results,
// and where each line of the text block is drawn.
#pragma once
#include <string>
#include <vector>

#include "platform/text_measurer.h"
#include "resource.h"
#include "skin/skin_geometry.h"

namespace mrvn {

inline constexpr int kMsgStyleOk = 0;
inline constexpr int kMsgStyleOkCancel = 1;
inline constexpr int kMsgStyleYesNo = 4;

inline constexpr int kMsgBtn1 = IDC_MSG_BTN1;
inline constexpr int kMsgBtn2 = IDC_MSG_BTN2;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr wchar_t kProductCaption[] = L"QuarnMorvane";

// 1 + the number of line feeds ("\r\n" counts once).
int MessageLineCount(const std::wstring& text);

// Window (and, frameless, client) size for text measured tw x th and button frames bw x bh.
SkinSize MessageBoxSize(int tw, int th, int lineCount, const SkinSize& buttonFrame);

struct MessageButton {
    int id = 0;
    std::wstring label;
    SkinRect rect;
    bool operator==(const MessageButton&) const = default;
};

// One centred button for style 0 (and unknown styles), two 20 pixels apart for styles 1 and 4;
// bottoms 30 pixels above the client bottom.
std::vector<MessageButton> MessageBoxButtons(int style, const SkinSize& client, const SkinSize& buttonFrame);

// The dialog result of a button click.
int MessageBoxResult(int style, int buttonId);

struct MessageTextLine {
    std::wstring text;
    SkinRect rect;
    bool operator==(const MessageTextLine&) const = default;
};

// WM_PAINT: the text block centred horizontally, each piece between line feeds in its own
// rectangle of height th / lines from y = 55 down, 3 pixels apart. A carriage return before a line
// feed is left out of its piece.
std::vector<MessageTextLine> MessageTextLines(const std::wstring& text, int clientWidth, int tw, int th);

struct MessageBoxLayout {
    SkinSize size;
    std::vector<MessageButton> buttons;
    std::vector<MessageTextLine> lines;
};

// Everything OnInitDialog and WM_PAINT place, from the text measured in the dialog's font.
MessageBoxLayout LayoutMessageBox(const std::wstring& text, int style, const SkinSize& buttonStrip,
                                  TextMeasurer& measurer);

}  // namespace mrvn
