#include "backup/RestorePaths.h"

#include <string_view>

namespace archive {

namespace {

// ".", "..", "...", ". ." and the like: Windows drops trailing dots and
// spaces, so all of them can name the directory itself or its parent.
bool IsDotsOrEmpty(std::string_view component) {
  return component.find_first_not_of(". ") == std::string_view::npos;
}

// CON, PRN, AUX, NUL, COM0..COM9 and LPT0..LPT9, with any extension: Windows
// opens the device of that name in every directory. It takes the
// superscript digits 1, 2 and 3 of the 8-bit code page (B9, B2, B3) for
// digits there too.
bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper(base);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  const auto digit = static_cast<unsigned char>(upper[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsUnsafeComponent(std::string_view component) {
  return IsDotsOrEmpty(component) || IsDeviceName(component);
}

}  // namespace

std::optional<std::string> TargetPath(const std::string& destDir, const std::string& storedName,
                                      bool fullPath) {
  if (destDir.empty()) return storedName;
  if (storedName.find('/') != std::string::npos) return std::nullopt;
  if (!fullPath) {
    const auto last = storedName.find_last_of("\\:");
    const std::string_view name =
        last == std::string::npos ? std::string_view(storedName)
                                  : std::string_view(storedName).substr(last + 1);
    if (IsUnsafeComponent(name)) return std::nullopt;
    return destDir + std::string(name);
  }
  if (storedName.size() <= 3) return std::nullopt;
  const std::string_view rest = std::string_view(storedName).substr(3);
  if (rest.find(':') != std::string_view::npos) return std::nullopt;
  std::string_view::size_type start = 0;
  for (;;) {
    const auto end = rest.find('\\', start);
    const std::string_view component =
        rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (IsUnsafeComponent(component)) return std::nullopt;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return destDir + std::string(rest);
}

std::uint8_t Percentage(std::int64_t done, std::int32_t base) {
  if (base <= 0 || done <= 0) return 0;
  if (done >= base) return 100;
  return static_cast<std::uint8_t>(done * 100 / base);
}

}  // namespace archive
