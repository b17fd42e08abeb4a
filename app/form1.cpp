#include "app/form1.h"

#include <commctrl.h>

#include "app/button_picture.h"
#include "app/layout.h"
#include "app/main_menu.h"
#include "app/resource.h"
#include "platform/win32/win32_error.h"

namespace dizi {

namespace {

constexpr char kCaption[] = "Diri Tarvix 2.5";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

constexpr char kProgressHint[] = "Work progress.";
constexpr char kScanHint[] =
    "Preform a scan for any tarvix server or tarvix server downloader in this computer.";
constexpr char kGoBackHint[] = "Go Back.";

HMENU AsId(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

HWND CreateControl(DWORD exStyle, const char* className, const char* text, DWORD style,
                   const Bounds& bounds, HWND parent, int id, HINSTANCE instance) {
  const HWND control = ::CreateWindowExA(
      exStyle, className, text, WS_CHILD | WS_CLIPSIBLINGS | style, bounds.left, bounds.top,
      bounds.width, bounds.height, parent, AsId(id), instance, nullptr);
  if (control == nullptr) {
    ThrowLastError("CreateWindowExA");
  }
  return control;
}

ScopedFont CreateFontOf(const char* face, int height, int weight, BYTE charSet) {
  ScopedFont font{::CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charSet,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, face)};
  if (!font) {
    ThrowLastError("CreateFontA");
  }
  return font;
}

void SetFont(HWND control, HFONT font) {
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The window's outer bounds for the client area, centred in the desktop's
// work area (the screen less the taskbar).
Bounds CentredWindow(Size client) {
  RECT outer{0, 0, client.width, client.height};
  ::AdjustWindowRectEx(&outer, kStyle, TRUE, kExStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT desktop{};
  if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0)) {
    desktop = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return {desktop.left + (desktop.right - desktop.left - width) / 2,
          desktop.top + (desktop.bottom - desktop.top - height) / 2, width, height};
}

}  // namespace

void TForm1::DescribeClass(WNDCLASSEXA& description) {
  description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DLIGHT + 1);  // cl3DLight
  description.hIcon = static_cast<HICON>(
      ::LoadImageA(description.hInstance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  description.hIconSm = static_cast<HICON>(
      ::LoadImageA(description.hInstance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

TForm1::TForm1(HINSTANCE instance)
    : instance_(instance),
      scale_(DpiScale::OfScreen()),
      log_(logControls_),
      context_(platform_, paths_, log_) {}

TForm1::~TForm1() {
  // DestroyWindow sends no WM_CLOSE: FormClose does not run.
  Destroy();
}

void TForm1::Create() {
  ScopedMenu menu = CreateMainMenu1();
  BaseWindow::Create(kExStyle, kCaption, kStyle, CentredWindow(scale_(layout::kClientArea)),
                     nullptr, menu.Get(), instance_);
  menu.Release();  // the window destroys its menu
  FixClientSize();
}

void TForm1::FixClientSize() {
  // A menu bar that wraps onto a second line (large fonts) takes room from
  // the client area; the window grows by what is missing.
  const Size wanted = scale_(layout::kClientArea);
  RECT client{};
  ::GetClientRect(Window(), &client);
  const int missingWidth = wanted.width - client.right;
  const int missingHeight = wanted.height - client.bottom;
  if (missingWidth == 0 && missingHeight == 0) {
    return;
  }
  RECT outer{};
  ::GetWindowRect(Window(), &outer);
  ::SetWindowPos(Window(), nullptr, outer.left - missingWidth / 2, outer.top - missingHeight / 2,
                 outer.right - outer.left + missingWidth, outer.bottom - outer.top + missingHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::Show(int showCommand) {
  ::ShowWindow(Window(), showCommand);
  ::UpdateWindow(Window());
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)))) {
        return TRUE;
      }
      break;
    case WM_CTLCOLORLISTBOX:
      return OnCtlColorListBox(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE, HIWORD(wParam) != 0);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

LRESULT TForm1::OnCreate() {
  platform_.SetMainWindow(Window());
  MainMenu1 = ::GetMenu(Window());
  CreateFonts();
  CreateControls();
  StackControls();
  AddHints();
  FormCreate();
  return 0;
}

void TForm1::OnClose() {
  FormClose();
  ::DestroyWindow(Window());
}

void TForm1::CreateFonts() {
  const int height = scale_(layout::kFontHeight);
  font_ = CreateFontOf("Tahoma", height, FW_NORMAL, DEFAULT_CHARSET);
  boldFont_ = CreateFontOf("Tahoma", height, FW_BOLD, DEFAULT_CHARSET);
  listFont_ = CreateFontOf("Lucida Console", height, FW_NORMAL, ANSI_CHARSET);
}

void TForm1::CreateControls() {
  const HWND form = Window();

  TreeView1 = CreateControl(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT,
                            scale_(layout::kTreeView1), form, IDC_TREEVIEW1, instance_);
  SetFont(TreeView1, font_.Get());
  // Yellow text needs a dark background; black matches the list.
  ::SendMessageA(TreeView1, TVM_SETBKCOLOR, 0, RGB(0, 0, 0));
  ::SendMessageA(TreeView1, TVM_SETTEXTCOLOR, 0, RGB(255, 255, 0));
  ::SendMessageA(TreeView1, TVM_SETLINECOLOR, 0, RGB(128, 128, 128));
  ::SendMessageA(TreeView1, TVM_SETINDENT, scale_(layout::kTreeIndent), 0);

  ProgressBar1 = CreateControl(0, PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH,
                               scale_(layout::kProgressBar1), form, IDC_PROGRESSBAR1, instance_);
  ::SendMessageA(ProgressBar1, PBM_SETRANGE32, 0, 10);
  ::SendMessageA(ProgressBar1, PBM_SETSTEP, 1, 0);
  ::SendMessageA(ProgressBar1, PBM_SETPOS, 0, 0);

  BitBtn2 = CreateControl(0, "BUTTON", "&Scan", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                          scale_(layout::kBitBtn2), form, IDC_BITBTN2, instance_);
  SetFont(BitBtn2, boldFont_.Get());
  scanPicture_ = GiveButtonPicture(BitBtn2, instance_, IDB_SCAN, scale_(4));

  ListBox1 = CreateControl(WS_EX_CLIENTEDGE, "LISTBOX", "",
                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
                           scale_(layout::kListBox1), form, IDC_LISTBOX1, instance_);
  SetFont(ListBox1, listFont_.Get());
  ::SendMessageA(ListBox1, LB_SETITEMHEIGHT, 0, scale_(layout::kListItemHeight));
  logControls_.Attach(ListBox1, TreeView1);

  Panel1.Create(form, scale_, font_.Get(), instance_);

  ::CheckMenuItem(MainMenu1, IDM_LISTVIEW1, MF_BYCOMMAND | MF_CHECKED);
}

void TForm1::StackControls() {
  // Back to front; each goes on top of those before it. The panel, in front,
  // covers the views, the progress bar and the Scan button when shown.
  for (const HWND control : {TreeView1, ProgressBar1, BitBtn2, ListBox1, Panel1.Window()}) {
    ::SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TForm1::AddHints() {
  hints_.emplace(Window(), instance_);
  hints_->Add(ProgressBar1, kProgressHint);
  hints_->Add(BitBtn2, kScanHint);
  hints_->Add(Panel1.BitBtn1(), kGoBackHint);
}

}  // namespace dizi
