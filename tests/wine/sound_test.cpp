// Sound muting under Wine: the in-place interception on real code, the replacements' edge cases, and
// what a player really plays, recorded from the monitor of the harness's PulseAudio null sink.
#include <windows.h>
// mmsystem.h first: dsound.h uses its wave format types.
#include <mmsystem.h>
#include <dsound.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gamewnd/private_messages.h"
#include "hotkeys/win/code_patcher.h"
#include "hotkeys/win/method_patches.h"
#include "hotkeys/win/sound_mute.h"

namespace {

using mrvn::hotkeys::PatchTransaction;

// Executable memory holding a function given as bytes, with room before it for hot-patch padding.
class CodeBuffer {
public:
    explicit CodeBuffer(const std::vector<uint8_t>& bytes, size_t at = 16) {
        mem_ = static_cast<uint8_t*>(::VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        std::memset(mem_, 0xCC, 4096);
        std::memcpy(mem_ + at, bytes.data(), bytes.size());
        fn_ = mem_ + at;
        DWORD old;
        ::VirtualProtect(mem_, 4096, PAGE_EXECUTE_READ, &old);  // as a loaded module's code is
    }
    // Left allocated on purpose: a trampoline may point back into it.
    void* Fn() const { return fn_; }
    std::vector<uint8_t> Bytes(ptrdiff_t from, size_t n) const { return {fn_ + from, fn_ + from + n}; }

private:
    uint8_t* mem_;
    uint8_t* fn_;
};

using IntFn = int (*)(int);
IntFn g_real = nullptr;
int PlusHundred(int v) { return g_real(v) + 100; }

#if defined(_WIN64)
// lea eax,[rcx+1] is 3 bytes; then add eax,2 (3); ret: the argument comes in ecx.
const std::vector<uint8_t> kAddThree{0x8d, 0x41, 0x01, 0x83, 0xc0, 0x02, 0xc3};
// mov eax,ecx; test eax,eax; jz +3; add eax,3; ret -- a conditional jump inside the moved bytes.
const std::vector<uint8_t> kBranchy{0x89, 0xc8, 0x85, 0xc0, 0x74, 0x03, 0x83, 0xc0, 0x03, 0xc3};
// mov eax,[rip+2]; add eax,ecx; ret; then the data 0x1000 -- a RIP-relative operand that must keep its target.
const std::vector<uint8_t> kRipData{0x8b, 0x05, 0x03, 0, 0, 0, 0x01, 0xc8, 0xc3, 0x00, 0x10, 0, 0};
// hot-patch form: mov edi,edi; lea eax,[rcx+7]; ret (padding before it is int3).
const std::vector<uint8_t> kHot{0x8b, 0xff, 0x8d, 0x41, 0x07, 0xc3};
#else
// The argument of a cdecl function is at [esp+4].
const std::vector<uint8_t> kAddThree{0x8b, 0x44, 0x24, 0x04, 0x83, 0xc0, 0x03, 0xc3};
const std::vector<uint8_t> kBranchy{0x8b, 0x44, 0x24, 0x04, 0x85, 0xc0, 0x74, 0x03, 0x83, 0xc0, 0x03, 0xc3};
const std::vector<uint8_t> kRipData{};
const std::vector<uint8_t> kHot{0x8b, 0xff, 0x8b, 0x44, 0x24, 0x04, 0x83, 0xc0, 0x07, 0xc3};
#endif

TEST(SoundPatcher, AttachReachesReplacementAndCallThroughReachesTheRealFunction) {
    struct Row {
        const char* what;
        std::vector<uint8_t> code;
        int in;
        int real;
    };
    std::vector<Row> rows = {{"plain prologue", kAddThree, 5, 8}, {"jz taken", kBranchy, 0, 0}, {"jz not taken", kBranchy, 4, 7}};
    if (!kRipData.empty()) rows.push_back({"rip-relative load", kRipData, 5, 0x1005});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CodeBuffer code(row.code);
        const auto original = code.Bytes(0, row.code.size());
        const auto fn = reinterpret_cast<IntFn>(code.Fn());
        ASSERT_EQ(fn(row.in), row.real);
        g_real = fn;
        PatchTransaction attach;
        attach.Attach(reinterpret_cast<void**>(&g_real), reinterpret_cast<void*>(&PlusHundred));
        ASSERT_TRUE(attach.Commit());
        EXPECT_NE(reinterpret_cast<void*>(g_real), code.Fn());
        EXPECT_EQ(fn(row.in), row.real + 100);  // callers of the function reach the replacement
        EXPECT_EQ(g_real(row.in), row.real);    // the call-through pointer reaches the real function

        PatchTransaction detach;
        detach.Detach(reinterpret_cast<void**>(&g_real), reinterpret_cast<void*>(&PlusHundred));
        ASSERT_TRUE(detach.Commit());
        EXPECT_EQ(reinterpret_cast<void*>(g_real), code.Fn());
        EXPECT_EQ(code.Bytes(0, row.code.size()), original);
        EXPECT_EQ(fn(row.in), row.real);
        // Detaching what is no longer attached does nothing.
        PatchTransaction again;
        again.Detach(reinterpret_cast<void**>(&g_real), reinterpret_cast<void*>(&PlusHundred));
        EXPECT_FALSE(again.Commit());
        EXPECT_EQ(code.Bytes(0, row.code.size()), original);
    }
}

TEST(SoundPatcher, HotPatchFormJumpsFromThePadding) {
    CodeBuffer code(kHot);
    const auto fn = reinterpret_cast<IntFn>(code.Fn());
    g_real = fn;
    PatchTransaction attach;
    attach.Attach(reinterpret_cast<void**>(&g_real), reinterpret_cast<void*>(&PlusHundred));
    ASSERT_TRUE(attach.Commit());
    EXPECT_EQ(code.Bytes(-5, 1), std::vector<uint8_t>{0xe9});
    EXPECT_EQ(code.Bytes(0, 2), (std::vector<uint8_t>{0xeb, 0xf9}));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(g_real), static_cast<uint8_t*>(code.Fn()) + 2);
    EXPECT_EQ(fn(1), 108);
    PatchTransaction detach;
    detach.Detach(reinterpret_cast<void**>(&g_real), reinterpret_cast<void*>(&PlusHundred));
    ASSERT_TRUE(detach.Commit());
    EXPECT_EQ(code.Bytes(-5, 7), (std::vector<uint8_t>{0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0x8b, 0xff}));
    EXPECT_EQ(fn(1), 8);
}

