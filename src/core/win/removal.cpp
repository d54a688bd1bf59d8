#include "core/win/removal.h"

#include <cstring>
#include <string>

#include "core/self_delete.h"
#include "core/state_store.h"
#include "core/win/app.h"
#include "core/win/report.h"
#include "extras/folder_tree.h"
#include "extras/shortcut_rules.h"
#include "extras/win/shortcuts.h"
#include "platform/win32/scoped.h"
#include "skin/win/message_box.h"

namespace mrvn::win {

void UninstallSelf(CTessaly3App& app) {
    app.m_platform.registry.DeleteTree(RegRoot::LocalMachine, kLauncherKey);
    RemoveShortcuts();
    const std::wstring program = Win32ProcessEnv().ProgramPath();
    const bool batchStarted = StartSelfDeleteBatch(program);
    ReportUsage(app.m_report, app.m_state, app.m_hosts.clientHost, UsageEvent::Removal);
    // Without its batch the program stays: the player is told which file, not that all went.
    skin::SkinMessageBox(nullptr, RemovalClosingText(batchStarted, program), L"QuarnMorvane", 0);
}

void RemoveShortcuts() {
    ScopedComInit com;
    for (const ShortcutEntry& s : RemovalShortcuts()) {
        if (s.place == ShortcutPlace::Desktop) extras::DeleteDesktopShortcut(s.name.c_str());
        else extras::DeleteStartMenuShortcut(s.name.c_str());
    }
    const std::wstring folder = extras::StartMenuFolder();
    Win32FileSystem fs;
    // A user's own link in the folder keeps it; empty sub-folders make the removal fail harmlessly.
    if (!folder.empty() && CountFilesRecursive(fs, folder) == 0) RemoveDirectoryW(folder.c_str());
}

bool StartSelfDeleteBatch(const std::wstring& program) {
    Win32KnownFolders folders;
    const std::wstring temp = folders.Get(KnownFolder::Temp);
    wchar_t name[MAX_PATH] = {};
    if (temp.empty() || !GetTempFileNameW(temp.c_str(), L"DelSelf", 0, name)) return false;
    const std::wstring batch = std::wstring(name) + L".bat";
    if (program.empty()) return false;

    // Made empty first, so that the system can name its 8.3 form when its folder needs one.
    if (AppendTextToFile(batch.c_str(), "") < 0) return false;
    Win32FileSystem fs;
    AnsiCodePage codePage;
    std::string script, commandLine;
    // A "%" on a command line is not escaped by doubling; such a batch path is not used.
    if (!SelfDeleteScript(fs, codePage, program, batch, script) || !BatchPathText(fs, codePage, batch, commandLine) ||
        commandLine.find('%') != std::string::npos || AppendTextToFile(batch.c_str(), script.c_str()) < 0) {
        DeleteFileW(batch.c_str());
        return false;
    }
    commandLine = "\"" + commandLine + "\"";

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        // A batch that never runs deletes nothing, not even itself.
        DeleteFileW(batch.c_str());
        return false;
    }
    SetThreadPriority(pi.hThread, THREAD_PRIORITY_IDLE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

int AppendTextToFile(const wchar_t* path, const char* text) {
    ScopedFile file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
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

}  // namespace mrvn::win
