// Helpers of the screenshot program: a capture of part of the screen, and
// saving a picture into the working directory (where the screenshots target
// runs it).
#pragma once

#include <memory>
#include <string>

#include "toolkit/Toolkit.h"

// The screen's pixels inside `area` (screen coordinates).
std::unique_ptr<TBitmap> CaptureScreen(const RECT& area);

// Writes the picture as `name` in the directory the program was started in,
// and says so.
void Save(TBitmap& picture, const std::string& name);
