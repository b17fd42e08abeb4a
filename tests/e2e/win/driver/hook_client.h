// The driver's side of the hook protocol (see common/query_protocol.h).
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "common/test_only_handles.h"

namespace e2e {

class HookClient {
 public:
  // Loads the hook DLL from the driver's own folder and makes the window that
  // receives the answers. `Error()` tells when that failed.
  HookClient();
  HookClient(const HookClient&) = delete;
  HookClient& operator=(const HookClient&) = delete;

  const std::string& Error() const { return error_; }

  // Asks the thread that owns `target` to describe its windows, and waits for
  // the answer while that thread is busy. Nothing when the window goes away,
  // the hook cannot be installed or no answer comes in time.
  std::optional<std::string> Describe(HWND target, DWORD timeoutMs);

 private:
  static LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool EnsureHook(DWORD thread);

  std::string error_;
  UniqueModule dll_;
  HOOKPROC proc_ = nullptr;
  UINT queryMessage_ = 0;
  UniqueWindow replyWindow_;
  std::map<DWORD, UniqueHook> hooks_;
  std::map<LPARAM, std::string> answers_;
  LPARAM nextRequest_ = 1;
};

}  // namespace e2e
