// The HTML dialog's navigation filter: which addresses are commands for the dialog.
#pragma once
#include <string>

namespace mrvn::login {

enum class NavFilter {
    AppCommand,   // "app:" exactly so: cancelled and handed to the dialog
    LetThrough,   // "javascript" exactly so: Cancel cleared
    Unchanged,    // everything else: Cancel left as it was
};

NavFilter FilterNavigation(const std::wstring& url);

}  // namespace mrvn::login
