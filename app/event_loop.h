// The program's event loop.
#pragma once

namespace dizi {

class TForm1;

// Shows the window and handles messages until the program is asked to end:
// by a termination request ("Exit", or one left by the start-up checks, in
// which case the window is never shown) or by the window being closed.
// Throws an exception a window procedure kept.
void RunEventLoop(TForm1& Form1, int showCommand);

}  // namespace dizi
