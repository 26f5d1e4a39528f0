#include "runtime/DosDate.h"

#include <cstdio>

DosDateTime UnpackDosDate(std::int32_t dosDate) {
  const auto u = static_cast<std::uint32_t>(dosDate);
  DosDateTime d;
  d.year = static_cast<int>((u >> 25) & 0x7F) + 1980;
  d.month = static_cast<int>((u >> 21) & 0x0F);
  d.day = static_cast<int>((u >> 16) & 0x1F);
  d.hour = static_cast<int>((u >> 11) & 0x1F);
  d.minute = static_cast<int>((u >> 5) & 0x3F);
  d.second = static_cast<int>(u & 0x1F) * 2;
  return d;
}

std::int32_t PackDosDate(const DosDateTime& d) {
  if (d.year < 1980) return PackDosDate(DosDateTime{});
  if (d.year > 2107) return PackDosDate(DosDateTime{2107, 12, 31, 23, 59, 58});
  const std::uint32_t date = static_cast<std::uint32_t>(d.year - 1980) << 9 |
                             static_cast<std::uint32_t>(d.month) << 5 |
                             static_cast<std::uint32_t>(d.day);
  const std::uint32_t time = static_cast<std::uint32_t>(d.hour) << 11 |
                             static_cast<std::uint32_t>(d.minute) << 5 |
                             static_cast<std::uint32_t>(d.second / 2);
  return static_cast<std::int32_t>(date << 16 | time);
}

std::string FormatDosDate(std::int32_t dosDate) {
  const DosDateTime d = UnpackDosDate(dosDate);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                d.hour, d.minute, d.second);
  return text;
}
