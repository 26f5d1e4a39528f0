#include "tools/artwork/Artwork.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/Bmp.h"

namespace artwork {

namespace {

// 4 x 4 ordered-dither thresholds 0..15.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

class Canvas {
 public:
  Canvas(int width, int height, std::uint8_t fill) {
    p_.width = width;
    p_.height = height;
    p_.pixels.assign(static_cast<std::size_t>(width * height), fill);
    p_.transparent.assign(static_cast<std::size_t>(width * height), 0);
  }
  void Set(int x, int y, std::uint8_t c) {
    if (x < 0 || y < 0 || x >= p_.width || y >= p_.height) return;
    p_.At(x, y) = c;
    p_.transparent[static_cast<std::size_t>(y * p_.width + x)] = 0;
  }
  void Clear(int x, int y) {
    if (x < 0 || y < 0 || x >= p_.width || y >= p_.height) return;
    p_.At(x, y) = kBlack;
    p_.transparent[static_cast<std::size_t>(y * p_.width + x)] = 1;
  }
  // Right and bottom edges outside.
  void Fill(int l, int t, int r, int b, std::uint8_t c) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) Set(x, y, c);
  }
  void Frame(int l, int t, int r, int b, std::uint8_t c) {
    Line(l, t, r - pen_, t, c);
    Line(l, b - pen_, r - pen_, b - pen_, c);
    Line(l, t, l, b - pen_, c);
    Line(r - pen_, t, r - pen_, b - pen_, c);
  }
  // Lines (and frames and outlines) are pen pixels wide, growing to the
  // right and down.
  void SetPen(int width) { pen_ = width; }
  int Pen() const { return pen_; }
  void Dot(int x, int y, std::uint8_t c) { Fill(x, y, x + pen_, y + pen_, c); }
  void Line(int x0, int y0, int x1, int y1, std::uint8_t c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Dot(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }
  // A convex polygon, filled by scanlines through its edges.
  void Polygon(const std::vector<std::pair<int, int>>& pts, std::uint8_t fill, int outline = -1) {
    int top = pts[0].second, bottom = top;
    for (auto [x, y] : pts) { top = std::min(top, y); bottom = std::max(bottom, y); }
    for (int y = top; y <= bottom; ++y) {
      double lo = 1e9, hi = -1e9;
      for (std::size_t i = 0; i < pts.size(); ++i) {
        auto [ax, ay] = pts[i];
        auto [bx, by] = pts[(i + 1) % pts.size()];
        if ((y < std::min(ay, by)) || (y > std::max(ay, by))) continue;
        if (ay == by) { lo = std::min<double>(lo, std::min(ax, bx)); hi = std::max<double>(hi, std::max(ax, bx)); continue; }
        const double x = ax + (bx - ax) * double(y - ay) / double(by - ay);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
      }
      for (int x = int(std::lround(lo)); x <= int(std::lround(hi)); ++x) Set(x, y, fill);
    }
    if (outline >= 0) {
      for (std::size_t i = 0; i < pts.size(); ++i) {
        auto [ax, ay] = pts[i];
        auto [bx, by] = pts[(i + 1) % pts.size()];
        Line(ax, ay, bx, by, static_cast<std::uint8_t>(outline));
      }
    }
  }
  // Mixes colours a and b in proportion t (0..1) by ordered dithering.
  void Dither(int x, int y, std::uint8_t a, std::uint8_t b, double t) {
    const int level = static_cast<int>(t * 16.0);
    Set(x, y, kBayer[y & 3][x & 3] < level ? b : a);
  }
  Picture Take() { return std::move(p_); }

 private:
  Picture p_;
  int pen_ = 1;
};

// A shipping carton seen from above at an angle: front, side and top faces.
void DrawBox(Canvas& c, int x, int y, int w, int h, int depth) {
  c.Polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, kYellow, kBlack);
  c.Polygon({{x + w, y}, {x + w + depth, y - depth}, {x + w + depth, y + h - depth}, {x + w, y + h}},
            kOlive, kBlack);
  c.Polygon({{x, y}, {x + depth, y - depth}, {x + w + depth, y - depth}, {x + w, y}}, kWhite, kBlack);
  // Tape across the lid and down the front.
  const int u = c.Pen(), mid = x + w / 2;
  c.Line(mid, y - u, mid + depth - u, y - depth, kOlive);
  c.Line(mid + u, y - u, mid + depth, y - depth, kOlive);
  c.Fill(mid, y + u, mid + 2 * u, y + h / 3, kOlive);
}

// The details are u = the pen's width pixels (u = 1 at 100 %).
void DrawMonitor(Canvas& c, int l, int t, int r, int b) {
  const int u = c.Pen();
  c.Fill(l + 2 * u, t + 2 * u, r + 2 * u, b + 2 * u, kBlack);  // shadow
  c.Fill(l, t, r, b, kSilver);
  c.Frame(l, t, r, b, kBlack);
  c.Line(l + u, t + u, r - 2 * u, t + u, kWhite);
  c.Line(l + u, t + u, l + u, b - 2 * u, kWhite);
  c.Line(l + u, b - 2 * u, r - 2 * u, b - 2 * u, kGrey);
  c.Line(r - 2 * u, t + u, r - 2 * u, b - 2 * u, kGrey);
  const int m = std::max(3 * u, (r - l) / 10);
  const int sl = l + m, st = t + m, sr = r - m, sb = b - m - (b - t) / 8;
  c.Fill(sl, st, sr, sb, kBlue);
  c.Frame(sl - u, st - u, sr + u, sb + u, kGrey);
  // Lines of text on the screen, one shorter than the others.
  for (int y = st + 3 * u, n = 0; y + u < sb - 2 * u; y += 4 * u, ++n) {
    const int len = (sr - sl - 6 * u) * ((n % 3 == 2) ? 2 : 3) / 3;
    c.Fill(sl + 3 * u, y, sl + 3 * u + len, y + u * (1 + ((r - l) > 40 * u ? 1 : 0)), kAqua);
  }
  // Power light.
  c.Dot(r - m - u, b - m / 2 - 2 * u, kLime);
}

