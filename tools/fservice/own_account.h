// The account fservice.exe runs as, by its SID: the name of its own hive under
// HKEY_USERS.
#pragma once

#include <windows.h>

#include "fservice/wide_text.h"

namespace dizi::tools {

class OwnAccount {
 public:
  // Asks Windows for the SID of the process's user; false, with the error in
  // `error`, when it does not say.
  bool Find(DWORD& error);
  WideView Sid() const { return {sid_, length_}; }

 private:
  // "S-1-" and 15 numbers of at most 10 digits, and room to spare.
  static constexpr std::size_t kLongestSid = 255;

  wchar_t sid_[kLongestSid + 1] = {};
  std::size_t length_ = 0;
};

}  // namespace dizi::tools