TEST(SoundPatcher, UnknownPrologueIsLeftAlone) {
    // ud2 where a prologue should be; then a function too short to hold the jump.
    for (const auto& bytes : {std::vector<uint8_t>{0x0f, 0x0b, 0x90, 0x90, 0x90, 0xc3},
                              std::vector<uint8_t>{0x31, 0xc0, 0xc3}}) {
        CodeBuffer code(bytes);
        void* real = code.Fn();
        PatchTransaction t;
        t.Attach(&real, reinterpret_cast<void*>(&PlusHundred));
        EXPECT_FALSE(t.Commit());
        EXPECT_EQ(real, code.Fn());
        EXPECT_EQ(code.Bytes(-1, bytes.size() + 1), [&] {
            std::vector<uint8_t> v{0xcc};
            v.insert(v.end(), bytes.begin(), bytes.end());
            return v;
        }());
    }
}

// The earlier-systems path in this process: the real winmm functions intercepted.
TEST(SoundReplacements, NullAndEmptyBuffersPassUnchangedAndMutedDataIsZeroed) {
    ASSERT_EQ(mrvn::hotkeys::SetInterceptedMute(1), 1);
    EXPECT_EQ(mrvn::hotkeys::PatchedFunctionCount(), 3) << "waveOutWrite, midiStreamOut, DirectSoundCreate";
    // No device handle: the real functions refuse, after the replacement ran.
    EXPECT_EQ(waveOutWrite(nullptr, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_NE(midiStreamOut(nullptr, nullptr, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    MIDIHDR midi{};
    midi.lpData = data;
    midi.dwBufferLength = 0;
    midiStreamOut(nullptr, &midi, sizeof midi);
    EXPECT_EQ(data[0], 1) << "a zero-length MIDI buffer passes unchanged";
    midi.dwBufferLength = 4;
    midiStreamOut(nullptr, &midi, sizeof midi);
    EXPECT_EQ(std::string(data, 8), std::string("\0\0\0\0\5\6\7\10", 8)) << "only its length is zeroed";
    WAVEHDR wave{};
    wave.lpData = nullptr;
    wave.dwBufferLength = 64;
    waveOutWrite(nullptr, &wave, sizeof wave);  // null data with a length: nothing written through it
    char pcm[6] = {9, 9, 9, 9, 9, 9};
    wave.lpData = pcm;
    wave.dwBufferLength = 6;
    ASSERT_EQ(mrvn::hotkeys::SetInterceptedMute(0), 1);
    waveOutWrite(nullptr, &wave, sizeof wave);
    EXPECT_EQ(pcm[5], 9) << "sound on: the next buffer goes through unchanged";
    ASSERT_EQ(mrvn::hotkeys::SetInterceptedMute(1), 1);
    waveOutWrite(nullptr, &wave, sizeof wave);
    EXPECT_EQ(pcm[5], 0);
    ASSERT_EQ(mrvn::hotkeys::SetInterceptedMute(0), 1);
}

void* Fake(uintptr_t v) { return reinterpret_cast<void*>(v); }

// COM objects start with their method table; two objects of one class share it.
TEST(SoundMethodPatches, EachTableOnceWithItsOwnSavedMethodAndARefusedTableLeftAsItWas) {
    void* const replacement = Fake(0x7777);
    void* tableA[4] = {Fake(0xA0), Fake(0xA1), Fake(0xA2), Fake(0xA3)};
    void* tableB[4] = {Fake(0xB0), Fake(0xB1), Fake(0xB2), Fake(0xB3)};
    void** first = tableA;
    void** second = tableA;
    void** other = tableB;
    mrvn::hotkeys::MethodPatches patches;
    patches.Patch(&first, 3, replacement);
    EXPECT_EQ(tableA[3], replacement);
    EXPECT_EQ(patches.Saved(&second), Fake(0xA3)) << "a later object of the class finds the saved method";
    patches.Patch(&second, 3, replacement);
    EXPECT_EQ(patches.Count(), 1);
    EXPECT_EQ(patches.Saved(&first), Fake(0xA3)) << "patched once: the replacement is never saved as the method";
    patches.Patch(&other, 3, replacement);
    EXPECT_EQ(tableB[3], replacement);
    EXPECT_EQ(patches.Saved(&other), Fake(0xB3));
    EXPECT_EQ(patches.Count(), 2);

    // A table in a read-only view of a section cannot be made writable: it stays as it was, and the
    // object keeps its own method (its sound stays audible).
    HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr);
    ASSERT_TRUE(section);
    auto* writer = static_cast<void**>(::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 4096));
    auto* reader = static_cast<void**>(::MapViewOfFile(section, FILE_MAP_READ, 0, 0, 4096));
    ASSERT_TRUE(writer && reader);
    writer[3] = Fake(0xC3);
    void** locked = reader;
    patches.Patch(&locked, 3, replacement);
    EXPECT_EQ(reader[3], Fake(0xC3));
    EXPECT_EQ(patches.Saved(&locked), nullptr);
    EXPECT_EQ(patches.Count(), 2);
    ::UnmapViewOfFile(reader);
    ::UnmapViewOfFile(writer);
    ::CloseHandle(section);
}

// ---- What is really played -------------------------------------------------------------------

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::wstring WinPath(const std::string& unix) {
    std::wstring out = L"Z:";
    for (char c : unix) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return out;
}

// A Unix command line through /bin/sh; Wine gives no handle to a Unix process, so callers wait for what
// it does.
bool RunUnix(const std::string& script) {
    std::wstring cmd = L"\"Z:\\bin\\sh\" -c \"PATH=/usr/bin:/bin; " + Wide(script) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(20);
    }
    return true;
}

constexpr int kRate = 44100;
constexpr int kWindow = kRate / 10;  // 100 ms
constexpr double kThreshold = 1000;  // RMS; the tone has about 8500, the null sink's silence 0
constexpr int kMuteWithinMs = 400;

struct Param {
    const char* mode;
    const char* winver;             // Wine's name of the Windows version for the player
    bool wineMixerIgnores = false;  // a path that Wine's mixer does not reach
};

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class SoundRecording : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        if (Env("PULSE_SERVER").empty()) GTEST_SKIP() << "no PulseAudio in this harness";
        dir_ = Env("MRVN_HARNESS_STATE") + "/pulse";
        player_ = Env("MRVN_SOUND_PLAYER");
        ASSERT_FALSE(player_.empty());
    }
    // The player's Windows version, for its process only.
    void SetVersion(const char* winver) {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\sound_player.exe", 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::wstring v = Wide(winver);
        ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                         static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }

    std::string dir_;
    std::string player_;
};

