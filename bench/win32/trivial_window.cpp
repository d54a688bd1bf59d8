// The yardstick of the first-window figure: a windowed program that shows one plain window and
// waits to be ended.
#include <windows.h>

namespace {
LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, msg, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TrivialWindow";
    ::RegisterClassW(&wc);
    ::CreateWindowExW(0, wc.lpszClassName, L"trivial", WS_POPUP | WS_VISIBLE, 100, 100, 888, 518, nullptr, nullptr,
                      instance, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
