#include "backup/ChunkInflater.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <iterator>

#include "backup/ArchiveFormat.h"

#if SETUP_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace archive {

namespace {

std::atomic<bool> g_fastPath{true};

// Deflate bits, least significant first, from a byte range.
class BitReader {
 public:
  BitReader(const std::uint8_t* begin, const std::uint8_t* end) : next_(begin), end_(end) {}

  // False once a read ran past the end.
  bool Ok() const { return ok_; }

  std::uint32_t Take(int count) {
    if (count == 0) return 0;
    if (held_ < count) {
      Refill();
      if (held_ < count) {
        ok_ = false;
        return 0;
      }
    }
    const auto value = static_cast<std::uint32_t>(bits_ & ((1u << count) - 1));
    bits_ >>= count;
    held_ -= count;
    return value;
  }
  // The next count bits (at most 32), zeros past the end.
  std::uint32_t Peek(int count) {
    if (held_ < 32) Refill();
    return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << count) - 1));
  }
  // At least 56 bits held, or all that is left.
  void Refill() {
    if (end_ - next_ >= 8) {
      std::uint64_t word = 0;
      for (int i = 7; i >= 0; --i) word = word << 8 | next_[i];
      bits_ |= word << held_;
      next_ += (63 - held_) >> 3;
      held_ |= 56;
      return;
    }
    while (held_ <= 56 && next_ != end_) {
      bits_ |= static_cast<std::uint64_t>(*next_++) << held_;
      held_ += 8;
    }
  }
  // Passes over count bits that Peek showed; false past the end.
  bool Drop(int count) {
    if (count > held_) return ok_ = false;
    bits_ >>= count;
    held_ -= count;
    return true;
  }
  // Drops the bits up to the next byte boundary, then passes over n bytes.
  void AlignAndSkip(std::size_t n) {
    // Whole bytes still held were read ahead: they come next.
    held_ -= held_ % 8;
    next_ -= held_ / 8;
    bits_ = 0;
    held_ = 0;
    if (static_cast<std::size_t>(end_ - next_) < n) {
      ok_ = false;
      return;
    }
    next_ += n;
  }
 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  int held_ = 0;
  bool ok_ = true;
};

// A canonical Huffman code, for walking a block without producing output:
// codewords of up to FastBits bits come from one table lookup, longer ones
// by counting through the lengths. Only complete codes are given to it.
template <int FastBits>
class WalkCode {
 public:
  static constexpr int kFastBits = FastBits;

  void Build(const std::uint8_t* lengths, int count) {
    int counts[16] = {};
    for (int s = 0; s < count; ++s) ++counts[lengths[s]];
    counts[0] = 0;
    int offsets[17] = {};
    for (int len = 1; len <= 15; ++len) offsets[len + 1] = offsets[len] + counts[len];
    for (int len = 0; len < 16; ++len) counts_[len] = static_cast<std::int16_t>(counts[len]);
    for (int s = 0; s < count; ++s) {
      if (lengths[s] != 0) symbols_[offsets[lengths[s]]++] = static_cast<std::int16_t>(s);
    }
    std::fill(std::begin(fast_), std::end(fast_), 0);
    std::uint32_t next[16] = {};
    for (int len = 1, code = 0; len <= 15; ++len) {
      code = (code + counts[len - 1]) << 1;
      next[len] = static_cast<std::uint32_t>(code);
    }
    for (int s = 0; s < count; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      const std::uint32_t code = next[len]++;
      if (len > kFastBits) continue;
      std::uint32_t reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1u) << (len - 1 - b);
      for (std::uint32_t at = reversed; at < (1u << kFastBits); at += 1u << len) {
        fast_[at] = static_cast<std::uint32_t>(s) | static_cast<std::uint32_t>(len) << 16;
      }
    }
  }

  // The next symbol, or -1 past the end of the data.
  int Decode(BitReader& bits) const {
    const std::uint32_t window = bits.Peek(15);
    const std::uint32_t entry = fast_[window & ((1u << kFastBits) - 1)];
    if (entry != 0) return bits.Drop(static_cast<int>(entry >> 16)) ? static_cast<int>(entry & 0xFFFF) : -1;
    // Longer codewords, one bit at a time in canonical order.
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= 15; ++len) {
      code |= static_cast<int>((window >> (len - 1)) & 1u);
      const int count = counts_[len];
      if (code - first < count) return bits.Drop(len) ? symbols_[index + code - first] : -1;
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

 private:
  std::uint32_t fast_[1u << kFastBits] = {};  // symbol | length << 16; 0: longer
  std::int16_t counts_[16] = {};
  std::int16_t symbols_[288] = {};
};

constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Reads a coded block's symbols up to its end, refusing the symbols that
// the format does not define (length symbols 286 and 287, distance symbols
// 30 and 31), which zlib refuses and the other decoder does not.
using BlockCode = WalkCode<10>;
// The code of the code lengths: at most 7 bits a codeword.
using LengthCode = WalkCode<7>;

bool WalkBlock(BitReader& bits, const BlockCode& litlen, const BlockCode& distance) {
  for (;;) {
    const int symbol = litlen.Decode(bits);
    if (symbol < 0 || symbol > 285) return false;
    if (symbol < 256) continue;
    if (symbol == 256) return true;
    bits.Take(kLengthExtra[symbol - 257]);
    const int d = distance.Decode(bits);
    if (d < 0 || d > 29) return false;
    bits.Take(kDistanceExtra[d]);
    if (!bits.Ok()) return false;
  }
}

struct FixedCodes {
  BlockCode litlen, distance;
  FixedCodes() {
    std::uint8_t lengths[288];
    for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    litlen.Build(lengths, 288);
    std::fill(std::begin(lengths), std::end(lengths), std::uint8_t{5});
    distance.Build(lengths, 32);
  }
};

// The share of the code space that codeword lengths fill, in units of
// 2^-maxLength: 1 << maxLength for a complete code.
std::uint32_t CodeSpace(const std::uint8_t* lengths, int count, int maxLength) {
  std::uint32_t used = 0;
  for (int i = 0; i < count; ++i) {
    if (lengths[i] != 0) used += 1u << (maxLength - lengths[i]);
  }
  return used;
}

// The code definitions of a block with its own codes, checked by zlib's
// rules and then for the cases in which the two decoders decode alike.
// Fills lengths with the literal/length code's litlenCount lengths, then
// the distance code's.
bool DynamicHeaderAgrees(BitReader& bits, std::uint8_t (&lengths)[286 + 30], int& litlenCount) {
  litlenCount = static_cast<int>(bits.Take(5)) + 257;
  const int distCount = static_cast<int>(bits.Take(5)) + 1;
  const int precodeCount = static_cast<int>(bits.Take(4)) + 4;
  if (!bits.Ok() || litlenCount > 286 || distCount > 30) return false;
  static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                              11, 4, 12, 3, 13, 2, 14, 1, 15};
  std::uint8_t precode[19] = {};
  for (int i = 0; i < precodeCount; ++i) precode[kOrder[i]] = static_cast<std::uint8_t>(bits.Take(3));
  // zlib takes only a complete code for the code lengths.
  if (!bits.Ok() || CodeSpace(precode, 19, 7) != 1u << 7) return false;
  LengthCode lengthCode;
  lengthCode.Build(precode, 19);

  std::fill(std::begin(lengths), std::end(lengths), std::uint8_t{0});
  const int total = litlenCount + distCount;
  for (int i = 0; i < total;) {
    const int symbol = lengthCode.Decode(bits);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    int repeat = 0;
    if (symbol == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + static_cast<int>(bits.Take(2));
    } else if (symbol == 17) {
      repeat = 3 + static_cast<int>(bits.Take(3));
    } else {
      repeat = 11 + static_cast<int>(bits.Take(7));
    }
    if (!bits.Ok() || i + repeat > total) return false;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[256] == 0) return false;
  // An incomplete literal/length code is one zlib reads with an invalid
  // codeword where the other decoder repeats the used one.
  if (CodeSpace(lengths, litlenCount, 15) != 1u << 15) return false;
  bool lengthSymbols = false;
  for (int s = 257; s < litlenCount; ++s) lengthSymbols |= lengths[s] != 0;
  // The distance code is read only after a length symbol.
  if (!lengthSymbols) {
    // Never read: given to the walk as a complete code of two symbols.
    std::fill(lengths + litlenCount, lengths + total, std::uint8_t{0});
    lengths[litlenCount] = lengths[litlenCount + 1] = 1;
    return true;
  }
  return CodeSpace(lengths + litlenCount, distCount, 15) == 1u << 15;
}

}  // namespace

