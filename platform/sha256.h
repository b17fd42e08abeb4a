// SHA-256 (FIPS 180-4) in plain C++: the digest every part of the program
// compares and records files by. The Win32 platform hands out the system's own
// implementation where Windows has one and this one where it does not; both
// give the same digest.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dizi {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest as 64 lower-case hexadecimal digits.
std::string HexDigest(const Sha256Digest& digest);

// A digest being computed over bytes given in any number of pieces.
class Sha256Stream {
 public:
  virtual ~Sha256Stream() = default;
  // Adds the next bytes of the message.
  virtual void Add(std::string_view bytes) = 0;
  // The digest of everything added, or nothing when the implementation failed
  // on the way. Called once; no bytes may follow.
  virtual std::optional<Sha256Digest> Finish() = 0;
};

class PortableSha256 final : public Sha256Stream {
 public:
  PortableSha256();
  void Add(std::string_view bytes) override;
  // Never fails.
  std::optional<Sha256Digest> Finish() override;

 private:
  void Compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t messageBytes_ = 0;
};

// The digest of `bytes` in one call, computed by PortableSha256.
Sha256Digest PortableSha256Of(std::string_view bytes);

}  // namespace dizi
