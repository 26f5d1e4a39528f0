// Screen readers and the controls that have no window of their own.
//
// A toolkit-class window (a form, a panel, a page) answers WM_GETOBJECT for
// its client area with an IAccessible of its own whose children are, in the
// order of its control list, the controls that show: a windowless control
// that describes itself (AccessibleItem: a label's text, a gauge's
// percentage) as a simple element, a windowed one as the object of its own
// window. Controls that do not show (a hidden page and everything on it)
// are no children. The accessibility libraries are loaded from the system
// directory by full path, and only once a window is first asked; painting
// is untouched.
#pragma once

#include <windows.h>

#include <string>

class TControl;
class TWinControl;

// The text a screen reader reads for a caption with access-key marks: each
// "&" that marks a letter goes, "&&" reads as "&".
std::string CaptionWithoutAccelMarks(const std::string& caption);

// Tell screen readers that a windowless control's value or name changed
// (EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_NAMECHANGE), as the element of its
// parent window's client object; nothing is told for a control that does not
// show. A value change is told each time (a gauge's percentage changes at
// most 100 times). Name changes of one control are told at most four times a
// second: a change within 250 ms of the last one told is told once that time
// is up, as one event for what shows then; that costs a clock reading.
void NotifyValueChange(const TControl& control);
void NotifyNameChange(const TControl& control);
// Drops what is kept of a control's name changes (a change not yet told is
// told no more): a control made later at the same address starts afresh.
void ForgetAccessibleChanges(const TControl& control);

namespace toolkit_internal {
// The answer of a toolkit-class window to WM_GETOBJECT: an object reference
// (LresultFromObject) for OBJID_CLIENT; 0 for other objects or when the
// system's accessibility libraries are missing, so the system answers. A
// standard window that holds toolkit controls (a group box) is a grouping.
LRESULT AnswerGetObject(TWinControl& control, bool standardWindow, WPARAM wParam, LPARAM lParam);
}  // namespace toolkit_internal
