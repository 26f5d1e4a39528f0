#include "tools/mksetup/SourceDate.h"

#include <charconv>
#include <cstdlib>

#include "runtime/DosDate.h"
#include "tools/mksetup/Cli.h"

namespace mksetup {

std::optional<std::int64_t> SourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr) return std::nullopt;
  const std::string value = text;
  std::int64_t seconds = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size() || seconds < 0) {
    throw UsageError("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not \"" + value + "\"");
  }
  return seconds;
}

std::int32_t DosDateOfUtc(std::int64_t seconds) {
  // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t secondOfDay = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  DosDateTime date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const std::int64_t year = yoe + era * 400 + (date.month <= 2 ? 1 : 0);
  date.year = static_cast<int>(year < 0 ? 0 : year > 9999 ? 9999 : year);
  date.hour = static_cast<int>(secondOfDay / 3600);
  date.minute = static_cast<int>(secondOfDay / 60 % 60);
  date.second = static_cast<int>(secondOfDay % 60);
  return PackDosDate(date);
}

}  // namespace mksetup
