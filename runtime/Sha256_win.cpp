#include <windows.h>
#include <wincrypt.h>

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

}  // namespace

Sha256Digest Sha256DigestOfFile(const std::string& path) {
  TFileStream in(path, FileMode::OpenRead);
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
