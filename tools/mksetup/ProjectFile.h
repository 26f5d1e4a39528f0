// The project file of mksetup pack --config: an INI file in UTF-8 with
//   [Setup]  App101, DestDir102, Title103, License (Yes/No)
//   [Pack]   Source (;-separated), Output, LicenseFile, Exclude (;-separated),
//            NoDefaultExcludes, Level, Best, VolumeSize, Threads, Stub, NoStub,
//            Sign, PasswordFile, Timestamp, SignCommand, Checksums (Yes/No
//            for the switches)
// Paths are relative to the file's folder. ';' or '#' starts a comment line.
#pragma once

#include <string>
#include <vector>

namespace mksetup {

struct ProjectArguments {
  std::vector<std::string> options;  // pack options, as on the command line
  std::vector<std::string> sources;  // the paths to pack
};

// The pack command line that the project file at path stands for. Raises
// UsageError naming the file and line of an unknown section or key or a
// value that does not fit, and an Exception when the file cannot be read.
ProjectArguments ReadProjectFile(const std::string& path);

}  // namespace mksetup
