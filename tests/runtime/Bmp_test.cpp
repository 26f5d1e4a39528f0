#include <gtest/gtest.h>

#include <functional>

#include "runtime/Bmp.h"
#include "runtime/Exceptions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using bmp::Problem;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  Set16(b, at, v & 0xFFFF);
  Set16(b, at + 2, v >> 16);
}

// A BMP file image of the given shape, every pixel byte zero, with `colors`
// palette entries (biClrUsed).
Bytes File(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::uint32_t colors) {
  const std::vector<std::uint32_t> palette(colors, 0x123456);
  bmp::InfoHeader header;
  header.width = width;
  header.height = height;
  header.bitCount = bitCount;
  header.palette = palette;
  const Bytes rows(bmp::Stride(width, bitCount) * static_cast<std::size_t>(height < 0 ? -height : height), 0);
  return bmp::EncodeFile(header, rows);
}

// Offsets in a file image; a packed DIB has them 14 bytes earlier.
constexpr std::size_t kBitsOffsetAt = 10, kInfoSizeAt = 14, kWidthAt = 18, kHeightAt = 22, kPlanesAt = 26,
                      kBitCountAt = 28, kCompressionAt = 30, kColorsUsedAt = 46;

Bytes Packed(const Bytes& file) { return Bytes(file.begin() + bmp::kFileHeaderSize, file.end()); }

// The info header grown to `size` bytes (as later header versions are), what
// follows it and the file's pixel offset moved along.
Bytes WithInfoSize(Bytes file, std::uint32_t size) {
  const std::uint32_t grow = size - static_cast<std::uint32_t>(bmp::kInfoHeaderSize);
  file.insert(file.begin() + bmp::kFileHeaderSize + bmp::kInfoHeaderSize, grow, 0);
  Set32(file, kInfoSizeAt, size);
  Set32(file, kBitsOffsetAt, Get32(file, kBitsOffsetAt) + grow);
  return file;
}

}  // namespace

