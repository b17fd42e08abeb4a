// What the About panel says about the program and the people behind it.
#pragma once

#include <string>

namespace dizi {

// Seven lines joined by line feeds, without one at the end. Line 5 holds a
// doubled ampersand, which the label shows as one.
std::string AboutText();

}  // namespace dizi
