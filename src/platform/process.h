// Process seam: who we are, and starting other programs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mrvn {

class ProcessEnv {
public:
    virtual ~ProcessEnv() = default;
    // Full path of the running program file, as the system reports it.
    virtual std::wstring ProgramPath() = 0;
    // The command line split into arguments; element 0 is the program.
    virtual std::vector<std::wstring> Arguments() = 0;
};

// A started process that its starter keeps an eye on; it is let go with the object.
class StartedProcess {
public:
    virtual ~StartedProcess() = default;
    virtual bool Ended() = 0;
    virtual uint32_t Id() = 0;
    virtual void Terminate() = 0;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `path` with `commandLine` at idle priority, shown normally, and lets it go:
    // no handle is kept. False when the system refused to start it.
    virtual bool Launch(const std::wstring& path, const std::wstring& commandLine) = 0;
    // Starts it the same way and keeps watch of it; null when it did not start. Only launchers
    // that can watch a process answer anything but null.
    virtual std::unique_ptr<StartedProcess> LaunchWatched(const std::wstring& /*path*/,
                                                          const std::wstring& /*commandLine*/) {
        return nullptr;
    }
};

}  // namespace mrvn
