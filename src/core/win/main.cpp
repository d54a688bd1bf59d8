#include <windows.h>

#include "core/win/app.h"

namespace {
mrvn::win::CTessaly3App theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) { return theApp.Main(instance); }
