// The script and settings commands of mksetup, and the whole-file helpers
// the commands share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunSettings(const std::vector<std::string>& args, Io& io);
int RunScript(const std::vector<std::string>& args, Io& io);
extern const char* const SettingsHelp;
extern const char* const ScriptHelp;

// Whole-file helpers shared by the commands.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// One zlib stream at the best compression.
std::vector<std::uint8_t> CompressScript(const std::vector<std::uint8_t>& text);

}  // namespace mksetup
