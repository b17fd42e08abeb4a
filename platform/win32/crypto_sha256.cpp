#include "platform/win32/crypto_sha256.h"

#include <windows.h>

#include <wincrypt.h>

#include "platform/win32/scoped_handle.h"

namespace dizi {

namespace {

// The headers declare it only for targets after XP SP2, where it first appeared;
// the program targets XP and asks the provider whether it has it.
constexpr ALG_ID kSha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256

struct CryptProviderTraits {
  using Type = HCRYPTPROV;
  static Type None() { return 0; }
  static void Close(Type provider) { ::CryptReleaseContext(provider, 0); }
};

struct CryptHashTraits {
  using Type = HCRYPTHASH;
  static Type None() { return 0; }
  static void Close(Type hash) { ::CryptDestroyHash(hash); }
};

using ScopedCryptProvider = UniqueHandle<CryptProviderTraits>;
using ScopedCryptHash = UniqueHandle<CryptHashTraits>;

class CryptoApiSha256 final : public Sha256Stream {
 public:
  CryptoApiSha256(ScopedCryptProvider provider, ScopedCryptHash hash)
      : provider_(std::move(provider)), hash_(std::move(hash)) {}

  void Add(std::string_view bytes) override {
    // Pieces are taken in parts a DWORD can count; a failure of the provider
    // (out of memory) is kept and leaves the digest unknown.
    constexpr std::size_t kLargestPart = 1u << 30;
    while (!failed_ && !bytes.empty()) {
      const std::string_view part = bytes.substr(0, kLargestPart);
      failed_ = !::CryptHashData(hash_.Get(), reinterpret_cast<const BYTE*>(part.data()),
                                 static_cast<DWORD>(part.size()), 0);
      bytes.remove_prefix(part.size());
    }
  }

  std::optional<Sha256Digest> Finish() override {
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (failed_ || !::CryptGetHashParam(hash_.Get(), HP_HASHVAL, digest.data(), &size, 0) ||
        size != digest.size()) {
      return std::nullopt;
    }
    return digest;
  }

 private:
  ScopedCryptProvider provider_;  // outlives the hash made from it
  ScopedCryptHash hash_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<Sha256Stream> OpenCryptoApiSha256() {
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return nullptr;
  }
  ScopedCryptProvider ownedProvider(provider);
  HCRYPTHASH hash = 0;
  if (!::CryptCreateHash(provider, kSha256Algorithm, 0, 0, &hash)) {
    return nullptr;
  }
  return std::make_unique<CryptoApiSha256>(std::move(ownedProvider), ScopedCryptHash(hash));
}

}  // namespace dizi
