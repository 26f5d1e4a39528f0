// Where the installer finds its data files and writes its temporary script.
// The program uses the fixed places; tests point them at folders of their own.
#pragma once

#include <string>
#include <vector>

struct TSetupPaths {
  // The folder of SETUP.INS, SETUP.Z and LICENSE.TXT, ending in a separator.
  std::string exeDir;
  // The temporary setup script, written at start.
  std::string tempScript = "C:\\SETUP1.TMP";
  // The name the boot window deletes at its close (the same file: the file
  // system compares names without regard to case).
  std::string tempScriptAtClose = "C:\\setup1.tmp";
  // False when the executable's path has characters that the 8-bit code
  // page cannot express: the files beside it cannot be opened by that path.
  bool exeDirPlain = true;
};

// Whether the running executable's full path survives the conversion to the
// 8-bit code page.
bool ExePathFitsCodePage();
// Makes dir and every missing parent (ForceDirectories), adding each
// directory it made to made (outermost first). On failure the directories it
// made are removed again and reason says why: a file in the way, or the
// system's text for the step that failed.
bool MakeDirectoryChain(const std::string& dir, std::vector<std::string>& made, std::string& reason);
// Removes the directories of made that are empty, innermost first.
void RemoveEmptyDirectories(const std::vector<std::string>& made);

// Initially exeDir is the running executable's folder.
TSetupPaths& SetupPaths();
