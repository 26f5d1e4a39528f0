#include "runtime/Bmp.h"

#include <limits>
#include <string>

#include "runtime/Exceptions.h"

namespace bmp {

namespace {

// Offsets inside the info header.
constexpr std::size_t kWidthAt = 4, kHeightAt = 8, kPlanesAt = 12, kBitCountAt = 14, kCompressionAt = 16,
                      kColorsUsedAt = 32;
// Offset of the pixel data inside the file header.
constexpr std::size_t kBitsOffsetAt = 10;

std::uint16_t Get16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}
std::uint32_t Get32(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint32_t>(Get16(d, at)) | static_cast<std::uint32_t>(Get16(d, at + 2)) << 16;
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool KnownBitCount(std::uint16_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

// Every size below is computed in 64 bits from 32-bit fields, so nothing
// wraps, also where size_t has 32 bits: the largest product, a row of
// 32768 pixels at 32 bits times 32768 rows, is 2^32.
Checked Check(std::span<const std::uint8_t> data, std::size_t infoOffset, bool fileImage) {
  Checked result;
  auto fail = [&result](Problem problem) {
    result.problem = problem;
    result.layout = Layout{};
    return result;
  };
  const std::uint64_t size = data.size();
  if (size < infoOffset + kInfoHeaderSize) return fail(Problem::kTruncatedHeader);
  if (fileImage && Get16(data, 0) != kFileSignature) return fail(Problem::kSignature);

  const std::uint32_t infoSize = Get32(data, infoOffset);
  if (infoSize < kInfoHeaderSize || infoSize > size - infoOffset) return fail(Problem::kHeaderSize);
  const auto width = static_cast<std::int32_t>(Get32(data, infoOffset + kWidthAt));
  const auto height = static_cast<std::int32_t>(Get32(data, infoOffset + kHeightAt));
  if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
    return fail(Problem::kDimensions);
  if (Get16(data, infoOffset + kPlanesAt) != 1) return fail(Problem::kPlanes);
  const std::uint16_t bitCount = Get16(data, infoOffset + kBitCountAt);
  if (!KnownBitCount(bitCount)) return fail(Problem::kBitCount);
  if (Get32(data, infoOffset + kCompressionAt) != kUncompressed) return fail(Problem::kCompression);

  // Up to 8 bits the pixels index a palette of at most 2^bitCount colours
  // (all of them when biClrUsed is 0). Above, a packed DIB may still carry
  // biClrUsed entries before its pixels; a file's pixels are found by the
  // file header's offset instead.
  const std::uint32_t colorsUsed = Get32(data, infoOffset + kColorsUsedAt);
  std::uint32_t colors = 0;
  std::uint64_t tableEntries = 0;
  if (bitCount <= 8) {
    const std::uint32_t most = 1u << bitCount;
    if (colorsUsed > most) return fail(Problem::kPalette);
    colors = colorsUsed != 0 ? colorsUsed : most;
    tableEntries = colors;
  } else if (!fileImage) {
    tableEntries = colorsUsed;
  }
  const std::uint64_t paletteOffset = infoOffset + std::uint64_t{infoSize};
  const std::uint64_t paletteEnd = paletteOffset + tableEntries * kPaletteEntrySize;
  if (paletteEnd > size) return fail(Problem::kPalette);

  const std::uint64_t bitsOffset = fileImage ? Get32(data, kBitsOffsetAt) : paletteEnd;
  if (bitsOffset < paletteEnd || bitsOffset > size) return fail(Problem::kBitsOffset);
  const std::uint64_t stride = (std::uint64_t{static_cast<std::uint32_t>(width)} * bitCount + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? -std::int64_t{height} : std::int64_t{height};
  const std::uint64_t imageBytes = stride * rows;
  if (imageBytes > size - bitsOffset) return fail(Problem::kTruncatedPixels);

  Layout& l = result.layout;
  l.width = width;
  l.height = static_cast<std::int32_t>(rows);
  l.topDown = height < 0;
  l.bitCount = bitCount;
  l.colors = colors;
  l.infoOffset = infoOffset;
  l.infoSize = infoSize;
  l.paletteOffset = static_cast<std::size_t>(paletteOffset);
  l.bitsOffset = static_cast<std::size_t>(bitsOffset);
  l.stride = static_cast<std::size_t>(stride);
  l.imageBytes = static_cast<std::size_t>(imageBytes);
  return result;
}

void AppendFileHeader(std::vector<std::uint8_t>& out, std::uint64_t headersSize, std::uint64_t imageBytes) {
  if (headersSize + imageBytes > std::numeric_limits<std::uint32_t>::max())
    throw Exception("a BMP file holds at most 4 GiB");
  Put16(out, kFileSignature);
  Put32(out, static_cast<std::uint32_t>(headersSize + imageBytes));
  Put32(out, 0);  // two reserved words
  Put32(out, static_cast<std::uint32_t>(headersSize));
}

std::size_t HeadersSize(const InfoHeader& header) {
  return kFileHeaderSize + kInfoHeaderSize + header.palette.size() * kPaletteEntrySize;
}

std::uint64_t RowCount(std::int32_t height) {
  return height < 0 ? -std::int64_t{height} : std::int64_t{height};
}

}  // namespace

const char* Describe(Problem problem) {
  switch (problem) {
    case Problem::kNone: return "no fault";
    case Problem::kTruncatedHeader: return "the headers are cut short";
    case Problem::kSignature: return "it does not start with \"BM\"";
    case Problem::kHeaderSize: return "the info header's size is wrong";
    case Problem::kDimensions: return "the width or height is out of range";
    case Problem::kPlanes: return "the number of planes is not 1";
    case Problem::kBitCount: return "the bits per pixel are not 1, 4, 8, 24 or 32";
    case Problem::kCompression: return "the pixels are compressed";
    case Problem::kPalette: return "the colour table is too large or cut short";
    case Problem::kBitsOffset: return "the pixel data's offset lies outside the image";
    case Problem::kTruncatedPixels: return "the pixel data is cut short";
  }
  return "unknown fault";
}

Checked CheckPackedDib(std::span<const std::uint8_t> dib) { return Check(dib, 0, false); }

Checked CheckBmpFile(std::span<const std::uint8_t> file) { return Check(file, kFileHeaderSize, true); }

std::size_t Stride(std::int32_t width, std::uint16_t bitCount) {
  if (width <= 0 || width > kMaxSide || !KnownBitCount(bitCount)) return 0;
  return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

void AppendInfoHeader(std::vector<std::uint8_t>& out, const InfoHeader& header) {
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(header.width));
  Put32(out, static_cast<std::uint32_t>(header.height));
  Put16(out, 1);  // planes
  Put16(out, header.bitCount);
  Put32(out, kUncompressed);
  Put32(out, header.imageBytes);
  Put32(out, static_cast<std::uint32_t>(header.pixelsPerMeter));
  Put32(out, static_cast<std::uint32_t>(header.pixelsPerMeter));
  Put32(out, static_cast<std::uint32_t>(header.palette.size()));
  Put32(out, 0);  // every colour is important
  for (std::uint32_t rgb : header.palette) {
    out.push_back(static_cast<std::uint8_t>(rgb));
    out.push_back(static_cast<std::uint8_t>(rgb >> 8));
    out.push_back(static_cast<std::uint8_t>(rgb >> 16));
    out.push_back(0);
  }
}

std::vector<std::uint8_t> PackIndexedRows(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                          std::span<const std::uint8_t> pixels) {
  if (bitCount != 1 && bitCount != 4 && bitCount != 8)
    throw Exception("palette indexes are packed at 1, 4 or 8 bits, not " + std::to_string(bitCount));
  if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw Exception("the pixels do not fill " + std::to_string(width) + " x " +
                                std::to_string(height));
  const std::size_t stride = Stride(width, bitCount);
  const unsigned limit = 1u << bitCount;
  std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(height), 0);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    const std::uint8_t* in = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width; ++x) {
      if (in[x] >= limit)
        throw Exception("palette index " + std::to_string(in[x]) + " does not fit in " +
                                    std::to_string(bitCount) + " bits");
      const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
      row[bit / 8] |= static_cast<std::uint8_t>(in[x] << (8 - bitCount - bit % 8));
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeFile(const InfoHeader& header, std::span<const std::uint8_t> rows) {
  const std::size_t stride = Stride(header.width, header.bitCount);
  const std::uint64_t expected = std::uint64_t{stride} * RowCount(header.height);
  if (stride == 0 || header.height == 0 || rows.size() != expected)
    throw Exception("the rows do not fill a " + std::to_string(header.width) + " x " +
                                std::to_string(header.height) + " picture at " +
                                std::to_string(header.bitCount) + " bits");
  std::vector<std::uint8_t> out;
  out.reserve(HeadersSize(header) + rows.size());
  AppendFileHeader(out, HeadersSize(header), rows.size());
  AppendInfoHeader(out, header);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

std::vector<std::uint8_t> Headers24(std::int32_t width, std::int32_t height) {
  const std::size_t stride = Stride(width, 24);
  if (stride == 0 || height <= 0 || height > kMaxSide)
    throw Exception("no 24-bit picture is " + std::to_string(width) + " x " + std::to_string(height));
  const std::uint64_t imageBytes = std::uint64_t{stride} * static_cast<std::uint64_t>(height);
  InfoHeader header;
  header.width = width;
  header.height = height;
  header.bitCount = 24;
  header.imageBytes = static_cast<std::uint32_t>(imageBytes);
  std::vector<std::uint8_t> out;
  AppendFileHeader(out, HeadersSize(header), imageBytes);
  AppendInfoHeader(out, header);
  return out;
}

}  // namespace bmp
