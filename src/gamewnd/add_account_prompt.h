// What the add-account prompt does with the messages that can end it. Its buttons keep the dialog's
// own ids 1 and 2, so the dialog manager's Escape and close (both IDCANCEL) would read as "否", which
// starts a whole new launcher: only a click of either button answers.
#pragma once
#include <cstdint>

namespace mrvn {

enum class PromptReaction {
    PassOn,           // not the prompt's business
    AnswerNewTab,     // "是": post WM_ADD_ACCOUNT 1, then hide
    AnswerNewWindow,  // "否": post WM_ADD_ACCOUNT 0, then hide
    Hide,             // left unanswered; the default handling must not run
    HideAfterDefault, // left unanswered, after the default handling (activation)
};

// Message numbers as the system gives them, so the rule needs no window header.
inline constexpr uint32_t kMsgClose = 0x0010;       // WM_CLOSE
inline constexpr uint32_t kMsgActivate = 0x0006;    // WM_ACTIVATE
inline constexpr uint32_t kMsgKeyDown = 0x0100;     // WM_KEYDOWN
inline constexpr uint32_t kMsgCommand = 0x0111;     // WM_COMMAND
inline constexpr uint32_t kMsgSysCommand = 0x0112;  // WM_SYSCOMMAND
inline constexpr uintptr_t kSysClose = 0xF060;      // SC_CLOSE
inline constexpr uintptr_t kVkEscape = 0x1B;
inline constexpr int kPromptYesId = 1;
inline constexpr int kPromptNoId = 2;

// A close (Alt+F4, the system menu, WM_CLOSE) and Escape are caught before the dialog manager turns
// them into IDCANCEL, which it sends with the "否" button's own window: after that no command can
// tell them from a click.
PromptReaction AddAccountPromptReaction(uint32_t msg, uintptr_t wParam);

}  // namespace mrvn
