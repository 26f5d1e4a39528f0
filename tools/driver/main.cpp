// setupdriver PROGRAM.EXE STEP ; STEP ; ...
// Starts the program in its own folder and works it step by step (see
// Driver::Run for the steps). Exit status 0 when every step passed; on a
// failure the program is ended and the failed step is described.
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Paths.h"
#include "tools/driver/Driver.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: setupdriver PROGRAM.EXE STEP [; STEP]...\n"
                 "steps: wait TITLE | gone TITLE | button TITLE BUTTON | click TITLE BUTTON | answer CAPTION BUTTON [TEXT]\n"
                 "       | type TITLE INDEX TEXT | close TITLE | text TITLE TEXT | notext TITLE TEXT\n"
                 "       | boxes CAPTION N | key TITLE [alt+]enter|escape|space|tab|up|down|f4|LETTER | shot FILE.bmp | sleep MS | mark NAME | exit [MS]\n");
    return 2;
  }
  const std::string exe = argv[1];
  const std::vector<std::string> words(argv + 2, argv + argc);
  driver::Driver d;
  if (!d.Start(exe, ExtractFilePath(exe)) || !d.RunScript(words)) {
    std::fprintf(stderr, "setupdriver: %s\n", d.Error().c_str());
    return 1;
  }
  return 0;
}