TEST(BmpCheck, GoodPicturesOfEverySupportedDepthAndLayout) {
  struct Case {
    const char* what;
    Bytes bytes;
    bool fileImage;
    std::int32_t width, height;
    bool topDown;
    std::uint16_t bitCount;
    std::uint32_t colors;
    std::size_t infoSize, paletteOffset, bitsOffset, stride;
  };
  Bytes gap = File(5, 2, 24, 0);  // pixels some bytes after the headers
  gap.insert(gap.begin() + 54, 6, 0xEE);
  Set32(gap, kBitsOffsetAt, 60);
  Bytes implied = File(9, 3, 1, 2);  // biClrUsed 0: all 2^bits colours
  Set32(implied, kColorsUsedAt, 0);
  Bytes fileTable24 = File(2, 2, 24, 0);  // a file's biClrUsed above 8 bits names no table
  Set32(fileTable24, kColorsUsedAt, 1000);
  const Case cases[] = {
      {"1 bit, 9 wide", File(9, 3, 1, 2), true, 9, 3, false, 1, 2, 40, 54, 62, 4},
      {"1 bit, palette implied", implied, true, 9, 3, false, 1, 2, 40, 54, 62, 4},
      {"4 bits", File(3, 2, 4, 16), true, 3, 2, false, 4, 16, 40, 54, 118, 4},
      {"8 bits, three colours", File(5, 1, 8, 3), true, 5, 1, false, 8, 3, 40, 54, 66, 8},
      {"24 bits", File(3, 2, 24, 0), true, 3, 2, false, 24, 0, 40, 54, 54, 12},
      {"32 bits", File(3, 2, 32, 0), true, 3, 2, false, 32, 0, 40, 54, 54, 12},
      {"24 bits, top-down", File(3, -2, 24, 0), true, 3, 2, true, 24, 0, 40, 54, 54, 12},
      {"gap before the pixels", gap, true, 5, 2, false, 24, 0, 40, 54, 60, 16},
      {"file with biClrUsed at 24 bits", fileTable24, true, 2, 2, false, 24, 0, 40, 54, 54, 8},
      {"108-byte info header", WithInfoSize(File(3, 2, 4, 16), 108), true, 3, 2, false, 4, 16, 108, 122, 186, 4},
      {"largest side", File(bmp::kMaxSide, 1, 1, 2), true, 32768, 1, false, 1, 2, 40, 54, 62, 4096},
      {"packed, 8 bits", Packed(File(5, 2, 8, 256)), false, 5, 2, false, 8, 256, 40, 40, 1064, 8},
      {"packed, 24 bits with a colour table", Packed(File(2, 1, 24, 2)), false, 2, 1, false, 24, 0, 40, 40, 48, 8},
      {"packed, 4 bits, top-down", Packed(File(3, -2, 4, 16)), false, 3, 2, true, 4, 16, 40, 40, 104, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bmp::Checked checked = c.fileImage ? bmp::CheckBmpFile(c.bytes) : bmp::CheckPackedDib(c.bytes);
    ASSERT_TRUE(checked.ok()) << bmp::Describe(checked.problem);
    const bmp::Layout& l = checked.layout;
    EXPECT_EQ(l.width, c.width);
    EXPECT_EQ(l.height, c.height);
    EXPECT_EQ(l.topDown, c.topDown);
    EXPECT_EQ(l.bitCount, c.bitCount);
    EXPECT_EQ(l.colors, c.colors);
    EXPECT_EQ(l.infoOffset, c.fileImage ? 14u : 0u);
    EXPECT_EQ(l.infoSize, c.infoSize);
    EXPECT_EQ(l.paletteOffset, c.paletteOffset);
    EXPECT_EQ(l.bitsOffset, c.bitsOffset);
    EXPECT_EQ(l.stride, c.stride);
    EXPECT_EQ(l.imageBytes, c.stride * static_cast<std::size_t>(c.height));
    EXPECT_LE(l.bitsOffset + l.imageBytes, c.bytes.size());
  }
}

TEST(BmpCheck, EveryKindOfDamageIsNamed) {
  struct Case {
    const char* what;
    bool fileImage;
    std::function<void(Bytes&)> damage;
    Problem problem;
  };
  // The undamaged pictures: a 3 x 2 file at 4 bits, and the same as a packed DIB.
  const Case cases[] = {
      {"empty", true, [](Bytes& b) { b.clear(); }, Problem::kTruncatedHeader},
      {"file header only", true, [](Bytes& b) { b.resize(20); }, Problem::kTruncatedHeader},
      {"packed, header cut", false, [](Bytes& b) { b.resize(39); }, Problem::kTruncatedHeader},
      {"no signature", true, [](Bytes& b) { b[0] = 'X'; }, Problem::kSignature},
      {"core header (12 bytes)", true, [](Bytes& b) { Set32(b, kInfoSizeAt, 12); }, Problem::kHeaderSize},
      {"header longer than the data", true, [](Bytes& b) { Set32(b, kInfoSizeAt, 500); }, Problem::kHeaderSize},
      {"header size that wraps a 32-bit sum", true, [](Bytes& b) { Set32(b, kInfoSizeAt, 0xFFFFFFF8); },
       Problem::kHeaderSize},
      {"packed, header longer than the data", false, [](Bytes& b) { Set32(b, kInfoSizeAt - 14, 200); },
       Problem::kHeaderSize},
      {"width 0", true, [](Bytes& b) { Set32(b, kWidthAt, 0); }, Problem::kDimensions},
      {"negative width", true, [](Bytes& b) { Set32(b, kWidthAt, 0xFFFFFFFD); }, Problem::kDimensions},
      {"width beyond the largest side", true, [](Bytes& b) { Set32(b, kWidthAt, 32769); }, Problem::kDimensions},
      {"height 0", true, [](Bytes& b) { Set32(b, kHeightAt, 0); }, Problem::kDimensions},
      {"height -2^31 (no positive twin)", true, [](Bytes& b) { Set32(b, kHeightAt, 0x80000000); },
       Problem::kDimensions},
      {"top-down beyond the largest side", true, [](Bytes& b) { Set32(b, kHeightAt, 0xFFFF7FFF); },
       Problem::kDimensions},
      {"two planes", true, [](Bytes& b) { Set16(b, kPlanesAt, 2); }, Problem::kPlanes},
      {"0 bits", true, [](Bytes& b) { Set16(b, kBitCountAt, 0); }, Problem::kBitCount},
      {"16 bits", true, [](Bytes& b) { Set16(b, kBitCountAt, 16); }, Problem::kBitCount},
      {"run-length coded", true, [](Bytes& b) { Set32(b, kCompressionAt, 2); }, Problem::kCompression},
      {"bit fields", false, [](Bytes& b) { Set32(b, kCompressionAt - 14, 3); }, Problem::kCompression},
      {"17 colours at 4 bits", true, [](Bytes& b) { Set32(b, kColorsUsedAt, 17); }, Problem::kPalette},
      {"colour table cut short", true, [](Bytes& b) { b.resize(60); }, Problem::kPalette},
      {"packed, 24 bits, table past the end", false,
       [](Bytes& b) {
         Set16(b, kBitCountAt - 14, 24);
         Set32(b, kColorsUsedAt - 14, 0x40000000);  // 2^32 bytes: wraps to 0 in 32 bits
       },
       Problem::kPalette},
      {"pixels inside the headers", true, [](Bytes& b) { Set32(b, kBitsOffsetAt, 54); }, Problem::kBitsOffset},
      {"pixels past the end", true, [](Bytes& b) { Set32(b, kBitsOffsetAt, 0xFFFFFFFF); }, Problem::kBitsOffset},
      {"last byte missing", true, [](Bytes& b) { b.pop_back(); }, Problem::kTruncatedPixels},
      {"packed, last byte missing", false, [](Bytes& b) { b.pop_back(); }, Problem::kTruncatedPixels},
      {"pixels after a far offset", true, [](Bytes& b) { Set32(b, kBitsOffsetAt, 120); }, Problem::kTruncatedPixels},
      {"2^32 bytes of pixels (wraps to 0 in 32 bits)", true,
       [](Bytes& b) {
         Set32(b, kWidthAt, 32768);
         Set32(b, kHeightAt, 32768);
         Set16(b, kBitCountAt, 32);
       },
       Problem::kTruncatedPixels},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = File(3, 2, 4, 16);
    if (!c.fileImage) bytes = Packed(bytes);
    c.damage(bytes);
    const bmp::Checked checked = c.fileImage ? bmp::CheckBmpFile(bytes) : bmp::CheckPackedDib(bytes);
    EXPECT_EQ(checked.problem, c.problem) << bmp::Describe(checked.problem);
    EXPECT_FALSE(checked.ok());
    EXPECT_EQ(checked.layout.imageBytes, 0u) << "a refused picture has no layout";
  }
}

TEST(BmpWrite, FilesHoldTheHeadersPaletteAndRowsAsStored) {
  // 2 x 2 at 24 bits: a blue and a green pixel over a red and a white one.
  const Bytes rows = {0, 0, 255, 255, 255, 255, 0, 0,  // bottom row: red, white, padding
                      255, 0, 0, 0, 255, 0, 0, 0};     // top row: blue, green, padding
  bmp::InfoHeader header;
  header.width = 2;
  header.height = 2;
  header.bitCount = 24;
  const Bytes expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                  // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,    // size, width, height, planes, bits
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      // image size, resolution, colours
      0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0,
  };
  EXPECT_EQ(bmp::EncodeFile(header, rows), expected);

  Bytes headers = bmp::Headers24(2, 2);
  ASSERT_EQ(headers.size(), 54u);
  EXPECT_EQ(Get32(headers, 2), 70u) << "file size";
  EXPECT_EQ(Get32(headers, 34), 16u) << "image size";
  headers[34] = 0;
  EXPECT_TRUE(std::equal(headers.begin(), headers.end(), expected.begin()));

  // 4 bits with a palette of two, and the resolution given.
  const std::vector<std::uint32_t> palette = {0x112233, 0xAABBCC};
  bmp::InfoHeader indexed;
  indexed.width = 3;
  indexed.height = 1;
  indexed.bitCount = 4;
  indexed.imageBytes = 4;
  indexed.pixelsPerMeter = bmp::kPixelsPerMeterAt96Dpi;
  indexed.palette = palette;
  const Bytes file = bmp::EncodeFile(indexed, bmp::PackIndexedRows(3, 1, 4, Bytes{1, 0, 1}));
  ASSERT_EQ(file.size(), 14u + 40 + 8 + 4);
  EXPECT_EQ(Get32(file, 10), 62u) << "pixel offset";
  EXPECT_EQ(Get32(file, 34), 4u);
  EXPECT_EQ(Get32(file, 38), 3780u);
  EXPECT_EQ(Get32(file, 42), 3780u);
  EXPECT_EQ(Get32(file, 46), 2u) << "colours used";
  EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62), (Bytes{0x33, 0x22, 0x11, 0, 0xCC, 0xBB, 0xAA, 0}));
  EXPECT_EQ(Bytes(file.begin() + 62, file.end()), (Bytes{0x10, 0x10, 0, 0}));
}