TEST_P(SoundRecording, ToneThenSilenceWithin400msOfMuteThenToneAgain) {
    const Param p = GetParam();
    if (std::string(p.mode) == "midi" && midiOutGetNumDevs() == 0)
        GTEST_SKIP() << "no MIDI output device under this Wine (no synthesizer): midiStreamOut cannot be heard";
    SetVersion(p.winver);
    const std::string name = std::string(p.mode) + "-" + p.winver;
    const std::string raw = dir_ + "/" + name + ".raw";
    const std::string pid = dir_ + "/" + name + ".pid";
    const std::wstring rawWin = WinPath(raw);
    ::DeleteFileW(rawWin.c_str());
    ::DeleteFileW(WinPath(pid).c_str());
    // parec records the sink's monitor, mono 16-bit, with a short latency so that the file keeps up.
    ASSERT_TRUE(RunUnix("parec -d mrvn_sink.monitor --raw --format=s16le --rate=44100 --channels=1 "
                        "--latency-msec=20 > '" + raw + "' & echo $! > '" + pid + "'; wait"));
    ASSERT_TRUE(WaitUntil([&] { return FileSize(rawWin) > 0; }, 20000)) << "parec records nothing";
    const auto sampleNow = [&] { return FileSize(rawWin) / 2; };

    std::wstring cmd = L"\"" + WinPath(player_) + L"\" " + Wide(p.mode);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    HWND player = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        player = ::FindWindowW(L"MrvnSoundPlayer", nullptr);
        return player != nullptr;
    }, 30000));

    // As the main window's timer 3 does: the state every 400 ms; the player starts with the first.
    long long marks[4] = {};
    const int states[3] = {0, 1, 0};
    const int posts[3] = {5, 5, 8};
    for (int phase = 0; phase < 3; ++phase) {
        marks[phase] = sampleNow();
        for (int k = 0; k < posts[phase]; ++k) {
            ::PostMessageW(player, mrvn::WM_SET_MUTE, states[phase], 0);
            ::Sleep(400);
        }
    }
    marks[3] = sampleNow();
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    ASSERT_TRUE(RunUnix("kill $(cat '" + pid + "')"));
    // Stopped when the file no longer grows.
    long long last = -1;
    ASSERT_TRUE(WaitUntil([&] {
        const long long now = FileSize(rawWin);
        const bool still = now == last;
        last = now;
        if (!still) ::Sleep(300);
        return still;
    }, 10000));
    ASSERT_EQ(code, 0u) << "the player could not play (" << p.mode << ")";

    std::string pcm;
    {
        HANDLE f = ::CreateFileW(rawWin.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        pcm.resize(static_cast<size_t>(FileSize(rawWin)));
        DWORD got = 0;
        ::ReadFile(f, pcm.data(), static_cast<DWORD>(pcm.size()), &got, nullptr);
        ::CloseHandle(f);
        pcm.resize(got);
    }
    const auto* s = reinterpret_cast<const int16_t*>(pcm.data());
    const size_t n = pcm.size() / 2;
    std::vector<double> rms;
    for (size_t at = 0; at + kWindow <= n; at += kWindow) {
        double sum = 0;
        for (size_t k = at; k < at + kWindow; ++k) sum += static_cast<double>(s[k]) * s[k];
        rms.push_back(std::sqrt(sum / kWindow));
    }
    const auto windowAt = [](long long sample) { return static_cast<size_t>(sample / kWindow); };
    std::printf("%s: threshold RMS %.0f, windows of 100 ms; play at %.1f s, mute 1 at %.1f s, mute 0 at %.1f s, "
                "close at %.1f s\n",
                name.c_str(), kThreshold, marks[0] / double(kRate), marks[1] / double(kRate), marks[2] / double(kRate),
                marks[3] / double(kRate));
    std::string line;
    for (size_t w = 0; w < rms.size(); ++w) {
        char cell[32];
        const char* tag = w == windowAt(marks[1]) ? "[M1]" : w == windowAt(marks[2]) ? "[M0]" : "";
        std::snprintf(cell, sizeof cell, "%s%.0f ", tag, rms[w]);
        line += cell;
    }
    std::printf("%s: RMS %s\n", name.c_str(), line.c_str());

    // Where the silence that lasts until mute 0 began, from mute 1.
    size_t quietFrom = windowAt(marks[2]);
    while (quietFrom > windowAt(marks[1]) && rms[quietFrom - 1] <= kThreshold) --quietFrom;
    std::printf("%s: silent from %lld ms after mute 1 until mute 0\n", name.c_str(),
                (static_cast<long long>(quietFrom * kWindow) - marks[1]) * 1000 / kRate);
    // The tone is there before the mute, gone from 400 ms after it until the unmute, and back after the
    // unmute (once the buffers zeroed while muted have played). A player starved of CPU on this shared
    // machine leaves gaps in its tone, so a tone phase needs most of its windows loud; a silent phase
    // needs every window silent.
    const auto loudShare = [&](long long from, long long to, const char* what) {
        int seen = 0, loud = 0;
        for (size_t w = windowAt(from) + 1; (w + 1) * kWindow <= static_cast<size_t>(to) && w < rms.size(); ++w) {
            ++seen;
            loud += rms[w] > kThreshold;
        }
        std::printf("%s: %s: %d of %d windows loud\n", name.c_str(), what, loud, seen);
        EXPECT_GE(seen, 5) << what << ": too few windows";
        return seen ? double(loud) / seen : 0.0;
    };
    const long long within = kMuteWithinMs * kRate / 1000;
    EXPECT_GE(loudShare(marks[1] - 10 * kWindow, marks[1], "tone before mute 1"), 0.6);
    const double mutedLoud = loudShare(marks[1] + within, marks[2], "from 400 ms after mute 1 to mute 0");
    EXPECT_GE(loudShare(marks[2] + 10 * kWindow, marks[3], "tone from 1 s after mute 0"), 0.6);
    if (p.wineMixerIgnores && UnderWine()) {
        GTEST_SKIP() << "Wine 8's mixer mute governs winmm's own wave output only, not DirectSound streams "
                        "(share of loud windows while muted: " << mutedLoud << ")";
    }
    EXPECT_EQ(mutedLoud, 0.0) << "sound while muted";
}

// Wine's name of an earlier system: Windows XP, whose x64 edition reports major version 5 as well.
#if defined(_WIN64)
#define MRVN_EARLIER "winxp64"
#else
#define MRVN_EARLIER "winxp"
#endif

INSTANTIATE_TEST_SUITE_P(Paths, SoundRecording,
                         ::testing::Values(Param{"wave", MRVN_EARLIER}, Param{"dsound", MRVN_EARLIER}, Param{"wave", "win7"},
                                           Param{"dsound", "win7", true}, Param{"midi", MRVN_EARLIER}),
                         [](const auto& info) {
                             return std::string(info.param.mode) + "_" + info.param.winver;
                         });


}  // namespace
