// A library that is no known DLL, loaded from the system directory by its
// full path (its own imports are then looked for there first), never by a
// search that could find a copy planted beside the program; and the typed
// look-up of its entry points.
#pragma once

#include <windows.h>

#include <string>

class TSystemLibrary {
 public:
  explicit TSystemLibrary(const char* name) {
    char dir[MAX_PATH];
    const UINT length = GetSystemDirectoryA(dir, sizeof dir);
    if (length == 0 || length >= sizeof dir) return;
    const std::string path = std::string(dir) + "\\" + name;
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  ~TSystemLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  TSystemLibrary(const TSystemLibrary&) = delete;
  TSystemLibrary& operator=(const TSystemLibrary&) = delete;
  HMODULE Handle() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

// Function pointers from GetProcAddress: going through void (*)() keeps the
// conversion explicit without claiming the types match. nullptr when the
// library or the function is missing.
template <class Function>
Function EntryPoint(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  const FARPROC entry = GetProcAddress(module, name);
  if (entry == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}
