#include "toolkit/Dispatch.h"

#include <windows.h>

#include "runtime/Exceptions.h"

namespace {
// Constant-initialised, so an application constructed during static
// initialisation can install its report before anything else runs.
TErrorReport gReport = nullptr;

void Report(const std::exception& error) {
  if (gReport != nullptr) {
    gReport(error);
  } else {
    // No application yet: the system's box still tells the user.
    MessageBoxA(nullptr, error.what(), "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}
}  // namespace

TErrorReport SetErrorReport(TErrorReport report) {
  const TErrorReport previous = gReport;
  gReport = report;
  return previous;
}

void ReportCurrentException() {
  try {
    throw;
  } catch (const std::exception& error) {
    Report(error);
  } catch (...) {
    Report(Exception("An unexpected error occurred"));
  }
}
