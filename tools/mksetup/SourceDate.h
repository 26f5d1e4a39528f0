// File dates for reproducible packages: with SOURCE_DATE_EPOCH set, a
// file's date is its last-write time clamped to that moment and converted
// as UTC, whatever the build machine's time zone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mksetup {

// SOURCE_DATE_EPOCH, when set: seconds since 1970-01-01 00:00:00 UTC.
// Raises UsageError when it is set but no such number.
std::optional<std::int64_t> SourceDateEpoch();

// The last-write time of the file at path in seconds since 1970 (UTC).
// Raises EFOpenError naming the file when it cannot be read.
std::int64_t LastWriteSeconds(const std::string& path);

// seconds (since 1970, UTC) as an MS-DOS date (1980..2107, clamped).
std::int32_t DosDateOfUtc(std::int64_t seconds);

}  // namespace mksetup
