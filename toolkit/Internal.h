// Toolkit internals shared by its source files (not part of the interface).
#pragma once

#include <windows.h>

namespace toolkit_internal {

// Counters behind LiveGdiObjects() / LiveWindowHandles().
void CountGdiObject(int delta);
void CountWindow(int delta);

// The window class of toolkit-painted windows (forms, panels, pages...).
const char* ToolkitWindowClass();
void RegisterWindowClasses();

// Sends the timer tick of id to its TTimer (false when unknown).
bool DeliverTimer(UINT_PTR id);
// The hidden window that owns the toolkit's timers.
HWND UtilityWindow();

}  // namespace toolkit_internal
