// The floor of a clean scan's cost: a minimal program that does the visible
// work of DiziTarvix.exe's scan of a clean machine and nothing else, straight
// on the Win32 API, so that the program's overhead can be read beside the
// least the same work costs on the same system. That work, as the scan does
// it:
//   - the server's 25 files probed three times, with a pause of 500 ms after
//     each of the first two passes, and the downloader's 6 files once: each
//     opened for reading and closed again, last first;
//   - the scan's 15 log lines, each added to a list box (selected, so that it
//     scrolls into sight, and painted at once) and to a tree view (as a root,
//     made visible in it);
//   - the progress bar at the same steps, painted at once, and the hourglass;
//   - the log written to a temporary file in the program's folder and moved
//     over DiziTarvix_Log.txt there in one step.
//
//   scan_floor.exe           a window like the main window (the same size, the
//                            list shown and the tree hidden in the same places,
//                            the same fonts and colours) captioned "DiziTarvix
//                            scan floor"; its Scan button (IDC_BITBTN2) does the
//                            work, and scan_timer.exe presses it as it presses
//                            the program's
//   scan_floor.exe /silent   the same work without a window, then ends
//   scan_floor.exe /?        ends at once: what starting and ending costs
//   Exit code 0, 1 when the window could not be made or the log not written,
//   2 for any other command line.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/gdi_objects.h"
#include "app/layout.h"
#include "app/resource.h"
#include "log/publisher.h"
#include "platform/win32/scoped_handle.h"
#include "scan/signatures.h"
#include "tests/e2e/win/common/test_only_handles.h"

namespace {

constexpr char kCaption[] = "DiziTarvix scan floor";
constexpr char kClassName[] = "DiziTarvixScanFloor";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kServerPasses = 3;
constexpr DWORD kPauseMs = 500;

// The controls the work shows itself on; all null for a run without a window.
struct Views {
  HWND list = nullptr;
  HWND tree = nullptr;
  HWND progress = nullptr;
};

// The log as the scan keeps it: lines shown as they come and gathered for the
// file.
class FloorLog {
 public:
  explicit FloorLog(const Views& views) : views_(views) {}

