#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tools/artwork/Artwork.h"

namespace {

std::vector<std::uint8_t> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

// The resource files are what the generator draws: nobody edits one without
// the other.
TEST(Artwork, CommittedFilesMatchTheGenerator) {
  using namespace artwork;
  EXPECT_EQ(Slurp(SETUP_RES_DIR "/side.bmp"), EncodeBmp4(SidePicture()));
  EXPECT_EQ(Slurp(SETUP_RES_DIR "/setup.ico"), EncodeIco4({SetupIcon(32), SetupIcon(16)}));
}

TEST(Artwork, PicturesHaveTheirSizesAndSixteenColours) {
  using namespace artwork;
  const auto bmp = EncodeBmp4(SidePicture());
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(Le32(bmp, 18), 117u);
  EXPECT_EQ(Le32(bmp, 22), 231u);
  EXPECT_EQ(bmp[28], 4) << "bits per pixel";
  EXPECT_EQ(bmp.size(), 14u + 40 + 64 + 60 * 231) << "rows of 117 4-bit pixels padded to 60 bytes";

  const auto ico = EncodeIco4({SetupIcon(32), SetupIcon(16)});
  EXPECT_EQ(ico[4], 2) << "two images";
  EXPECT_EQ(ico[6], 32);
  EXPECT_EQ(ico[22], 16);
  const Picture icon = SetupIcon(32);
  EXPECT_TRUE(icon.transparent[0]) << "the corner is background";
  EXPECT_FALSE(icon.transparent[20 * 32 + 10]) << "the monitor is opaque";
}