TEST(BmpWrite, IndexedRowsArePackedHighBitsFirstBottomRowFirst) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    std::uint16_t bitCount;
    Bytes pixels;  // top row first
    Bytes rows;    // bottom row first
  };
  const Case cases[] = {
      {"1 bit, 10 wide", 10, 1, 1, {1, 0, 0, 0, 0, 0, 0, 1, 1, 1}, {0x81, 0xC0, 0, 0}},
      {"1 bit, two rows", 3, 2, 1, {1, 0, 0, 0, 0, 1}, {0x20, 0, 0, 0, 0x80, 0, 0, 0}},
      {"4 bits, odd width", 5, 1, 4, {15, 1, 2, 3, 4}, {0xF1, 0x23, 0x40, 0}},
      {"8 bits, a full row", 4, 2, 8, {1, 2, 3, 4, 255, 6, 7, 8}, {255, 6, 7, 8, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(bmp::PackIndexedRows(c.width, c.height, c.bitCount, c.pixels), c.rows);
    // What is packed is what the checker then finds.
    std::vector<std::uint32_t> palette(std::size_t{1} << c.bitCount, 0);
    bmp::InfoHeader header;
    header.width = c.width;
    header.height = c.height;
    header.bitCount = c.bitCount;
    header.palette = palette;
    const Bytes file = bmp::EncodeFile(header, c.rows);
    const bmp::Checked checked = bmp::CheckBmpFile(file);
    ASSERT_TRUE(checked.ok()) << bmp::Describe(checked.problem);
    EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(checked.layout.bitsOffset), file.end()), c.rows);
  }
}

TEST(BmpWrite, RefusesPixelsThatDoNotFitThePicture) {
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"index too large for 4 bits", [] { bmp::PackIndexedRows(2, 1, 4, Bytes{3, 16}); }},
      {"index too large for 1 bit", [] { bmp::PackIndexedRows(1, 1, 1, Bytes{2}); }},
      {"24 bits are not indexed", [] { bmp::PackIndexedRows(1, 1, 24, Bytes{0}); }},
      {"too few pixels", [] { bmp::PackIndexedRows(2, 2, 8, Bytes{0, 0, 0}); }},
      {"rows one byte short",
       [] {
         bmp::InfoHeader h;
         h.width = 2;
         h.height = 2;
         bmp::EncodeFile(h, Bytes(15, 0));
       }},
      {"16 bits", [] {
         bmp::InfoHeader h;
         h.width = 2;
         h.height = 1;
         h.bitCount = 16;
         bmp::EncodeFile(h, Bytes(4, 0));
       }},
      {"no 24-bit headers for width 0", [] { bmp::Headers24(0, 5); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(c.call(), Exception);
  }
}
