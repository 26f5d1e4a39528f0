// Lays a fuzzer's input out as an archive of file volumes in a private
// folder: the input is cut at each "\xFF\xFEVOL" into SETUP.Z, SETUP.002,
// SETUP.003, ... (at most 8), so that markers, continuations, missing and
// repeated volumes are all reached.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/FileSystem.h"
#include "runtime/Streams.h"

namespace fuzzing {

inline constexpr std::string_view kVolumeCut = "\xFF\xFEVOL";

inline const std::string& Folder() {
  static const std::string folder = MakeTempDirectory();
  return folder;
}

inline std::string VolumeName(std::size_t index) {
  if (index == 0) return "SETUP.Z";
  const std::size_t n = index + 1;
  return std::string("SETUP.00") + static_cast<char>('0' + n);
}

// Writes the volumes; returns their names in order.
inline std::vector<std::string> WriteVolumes(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names;
  std::size_t start = 0;
  while (names.size() < 8) {
    std::size_t cut = input.find(kVolumeCut, start);
    if (names.size() == 7) cut = std::string_view::npos;
    const std::string_view part = input.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start);
    names.push_back(VolumeName(names.size()));
    TFileStream out(Folder() + names.back(), FileMode::Create);
    out.WriteBuffer(part.data(), part.size());
    if (cut == std::string_view::npos) break;
    start = cut + kVolumeCut.size();
  }
  return names;
}

}  // namespace fuzzing
