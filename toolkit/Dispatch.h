// The one dispatch point: every handler, window procedure, paint and timer
// tick of the toolkit runs through Dispatch, which catches what escapes it and
// hands it to the error report; the program then goes on. A leaf: it knows no
// control and no form, so every part of the toolkit can include it.
#pragma once

#include <exception>
#include <utility>

// Shows a failure to the user. The application installs its default error
// report (TApplication::HandleException) when it is constructed.
using TErrorReport = void (*)(const std::exception& error);

// Installs the report that failures go to and returns the previous one.
TErrorReport SetErrorReport(TErrorReport report);

// Hands the exception being handled to the error report; call it inside a
// catch block. A failure that is no std::exception is reported as "An
// unexpected error occurred". What the report itself raises goes on to the
// caller.
void ReportCurrentException();

// Runs fn and reports what escapes it. Returns false when fn failed.
template <class Fn>
bool Dispatch(Fn&& fn) {
  try {
    std::forward<Fn>(fn)();
    return true;
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

// Runs an event handler (an empty one does nothing) through Dispatch.
template <class Handler, class... Args>
bool DispatchEvent(const Handler& handler, Args&&... args) {
  if (!handler) return true;
  return Dispatch([&] { handler(std::forward<Args>(args)...); });
}
