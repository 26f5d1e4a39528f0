// The installer's pictures, drawn in code on the 16-colour palette: the
// 32 x 32 icon (application icon and the boot and licence windows' image)
// and the 117 x 231 side picture of the wizard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

// Indexes into the standard 16-colour palette.
enum Colour : std::uint8_t {
  kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
  kGrey, kRed, kLime, kYellow, kBlue, kFuchsia, kAqua, kWhite,
};

// A picture of palette indexes, row 0 at the top. Pixels marked transparent
// (icons only) are left out of the icon's image through its mask.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;      // width * height palette indexes
  std::vector<std::uint8_t> transparent; // width * height flags (icons)
  std::uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// 117 x 231 at 100 %; at 150 and 200 % the same design with every length
// scaled (176 x 347, 234 x 462).
Picture SidePicture(int percent = 100);
Picture SetupIcon(int size);  // size x size, transparent background

// File images: a 4-bit BMP, and an ICO holding the given pictures.
std::vector<std::uint8_t> EncodeBmp4(const Picture& picture);
std::vector<std::uint8_t> EncodeIco4(const std::vector<Picture>& pictures);

}  // namespace artwork
