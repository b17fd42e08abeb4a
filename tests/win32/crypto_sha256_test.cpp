// The system's SHA-256 (CryptoAPI) on a real system: it must be there on every
// system the tests run on, and give the same digest as the program's own.
#include <string>

#include "check.h"
#include "platform/win32/crypto_sha256.h"
#include "platform/win32/win32_platform.h"

namespace dizi {
namespace {

std::string HexOf(Sha256Stream& stream) {
  const std::optional<Sha256Digest> digest = stream.Finish();
  return digest ? HexDigest(*digest) : "<no digest>";
}

TEST_CASE(TheSystemsSha256GivesTheStandardDigests) {
  const auto empty = OpenCryptoApiSha256();
  CHECK(empty != nullptr);
  if (!empty) {
    return;
  }
  CHECK_EQ(HexOf(*empty),
           std::string("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));

  const auto abc = OpenCryptoApiSha256();
  abc->Add("a");
  abc->Add("bc");
  CHECK_EQ(HexOf(*abc),
           std::string("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST_CASE(TheSystemsAndTheProgramsSha256Agree) {
  // Every length across two blocks' padding boundaries, and a larger message.
  std::string message;
  for (std::size_t size = 0; size <= 130; ++size) {
    message.assign(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
      message[i] = static_cast<char>(i * 31 + size);
    }
    const auto system = OpenCryptoApiSha256();
    CHECK(system != nullptr);
    if (!system) {
      return;
    }
    system->Add(message);
    CHECK_EQ(HexOf(*system), HexDigest(PortableSha256Of(message)));
  }
  Win32Platform platform;
  const auto stream = platform.NewSha256();
  const std::string large(3 * 1024 * 1024 + 17, 'x');
  stream->Add(large);
  CHECK_EQ(HexOf(*stream), HexDigest(PortableSha256Of(large)));
}

}  // namespace
}  // namespace dizi
