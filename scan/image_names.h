// Image names: the file names processes run under.
#pragma once

#include <string_view>

namespace dizi {

// True when both are the same name; Windows compares file names without
// regard to (ASCII) case.
bool SameImageName(std::string_view a, std::string_view b);

// True for an image name under which Windows runs one of its own processes
// from the system folder. Ending processes by such a name would end Windows'
// own as well; several are critical, and ending one stops the machine at once.
bool IsWindowsProcessName(std::string_view imageName);

}  // namespace dizi
