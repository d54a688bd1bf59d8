// Known-folder seam (SHGetFolderPathW).
#pragma once
#include <string>

namespace mrvn {

enum class KnownFolder {
    CommonAppData,   // C:\ProgramData
    CommonDesktop,
    CommonPrograms,
    AppData,
    InternetCache,
    Favorites,
    Personal,        // the user's documents
    Temp,
};

class KnownFolders {
public:
    virtual ~KnownFolders() = default;
    // The folder without a trailing "\", or empty when the system cannot say.
    virtual std::wstring Get(KnownFolder folder) = 0;
};

}  // namespace mrvn
