// A worker thread with one owner. The owner says what becomes of it: Join waits (with a limit),
// Detach lets it run on by itself. An exception thrown by the work ends the work, never the process.
#pragma once
#include <windows.h>

#include <functional>

#include "platform/win32/scoped.h"

namespace mrvn::win {

class WorkerThread {
public:
    WorkerThread() = default;
    // An owner that never said: the thread is let go, as Detach would.
    ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    WorkerThread(WorkerThread&&) noexcept = default;
    WorkerThread& operator=(WorkerThread&&) noexcept = default;

    // Runs `work` on a new thread; false when none could be started (the work never runs).
    bool Start(std::function<void()> work);
    // Waits at most `ms` for the thread to end; true when it has ended (or never ran).
    bool Join(DWORD ms = INFINITE);
    // Lets the thread run on; the owner forgets it.
    void Detach() { thread_.Reset(); }
    bool Running() const;
    // For waits on several objects; null when no thread is held.
    HANDLE Handle() const { return thread_.Get(); }

private:
    ScopedHandle thread_;
};

// Starts `work` on a thread that nobody waits for; false when none could be started.
bool StartDetached(std::function<void()> work);

}  // namespace mrvn::win