bool FastPathAgrees(const std::uint8_t* stream, std::size_t size) {
  if (size < 2 + 4) return false;
  BitReader bits(stream + 2, stream + size);
  for (;;) {
    const bool last = bits.Take(1) != 0;
    const std::uint32_t type = bits.Take(2);
    if (!bits.Ok()) return false;
    if (type == 0) {
      bits.AlignAndSkip(0);
      const std::uint32_t length = bits.Take(16);
      const std::uint32_t complement = bits.Take(16);
      if (!bits.Ok() || length != (~complement & 0xFFFFu)) return false;
      bits.AlignAndSkip(length);
      if (!bits.Ok()) return false;
      if (last) return true;
      continue;
    }
    if (type == 3) return false;
    if (type == 1) {
      // The fixed codes hold length symbols 286 and 287: the block is read
      // to its end to see that it has none.
      static const FixedCodes fixed;
      if (!WalkBlock(bits, fixed.litlen, fixed.distance)) return false;
    } else {
      std::uint8_t lengths[286 + 30];
      int litlenCount = 0;
      if (!DynamicHeaderAgrees(bits, lengths, litlenCount)) return false;
      // The last block's codes decide; an earlier block is read to its end
      // to find the next block's header.
      if (last) return true;
      BlockCode litlen, distance;
      litlen.Build(lengths, litlenCount);
      distance.Build(lengths + litlenCount, 30);
      if (!WalkBlock(bits, litlen, distance)) return false;
    }
    if (last) return true;
  }
}

ChunkInflater::ChunkInflater(InflatePath path) : zs_(std::make_unique<z_stream_s>()) {
#if SETUP_HAVE_LIBDEFLATE
  if (path == InflatePath::Default && g_fastPath.load()) fast_.reset(libdeflate_alloc_decompressor());
#else
  (void)path;
#endif
}

ChunkInflater::~ChunkInflater() {
  if (ready_) inflateEnd(zs_.get());
}

void ChunkInflater::FastDeleter::operator()(libdeflate_decompressor* d) const {
#if SETUP_HAVE_LIBDEFLATE
  libdeflate_free_decompressor(d);
#else
  (void)d;
#endif
}

bool ChunkInflater::FastPathBuiltIn() { return SETUP_HAVE_LIBDEFLATE != 0; }

void ChunkInflater::EnableFastPath(bool on) { g_fastPath.store(on); }

InflateResult ChunkInflater::Inflate(const std::uint8_t* input, std::size_t size,
                                     std::uint8_t* output) {
#if SETUP_HAVE_LIBDEFLATE
  if (fast_ && FastPathAgrees(input, size)) {
    std::size_t produced = 0;
    if (libdeflate_zlib_decompress(fast_.get(), input, size, output, kChunkSize, &produced) ==
        LIBDEFLATE_SUCCESS) {
      return {produced, false};
    }
  }
#endif
  return InflateWithZlib(input, size, output);
}

InflateResult ChunkInflater::InflateWithZlib(const std::uint8_t* input, std::size_t size,
                                             std::uint8_t* output) {
  InflateResult result;
  z_stream& zs = *zs_;
  if (!ready_) {
    zs = z_stream{};
    if (inflateInit(&zs) < 0) {
      result.failed = true;
      return result;
    }
    ready_ = true;
  } else if (inflateReset(&zs) < 0) {
    result.failed = true;
    return result;
  }
  zs.next_in = const_cast<Bytef*>(input);
  zs.avail_in = static_cast<uInt>(size);
  zs.next_out = output;
  zs.avail_out = static_cast<uInt>(kChunkSize);
  int status = inflate(&zs, Z_NO_FLUSH);
  result.produced = static_cast<std::size_t>(kChunkSize) - zs.avail_out;
  if (status == Z_OK && zs.avail_out == 0) {
    // The buffer is full but the stream has not ended: one more byte tells a
    // chunk that inflates beyond the buffer from one whose trailer is still
    // to be read.
    std::uint8_t probe;
    zs.next_out = &probe;
    zs.avail_out = 1;
    status = inflate(&zs, Z_NO_FLUSH);
    if (zs.avail_out == 0) {
      result.failed = true;
      return result;
    }
  }
  // Every chunk is one whole zlib stream. A negative status is a damaged
  // stream; a stream that has not ended after its whole input was cut short,
  // and one asking for a preset dictionary cannot be read: passing over
  // either in silence would leave a shorter file reported as restored.
  if (status != Z_STREAM_END) result.failed = true;
  return result;
}

}  // namespace archive
