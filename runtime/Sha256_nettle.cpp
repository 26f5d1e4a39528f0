#include <nettle/sha2.h>

#include <vector>

#include "runtime/Streams.h"
#include "runtime/Sha256.h"

// nettle picks the processor's SHA instructions itself where it has them.
bool Sha256HasOwnCode() { return false; }

Sha256Digest Sha256DigestOfFile(const std::string& path, Sha256Code code) {
  TFileStream in(path, FileMode::OpenRead);
  return Sha256DigestOf(in, code);
}

Sha256Digest Sha256DigestOf(TFileStream& in, Sha256Code) {
  in.Seek(0, SeekOrigin::Beginning);
  sha256_ctx context;
  sha256_init(&context);
  std::vector<std::uint8_t> buffer(1 << 16);
  for (std::int64_t left = in.Size(); left > 0;) {
    const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
    in.ReadBuffer(buffer.data(), piece);
    sha256_update(&context, piece, buffer.data());
    left -= static_cast<std::int64_t>(piece);
  }
  static_assert(SHA256_DIGEST_SIZE == std::tuple_size_v<Sha256Digest>);
  Sha256Digest digest;
  sha256_digest(&context, digest.size(), digest.data());
  return digest;
}
