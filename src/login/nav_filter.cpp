#include "login/nav_filter.h"

namespace mrvn::login {

// Case-sensitive on purpose: "APP:" is an ordinary address.
NavFilter FilterNavigation(const std::wstring& url) {
    if (url.compare(0, 4, L"app:") == 0) return NavFilter::AppCommand;
    if (url.compare(0, 10, L"javascript") == 0) return NavFilter::LetThrough;
    return NavFilter::Unchanged;
}

}  // namespace mrvn::login
