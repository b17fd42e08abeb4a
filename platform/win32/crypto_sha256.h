// SHA-256 by the system's CryptoAPI.
#pragma once

#include <memory>

#include "platform/sha256.h"

namespace dizi {

// A digest computed by the system's AES provider (Windows XP SP3 and later);
// null where the system offers no SHA-256.
std::unique_ptr<Sha256Stream> OpenCryptoApiSha256();

}  // namespace dizi
