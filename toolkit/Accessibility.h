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