  // A top-level line, as every line of a clean scan is.
  void Add(const std::string& line) {
    content_ += line;
    content_ += "\r\n";
    if (views_.list == nullptr) {
      return;
    }
    const LRESULT index =
        ::SendMessageA(views_.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ::SendMessageA(views_.list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::UpdateWindow(views_.list);
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(line.c_str());
    const LRESULT node =
        ::SendMessageA(views_.tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    ::SendMessageA(views_.tree, TVM_ENSUREVISIBLE, 0, node);
  }

  void Progress(int position) const {
    if (views_.progress != nullptr) {
      ::SendMessageA(views_.progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
      ::UpdateWindow(views_.progress);
    }
  }

  const std::string& Content() const { return content_; }

 private:
  Views views_;
  std::string content_;
};

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string Directory(UINT(WINAPI* ask)(LPSTR, UINT)) {
  char path[MAX_PATH] = {};
  return std::string(path, ask(path, MAX_PATH));
}

// Each table's files, last first, opened for reading as the scan's probe does.
template <std::size_t N>
void ProbeAll(const std::array<dizi::Signature, N>& table) {
  const std::string windows = Directory(::GetWindowsDirectoryA);
  const std::string system = Directory(::GetSystemDirectoryA);
  const std::string legacy = system.substr(0, system.size() - 2);
  for (std::size_t i = N; i-- > 0;) {
    const std::string& folder = table[i].folder == dizi::Folder::System         ? system
                                : table[i].folder == dizi::Folder::LegacySystem ? legacy
                                                                                : windows;
    const std::string path = folder + std::string(table[i].entry);
    const dizi::ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  }
}

bool SaveLog(const std::string& folder, const std::string& target, const std::string& content) {
  char temporary[MAX_PATH] = {};
  if (::GetTempFileNameA(folder.c_str(), "DTL", 0, temporary) == 0) {
    return false;
  }
  bool written = false;
  {
    const dizi::ScopedFileHandle file{::CreateFileA(
        temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD done = 0;
    written = file &&
              ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &done,
                          nullptr) &&
              done == content.size() && ::FlushFileBuffers(file.Get());
  }
  if (written && ::MoveFileExA(temporary, target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  ::DeleteFileA(temporary);
  return false;
}

// The clean scan's visible work; false when the log could not be written.
bool CleanScan(const Views& views) {
  const HCURSOR before = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  if (views.list != nullptr) {
    ::SendMessageA(views.list, LB_SETHORIZONTALEXTENT, 700, 0);
  }
  FloorLog log(views);
  for (int pass = 1;; ++pass) {
    log.Progress(0);
    log.Add("  Scanning for Tarvix Server... *Start*");
    ProbeAll(dizi::ServerSignatures);
    log.Add("   -> You're not infected with Tarvix Server.");
    log.Progress(3);
    if (pass == kServerPasses) {
      break;
    }
    log.Add("   -> Lunching a SAFE-RESCAN...");
    ::Sleep(kPauseMs);
  }
  log.Add("  Scanning for Tarvix Server... *Finish*");
  log.Add("");
  log.Add("  Scanning for Tarvix stealth downloader... *Start*");
  ProbeAll(dizi::DownloaderSignatures);
  log.Add("   -> You're not infected with Tarvix Downloader.");
  log.Add("");
  log.Add("  Scanning for Tarvix stealth downloader... *Finish*");
  log.Progress(6);
  const std::string folder = ProgramFolder();
  const std::string target = folder + "\\DiziTarvix_Log.txt";
  log.Add("  Logs Has Been Saved to: " + target);
  log.Add("[ " DIZI_PUBLISHER_TAG " | " DIZI_PUBLISHER_ADDRESS_CAPS " ]");
  const bool saved = SaveLog(folder, target, log.Content());
  log.Progress(10);
  ::SetCursor(before);
  return saved;
}

// The window: its controls, fonts and the list's colours, as the main window
// makes them at 96 dots per inch.
class FloorWindow {
 public:
  explicit FloorWindow(HINSTANCE instance)
      : font_(Font("Tahoma", FW_NORMAL, DEFAULT_CHARSET)),
        boldFont_(Font("Tahoma", FW_BOLD, DEFAULT_CHARSET)),
        listFont_(Font("Lucida Console", FW_NORMAL, ANSI_CHARSET)) {
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = Procedure;
    description.hInstance = instance;
    description.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DLIGHT + 1);
    description.lpszClassName = kClassName;
    if (::RegisterClassExA(&description) == 0) {
      return;
    }
    RECT outer{0, 0, dizi::layout::kClientArea.width, dizi::layout::kClientArea.height};
    ::AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    window_.Reset(::CreateWindowExA(0, kClassName, kCaption, kStyle, 0, 0, outer.right - outer.left,
                                    outer.bottom - outer.top, nullptr, nullptr, instance, this));
    if (!window_) {
      return;
    }
    views_.tree = Control(WC_TREEVIEWA, WS_EX_CLIENTEDGE,
                          WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT,
                          dizi::layout::kTreeView1, IDC_TREEVIEW1, font_.Get(), instance);
    ::SendMessageA(views_.tree, TVM_SETBKCOLOR, 0, RGB(0, 0, 0));
    ::SendMessageA(views_.tree, TVM_SETTEXTCOLOR, 0, RGB(255, 255, 0));
    ::SendMessageA(views_.tree, TVM_SETLINECOLOR, 0, RGB(128, 128, 128));
    ::SendMessageA(views_.tree, TVM_SETINDENT, dizi::layout::kTreeIndent, 0);
    views_.progress = Control(PROGRESS_CLASSA, 0, WS_VISIBLE | PBS_SMOOTH,
                              dizi::layout::kProgressBar1, IDC_PROGRESSBAR1, nullptr, instance);
    ::SendMessageA(views_.progress, PBM_SETRANGE32, 0, 10);
    Control("BUTTON", 0, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, dizi::layout::kBitBtn2,
            IDC_BITBTN2, boldFont_.Get(), instance, "&Scan");
    views_.list = Control("LISTBOX", WS_EX_CLIENTEDGE,
                          WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
                          dizi::layout::kListBox1, IDC_LISTBOX1, listFont_.Get(), instance);
    ::SendMessageA(views_.list, LB_SETITEMHEIGHT, 0, dizi::layout::kListItemHeight);
    ::ShowWindow(window_.Get(), SW_SHOWNORMAL);
    ::UpdateWindow(window_.Get());
  }

  bool Created() const { return views_.list != nullptr && views_.tree != nullptr; }
  bool LogSaved() const { return saved_; }

 private:
  static dizi::ScopedFont Font(const char* face, int weight, BYTE charSet) {
    return dizi::ScopedFont{::CreateFontA(-dizi::layout::kFontHeight, 0, 0, 0, weight, FALSE, FALSE,
                                          FALSE, charSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face)};
  }

  HWND Control(const char* className, DWORD exStyle, DWORD style, const dizi::Bounds& bounds,
               int id, HFONT font, HINSTANCE instance, const char* text = "") {
    const HWND control =
        ::CreateWindowExA(exStyle, className, text, WS_CHILD | WS_CLIPSIBLINGS | style, bounds.left,
                          bounds.top, bounds.width, bounds.height, window_.Get(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control != nullptr && font != nullptr) {
      ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FloorWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
      case WM_COMMAND:
        if (self != nullptr && LOWORD(wParam) == IDC_BITBTN2 && HIWORD(wParam) == BN_CLICKED) {
          self->saved_ = CleanScan(self->views_) && self->saved_;
          return 0;
        }
        break;
      case WM_CTLCOLORLISTBOX: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, RGB(0, 255, 0));
        ::SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
      }
      case WM_CLOSE:
        if (self != nullptr) {
          self->window_.Reset();
        }
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }

  // Declared before the window, so that the window and its controls are gone
  // before the fonts they use are deleted.
  dizi::ScopedFont font_;
  dizi::ScopedFont boldFont_;
  dizi::ScopedFont listFont_;
  e2e::UniqueWindow window_;
  Views views_;
  bool saved_ = true;
};

int RunWindow(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
  FloorWindow window(instance);
  if (!window.Created()) {
    return 1;
  }
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return window.LogSaved() ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (std::strcmp(commandLine, "") == 0) {
    return RunWindow(instance);
  }
  if (std::strcmp(commandLine, "/silent") == 0) {
    return CleanScan(Views{}) ? 0 : 1;
  }
  return std::strcmp(commandLine, "/?") == 0 ? 0 : 2;
}
