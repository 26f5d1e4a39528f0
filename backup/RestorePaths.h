// Where an entry is written, and the progress percentage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace archive {

// The target path of an entry named storedName. destDir is empty or ends in
// `\`. With an empty destination the stored name is the path. Otherwise the
// destination is followed by the name's last component (after its last `\`
// or `:`), or with fullPath by the name from its fourth character on.
// Returns nothing when that would leave the destination: a name containing
// `/`, a last component that is empty, only dots and spaces, or a device
// name (CON, NUL, COM1, COM\xB9, ... with any extension), and with fullPath also a
// rooted remainder, a drive or stream colon, or any such component.
std::optional<std::string> TargetPath(const std::string& destDir, const std::string& storedName,
                                      bool fullPath);

// done * 100 / base, truncated, kept within 0..100: a base of 0 or less
// gives 0, a done count beyond the base 100.
std::uint8_t Percentage(std::int64_t done, std::int32_t base);

}  // namespace archive
