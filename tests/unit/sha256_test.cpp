// The program's own SHA-256 against the standard's test messages, and against
// digests computed elsewhere for messages that end on each side of the
// padding's block boundaries.
#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace dizi {
namespace {

// Bytes (7 i + 3) mod 256 for i = 0 .. size - 1: no two neighbours equal, so
// a byte dropped or doubled anywhere changes the digest.
std::string Patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + 3) & 0xff);
  }
  return bytes;
}

TEST(Sha256, StandardTestMessages) {
  EXPECT_EQ(HexDigest(PortableSha256Of("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(HexDigest(PortableSha256Of("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(HexDigest(PortableSha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(HexDigest(PortableSha256Of(
                "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
                "klmnopqrlmnopqrsmnopqrstnopqrstu")),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
  EXPECT_EQ(HexDigest(PortableSha256Of(std::string(1000000, 'a'))),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, MessagesAroundThePaddingBoundaries) {
  const struct {
    std::size_t size;
    const char* digest;
  } cases[] = {
      {55, "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
      {56, "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
      {63, "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
      {64, "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
      {119, "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
      {120, "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
      {1000, "1e9bc38cbf860b9ec31918b065f9b52476c549a782e0e7990bed8ce3868d2371"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexDigest(PortableSha256Of(Patterned(c.size))), c.digest) << c.size << " bytes";
  }
}

TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
  const std::string message = Patterned(1000);
  const Sha256Digest whole = PortableSha256Of(message);
  for (std::size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 127u, 999u}) {
    PortableSha256 stream;
    for (std::size_t at = 0; at < message.size(); at += piece) {
      stream.Add(std::string_view(message).substr(at, piece));
    }
    stream.Add({});
    EXPECT_EQ(stream.Finish(), std::optional(whole)) << "pieces of " << piece;
  }
}

}  // namespace
}  // namespace dizi
