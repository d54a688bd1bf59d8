#include "core/install.h"

#include "core/state_store.h"
#include "core/text.h"

namespace mrvn {

std::wstring PlainCommandLine(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring InstallTargetOf(const std::wstring& installFolder, const std::wstring& programPath) {
    const size_t slash = programPath.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? programPath : programPath.substr(slash);
    return installFolder + (name.starts_with(L"\\") ? name : L"\\" + name);
}

std::wstring InstallSelfFiles(FileSystem& fs, ProcessLauncher& launcher, const std::wstring& commonAppData,
                              const std::wstring& programPath,
                              const std::function<void(const std::wstring&)>& beforeStart) {
    fs.CreateFolder(commonAppData + L"\\Quarn");
    const std::wstring folder = InstallFolderOf(commonAppData);
    fs.CreateFolder(folder);
    const std::wstring target = InstallTargetOf(folder, programPath);
    if (!EqualsNoCase(target, programPath)) fs.CopyFileTo(programPath, target, true);
    if (beforeStart) beforeStart(target);
    launcher.Launch(target, PlainCommandLine(target));
    return target;
}

}  // namespace mrvn
