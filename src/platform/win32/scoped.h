// RAII owners for the Win32 handles the launcher opens: the type of a member says who frees it.
// Kernel objects, registry keys, modules, GDI objects, DCs, selections, hooks, menus, COM pointers,
// and the process-wide start-ups of COM, OLE and GDI+.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <wrl/client.h>

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
        if (h_ != Invalid() && h_ != h) Traits::Close(h_);
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
template <typename T>
struct GdiTraits {
    static T Invalid() { return nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};
// A DC made by CreateCompatibleDC or CreateDC.
struct MemDcTraits {
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct HookTraits {
    static HHOOK Invalid() { return nullptr; }
    static void Close(HHOOK h) { ::UnhookWindowsHookEx(h); }
};
struct MenuTraits {
    static HMENU Invalid() { return nullptr; }
    static void Close(HMENU h) { ::DestroyMenu(h); }
};
struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};

using ScopedHandle = Scoped<HANDLE, HandleTraits>;
using ScopedFile = Scoped<HANDLE, FileTraits>;
using ScopedKey = Scoped<HKEY, KeyTraits>;
using ScopedLibrary = Scoped<HMODULE, LibraryTraits>;
using OwnedBitmap = Scoped<HBITMAP, GdiTraits<HBITMAP>>;
using OwnedFont = Scoped<HFONT, GdiTraits<HFONT>>;
using OwnedBrush = Scoped<HBRUSH, GdiTraits<HBRUSH>>;
using OwnedRegion = Scoped<HRGN, GdiTraits<HRGN>>;
using ScopedMemDc = Scoped<HDC, MemDcTraits>;
using ScopedHook = Scoped<HHOOK, HookTraits>;
using ScopedMenu = Scoped<HMENU, MenuTraits>;
using ScopedIcon = Scoped<HICON, IconTraits>;

template <typename T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

// GetDC / ReleaseDC of one window (null: the screen).
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~ScopedWindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~ScopedSelect() {
        if (old_) ::SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC / RestoreDC around a block that changes origins, modes or colours.
class ScopedSaveDc {
public:
    explicit ScopedSaveDc(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~ScopedSaveDc() {
        if (saved_) ::RestoreDC(dc_, saved_);
    }
    ScopedSaveDc(const ScopedSaveDc&) = delete;
    ScopedSaveDc& operator=(const ScopedSaveDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

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

// OLE for the calling thread (the browser needs it, not only COM).
class ScopedOleInit {
public:
    ScopedOleInit() = default;
    ~ScopedOleInit() { Stop(); }
    ScopedOleInit(const ScopedOleInit&) = delete;
    ScopedOleInit& operator=(const ScopedOleInit&) = delete;
    bool Start() {
        if (!ok_) ok_ = SUCCEEDED(::OleInitialize(nullptr));
        return ok_;
    }
    void Stop() {
        if (ok_) ::OleUninitialize();
        ok_ = false;
    }
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

// GDI+ for the process: the application starts it once, before the first skinned window.
class ScopedGdiplus {
public:
    ScopedGdiplus() = default;
    ~ScopedGdiplus() { Stop(); }
    ScopedGdiplus(const ScopedGdiplus&) = delete;
    ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;
    bool Start();
    void Stop();
    bool Ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace mrvn::win
