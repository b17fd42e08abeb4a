#include "app/restore_dialog.h"

#include <algorithm>

#include "app/log_list_look.h"
#include "app/resource.h"
#include "app/restore_texts.h"
#include "platform/win32/win32_error.h"
#include "quarantine/folder.h"

namespace dizi {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Where everything lies, in pixels at 96 dots per inch.
constexpr Size kClientArea{560, 330};
constexpr Bounds kItemsLabel{8, 8, 544, 14};
constexpr Bounds kItemsList{8, 24, 544, 150};
constexpr Bounds kRestoreButton{8, 180, 81, 26};
constexpr Bounds kDeleteButton{95, 180, 81, 26};
constexpr Bounds kUndoLabel{8, 214, 544, 14};
constexpr Bounds kUndoList{8, 230, 544, 60};
constexpr Bounds kImportButton{8, 296, 81, 26};
constexpr Bounds kCloseButton{471, 296, 81, 26};
constexpr int kListItemHeight = 11;
// Room for the longest rows before the lists scroll sideways.
constexpr int kListExtent = 1200;

constexpr char kNoItems[] = "(nothing is kept in the quarantine)";
constexpr char kNoUndoFiles[] = "(no registry undo files)";

HMENU AsId(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// The window's outer bounds for its client area, centred over `owner`.
Bounds CentredOver(HWND owner, Size client) {
  RECT outer{0, 0, client.width, client.height};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT over{};
  if (owner == nullptr || !::GetWindowRect(owner, &over)) {
    over = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return {over.left + (over.right - over.left - width) / 2,
          over.top + (over.bottom - over.top - height) / 2, width, height};
}

void FillList(HWND list, const std::vector<std::string>& rows, const char* whenEmpty) {
  const LRESULT selected = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
  ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& row : rows) {
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
  if (rows.empty()) {
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(whenEmpty));
    return;
  }
  const LRESULT last = static_cast<LRESULT>(rows.size()) - 1;
  ::SendMessageA(list, LB_SETCURSEL,
                 static_cast<WPARAM>(selected < 0 ? 0 : std::min(selected, last)), 0);
}

// The row selected in a list of `count` rows; -1 when none is.
int Selected(HWND list, std::size_t count) {
  const LRESULT row = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
  return row >= 0 && static_cast<std::size_t>(row) < count ? static_cast<int>(row) : -1;
}

}  // namespace

void RestoreDialog::DescribeClass(WNDCLASSEXA& description) {
  description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DLIGHT + 1);  // as the main window
}

RestoreDialog::RestoreDialog(Platform& platform, const SystemPaths& paths, const DpiScale& scale,
                             HFONT font, HFONT listFont, HINSTANCE instance)
    : platform_(platform),
      paths_(paths),
      scale_(scale),
      font_(font),
      listFont_(listFont),
      instance_(instance) {}

