#include "tests/screenshots/Screenshots.h"

#include <cstdio>

#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace {
// The working directory the program was started in; the directory chooser
// moves the current directory while it browses.
const std::string gOutputDir = IncludeTrailingPathDelimiter(GetCurrentDir());
}  // namespace

std::unique_ptr<TBitmap> CaptureScreen(const RECT& area) {
  auto shot = std::make_unique<TBitmap>(area.right - area.left, area.bottom - area.top);
  WindowDC screen;
  BitBlt(shot->Canvas().Handle(), 0, 0, shot->Width(), shot->Height(), screen.Get(), area.left, area.top,
         SRCCOPY);
  return shot;
}

void Save(TBitmap& picture, const std::string& name) {
  picture.SaveToFile(gOutputDir + name);
  std::printf("screenshot: %s%s (%d x %d)\n", gOutputDir.c_str(), name.c_str(), picture.Width(), picture.Height());
}
