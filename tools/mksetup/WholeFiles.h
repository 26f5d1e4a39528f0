// Whole-file helpers shared by the commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mksetup {

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// One zlib stream at the best compression.
std::vector<std::uint8_t> CompressScript(const std::vector<std::uint8_t>& text);

}  // namespace mksetup