void RestoreDialog::ShowModal(HWND owner) {
  Create(kExStyle, kRestoreCaption, kStyle, CentredOver(owner, scale_(kClientArea)), owner, nullptr,
         instance_);
  CreateControls();
  Refill();
  ::EnableWindow(owner, FALSE);
  ::ShowWindow(Window(), SW_SHOW);
  ::SetFocus(itemsList_);
  MSG message{};
  bool quit = false;
  while (!closed_) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (!::IsDialogMessageA(Window(), &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  // The owner takes input again before this window goes, so that it, not
  // some other program's window, becomes the active one.
  ::EnableWindow(owner, TRUE);
  Destroy();
  if (quit) {
    ::PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
  }
  RethrowHandlerFailure();
}

void RestoreDialog::CreateControls() {
  struct Control {
    const char* className;
    const char* text;
    DWORD style;
    Bounds bounds;
    int id;
    HWND* handle;
    bool list;
  };
  HWND label = nullptr;
  const Control controls[] = {
      {"STATIC", "Kept files (date and time in UTC, size, state, original path):", SS_LEFT,
       kItemsLabel, IDC_QUARANTINE_LABEL, &label, false},
      {"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
       kItemsList, IDC_QUARANTINE_ITEMS, &itemsList_, true},
      {"BUTTON", "&Restore", WS_TABSTOP | BS_PUSHBUTTON, kRestoreButton, IDC_QUARANTINE_RESTORE,
       &restore_, false},
      {"BUTTON", "&Delete", WS_TABSTOP | BS_PUSHBUTTON, kDeleteButton, IDC_QUARANTINE_DELETE,
       &delete_, false},
      {"STATIC", "Registry undo files of the repair program:", SS_LEFT, kUndoLabel, IDC_UNDO_LABEL,
       &label, false},
      {"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
       kUndoList, IDC_UNDO_FILES, &undoList_, true},
      {"BUTTON", "&Import", WS_TABSTOP | BS_PUSHBUTTON, kImportButton, IDC_UNDO_IMPORT, &import_,
       false},
      {"BUTTON", "Close", WS_TABSTOP | BS_PUSHBUTTON, kCloseButton, IDCANCEL, &label, false},
  };
  for (const Control& control : controls) {
    const Bounds bounds = scale_(control.bounds);
    const HWND made = ::CreateWindowExA(control.list ? WS_EX_CLIENTEDGE : 0, control.className,
                                        control.text, WS_CHILD | WS_VISIBLE | control.style,
                                        bounds.left, bounds.top, bounds.width, bounds.height,
                                        Window(), AsId(control.id), instance_, nullptr);
    if (made == nullptr) {
      ThrowLastError("CreateWindowExA");
    }
    *control.handle = made;
    ::SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(control.list ? listFont_ : font_),
                   FALSE);
    if (control.list) {
      ::SendMessageA(made, LB_SETITEMHEIGHT, 0, scale_(kListItemHeight));
      ::SendMessageA(made, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(scale_(kListExtent)), 0);
    }
  }
}

void RestoreDialog::Refill() {
  std::string whenEmpty = kNoItems;
  {
    // Checked (and, where it failed its check, set aside) before anything
    // in it is read.
    const CheckedFolder quarantine = OpenQuarantine(platform_);
    if (!quarantine) {
      whenEmpty = UnusableQuarantineRow(quarantine.Problem());
    }
    if (!quarantine.SetAside().empty()) {
      Tell(SetAsideReport(quarantine.SetAside()), MB_ICONWARNING);
    }
  }
  QuarantineContents contents = ReadQuarantine(platform_);
  items_ = std::move(contents.items);
  undoFiles_ = UndoFiles(platform_);
  std::vector<std::string> rows;
  for (const QuarantineItem& item : items_) {
    rows.push_back(ItemRow(item));
  }
  // Under the items, so that a row's number is its item's.
  for (const std::string& problem : ContentsProblems(contents)) {
    rows.push_back(ProblemRow(problem));
  }
  FillList(itemsList_, rows, whenEmpty.c_str());
  FillList(undoList_, undoFiles_, kNoUndoFiles);
  ::EnableWindow(restore_, !items_.empty());
  ::EnableWindow(delete_, !items_.empty());
  ::EnableWindow(import_, !undoFiles_.empty());
}

LRESULT RestoreDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORLISTBOX:
      return OnCtlColorListBox(reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
      closed_ = true;
      return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

void RestoreDialog::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) {
    return;
  }
  switch (id) {
    case IDC_QUARANTINE_RESTORE:
      RestoreClick();
      break;
    case IDC_QUARANTINE_DELETE:
      DeleteClick();
      break;
    case IDC_UNDO_IMPORT:
      ImportClick();
      break;
    case IDCANCEL:  // Close, Escape
      closed_ = true;
      break;
  }
}

LRESULT RestoreDialog::OnCtlColorListBox(HDC dc) {
  // Both lists, as the main window's.
  return PaintInLogListLook(dc);
}

const QuarantineItem* RestoreDialog::SelectedItem() const {
  const int row = Selected(itemsList_, items_.size());
  return row < 0 ? nullptr : &items_[static_cast<std::size_t>(row)];
}

const std::string* RestoreDialog::SelectedUndoFile() const {
  const int row = Selected(undoList_, undoFiles_.size());
  return row < 0 ? nullptr : &undoFiles_[static_cast<std::size_t>(row)];
}

bool RestoreDialog::Ask(const std::string& question) const {
  return ::MessageBoxA(Window(), question.c_str(), kRestoreCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void RestoreDialog::Tell(const std::string& text, UINT icon) const {
  ::MessageBoxA(Window(), text.c_str(), kRestoreCaption, MB_OK | icon);
}

void RestoreDialog::RestoreClick() {
  const QuarantineItem* item = SelectedItem();
  if (item == nullptr) {
    return;
  }
  RestoreOutcome outcome = RestoreItem(platform_, *item, ExistingFile::Keep);
  if (outcome.status == RestoreStatus::TargetExists) {
    if (!Ask(ReplaceQuestion(*item))) {
      return;
    }
    outcome = RestoreItem(platform_, *item, ExistingFile::Replace);
  }
  const bool restored =
      outcome.status == RestoreStatus::Restored || outcome.status == RestoreStatus::InPlace;
  Tell(RestoreReport(*item, outcome), restored ? MB_ICONINFORMATION : MB_ICONERROR);
  Refill();
}

void RestoreDialog::DeleteClick() {
  const QuarantineItem* item = SelectedItem();
  if (item == nullptr || !Ask(DeleteQuestion(*item))) {
    return;
  }
  const Outcome deleted = DeleteItem(platform_, *item);
  if (!deleted) {
    Tell(DeleteFailure(*item, deleted), MB_ICONERROR);
  }
  Refill();
}

void RestoreDialog::ImportClick() {
  const std::string* file = SelectedUndoFile();
  if (file == nullptr || !Ask(ImportQuestion(*file))) {
    return;
  }
  const std::string name = *file;
  const Outcome imported = ImportUndoFile(platform_, paths_, name);
  Tell(ImportReport(name, imported), imported ? MB_ICONINFORMATION : MB_ICONERROR);
  Refill();
}

}  // namespace dizi
