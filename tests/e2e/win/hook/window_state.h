// Reads the program's windows from inside its own process, where list box
// texts, tree items, progress positions and menu states can all be asked for.
#pragma once

#include <string>

namespace e2e {

// A JSON object describing every top-level window of the calling thread: the
// main window (the one holding the log list) with its controls, log views,
// progress bar, About label and menu; and every message box with its caption,
// text, icon and buttons.
std::string DescribeThreadWindows();

}  // namespace e2e
