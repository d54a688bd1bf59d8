#include "hotkeys/win/sound_mute.h"

// mmsystem.h first: dsound.h uses its wave format types.
#include <mmsystem.h>
#include <dsound.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hotkeys/mute_latch.h"
#include "hotkeys/win/code_patcher.h"
#include "hotkeys/win/method_patches.h"
#include "platform/win32/os_version.h"

namespace mrvn::hotkeys {
namespace {

static_assert(sizeof(OSVERSIONINFOW) == 276);
#if !defined(_WIN64)
static_assert(sizeof(MIXERLINEW) == 280 && sizeof(MIXERLINECONTROLSW) == 24 && sizeof(MIXERCONTROLW) == 228);
#endif

// Read on the player's audio threads, written on the frame's thread.
std::atomic<LONG> g_muted{0};
static_assert(std::atomic<LONG>::is_always_lock_free && sizeof(LONG) == 4);

using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, LPMIDIHDR, UINT);
using DirectSoundCreateFn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
using CreateSoundBufferFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSound*, LPCDSBUFFERDESC, LPDIRECTSOUNDBUFFER*,
                                                          LPUNKNOWN);
using UnlockFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSoundBuffer*, LPVOID, DWORD, LPVOID, DWORD);

// The real functions: the imported ones until the interception puts its call-through pointers here.
WaveOutWriteFn g_realWaveOutWrite = ::waveOutWrite;
MidiStreamOutFn g_realMidiStreamOut = ::midiStreamOut;
DirectSoundCreateFn g_realDirectSoundCreate = nullptr;

bool g_installed = false;
int g_patchedFunctions = 0;

MethodPatches g_createSoundBuffer;  // IDirectSound entry 3
MethodPatches g_unlock;             // IDirectSoundBuffer entry 19
constexpr int kCreateSoundBufferEntry = 3;
constexpr int kUnlockEntry = 19;

bool Muted() { return g_muted.load(std::memory_order_relaxed) != 0; }

MMRESULT WINAPI MutedWaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) {
    if (Muted() && header && header->lpData && header->dwBufferLength)
        std::memset(header->lpData, 0, header->dwBufferLength);
    return g_realWaveOutWrite(device, header, size);
}

MMRESULT WINAPI MutedMidiStreamOut(HMIDISTRM stream, LPMIDIHDR header, UINT size) {
    if (Muted() && header && header->lpData && header->dwBufferLength)
        std::memset(header->lpData, 0, header->dwBufferLength);
    return g_realMidiStreamOut(stream, header, size);
}

HRESULT STDMETHODCALLTYPE MutedUnlock(IDirectSoundBuffer* self, LPVOID part1, DWORD bytes1, LPVOID part2,
                                      DWORD bytes2) {
    const auto saved = reinterpret_cast<UnlockFn>(g_unlock.Saved(self));
    if (!saved) return DSERR_GENERIC;
    if (Muted()) {
        if (part1 && bytes1) std::memset(part1, 0, bytes1);
        if (part2 && bytes2) std::memset(part2, 0, bytes2);
    }
    return saved(self, part1, bytes1, part2, bytes2);
}

HRESULT STDMETHODCALLTYPE MutedCreateSoundBuffer(IDirectSound* self, LPCDSBUFFERDESC desc,
                                                 LPDIRECTSOUNDBUFFER* out, LPUNKNOWN outer) {
    const auto saved = reinterpret_cast<CreateSoundBufferFn>(g_createSoundBuffer.Saved(self));
    if (!saved) return DSERR_GENERIC;
    if (!out) return saved(self, desc, out, outer);
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    const HRESULT hr = saved(self, desc, &buffer, outer);
    *out = buffer;
    if (SUCCEEDED(hr) && buffer) g_unlock.Patch(buffer, kUnlockEntry, reinterpret_cast<void*>(&MutedUnlock));
    return hr;
}

HRESULT WINAPI MutedDirectSoundCreate(LPCGUID guid, LPDIRECTSOUND* out, LPUNKNOWN outer) {
    if (!out) return g_realDirectSoundCreate(guid, out, outer);
    LPDIRECTSOUND ds = nullptr;
    const HRESULT hr = g_realDirectSoundCreate(guid, &ds, outer);
    *out = ds;
    if (SUCCEEDED(hr) && ds)
        g_createSoundBuffer.Patch(ds, kCreateSoundBufferEntry, reinterpret_cast<void*>(&MutedCreateSoundBuffer));
    return hr;
}

template <typename F>
void** Slot(F& f) {
    return reinterpret_cast<void**>(&f);
}

void Transact(bool attach) {
    PatchTransaction t;
    const auto op = [&](void** real, void* replacement) {
        if (!*real) return;
        if (attach) t.Attach(real, replacement);
        else t.Detach(real, replacement);
    };
    op(Slot(g_realWaveOutWrite), reinterpret_cast<void*>(&MutedWaveOutWrite));
    op(Slot(g_realMidiStreamOut), reinterpret_cast<void*>(&MutedMidiStreamOut));
    op(Slot(g_realDirectSoundCreate), reinterpret_cast<void*>(&MutedDirectSoundCreate));
    t.Commit();  // a function left alone stays audible; nothing is reported
}

