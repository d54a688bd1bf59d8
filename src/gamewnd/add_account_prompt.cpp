#include "gamewnd/add_account_prompt.h"

namespace mrvn {

PromptReaction AddAccountPromptReaction(uint32_t msg, uintptr_t wParam) {
    switch (msg) {
        case kMsgCommand:
            // BN_CLICKED is notification 0.
            if (((wParam >> 16) & 0xFFFF) != 0) return PromptReaction::PassOn;
            if ((wParam & 0xFFFF) == kPromptYesId) return PromptReaction::AnswerNewTab;
            if ((wParam & 0xFFFF) == kPromptNoId) return PromptReaction::AnswerNewWindow;
            return PromptReaction::PassOn;
        case kMsgClose: return PromptReaction::Hide;
        // The low four bits of a system command are the system's own.
        case kMsgSysCommand: return (wParam & 0xFFF0) == kSysClose ? PromptReaction::Hide : PromptReaction::PassOn;
        case kMsgKeyDown: return wParam == kVkEscape ? PromptReaction::Hide : PromptReaction::PassOn;
        case kMsgActivate: return (wParam & 0xFFFF) == 0 ? PromptReaction::HideAfterDefault : PromptReaction::PassOn;
        default: return PromptReaction::PassOn;
    }
}

}  // namespace mrvn
