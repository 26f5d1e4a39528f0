#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "runtime/Exceptions.h"
#include "runtime/ZLibStream.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

namespace {

// A source that records the size of every read asked of it.
class RecordingStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  std::size_t Read(void* buffer, std::size_t count) override {
    asked.push_back(count);
    return TMemoryStream::Read(buffer, count);
  }
  std::vector<std::size_t> asked;
};

Bytes Noise(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

// Everything the decompression stream yields, read 1024 bytes at a time.
Bytes Inflate(const Bytes& packed) {
  TMemoryStream source(packed);
  TDecompressionStream z(source);
  Bytes out;
  std::uint8_t piece[1024];
  for (std::size_t n; (n = z.Read(piece, sizeof piece)) != 0;) out.insert(out.end(), piece, piece + n);
  EXPECT_EQ(z.Read(piece, sizeof piece), 0u) << "reads after the end give 0";
  return out;
}

}  // namespace

TEST(DecompressionStream, YieldsTheWholeStream) {
  const Bytes data = Noise(200000, 1);
  EXPECT_EQ(Inflate(Zlib(data)), data);
  EXPECT_EQ(Inflate(Zlib(std::string(100000, 'a'))), ToBytes(std::string(100000, 'a')));
  EXPECT_TRUE(Inflate({}).empty()) << "an empty source is no error";
}

TEST(DecompressionStream, ACutStreamYieldsItsPrefixWithoutError) {
  const Bytes data = ToBytes(std::string(5000, 'x') + "tail");
  const Bytes packed = Zlib(Noise(3000, 2));
  for (std::size_t cut : {std::size_t{2}, std::size_t{10}, packed.size() / 2, packed.size() - 4,
                          packed.size() - 1}) {
    SCOPED_TRACE(cut);
    const Bytes got = Inflate(Bytes(packed.begin(), packed.begin() + static_cast<long>(cut)));
    const Bytes whole = Noise(3000, 2);
    ASSERT_LE(got.size(), whole.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), whole.begin()));
    if (cut >= packed.size() - 4) {
      EXPECT_EQ(got, whole) << "a missing checksum is not tested";
    }
  }
}

TEST(DecompressionStream, RejectsWhatIsNotOneZlibStream) {
  const Bytes text = ToBytes("[Setup]\r\nApp101=Demo\r\n");
  const Bytes badChecksum = Damage(Zlib(text), -1);
  const Bytes badHeaderCheck = Damage(Zlib(text), 1);
  Bytes presetDictionary = {0x78, 0xBB, 0, 0, 0, 1};  // FDICT set, 0x78BB % 31 == 0
  Bytes wideWindow = Zlib(text);
  wideWindow[0] = 0x88;  // window bits 16
  wideWindow[1] = static_cast<std::uint8_t>(31 - (0x8800 % 31));
  const Bytes damaged = Damage(Zlib(Noise(5000, 3), 1), 2, 0xFF);
  const Bytes gzip = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes packed = Zlib(text);
  const Bytes rawDeflate(packed.begin() + 2, packed.end() - 4);
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"plain text", text},           {"gzip", gzip},
      {"raw deflate", rawDeflate},    {"bad checksum", badChecksum},
      {"bad header check", badHeaderCheck}, {"preset dictionary", presetDictionary},
      {"window too large", wideWindow}, {"damaged data", damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Inflate(c.bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EZlibError& e) {
      EXPECT_EQ(e.Message(), "Error");
    }
  }
}

TEST(DecompressionStream, BytesAfterTheStreamAreIgnoredAndNeverHang) {
  const Bytes text = ToBytes("[Setup]\r\nApp101=Demo\r\n");
  for (const Bytes& tail : {ToBytes("x"), Noise(70000, 4), Zlib(text)}) {
    Bytes packed = Zlib(text);
    packed.insert(packed.end(), tail.begin(), tail.end());
    EXPECT_EQ(Inflate(packed), text);
  }
}

TEST(DecompressionStream, RefillsInPiecesOf64KiBAndReportsEachRefill) {
  const Bytes data = Noise(300000, 5);  // noise does not compress: several refills
  const Bytes packed = Zlib(data, 0);
  RecordingStream source(packed);
  TDecompressionStream z(source);
  int progress = 0;
  z.OnProgress = [&](TDecompressionStream&) { ++progress; };
  Bytes out(data.size() + 10);
  EXPECT_EQ(z.Read(out.data(), out.size()), data.size());
  out.resize(data.size());
  EXPECT_EQ(out, data);
  for (std::size_t asked : source.asked) EXPECT_EQ(asked, 65536u);
  const int refills = static_cast<int>((packed.size() + 65535) / 65536);
  EXPECT_EQ(progress, refills);
  EXPECT_GE(source.asked.size(), static_cast<std::size_t>(refills));
}
