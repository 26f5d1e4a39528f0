// artgen OUTDIR: writes setup.ico and side.bmp, the installer's pictures.
#include <cstdio>
#include <string>

#include "tools/artwork/Artwork.h"

namespace {

bool Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "artgen: cannot create %s\n", path.c_str());
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: artgen OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  using namespace artwork;
  const bool ok = Save(dir + "setup.ico", EncodeIco4({SetupIcon(32), SetupIcon(16), SetupIcon(48), SetupIcon(64)})) &&
                  Save(dir + "side.bmp", EncodeBmp4(SidePicture()));
  return ok ? 0 : 1;
}
