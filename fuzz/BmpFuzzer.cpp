// Checks the input as a BMP file image and as a packed DIB. A picture the
// checker accepts must lie inside the input as its layout says (every byte of
// its colour table and pixels is read, so the sanitizers see any overrun),
// and writing it again must give a file the checker reads back the same.
#include <cstdlib>
#include <vector>

#include "runtime/Bmp.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void Verify(std::span<const std::uint8_t> data, const bmp::Checked& checked) {
  if (!checked.ok()) {
    Require(checked.layout.imageBytes == 0);
    return;
  }
  const bmp::Layout& l = checked.layout;
  Require(l.width >= 1 && l.width <= bmp::kMaxSide && l.height >= 1 && l.height <= bmp::kMaxSide);
  Require(l.bitCount <= 8 ? l.colors >= 1 && l.colors <= (1u << l.bitCount) : l.colors == 0);
  Require(l.stride == bmp::Stride(l.width, l.bitCount) && l.stride % 4 == 0);
  Require(l.imageBytes == l.stride * static_cast<std::size_t>(l.height));
  Require(l.infoSize >= bmp::kInfoHeaderSize && l.infoOffset + l.infoSize == l.paletteOffset);
  const std::size_t paletteEnd = l.paletteOffset + std::size_t{l.colors} * bmp::kPaletteEntrySize;
  Require(paletteEnd <= l.bitsOffset && l.bitsOffset <= data.size());
  Require(l.imageBytes <= data.size() - l.bitsOffset);

  std::vector<std::uint32_t> palette;
  for (std::size_t at = l.paletteOffset; at < paletteEnd; at += bmp::kPaletteEntrySize) {
    palette.push_back(static_cast<std::uint32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16));
  }
  const std::span<const std::uint8_t> rows = data.subspan(l.bitsOffset, l.imageBytes);
  unsigned sum = 0;
  for (std::uint8_t b : rows) sum += b;

  bmp::InfoHeader header;
  header.width = l.width;
  header.height = l.topDown ? -l.height : l.height;
  header.bitCount = l.bitCount;
  header.palette = palette;
  const std::vector<std::uint8_t> again = bmp::EncodeFile(header, rows);
  const bmp::Checked reread = bmp::CheckBmpFile(again);
  Require(reread.ok());
  const bmp::Layout& r = reread.layout;
  Require(r.width == l.width && r.height == l.height && r.topDown == l.topDown && r.bitCount == l.bitCount &&
          r.colors == l.colors && r.imageBytes == l.imageBytes);
  unsigned resum = 0;
  for (std::size_t i = 0; i < r.imageBytes; ++i) resum += again[r.bitsOffset + i];
  Require(resum == sum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  Verify(input, bmp::CheckBmpFile(input));
  Verify(input, bmp::CheckPackedDib(input));
  return 0;
}
