// The block of SHA-256 hashes that SETUP.EXE carries for the data files
// shipped beside it: an RCDATA resource (kResourceId) that the installer
// reserves empty (app/Resources.rc) and mksetup pack fills in the copy it
// ships, before signing, so that the signature covers the hashes too.
//
// Layout, little-endian:
//   kMagic               16 bytes
//   volumes              32 bits: the number of archive volumes; 0: unfilled
//   licence              32 bits: 1 when LICENSE.TXT is shipped, else 0
//   hashes               (2 + kMaxVolumes) x 32 bytes: SETUP.INS, LICENSE.TXT,
//                        then volume 1 (SETUP.Z), 2 (SETUP.002), ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace package_hashes {

inline constexpr int kResourceId = 1;  // of type RCDATA
inline constexpr char kMagic[16] = "SETUP-SHA256-01";
inline constexpr std::size_t kMaxVolumes = 64;
inline constexpr std::size_t kDigestSize = 32;
inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::size_t kBlockSize = kHeaderSize + (2 + kMaxVolumes) * kDigestSize;

inline constexpr std::size_t kScriptSlot = 0, kLicenceSlot = 1;
// Volume n (1 for SETUP.Z) has slot 1 + n.
inline constexpr std::size_t VolumeSlot(std::size_t volume) { return 1 + volume; }
inline constexpr std::size_t SlotOffset(std::size_t slot) { return kHeaderSize + slot * kDigestSize; }

inline std::uint32_t ReadField(const std::uint8_t* block, std::size_t at) {
  return std::uint32_t{block[at]} | std::uint32_t{block[at + 1]} << 8 | std::uint32_t{block[at + 2]} << 16 |
         std::uint32_t{block[at + 3]} << 24;
}
inline void WriteField(std::uint8_t* block, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) block[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Whether size bytes at block are a block of this layout (filled or not).
inline bool IsBlock(const std::uint8_t* block, std::size_t size) {
  return size >= kBlockSize && std::memcmp(block, kMagic, sizeof kMagic) == 0;
}
inline std::uint32_t Volumes(const std::uint8_t* block) { return ReadField(block, 16); }
inline bool HasLicence(const std::uint8_t* block) { return ReadField(block, 20) == 1; }

}  // namespace package_hashes
