#include "core/self_delete.h"

#include <cstdio>
#include <vector>

#include "core/folder_tree.h"

namespace mrvn {

namespace {

bool IsAbsolute(const std::wstring& path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
                       ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    return drive || path.starts_with(L"\\\\");
}

// Only characters that read back as themselves, none that cmd or del gives a meaning between quotes.
bool Writable(CodePage& codePage, const std::wstring& path) {
    if (!IsAbsolute(path)) return false;
    for (wchar_t c : path) {
        if (c < 0x20 || c == L'"' || c == L'?' || c == L'*') return false;
    }
    return codePage.FromAnsi(codePage.ToAnsi(path)) == path;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

bool IsDriveRoot(const std::wstring& folder) { return folder.size() == 2 && folder[1] == L':'; }

}  // namespace

std::wstring RemovalClosingText(bool batchStarted, const std::wstring& programPath) {
    if (batchStarted) return kRemovedText;
    return L"QuarnMorvane的快捷方式和设置已移除，但程序文件未能删除：\r\n" + programPath +
           L"\r\n请在程序退出后手动删除该文件。";
}

bool BatchPathText(FileSystem& fs, CodePage& codePage, const std::wstring& path, std::string& out) {
    out.clear();
    std::wstring usable = path;
    if (!Writable(codePage, usable)) {
        usable = fs.ShortPath(path);
        if (usable.empty() || !Writable(codePage, usable)) return false;
    }
    // A batch line expands %...%; doubling before the conversion leaves the bytes of a double-byte
    // character alone.
    std::wstring escaped;
    for (wchar_t c : usable) {
        escaped += c;
        if (c == L'%') escaped += L'%';
    }
    out = codePage.ToAnsi(escaped);
    return true;
}

bool SelfDeleteScript(FileSystem& fs, CodePage& codePage, const std::wstring& programPath,
                      const std::wstring& batchPath, std::string& script) {
    script.clear();
    std::string program, batch;
    if (!BatchPathText(fs, codePage, programPath, program) || !BatchPathText(fs, codePage, batchPath, batch)) {
        return false;
    }
    const std::wstring folder = FolderOf(programPath);
    std::vector<FolderEntry> probe;
    const bool alone = !IsDriveRoot(folder) && fs.ListFolder(folder, probe) && CountFilesRecursive(fs, folder) <= 1;

    std::vector<char> buf(kBatchBufferBytes);
    int n = 0;
    if (alone) {
        // The folder's own short form, if it needs one, comes from the system, not from cutting the
        // program's.
        std::string folderText;
        if (!BatchPathText(fs, codePage, folder, folderText)) return false;
        n = std::snprintf(buf.data(), buf.size(), kPrivateFolderBatch, 1, program.c_str(), program.c_str(),
                          folderText.c_str(), folderText.c_str(), batch.c_str());
    } else {
        n = std::snprintf(buf.data(), buf.size(), kSharedFolderBatch, 1, program.c_str(), program.c_str(),
                          batch.c_str());
    }
    if (n < 0 || static_cast<size_t>(n) >= buf.size()) return false;
    script.assign(buf.data(), static_cast<size_t>(n));
    return true;
}

}  // namespace mrvn
