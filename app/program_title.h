// The caption of the program's own boxes outside the main window.
#pragma once

namespace dizi {

inline constexpr char kProgramTitle[] = "DiziTarvix";

}  // namespace dizi
