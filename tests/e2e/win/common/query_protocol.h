// How the driver asks its hook, running inside the program's process, to
// describe the program's windows.
//
// The driver installs the hook DLL's GetMsgProc as a WH_GETMESSAGE hook on the
// program's window thread, then posts the registered message below to any
// window of that thread: wParam is the driver's reply window, lParam a request
// number. When the thread takes the message from its queue, the hook describes
// every top-level window of the thread as JSON and sends it back with
// WM_COPYDATA (dwData = the request number, the text without a terminating
// zero). Posted messages are taken in order, so a query posted after a button
// click or a menu command is answered only once that command's handler has
// returned (or has opened a modal message box, whose loop answers it).
#pragma once

namespace e2e {

inline constexpr char kQueryMessageName[] = "DiziTarvix.E2E.DescribeWindows";
inline constexpr char kHookDllName[] = "e2e_hook.dll";
inline constexpr char kHookProcName[] = "GetMsgProc";

}  // namespace e2e
