// Patching one entry of COM method tables, each table once, each with its own saved method.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

namespace mrvn::hotkeys {

// A method table is shared by every object of its class, but a primary and a secondary DirectSound
// buffer are of different classes: each table met is patched once, and keeps its own saved method.
class MethodPatches {
public:
    static constexpr int kTables = 8;
    // Patches entry `index` of the object's table unless done; a refused protection leaves it as it was.
    void Patch(void* object, int index, void* replacement) {
        void** table = *static_cast<void***>(object);
        std::lock_guard<std::mutex> lock(mu_);
        const int n = count_.load(std::memory_order_relaxed);
        for (int k = 0; k < n; ++k) {
            if (tables_[k].load(std::memory_order_relaxed) == table) return;
        }
        if (n == kTables || table[index] == replacement) return;
        DWORD old = 0;
        if (!::VirtualProtectEx(::GetCurrentProcess(), &table[index], sizeof(void*), PAGE_EXECUTE_READWRITE, &old))
            return;
        saved_[n] = table[index];
        tables_[n].store(table, std::memory_order_relaxed);
        count_.store(n + 1, std::memory_order_release);
        table[index] = replacement;
    }
    // The method that the object's table held before the patch.
    void* Saved(void* object) const {
        void** table = *static_cast<void***>(object);
        const int n = count_.load(std::memory_order_acquire);
        for (int k = 0; k < n; ++k) {
            if (tables_[k].load(std::memory_order_relaxed) == table) return saved_[k];
        }
        return nullptr;
    }
    int Count() const { return count_.load(std::memory_order_acquire); }

private:
    std::mutex mu_;
    std::atomic<void**> tables_[kTables] = {};
    void* saved_[kTables] = {};
    std::atomic<int> count_{0};
};

}  // namespace mrvn::hotkeys
