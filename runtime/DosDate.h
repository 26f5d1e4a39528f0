// MS-DOS date and time: date in the high 16 bits (bits 9-15 year - 1980,
// 5-8 month, 0-4 day), time in the low 16 bits (bits 11-15 hours, 5-10
// minutes, 0-4 seconds / 2). Always local time.
#pragma once

#include <cstdint>
#include <string>

struct DosDateTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;  // even; odd seconds are truncated when packing
};

DosDateTime UnpackDosDate(std::int32_t dosDate);
// Years before 1980 pack as 1980-01-01 00:00:00, after 2107 as 2107-12-31 23:59:58.
std::int32_t PackDosDate(const DosDateTime& date);
// "YYYY-MM-DD hh:mm:ss"
std::string FormatDosDate(std::int32_t dosDate);
