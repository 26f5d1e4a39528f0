// The archive's record layout: constants, the classification of record names
// and the error raised for data that is not of this archive type.
//
// First volume: title length, title, progress base, one more 32-bit value,
// then records. A record is a 32-bit name length (0 ends the archive, a
// negative one is a record by itself) and the name. An entry's name is
// followed by its DOS file date and a data block: the magic "EC2\0", then
// chunk records (length L: L > 0 a zlib stream of L bytes, L < 0 -L stored
// bytes, 0 ends the block). A continuation volume starts with a data block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Exceptions.h"

namespace archive {

inline constexpr std::uint8_t kDataMagic[4] = {'E', 'C', '2', 0};
// The largest chunk, as stored and as inflated.
inline constexpr std::int32_t kChunkSize = 16384;
inline constexpr std::string_view kVolumeMarkerPrefix = "NEXT:DISK";
// A volume marker's name is the prefix and the volume number's digits.
inline constexpr std::size_t kVolumeNumberSize = 3;
inline constexpr std::string_view kFileListName = "FILE:LIST";

inline constexpr const char* kCannotReadArchive = "Cannot read archive";
inline constexpr const char* kInvalidArchiveType = "Invalid archive type";

enum class NameKind { VolumeMarker, FileList, Entry };

// A name whose first nine characters are "NEXT:DISK" is a volume marker;
// "FILE:LIST" must be the whole name. Both comparisons are case-sensitive.
NameKind ClassifyName(std::string_view name);

// The three characters after "NEXT:DISK" (fewer when the name is shorter).
std::string VolumeNumber(std::string_view markerName);
// The marker's name for a volume number of kVolumeNumberSize digits.
std::string MarkerName(std::string_view volumeNumber);
// The volume number without its leading "0" characters ("002" gives "2",
// "000" gives "").
std::string DisplayNumber(std::string_view volumeNumber);

// The header fields the reader keeps.
struct Header {
  std::int32_t progressBase = 0;
  std::int32_t secondValue = 0;
};

}  // namespace archive

// Data that breaks the archive's layout: a bad data-block magic, a chunk
// longer than the format allows, an unreadable header.
class EArchiveError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
