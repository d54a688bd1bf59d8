// Stands for a game page's player in the sound tests: plays a steady 440 Hz tone through waveOutWrite,
// a DirectSound buffer or midiStreamOut, and obeys WM_SET_MUTE with the launcher's own handler.
//   sound_player.exe wave|dsound|midi   plays from the first WM_SET_MUTE until WM_CLOSE
//   sound_player.exe probe              prints what this Wine offers (devices, mixer lines, controls)
// Its window has the class MrvnSoundPlayer. It starts playing only after the first WM_SET_MUTE, as a
// game's sound starts after the page frame's first message.
#include <windows.h>
// mmsystem.h first: dsound.h uses its wave format types.
#include <mmsystem.h>
#include <dsound.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gamewnd/private_messages.h"
#include "hotkeys/win/sound_mute.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr int kChunk = kRate / 20;  // 50 ms

std::wstring g_mode;
HWND g_wnd = nullptr;
bool g_playing = false;
long long g_phase = 0;

void Tone(int16_t* out, size_t samples) {
    for (size_t k = 0; k < samples; ++k, ++g_phase)
        out[k] = static_cast<int16_t>(12000 * std::sin(2 * kPi * 440.0 * static_cast<double>(g_phase) / kRate));
}

WAVEFORMATEX Format() {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = kRate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = kRate * 2;
    return f;
}

// waveOut: six 50 ms buffers, each refilled with tone and written again when it is done.
struct WavePlayer {
    HWAVEOUT out = nullptr;
    WAVEHDR headers[6]{};
    std::vector<int16_t> data[6];
    bool Start() {
        WAVEFORMATEX f = Format();
        if (waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
        for (int k = 0; k < 6; ++k) {
            data[k].resize(kChunk);
            headers[k].lpData = reinterpret_cast<LPSTR>(data[k].data());
            headers[k].dwBufferLength = kChunk * 2;
            waveOutPrepareHeader(out, &headers[k], sizeof(WAVEHDR));
            Write(k);
        }
        return true;
    }
    void Write(int k) {
        Tone(data[k].data(), kChunk);
        waveOutWrite(out, &headers[k], sizeof(WAVEHDR));
    }
    void Tick() {
        for (int k = 0; k < 6; ++k) {
            if (headers[k].dwFlags & WHDR_DONE) Write(k);
        }
    }
};

// DirectSound: a looping one-second buffer, the part behind the play cursor refilled every tick.
struct DsPlayer {
    LPDIRECTSOUND ds = nullptr;
    LPDIRECTSOUNDBUFFER primary = nullptr;
    LPDIRECTSOUNDBUFFER buf = nullptr;
    DWORD writeAt = 0;
    static constexpr DWORD kBytes = kRate * 2;
    bool Start() {
        if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return false;
        ds->SetCooperativeLevel(g_wnd, DSSCL_PRIORITY);
        WAVEFORMATEX f = Format();
        // As games do, the primary buffer first (its format set); a class of its own, with its own table.
        DSBUFFERDESC pd{};
        pd.dwSize = sizeof pd;
        pd.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (SUCCEEDED(ds->CreateSoundBuffer(&pd, &primary, nullptr))) primary->SetFormat(&f);
        DSBUFFERDESC d{};
        d.dwSize = sizeof d;
        d.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
        d.dwBufferBytes = kBytes;
        d.lpwfxFormat = &f;
        if (FAILED(ds->CreateSoundBuffer(&d, &buf, nullptr))) return false;
        Fill(kBytes / 5);  // 200 ms ahead
        return SUCCEEDED(buf->Play(0, 0, DSBPLAY_LOOPING));
    }
    void Fill(DWORD bytes) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        if (FAILED(buf->Lock(writeAt, bytes, &p1, &n1, &p2, &n2, 0))) return;
        Tone(static_cast<int16_t*>(p1), n1 / 2);
        if (p2) Tone(static_cast<int16_t*>(p2), n2 / 2);
        buf->Unlock(p1, n1, p2, n2);
        writeAt = (writeAt + n1 + n2) % kBytes;
    }
    void Tick() {
        DWORD play = 0, write = 0;
        if (FAILED(buf->GetCurrentPosition(&play, &write))) return;
        // Keep 200 ms written ahead of the play cursor.
        const DWORD ahead = (writeAt + kBytes - play) % kBytes;
        if (ahead < kBytes / 5) Fill(kBytes / 5 - ahead);
    }
};

