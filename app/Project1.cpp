// The installer's entry point: creates the five windows, hidden, in their
// order and runs the message loop until the boot window closes.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/Startup.h"
#include "runtime/Exceptions.h"
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

// One Setup at a time on the machine: the temporary setup script has one
// fixed, machine-wide name, so the mutex lives in the global namespace, where
// a Setup that another user runs holds it too. Held until the run ends.
class TSingleSetup {
 public:
  TSingleSetup() {
    mutex_ = CreateMutexA(nullptr, FALSE, "Global\\SetupTemporaryScript.SETUP1.TMP");
    // Denied access means that another user's Setup made it.
    const DWORD error = GetLastError();
    alone_ = mutex_ != nullptr && error != ERROR_ALREADY_EXISTS;
  }
  ~TSingleSetup() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  TSingleSetup(const TSingleSetup&) = delete;
  TSingleSetup& operator=(const TSingleSetup&) = delete;
  bool Alone() const { return alone_; }

 private:
  HANDLE mutex_ = nullptr;
  bool alone_ = false;
};

void RunInstaller() {
  TApplication application;
  const TSingleSetup single;
  if (!single.Alone()) {
    // Said here rather than in Texts.h, whose texts this unit does not need.
    ShowMessage("Setup is already running.");
    return;
  }
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

// The library's checks (a string or vector grown past its maximum, at() out
// of range, an empty function called) raise through these. The library's
// own raise its standard exceptions, whose messages are kept in a second
// kind of string that brings a copy of the whole string code along (some
// 40 KiB). Here the allocation failures stay what they are, and the rest
// raise this program's Exception with the same text, which the default
// error report shows as it would any other.
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_function_call() { throw Exception("bad function call"); }
void __throw_length_error(const char* what) { throw Exception(what); }
void __throw_logic_error(const char* what) { throw Exception(what); }
void __throw_out_of_range(const char* what) { throw Exception(what); }
void __throw_invalid_argument(const char* what) { throw Exception(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw Exception(format); }
}  // namespace std

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HardenDllLoading();
  return RunGuarded(RunInstaller);
}
