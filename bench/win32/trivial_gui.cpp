// The yardstick of the start-up figure: a windowed program that does nothing and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
