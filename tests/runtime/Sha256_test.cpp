#include <gtest/gtest.h>

#include "runtime/Sha256.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

// The published test messages, and lengths around the ends of a block, of
// the padding's room and of the 64 KiB pieces a file is read in: the
// processor's instructions (where this build uses them) give what the
// system's library gives.
TEST(Sha256, FilesHashAsTheStandardAndTheSystemSay) {
  const struct {
    std::string message;
    const char* digest;
  } known[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  TempDir dir;
  const std::string file = dir / "data";
  for (const auto& k : known) {
    SCOPED_TRACE(k.message.size());
    WriteFile(file, k.message);
    EXPECT_EQ(Sha256Hex(Sha256DigestOfFile(file)), k.digest);
    EXPECT_EQ(Sha256Hex(Sha256DigestOfFile(file, Sha256Code::System)), k.digest);
  }
  if (!Sha256HasOwnCode()) return;
  std::uint32_t seed = 12345;
  for (const std::size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 65535u, 65536u, 65537u,
                                 3u * 65536u + 57u}) {
    SCOPED_TRACE(size);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    WriteFile(file, bytes);
    EXPECT_EQ(Sha256Hex(Sha256DigestOfFile(file)), Sha256Hex(Sha256DigestOfFile(file, Sha256Code::System)));
  }
}
