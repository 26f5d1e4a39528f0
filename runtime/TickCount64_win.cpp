// GetTickCount64 for programs that must start on Windows XP.
//
// winpthreads, which libstdc++'s posix thread model links into every program
// (static initialisation guards and the exception allocator lock through it),
// imports GetTickCount64 from kernel32. XP's kernel32 lacks it, and the loader
// refuses to start a program with an import it cannot bind. The import slot is
// defined here instead: an object linked into the executable comes before
// kernel32's import library, so the linker binds winpthreads' calls to this
// pointer and the executable no longer imports the function.
//
// The function behind it calls kernel32's own GetTickCount64 where there is
// one and otherwise extends GetTickCount's 32-bit count, which wraps every
// 49.7 days, to 64 bits. winpthreads uses it only to time out waits.
#include <windows.h>

namespace {

using TickCount64Proc = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI TickCount64() {
  // Plain statics, no initialisation guard: the guard itself runs on
  // winpthreads. Resolving twice at the same moment gives the same answer.
  static TickCount64Proc system = nullptr;
  static bool resolved = false;
  if (!resolved) {
    system = reinterpret_cast<TickCount64Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    resolved = true;
  }
  if (system != nullptr) return system();
  static volatile LONG last = 0;
  static volatile LONG wraps = 0;
  const DWORD now = GetTickCount();
  const DWORD before = static_cast<DWORD>(InterlockedExchange(&last, static_cast<LONG>(now)));
  if (now < before) InterlockedIncrement(&wraps);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(wraps)) << 32) | now;
}

}  // namespace

#ifdef _WIN64
#define SETUP_IMPORT_SLOT "__imp_GetTickCount64"
#else
#define SETUP_IMPORT_SLOT "__imp__GetTickCount64@0"
#endif
extern "C" {
TickCount64Proc setup_GetTickCount64_slot __asm__(SETUP_IMPORT_SLOT) = TickCount64;
}
