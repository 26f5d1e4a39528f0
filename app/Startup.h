// The guard around the program's run.
#pragma once

#include <functional>

// Runs body (the windows' creation and the message loop). A failure that
// escapes it is shown in the default error report, the temporary setup
// script is deleted as the boot window's close would, and 1 is returned;
// otherwise 0.
int RunGuarded(const std::function<void()>& body);