// MIDI stream: a note on and off every 100 ms.
struct MidiPlayer {
    HMIDISTRM stream = nullptr;
    MIDIHDR headers[2]{};
    DWORD events[2][12]{};
    bool Start() {
        UINT device = 0;
        if (midiStreamOpen(&stream, &device, 1, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
        MIDIPROPTIMEDIV div{sizeof div, 96};
        midiStreamProperty(stream, reinterpret_cast<LPBYTE>(&div), MIDIPROP_SET | MIDIPROP_TIMEDIV);
        for (int k = 0; k < 2; ++k) {
            headers[k].lpData = reinterpret_cast<LPSTR>(events[k]);
            headers[k].dwBufferLength = sizeof events[k];
            headers[k].dwBytesRecorded = sizeof events[k];
            midiOutPrepareHeader(reinterpret_cast<HMIDIOUT>(stream), &headers[k], sizeof(MIDIHDR));
            Write(k);
        }
        return midiStreamRestart(stream) == MMSYSERR_NOERROR;
    }
    void Write(int k) {
        const DWORD notes[12] = {0, 0, 0x007F4590, 48, 0, 0x00004590, 0, 0, 0x007F4590, 48, 0, 0x00004590};
        std::memcpy(events[k], notes, sizeof notes);
        midiStreamOut(stream, &headers[k], sizeof(MIDIHDR));
    }
    void Tick() {
        for (int k = 0; k < 2; ++k) {
            if (headers[k].dwFlags & MHDR_DONE) Write(k);
        }
    }
};

WavePlayer g_wave;
DsPlayer g_ds;
MidiPlayer g_midi;

void StartPlaying() {
    bool ok = false;
    if (g_mode == L"wave") ok = g_wave.Start();
    if (g_mode == L"dsound") ok = g_ds.Start();
    if (g_mode == L"midi") ok = g_midi.Start();
    std::printf("player: %ls %s, mixer path %d, patched functions %d, method-table entries %d\n", g_mode.c_str(),
                ok ? "playing" : "FAILED", mrvn::hotkeys::UsesMixer() ? 1 : 0, mrvn::hotkeys::PatchedFunctionCount(),
                mrvn::hotkeys::PatchedMethodCount());
    std::fflush(stdout);
    g_playing = ok;
    if (!ok) ::PostQuitMessage(3);
}

LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == mrvn::WM_SET_MUTE) {
        const LRESULT r = mrvn::hotkeys::OnSetMuteMessage(wParam);
        if (!g_playing) StartPlaying();
        return r;
    }
    if (msg == WM_TIMER && g_playing) {
        if (g_mode == L"wave") g_wave.Tick();
        if (g_mode == L"dsound") g_ds.Tick();
        if (g_mode == L"midi") g_midi.Tick();
        return 0;
    }
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(h, msg, wParam, lParam);
}

void Probe() {
    std::printf("waveOutGetNumDevs=%u midiOutGetNumDevs=%u mixerGetNumDevs=%u\n", waveOutGetNumDevs(),
                midiOutGetNumDevs(), mixerGetNumDevs());
    HMIXER mixer = nullptr;
    const MMRESULT open = mixerOpen(&mixer, 0, 0, 0, 0x80000000);
    std::printf("mixerOpen(0, 0x80000000)=%u\n", open);
    if (open == MMSYSERR_NOERROR) {
        for (DWORD type : {DWORD{MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT}, DWORD{MIXERLINE_COMPONENTTYPE_DST_SPEAKERS}}) {
            MIXERLINEW line{};
            line.cbStruct = sizeof line;
            line.dwComponentType = type;
            const MMRESULT r = mixerGetLineInfoW(reinterpret_cast<HMIXEROBJ>(mixer), &line,
                                                 MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE);
            std::printf("line %#lx: info=%u id=%#lx name=\"%ls\" controls=%lu\n", type, r, line.dwLineID,
                        line.szName, line.cControls);
            if (r != MMSYSERR_NOERROR) continue;
            MIXERCONTROLW control{};
            control.cbStruct = sizeof control;
            MIXERLINECONTROLSW controls{};
            controls.cbStruct = sizeof controls;
            controls.dwLineID = line.dwLineID;
            controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
            controls.cControls = 1;
            controls.cbmxctrl = sizeof control;
            controls.pamxctrl = &control;
            const MMRESULT c = mixerGetLineControlsW(reinterpret_cast<HMIXEROBJ>(mixer), &controls,
                                                     MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
            std::printf("  mute control: %u id=%lu name=\"%ls\"\n", c, control.dwControlID, control.szName);
        }
        mixerClose(mixer);
    }
    for (int line = 0; line < 2; ++line)
        std::printf("SetMixerMute(%d, 0)=%d\n", line, mrvn::hotkeys::SetMixerMute(line, 0));
    LPDIRECTSOUND ds = nullptr;
    const HRESULT hr = DirectSoundCreate(nullptr, &ds, nullptr);
    std::printf("DirectSoundCreate=%#lx\n", static_cast<unsigned long>(hr));
    if (ds) ds->Release();
    HMIDISTRM stream = nullptr;
    UINT device = 0;
    std::printf("midiStreamOpen=%u\n", midiStreamOpen(&stream, &device, 1, 0, 0, CALLBACK_NULL));
    if (stream) midiStreamClose(stream);
    std::printf("UsesMixer=%d\n", mrvn::hotkeys::UsesMixer() ? 1 : 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    g_mode = argc > 1 ? argv[1] : L"";
    if (g_mode == L"probe") {
        Probe();
        return 0;
    }
    if (g_mode != L"wave" && g_mode != L"dsound" && g_mode != L"midi") {
        std::printf("usage: sound_player wave|dsound|midi|probe\n");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvnSoundPlayer";
    ::RegisterClassW(&wc);
    // A hidden top-level window: DirectSound wants one for its cooperative level.
    g_wnd = ::CreateWindowExW(0, wc.lpszClassName, L"sound player", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    if (!g_wnd) return 4;
    ::SetTimer(g_wnd, 1, 10, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
