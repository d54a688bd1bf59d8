#include <gtest/gtest.h>

#include "gamewnd/add_account_prompt.h"
#include "resource.h"

namespace mrvn {
namespace {

TEST(AddAccountPrompt, OnlyAClickOfEitherButtonAnswers) {
    constexpr uintptr_t kBnSetFocus = 6;
    const struct {
        const char* name;
        uint32_t msg;
        uintptr_t wParam;
        PromptReaction reaction;
    } rows[] = {
        {"click on 是", kMsgCommand, IDC_ADD_ACCOUNT_YES, PromptReaction::AnswerNewTab},
        {"click on 否", kMsgCommand, IDC_ADD_ACCOUNT_NO, PromptReaction::AnswerNewWindow},
        {"否 taking the focus", kMsgCommand, (kBnSetFocus << 16) | IDC_ADD_ACCOUNT_NO, PromptReaction::PassOn},
        {"a command of the text", kMsgCommand, IDC_ADD_ACCOUNT_TEXT, PromptReaction::PassOn},
        // Before the dialog manager makes any of these an IDCANCEL, that is a "否".
        {"Alt+F4 and the system menu", kMsgSysCommand, kSysClose, PromptReaction::Hide},
        {"the system's own bits of a close", kMsgSysCommand, kSysClose | 0x2, PromptReaction::Hide},
        {"a move", kMsgSysCommand, 0xF010, PromptReaction::PassOn},
        {"WM_CLOSE", kMsgClose, 0, PromptReaction::Hide},
        {"Escape", kMsgKeyDown, kVkEscape, PromptReaction::Hide},
        {"Enter is the focused button's business", kMsgKeyDown, 0x0D, PromptReaction::PassOn},
        {"a click elsewhere", kMsgActivate, 0, PromptReaction::HideAfterDefault},
        {"activation", kMsgActivate, 1, PromptReaction::PassOn},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(AddAccountPromptReaction(row.msg, row.wParam), row.reaction);
    }
    // The buttons keep the dialog's own ids, which is why the closes must be caught first.
    EXPECT_EQ(kPromptYesId, IDC_ADD_ACCOUNT_YES);
    EXPECT_EQ(kPromptNoId, IDC_ADD_ACCOUNT_NO);
}

}  // namespace
}  // namespace mrvn
