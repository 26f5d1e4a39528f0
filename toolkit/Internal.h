// Toolkit internals shared by its source files (not part of the interface).
#pragma once

#include <windows.h>

#include <vector>

class TControl;
class TWinControl;

namespace toolkit_internal {

// Screen readers (Accessibility.cpp). The answer of a toolkit-class window
// to WM_GETOBJECT: an object reference (LresultFromObject) for OBJID_CLIENT;
// 0 for other objects or when the system's accessibility libraries are
// missing, so the system answers. A standard window that holds toolkit
// controls (a group box) is a grouping.
LRESULT AnswerGetObject(TWinControl& control, bool standardWindow, WPARAM wParam, LPARAM lParam);
// Drops what is kept of a control's name changes (a change not yet told is
// told no more): a control made later at the same address starts afresh.
void ForgetAccessibleChanges(const TControl& control);

// Counter behind LiveWindowHandles().
void CountWindow(int delta);

// Registers the window class of toolkit-painted windows (forms, panels,
// pages...).
void RegisterWindowClasses();
// The first icon in the executable's resources (nullptr when it has none).
HICON ApplicationIcon();

// Sends the timer tick of id to its TTimer (false when unknown).
bool DeliverTimer(UINT_PTR id);
// The hidden window that owns the toolkit's timers.
HWND UtilityWindow();

// Message boxes that are up. A modal loop that starts while a box is up
// leaves the box enabled and above itself, so the box stays answerable.
void AddOpenBox(HWND box);
void RemoveOpenBox(HWND box);
bool IsOpenBox(HWND window);
// The open box that shows, the latest first; nullptr when none does.
HWND ShowingOpenBox();
// Makes window the system's foreground window and this thread's active one.
void MakeActive(HWND window);
// Puts the open boxes above every other window again.
void RaiseOpenBoxes();

// Disables the visible, enabled top-level windows of this thread other than
// `except` and the open boxes, and returns them; EnableTaskWindows enables
// them again.
std::vector<HWND> DisableTaskWindows(HWND except);
void EnableTaskWindows(const std::vector<HWND>& windows);

// The form a modal window or box is opened from: the active window when it
// is a visible form of the toolkit, else nullptr.
HWND ActiveFormWindow();
// Gives the keyboard back to `window` when it can take it.
void Reactivate(HWND window);

}  // namespace toolkit_internal
