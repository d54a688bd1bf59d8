#include "core/win/removal.h"

#include <cstring>
#include <string>

#include "core/self_delete.h"
#include "platform/win32/process_start.h"
#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::core {

bool StartSelfDeleteBatch(const std::wstring& program) {
    win::Win32KnownFolders folders;
    const std::wstring temp = folders.Get(KnownFolder::Temp);
    wchar_t name[MAX_PATH] = {};
    if (temp.empty() || !GetTempFileNameW(temp.c_str(), L"DelSelf", 0, name)) return false;
    const std::wstring batch = std::wstring(name) + L".bat";
    if (program.empty()) return false;

    // Made empty first, so that the system can name its 8.3 form when its folder needs one.
    if (AppendTextToFile(batch.c_str(), "") < 0) return false;
    win::Win32FileSystem fs;
    win::AnsiCodePage codePage;
    std::string script, commandLine;
    // A "%" on a command line is not escaped by doubling; such a batch path is not used.
    if (!SelfDeleteScript(fs, codePage, program, batch, script) || !BatchPathText(fs, codePage, batch, commandLine) ||
        commandLine.find('%') != std::string::npos || AppendTextToFile(batch.c_str(), script.c_str()) < 0) {
        DeleteFileW(batch.c_str());
        return false;
    }
    // The path was checked to read back exactly from the code page, so its wide form is the same path.
    win::ProcessStart start;
    start.commandLine = L"\"" + codePage.FromAnsi(commandLine) + L"\"";
    start.show = SW_HIDE;
    start.idleClass = false;
    start.idleThread = true;
    bool started = false;
    win::StartProcess(start, false, &started);
    // A batch that never runs deletes nothing, not even itself.
    if (!started) DeleteFileW(batch.c_str());
    return started;
}

int AppendTextToFile(const wchar_t* path, const char* text) {
    win::ScopedFile file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return -1;
    const DWORD size = static_cast<DWORD>(std::strlen(text));
    DWORD written = 0;
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        const DWORD error = GetLastError();
        file.Reset();
        SetLastError(error);
        return -1;
    }
    if (!WriteFile(file.Get(), text, size, &written, nullptr)) {
        const DWORD error = GetLastError();
        file.Reset();
        SetLastError(error);
        return -1;
    }
    return static_cast<int>(written);
}

}  // namespace mrvn::core
