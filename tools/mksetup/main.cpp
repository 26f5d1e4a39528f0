#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "tools/mksetup/Cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Questions need someone who can answer (input and error a terminal);
  // progress needs only a terminal to show it on.
  mksetup::Io io{std::cout, std::cerr, isatty(0) != 0 && isatty(2) != 0, isatty(2) != 0};
  return mksetup::Main(args, io);
}
