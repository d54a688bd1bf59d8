// What the main window is given by the application.
#pragma once
#include <functional>
#include <string>

#include "extras/win/notice_popup.h"
#include "platform/process.h"
#include "platform/profile_file.h"

namespace mrvn::gamewnd {

struct MainWindowSettings {
    ProfileFile* ini = nullptr;
    std::wstring settingsPath;             // the hotkeys' file
    ProcessLauncher* launcher = nullptr;   // every program the window starts
    std::wstring programPath;              // this program: a new launcher, the updater
    std::wstring pageProgram;              // what page and hall processes run
    // The forced update check: true when the server names another release. It runs on a worker
    // that may outlive the window, so it must own everything it uses.
    std::function<bool()> checkForUpdate;
    extras::NoticeSettings notice;         // the platform's notice pop-up
};

}  // namespace mrvn::gamewnd
