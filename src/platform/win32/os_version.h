// The system's version as GetVersionExW reports it (a zeroed OSVERSIONINFOW of its own size, 276
// bytes). The call is deprecated but is what tells the system generations apart here.
#pragma once
#include <windows.h>

namespace mrvn::win {

inline OSVERSIONINFOW OsVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info)) info.dwMajorVersion = 0;
#pragma GCC diagnostic pop
    return info;
}

}  // namespace mrvn::win
