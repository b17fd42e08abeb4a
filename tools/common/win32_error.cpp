#include "common/win32_error.h"

#include <stdio.h>

namespace dizi::tools {

namespace {

bool IsTrailingNoise(char c) {
  return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

}  // namespace

ErrorText DescribeError(DWORD code) {
  char message[200];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, message, sizeof message, nullptr);
  // System messages end with a line break, and a few span several lines.
  for (DWORD i = 0; i < length; ++i) {
    if (message[i] == '\r' || message[i] == '\n') {
      message[i] = ' ';
    }
  }
  while (length > 0 && IsTrailingNoise(message[length - 1])) {
    --length;
  }
  message[length] = '\0';

  ErrorText result;
  if (length == 0) {
    snprintf(result.text, sizeof result.text, "error %lu", code);
  } else {
    snprintf(result.text, sizeof result.text, "%s (error %lu)", message, code);
  }
  return result;
}

}  // namespace dizi::tools
