// The installer's entry point: creates the five windows, hidden, in their
// order and runs the message loop until the boot window closes.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"

namespace {

// A setup program is often started from a download folder, where a planted
// DLL must not be loaded in place of a system one. The executable imports
// only known DLLs, which the system always takes from its own directory;
// from here on every other DLL comes from the system directory too. Both
// calls are looked up, since older systems lack one or both.
void HardenDllLoading() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  // Takes the current directory out of the search where the call above is
  // missing.
  if (auto setDirectory =
          reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")))) {
    setDirectory("");
  }
}

void RunInstaller() {
  TApplication application;
  Application->Initialize();
  Application->CreateForm(&Form1);
  Application->CreateForm(&Form2);
  Application->CreateForm(&Form3);
  Application->CreateForm(&Form4);
  Application->CreateForm(&Form5);
  Application->Run();
}

}  // namespace

// What no handler catches ends the program at once. The library's own
// handler would write the failure's type to a console this program does not
// have, and brings the C++ name demangler along for it (some 30 KiB).
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HardenDllLoading();
  return RunGuarded(RunInstaller);
}
