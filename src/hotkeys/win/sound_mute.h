// Switching the sound of this process (a game page) off and on. Vista and later: the mute controls of
// the wave-output and speakers lines of mixer 0. Earlier systems: waveOutWrite, midiStreamOut and
// DirectSound buffers are intercepted, and while the sound is off every buffer is zeroed just before
// it goes to the system.
#pragma once
#include <windows.h>

namespace mrvn::hotkeys {

// 1 = off, 0 = on. Nonzero on success.
int SetSoundState(int mute);

// The page frame's WM_SET_MUTE: applies wParam when it differs from the state last applied (the first
// message always). Returns 0.
LRESULT OnSetMuteMessage(WPARAM wParam);

// The parts of SetSoundState, for tests and the benchmark.
bool UsesMixer();                      // GetVersionExW: major version above 5
int SetMixerMute(int line, int value);  // line 0 speakers, 1 wave output; 1 on success
int SetInterceptedMute(int mute);       // installs the interception once, then sets the flag; 1
// Counts of the functions the interception actually patched (0..3) and of the method-table entries.
int PatchedFunctionCount();
int PatchedMethodCount();

}  // namespace mrvn::hotkeys
