// The driver's hook DLL. Loaded into the program's process by a WH_GETMESSAGE
// hook on its window thread, it answers the driver's queries from there.
#include <windows.h>

#include <string>

#include "common/query_protocol.h"
#include "window_state.h"

namespace {

void Answer(HWND replyTo, LPARAM request) {
  const std::string text = e2e::DescribeThreadWindows();
  COPYDATASTRUCT data = {};
  data.dwData = static_cast<ULONG_PTR>(request);
  data.cbData = static_cast<DWORD>(text.size());
  data.lpData = const_cast<char*>(text.data());
  DWORD_PTR ignored = 0;
  // A driver that has gone away must not hang the program.
  SendMessageTimeoutA(replyTo, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                      10000, &ignored);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    GetMsgProc(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(message);
    if (msg->message == RegisterWindowMessageA(e2e::kQueryMessageName)) {
      const auto replyTo = reinterpret_cast<HWND>(msg->wParam);
      const LPARAM request = msg->lParam;
      // The program's own window procedure never sees the query.
      msg->message = WM_NULL;
      Answer(replyTo, request);
    }
  }
  return CallNextHookEx(nullptr, code, removal, message);
}
