#include "hook_client.h"

#include "common/query_protocol.h"

namespace e2e {

namespace {

constexpr char kReplyClass[] = "DiziTarvix.E2E.DriverReply";

std::string DriverFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  folder.erase(folder.find_last_of('\\') + 1);
  return folder;
}

}  // namespace

HookClient::HookClient() {
  const std::string dllPath = DriverFolder() + kHookDllName;
  dll_ = UniqueModule(LoadLibraryA(dllPath.c_str()));
  if (!dll_) {
    error_ = "cannot load " + dllPath;
    return;
  }
  proc_ = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(dll_.Get(), kHookProcName)));
  if (proc_ == nullptr) {
    error_ = std::string("the hook DLL does not export ") + kHookProcName;
    return;
  }
  queryMessage_ = RegisterWindowMessageA(kQueryMessageName);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ReplyProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kReplyClass;
  RegisterClassA(&windowClass);
  replyWindow_ = UniqueWindow(CreateWindowExA(0, kReplyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, windowClass.hInstance, nullptr));
  if (!replyWindow_) {
    error_ = "cannot create the reply window";
    return;
  }
  SetWindowLongPtrA(replyWindow_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK HookClient::ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    auto* self = reinterpret_cast<HookClient*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (self != nullptr && data != nullptr) {
      self->answers_[static_cast<LPARAM>(data->dwData)] =
          std::string(static_cast<const char*>(data->lpData), data->cbData);
      return TRUE;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool HookClient::EnsureHook(DWORD thread) {
  if (hooks_.count(thread) != 0) {
    return true;
  }
  UniqueHook hook(SetWindowsHookExA(WH_GETMESSAGE, proc_, dll_.Get(), thread));
  if (!hook) {
    return false;
  }
  hooks_.emplace(thread, std::move(hook));
  return true;
}

std::optional<std::string> HookClient::Describe(HWND target, DWORD timeoutMs) {
  if (!error_.empty()) {
    return std::nullopt;
  }
  const DWORD thread = GetWindowThreadProcessId(target, nullptr);
  if (thread == 0 || !EnsureHook(thread)) {
    return std::nullopt;
  }
  const LPARAM request = nextRequest_++;
  if (!PostMessageA(target, queryMessage_, reinterpret_cast<WPARAM>(replyWindow_.Get()), request)) {
    return std::nullopt;
  }
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const auto answer = answers_.find(request);
    if (answer != answers_.end()) {
      std::string text = std::move(answer->second);
      answers_.erase(answer);
      return text;
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs || !IsWindow(target)) {
      return std::nullopt;
    }
    const DWORD slice = timeoutMs - elapsed < 100 ? timeoutMs - elapsed : 100;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
  }
}

}  // namespace e2e
