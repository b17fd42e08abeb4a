// Where everything in the main window lies, in pixels at 96 dots per inch.
#pragma once

namespace dizi {

struct Size {
  int width = 0;
  int height = 0;
};

// Left, top, width and height within the parent's client area.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

namespace layout {

constexpr Size kClientArea{449, 263};

// Controls of Form1.
constexpr Bounds kTreeView1{4, 4, 441, 191};
constexpr Bounds kProgressBar1{4, 200, 362, 40};
constexpr Bounds kBitBtn2{370, 200, 75, 40};
constexpr Bounds kListBox1{4, 4, 441, 191};
constexpr Bounds kPanel1{4, 5, 442, 235};

// Controls of Panel1, within the panel.
constexpr Bounds kImage2{5, 6, 432, 220};
constexpr Bounds kLabel1{16, 8, 0, 0};  // sized to its text
constexpr Bounds kImage1{280, 176, 157, 47};
constexpr Bounds kBitBtn1{8, 187, 81, 36};

// Character height of every font, and the list's line height.
constexpr int kFontHeight = 11;
constexpr int kListItemHeight = 11;
// Indent per level of the tree.
constexpr int kTreeIndent = 19;
// Side of the button pictures.
constexpr int kButtonPicture = 32;

}  // namespace layout
}  // namespace dizi
