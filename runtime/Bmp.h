// BMP pictures: checking a packed DIB or a BMP file image before anything
// reads its pixels, and writing uncompressed BMP files. Portable: the records
// are spelt out here as the files store them (little-endian), so that this
// builds and is tested natively as well as for Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bmp {

inline constexpr std::uint16_t kFileSignature = 0x4D42;  // "BM", read little-endian
inline constexpr std::size_t kFileHeaderSize = 14;       // the file header ahead of a packed DIB
inline constexpr std::size_t kInfoHeaderSize = 40;       // the smallest info header we read
inline constexpr std::size_t kPaletteEntrySize = 4;      // blue, green, red, 0
inline constexpr std::uint32_t kUncompressed = 0;        // the only compression we read or write
inline constexpr std::int32_t kMaxSide = 32768;          // pixels, across and down
inline constexpr std::int32_t kPixelsPerMeterAt96Dpi = 3780;

// The standard 16 colours as 0xRRGGBB, black to white in the usual order
// (maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua): the palette of our 4-bit pictures.
inline constexpr std::uint32_t kStandard16Colors[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// What is wrong with a picture, in the order the checks run.
enum class Problem {
  kNone,
  kTruncatedHeader,  // fewer bytes than the headers need
  kSignature,        // a file image that does not start with "BM"
  kHeaderSize,       // an info header shorter than 40 bytes or longer than the data
  kDimensions,       // width <= 0, height 0, or a side beyond kMaxSide
  kPlanes,           // planes other than 1
  kBitCount,         // bits per pixel other than 1, 4, 8, 24 or 32
  kCompression,      // anything but uncompressed pixels
  kPalette,          // more colours than the depth can index, or a colour table past the end
  kBitsOffset,       // pixel data said to start inside the headers or past the end
  kTruncatedPixels,  // fewer pixel bytes than width, height and depth need
};

// "the pixel data is cut short", ... (lower case, for "...: " messages).
const char* Describe(Problem problem);

// Where a checked picture's parts lie, as offsets into the checked bytes.
struct Layout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows: the header's height without its sign
  bool topDown = false;     // the header's height was negative
  std::uint16_t bitCount = 0;
  std::uint32_t colors = 0;        // palette entries (0 above 8 bits per pixel)
  std::size_t infoOffset = 0;      // the info header: 0 in a packed DIB, 14 in a file
  std::size_t infoSize = 0;        // its length, 40 or more
  std::size_t paletteOffset = 0;   // `colors` entries of kPaletteEntrySize bytes
  std::size_t bitsOffset = 0;      // the first stored row
  std::size_t stride = 0;          // bytes per row, padded to 4
  std::size_t imageBytes = 0;      // stride * height, all inside the checked bytes
};

struct Checked {
  Problem problem = Problem::kNone;
  Layout layout;  // meaningful only when ok()
  bool ok() const { return problem == Problem::kNone; }
};

// A packed DIB, as a bitmap resource holds it: info header, colour table and
// pixels back to back. Above 8 bits per pixel a colour table the header
// announces (biClrUsed) still lies between header and pixels.
Checked CheckPackedDib(std::span<const std::uint8_t> dib);
// A BMP file image: the file header, then a packed DIB whose pixels start at
// the file header's offset (at or after the colour table's end).
Checked CheckBmpFile(std::span<const std::uint8_t> file);

// Bytes per row of `width` pixels at `bitCount` bits, padded to 4 bytes; 0
// when the width or depth is one CheckPackedDib refuses.
std::size_t Stride(std::int32_t width, std::uint16_t bitCount);

// ---------------------------------------------------------------------------
// Writing: uncompressed pictures whose rows are stored bottom-up.

struct InfoHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // the header's height (an icon's image doubles it)
  std::uint16_t bitCount = 24;
  std::uint32_t imageBytes = 0;    // may be 0 for uncompressed pixels
  std::int32_t pixelsPerMeter = 0; // 0: unspecified
  std::span<const std::uint32_t> palette;  // 0xRRGGBB per entry; its length is biClrUsed
};

// The 40-byte info header and the colour table, appended to out.
void AppendInfoHeader(std::vector<std::uint8_t>& out, const InfoHeader& header);

// Palette indexes, one per pixel with the top row first, packed into rows of
// 1, 4 or 8 bits per pixel (leftmost pixel in the high bits), bottom row
// first, each padded to 4 bytes. Raises Exception for another
// depth, a pixel count other than width * height, or an index the depth
// cannot hold.
std::vector<std::uint8_t> PackIndexedRows(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                          std::span<const std::uint8_t> pixels);

// A whole BMP file: file header, info header, colour table, then `rows`
// (bottom-up, Stride(width, bitCount) bytes each). Raises
// Exception when rows does not hold exactly that.
std::vector<std::uint8_t> EncodeFile(const InfoHeader& header, std::span<const std::uint8_t> rows);

// The file header and info header of a 24-bit picture whose rows the caller
// writes after them: height rows, bottom-up, Stride(width, 24) bytes each.
std::vector<std::uint8_t> Headers24(std::int32_t width, std::int32_t height);

}  // namespace bmp
