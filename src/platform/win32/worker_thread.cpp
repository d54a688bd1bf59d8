#include "platform/win32/worker_thread.h"

#include <memory>

namespace mrvn::win {

namespace {

DWORD WINAPI WorkerMain(void* param) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(param));
    try {
        (*work)();
    } catch (...) {
        // Nothing above a worker could handle it; the thread ends and its owner sees it ended.
    }
    return 0;
}

}  // namespace

bool WorkerThread::Start(std::function<void()> work) {
    auto* block = new std::function<void()>(std::move(work));
    HANDLE thread = ::CreateThread(nullptr, 0, WorkerMain, block, 0, nullptr);
    if (!thread) {
        delete block;
        return false;
    }
    thread_.Reset(thread);
    return true;
}

bool WorkerThread::Join(DWORD ms) {
    if (!thread_) return true;
    if (::WaitForSingleObject(thread_.Get(), ms) != WAIT_OBJECT_0) return false;
    thread_.Reset();
    return true;
}

bool WorkerThread::Running() const { return thread_ && ::WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT; }

bool StartDetached(std::function<void()> work) {
    WorkerThread thread;
    if (!thread.Start(std::move(work))) return false;
    thread.Detach();
    return true;
}

}  // namespace mrvn::win
