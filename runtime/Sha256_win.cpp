#include <windows.h>
#include <wincrypt.h>

#include <cpuid.h>
#include <immintrin.h>

#include <cstring>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "runtime/Sha256.h"

namespace {

// CALG_SHA_256, which the headers declare only for targets newer than XP:
// the algorithm arrived with XP's Service Pack 3.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256

class Provider {
 public:
  explicit Provider(const std::string& path) {
    // PROV_RSA_AES carries SHA-256 from Windows XP SP3 on.
    if (!CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
      throw Exception("Cannot hash \"" + ExpandFileName(path) + "\": the system offers no SHA-256. " + LastErrorText());
    }
  }
  ~Provider() { CryptReleaseContext(handle_, 0); }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV Get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class Hash {
 public:
  Hash(const Provider& provider, const std::string& path) {
    if (!CryptCreateHash(provider.Get(), kSha256, 0, 0, &handle_)) {
      throw Exception("Cannot hash \"" + ExpandFileName(path) + "\": the system offers no SHA-256. " + LastErrorText());
    }
  }
  ~Hash() { CryptDestroyHash(handle_); }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH Get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};

// The processor's SHA extensions (with SSSE3 and SSE4.1 for the byte order
// and the state's shuffles); most processors since 2017 have them. Where
// they are, a file is hashed several times faster than by CryptoAPI on
// systems whose own code does not use them.
bool HasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1)) return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA);
}

alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// Runs the compression over blocks of 64 bytes. The instructions keep the
// state as ABEF and CDGH; each takes two rounds.
__attribute__((target("sha,sse4.1"))) void CompressBlocks(std::uint32_t state[8], const std::uint8_t* data,
                                                          std::size_t blocks) {
  const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xb1);
  __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1b);
  __m128i abef = _mm_alignr_epi8(dcba, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, dcba, 0xf0);
  for (; blocks != 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    // The message schedule, four words at a time: w[i % 4] holds words
    // 4i to 4i + 3.
    __m128i w[4];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      if (i < 4) {
        w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), bigEndian);
      } else {
        const __m128i sum = _mm_add_epi32(_mm_sha256msg1_epu32(w[i % 4], w[(i + 1) % 4]),
                                          _mm_alignr_epi8(w[(i + 3) % 4], w[(i + 2) % 4], 4));
        w[i % 4] = _mm_sha256msg2_epu32(sum, w[(i + 3) % 4]);
      }
      __m128i message = _mm_add_epi32(w[i % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(&kRound[4 * i])));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0e);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1b);
  cdgh = _mm_shuffle_epi32(cdgh, 0xb1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, cdgh, 0xf0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(cdgh, feba, 8));
}

// A whole file through the SHA extensions, read in pieces of 64 KiB.
Sha256Digest DigestWithShaExtensions(TFileStream& in) {
  std::uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  const std::int64_t size = in.Size();
  std::vector<std::uint8_t> buffer(1 << 16);
  std::int64_t left = size;
  std::size_t tail = 0;
  while (left > 0) {
    const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
    in.ReadBuffer(buffer.data(), piece);
    left -= static_cast<std::int64_t>(piece);
    CompressBlocks(state, buffer.data(), piece / 64);
    tail = piece % 64;  // only the last piece can end inside a block
    if (tail != 0) std::memmove(buffer.data(), buffer.data() + piece - tail, tail);
  }
  // The padding: 0x80, zeros, and the length in bits, big-endian, ending a
  // block.
  std::uint8_t last[128] = {};
  std::memcpy(last, buffer.data(), tail);
  last[tail] = 0x80;
  const std::size_t padded = tail < 56 ? 64 : 128;
  const std::uint64_t bits = static_cast<std::uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) last[padded - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
  CompressBlocks(state, last, padded / 64);
  Sha256Digest digest;
  for (int i = 0; i < 32; ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

}  // namespace

bool Sha256HasOwnCode() {
  static const bool has = HasShaExtensions();
  return has;
}

Sha256Digest Sha256DigestOfFile(const std::string& path, Sha256Code code) {
  TFileStream in(path, FileMode::OpenRead);
  return Sha256DigestOf(in, code);
}

Sha256Digest Sha256DigestOf(TFileStream& in, Sha256Code code) {
  const std::string& path = in.FileName();
  in.Seek(0, SeekOrigin::Beginning);
  if (code == Sha256Code::Fastest && Sha256HasOwnCode()) return DigestWithShaExtensions(in);
  const Provider provider(path);
  const Hash hash(provider, path);
  std::vector<std::uint8_t> buffer(1 << 16);
  for (std::int64_t left = in.Size(); left > 0;) {
    const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
    in.ReadBuffer(buffer.data(), piece);
    if (!CryptHashData(hash.Get(), buffer.data(), static_cast<DWORD>(piece), 0)) {
      throw Exception("Cannot hash \"" + ExpandFileName(path) + "\". " + LastErrorText());
    }
    left -= static_cast<std::int64_t>(piece);
  }
  Sha256Digest digest;
  DWORD size = digest.size();
  if (!CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size()) {
    throw Exception("Cannot hash \"" + ExpandFileName(path) + "\". " + LastErrorText());
  }
  return digest;
}
