#include <windows.h>

#include "core/win/app.h"
#include "core/win/hardening.h"

namespace {
mrvn::win::CTessaly3App theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Before anything loads a DLL at run time; without the call the loads still name the system folder.
    mrvn::win::RestrictDllSearch();
    return theApp.Main(instance);
}
