#include <windows.h>

#include "app/app.h"
#include "core/win/hardening.h"

namespace {
mrvn::app::CTessaly3App theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Before anything loads a DLL at run time; without the call the loads still name the system folder.
    mrvn::core::RestrictDllSearch();
    return theApp.Main(instance);
}
