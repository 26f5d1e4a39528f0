#include "app/Startup.h"

#include "app/SetupPaths.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "toolkit/Toolkit.h"

int RunGuarded(const std::function<void()>& body) {
  // The failure is reported after body has unwound, so that its windows are
  // gone and the box is the only one left.
  bool failed = false;
  std::string message;
  try {
    body();
  } catch (const std::exception& error) {
    failed = true;
    message = error.what();
  } catch (...) {
    failed = true;
    message = "An unexpected error occurred";
  }
  if (!failed) return 0;
  RemoveFile(SetupPaths().tempScriptAtClose);
  Application->HandleException(Exception(message));
  return 1;
}