void RemoveInterception() { Transact(false); }

// Counts the functions whose call-through pointer no longer names the imported function.
int CountPatched(void* wave, void* midi, void* dsound) {
    return (reinterpret_cast<void*>(g_realWaveOutWrite) != wave) +
           (reinterpret_cast<void*>(g_realMidiStreamOut) != midi) +
           (g_realDirectSoundCreate && reinterpret_cast<void*>(g_realDirectSoundCreate) != dsound);
}

void InstallInterception() {
    // The functions as winmm exports them: a static initialiser's address of an imported function can
    // be this program's own import stub, and patching that would reach none of the browser's callers.
    if (HMODULE winmm = ::GetModuleHandleW(L"winmm.dll")) {
        if (FARPROC f = ::GetProcAddress(winmm, "waveOutWrite"))
            g_realWaveOutWrite = reinterpret_cast<WaveOutWriteFn>(reinterpret_cast<void*>(f));
        if (FARPROC f = ::GetProcAddress(winmm, "midiStreamOut"))
            g_realMidiStreamOut = reinterpret_cast<MidiStreamOutFn>(reinterpret_cast<void*>(f));
    }
    // dsound.dll from the system folder, by its export ordinal 1; it stays loaded while it is patched.
    wchar_t path[MAX_PATH + 16];
    const UINT len = ::GetSystemDirectoryW(path, MAX_PATH);
    if (len > 0 && len < MAX_PATH) {
        wcscpy(path + len, L"\\dsound.dll");
        if (HMODULE dsound = ::LoadLibraryW(path))
            g_realDirectSoundCreate =
                reinterpret_cast<DirectSoundCreateFn>(reinterpret_cast<void*>(::GetProcAddress(dsound, MAKEINTRESOURCEA(1))));
    }
    void* wave = reinterpret_cast<void*>(g_realWaveOutWrite);
    void* midi = reinterpret_cast<void*>(g_realMidiStreamOut);
    void* ds = reinterpret_cast<void*>(g_realDirectSoundCreate);
    Transact(true);
    g_patchedFunctions = CountPatched(wave, midi, ds);
    std::atexit(RemoveInterception);
}

MuteLatch g_latch;

}  // namespace

bool UsesMixer() { return win::OsVersion().dwMajorVersion > 5; }

int SetMixerMute(int line, int value) {
    const DWORD type = line == 0 ? MIXERLINE_COMPONENTTYPE_DST_SPEAKERS : MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    ::mixerGetNumDevs();
    HMIXER mixer = nullptr;
    if (::mixerOpen(&mixer, 0, 0, 0, 0x80000000) != MMSYSERR_NOERROR) return 0;
    const auto obj = reinterpret_cast<HMIXEROBJ>(mixer);
    bool ok = false;
    MIXERLINEW lineInfo;
    std::memset(&lineInfo, 0, sizeof lineInfo);
    lineInfo.cbStruct = sizeof lineInfo;
    lineInfo.dwComponentType = type;
    if (::mixerGetLineInfoW(obj, &lineInfo, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
        MMSYSERR_NOERROR) {
        MIXERCONTROLW control;
        std::memset(&control, 0, sizeof control);
        control.cbStruct = sizeof control;
        MIXERLINECONTROLSW controls;
        std::memset(&controls, 0, sizeof controls);
        controls.cbStruct = sizeof controls;
        controls.dwLineID = lineInfo.dwLineID;
        controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
        controls.cControls = 1;
        controls.cbmxctrl = sizeof control;
        controls.pamxctrl = &control;
        if (::mixerGetLineControlsW(obj, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
            MMSYSERR_NOERROR) {
            MIXERCONTROLDETAILS_BOOLEAN flag{0};
            MIXERCONTROLDETAILS details;
            std::memset(&details, 0, sizeof details);
            details.cbStruct = sizeof details;
            details.dwControlID = control.dwControlID;
            details.cChannels = 1;
            details.cMultipleItems = control.cMultipleItems;
            details.cbDetails = sizeof flag;
            details.paDetails = &flag;
            if (::mixerGetControlDetailsW(obj, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
                MMSYSERR_NOERROR) {
                flag.fValue = value;
                ok = ::mixerSetControlDetails(obj, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                     MMSYSERR_NOERROR;
            }
        }
    }
    ::mixerClose(mixer);
    return ok ? 1 : 0;
}

int SetInterceptedMute(int mute) {
    if (!g_installed) {
        g_installed = true;
        InstallInterception();
    }
    g_muted.store(mute, std::memory_order_relaxed);
    return 1;
}

int SetSoundState(int mute) {
    if (UsesMixer()) {
        SetMixerMute(1, mute);
        return SetMixerMute(0, mute);
    }
    return SetInterceptedMute(mute);
}

LRESULT OnSetMuteMessage(WPARAM wParam) {
    if (g_latch.Take(wParam)) SetSoundState(g_latch.Last());
    return 0;
}

int PatchedFunctionCount() { return g_patchedFunctions; }

int PatchedMethodCount() { return g_createSoundBuffer.Count() + g_unlock.Count(); }

}  // namespace mrvn::hotkeys