void DrawArrow(Canvas& c, int cx, int top, int bottom, int half) {
  const int u = c.Pen(), head = half + 2 * u;
  c.Fill(cx - half / 2, top, cx + half / 2 + u, bottom - head, kLime);
  c.Polygon({{cx - head, bottom - head}, {cx + head, bottom - head}, {cx, bottom}}, kLime, kGreen);
  c.Line(cx - half / 2 - u, top, cx - half / 2 - u, bottom - head, kGreen);
  c.Line(cx + half / 2 + u, top, cx + half / 2 + u, bottom - head, kGreen);
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bmp::InfoHeader Header4(const Picture& p) {
  bmp::InfoHeader header;
  header.width = p.width;
  header.height = p.height;
  header.bitCount = 4;
  header.palette = bmp::kStandard16Colors;  // in the order of Colour
  return header;
}

// An icon's image: info header (of twice the height), palette, the 4-bit
// rows and the 1-bit mask of the transparent pixels, both bottom-up.
std::vector<std::uint8_t> IconDib4(const Picture& p) {
  bmp::InfoHeader header = Header4(p);
  header.height = p.height * 2;
  std::vector<std::uint8_t> out;
  bmp::AppendInfoHeader(out, header);
  const auto rows = bmp::PackIndexedRows(p.width, p.height, 4, p.pixels);
  const auto mask = bmp::PackIndexedRows(p.width, p.height, 1, p.transparent);
  out.insert(out.end(), rows.begin(), rows.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace

Picture SidePicture(int percent) {
  // Every length of the 100 % design, scaled and rounded once; lines and
  // details are as many pixels wide as one design pixel becomes.
  const auto S = [percent](int v) { return static_cast<int>(std::lround(v * percent / 100.0)); };
  const int W = S(117), H = S(231);
  Canvas c(W, H, kNavy);
  c.SetPen(S(1));
  // Night sky fading from navy into teal towards the horizon.
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) c.Dither(x, y, kNavy, kTeal, std::min(1.0, y / double(H - S(40))));
  }
  // A few stars in the upper sky, placed by a fixed pattern.
  for (int i = 0; i < 18; ++i) {
    const int x = (i * 53 + 17) % 117, y = (i * 29 + 7) % 70;
    c.Dot(S(x), S(y), i % 4 == 0 ? kWhite : kSilver);
  }
  DrawBox(c, S(30), S(44), S(46), S(36), S(14));
  DrawArrow(c, S(58), S(92), S(124), S(6));
  DrawMonitor(c, S(17), S(130), S(101), S(190));
  // Stand and foot.
  c.Polygon({{S(50), S(191)}, {S(68), S(191)}, {S(72), S(199)}, {S(46), S(199)}}, kGrey, kBlack);
  c.Fill(S(30), S(199), S(89), S(206), kSilver);
  c.Frame(S(30), S(199), S(89), S(206), kBlack);
  c.Line(S(31), S(200), S(87), S(200), kWhite);
  // Ground line.
  for (int y = S(214); y < S(215); ++y) {
    for (int x = 0; x < W; ++x) c.Dither(x, y, kTeal, kAqua, 0.5);
  }
  return c.Take();
}

Picture SetupIcon(int size) {
  Canvas c(size, size, kBlack);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) c.Clear(x, y);
  const double s = size / 32.0;
  auto S = [s](int v) { return static_cast<int>(std::lround(v * s)); };
  c.SetPen(std::max(1, S(1)));
  DrawMonitor(c, S(1), S(12), S(22), S(28));
  c.Fill(S(8), S(28), S(16), S(30), kGrey);
  c.Frame(S(5), S(29), S(19), S(31) + (size < 32 ? 1 : 0), kBlack);
  DrawBox(c, S(17), S(6), S(10), S(8), S(4));
  if (size >= 32) DrawArrow(c, S(14), S(2), S(11), S(2));
  return c.Take();
}

std::vector<std::uint8_t> EncodeBmp4(const Picture& picture) {
  return bmp::EncodeFile(Header4(picture), bmp::PackIndexedRows(picture.width, picture.height, 4, picture.pixels));
}

std::vector<std::uint8_t> EncodeIco4(const std::vector<Picture>& pictures) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(pictures.size()));
  std::vector<std::vector<std::uint8_t>> images;
  for (const auto& p : pictures) images.push_back(IconDib4(p));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(pictures[i].width));
    out.push_back(static_cast<std::uint8_t>(pictures[i].height));
    out.push_back(16);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, static_cast<std::uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& img : images) out.insert(out.end(), img.begin(), img.end());
  return out;
}

}  // namespace artwork
