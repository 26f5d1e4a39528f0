// Writes archives that the restore engine reads: a first volume with its
// header, entries cut into 16 KiB chunks (each compressed when that makes it
// smaller, else stored), optionally spread over volumes of a maximum size.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct libdeflate_compressor;

namespace mksetup {

// Compression levels: 0 stores every chunk; 1 to 12 are libdeflate's levels
// (where the build has no libdeflate, zlib's, with 10 to 12 taken as 9).
// On 16 KiB chunks level 7 packs about as small as levels 8 and 9 (and as
// zlib's 9) in half the time.
inline constexpr int kDefaultLevel = 7;
inline constexpr int kBestLevel = 12;

// One entry: its data comes from the file at source, or from data when
// source is empty.
struct PackEntry {
  std::string source;
  std::string storedName;
  std::int32_t dosDate = 0;
  std::int64_t size = 0;  // the source's size when the entry was planned
  std::vector<std::uint8_t> data;
};

struct PackSettings {
  std::string title;
  int level = kDefaultLevel;    // 0..kBestLevel
  std::int64_t volumeSize = 0;  // 0: one volume of any size
  unsigned threads = 0;         // 0: one per core
  // Called with the uncompressed bytes read so far and the total.
  std::function<void(std::int64_t done, std::int64_t total)> onProgress;
};

// The smallest volume size accepted: any entry's first chunk must fit into a
// fresh volume together with its name.
inline constexpr std::int64_t kMinVolumeSize = 64 * 1024;
inline constexpr std::size_t kMaxStoredName = 4096;
// The most data one archive can count: its progress base is 32 bits, signed.
inline constexpr std::int64_t kMaxArchiveData = 0x7FFFFFFF;

struct PackResult {
  std::vector<std::string> volumes;  // paths, first volume first
  std::int64_t dataSize = 0;         // the progress base
  std::int64_t archiveSize = 0;      // bytes over all volumes
};

// Writes the archive whose first volume is firstVolume; continuation volumes
// take its name with the extensions .002, .003, ... The progress base is the
// total size of the entries, a "FILE:LIST" entry excepted. The output is the
// same bytes whatever the thread count. Raises Exception naming the file
// that failed.
PackResult WriteArchive(const std::string& firstVolume, const std::vector<PackEntry>& entries,
                        const PackSettings& settings);

// ".002" for volume 2: the extension of continuation volume number (2..999).
std::string VolumeExtension(int number);

// A chunk as stored: compressed (a zlib stream) when that is smaller than
// the input, else the input itself.
struct PackedChunk {
  std::vector<std::uint8_t> bytes;
  bool compressed = false;
};

// Packs chunks at one level; each thread needs its own.
class ChunkPacker {
 public:
  explicit ChunkPacker(int level);
  ~ChunkPacker();
  ChunkPacker(const ChunkPacker&) = delete;
  ChunkPacker& operator=(const ChunkPacker&) = delete;
  void Pack(const std::uint8_t* data, std::size_t size, PackedChunk& chunk);

 private:
  struct Deleter {
    void operator()(libdeflate_compressor* c) const;
  };
  int level_;
  std::unique_ptr<libdeflate_compressor, Deleter> compressor_;
};

void PackChunk(const std::uint8_t* data, std::size_t size, int level, PackedChunk& chunk);

}  // namespace mksetup
