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
  EXPECT_EQ(Slurp(SETUP_RES_DIR "/setup.ico"),
            EncodeIco4({SetupIcon(32), SetupIcon(16), SetupIcon(48), SetupIcon(64)}));
}

TEST(Artwork, PicturesHaveTheirSizesAndSixteenColours) {
  using namespace artwork;
  // The side picture at 100, 150 and 200 %: 117 x 231 scaled, rounded as
  // the windows' layout is.
  const struct {
    int percent;
    std::uint32_t width, height, rowBytes;
  } sides[] = {{100, 117, 231, 60}, {150, 176, 347, 88}, {200, 234, 462, 120}};
  for (const auto& side : sides) {
    SCOPED_TRACE(side.percent);
    const auto bmp = EncodeBmp4(SidePicture(side.percent));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(Le32(bmp, 18), side.width);
    EXPECT_EQ(Le32(bmp, 22), side.height);
    EXPECT_EQ(bmp[28], 4) << "bits per pixel";
    EXPECT_EQ(bmp.size(), 14u + 40 + 64 + side.rowBytes * side.height) << "4-bit rows padded to 4 bytes";
  }

  const auto ico = EncodeIco4({SetupIcon(32), SetupIcon(16)});
  EXPECT_EQ(ico[4], 2) << "two images";
  EXPECT_EQ(ico[6], 32);
  EXPECT_EQ(ico[22], 16);
  const Picture icon = SetupIcon(32);
  EXPECT_TRUE(icon.transparent[0]) << "the corner is background";
  EXPECT_FALSE(icon.transparent[20 * 32 + 10]) << "the monitor is opaque";
}
