// Image names Windows itself runs system processes under.
#pragma once

#include <string_view>

namespace dizi {

// True for an image name (any case) under which Windows runs one of its own
// processes from the system folder. Ending processes by such a name would end
// Windows' own as well; several are critical, and ending one stops the machine
// at once.
bool IsWindowsProcessName(std::string_view imageName);

}  // namespace dizi
