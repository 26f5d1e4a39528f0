// The installer's entry point: creates the five windows, hidden, in their
// order and runs the message loop until the boot window closes.
#include <windows.h>

#include "app/RestoreUi.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"

namespace {

// A setup program is often started from a download folder, where a planted
// DLL must not be loaded in place of a system one: DLLs come from the system
// directory only.
void HardenDllLoading() {
  SetDllDirectoryA("");
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

void RunInstaller() {
  TApplication application;
  TWindowedRestoreUi restoreUi;
  SetRestoreUi(&restoreUi);
  struct ResetRestoreUi {
    ~ResetRestoreUi() { SetRestoreUi(nullptr); }
  } resetRestoreUi;
  Application->Initialize();
  Application->CreateForm(&Form1);
  Application->CreateForm(&Form2);
  Application->CreateForm(&Form3);
  Application->CreateForm(&Form4);
  Application->CreateForm(&Form5);
  Application->Run();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HardenDllLoading();
  return RunGuarded(RunInstaller);
}
