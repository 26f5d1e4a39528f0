#include "app/Pictures.h"

#include "tools/artwork/Artwork.h"

int LoadSidePicture(TPicture& picture, int ppi) {
  const int density = NearestPictureDensity(ppi);
  if (density == kDesignPixelsPerInch) {
    picture.Bitmap().LoadFromResourceName(Application->Instance(), "SIDEPICTURE");
  } else {
    const std::vector<std::uint8_t> bmp = artwork::EncodeBmp4(artwork::SidePicture(density * 100 / 96));
    picture.Bitmap().LoadFromBmpData(bmp.data(), bmp.size());
  }
  return density;
}

int LoadSetupIcon(TPicture& picture, int ppi) {
  const int density = NearestPictureDensity(ppi);
  picture.Icon().LoadFromResourceName(Application->Instance(), "SETUPICON", 32 * density / 96);
  return density;
}
