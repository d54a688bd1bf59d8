// RAII owners for the Win32 handles the launcher opens.
#pragma once
#include <windows.h>
#include <objbase.h>

namespace mrvn::win {

// Traits give the "no handle" value and how to close one.
template <typename T, typename Traits>
class Scoped {
    static T Invalid() { return Traits::Invalid(); }

public:
    Scoped() = default;
    explicit Scoped(T h) : h_(h) {}
    ~Scoped() { Reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& o) noexcept : h_(o.Release()) {}
    Scoped& operator=(Scoped&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    T Get() const { return h_; }
    T* Put() {
        Reset();
        return &h_;
    }
    T Release() {
        T h = h_;
        h_ = Invalid();
        return h;
    }
    void Reset(T h = Traits::Invalid()) {
        if (h_ != Invalid()) Traits::Close(h_);
        h_ = h;
    }
    explicit operator bool() const { return h_ != Invalid(); }

private:
    T h_ = Traits::Invalid();
};

struct HandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct LibraryTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};

using ScopedHandle = Scoped<HANDLE, HandleTraits>;
using ScopedFile = Scoped<HANDLE, FileTraits>;
using ScopedKey = Scoped<HKEY, KeyTraits>;
using ScopedLibrary = Scoped<HMODULE, LibraryTraits>;

// COM for the calling thread, released on every path.
class ScopedComInit {
public:
    ScopedComInit() : ok_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ScopedComInit() {
        if (ok_) ::CoUninitialize();
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

}  // namespace mrvn::win
