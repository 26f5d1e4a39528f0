// mksetup.exe does not start helper programs: signing with osslsigncode is
// done by the Linux build.
#include "tools/mksetup/Stub.h"

namespace mksetup {

int RunProgram(const std::vector<std::string>& argv, std::string& output) {
  output = "mksetup.exe cannot run " + (argv.empty() ? std::string("a program") : argv[0]) +
           "; sign SETUP.EXE with the Linux mksetup or with the system's signing tool";
  return -1;
}

}  // namespace mksetup
