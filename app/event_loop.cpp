#include "app/event_loop.h"

#include <windows.h>

#include "app/form1.h"
#include "app/handler_failure.h"

namespace dizi {

void RunEventLoop(TForm1& Form1, int showCommand) {
  if (Form1.BeginEventLoop()) {
    return;  // the start-up checks asked to end: the window never shows
  }
  Form1.Show(showCommand);
  MSG message{};
  // GetMessageA returns 0 for WM_QUIT and -1 when it fails.
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!Form1.PreTranslateMessage(message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  RethrowHandlerFailure();
}

}  // namespace dizi
