#include "window_state.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/resource.h"
#include "common/click_target.h"
#include "common/json_writer.h"
#include "common/window_lookup.h"

namespace e2e {

namespace {

void WriteRect(JsonWriter& json, const char* key, const RECT& rect) {
  json.Key(key).BeginArray();
  json.Number(rect.left)
      .Number(rect.top)
      .Number(rect.right - rect.left)
      .Number(rect.bottom - rect.top);
  json.EndArray();
}

struct ControlName {
  const char* name;
  int id;
};

constexpr ControlName kControls[] = {
    {"listbox", IDC_LISTBOX1}, {"treeview", IDC_TREEVIEW1}, {"progressbar", IDC_PROGRESSBAR1},
    {"scan", IDC_BITBTN2},     {"panel", IDC_PANEL1},       {"background", IDC_IMAGE2},
    {"label", IDC_LABEL1},     {"banner", IDC_IMAGE1},      {"goback", IDC_BITBTN1},
};

void WriteFont(JsonWriter& json, HWND control) {
  json.Key("font");
  const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  LOGFONTA description = {};
  if (font == nullptr || GetObjectA(font, sizeof description, &description) == 0) {
    json.Null();
    return;
  }
  json.BeginObject();
  json.Field("face", description.lfFaceName);
  json.Field("height", static_cast<int>(description.lfHeight));
  json.Field("weight", static_cast<int>(description.lfWeight));
  json.Field("charset", static_cast<int>(description.lfCharSet));
  json.EndObject();
}

// The colours a control is drawn with, as its parent answers the control's
// WM_CTLCOLOR... message: the text colour it sets and the brush it returns
// (null when the parent leaves both to the system).
void WriteDrawColours(JsonWriter& json, HWND control, UINT message) {
  json.Key("colours");
  HDC dc = CreateCompatibleDC(nullptr);
  constexpr COLORREF kUntouched = RGB(1, 2, 3);
  SetTextColor(dc, kUntouched);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control), message,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(control)));
  const COLORREF text = GetTextColor(dc);
  DeleteDC(dc);
  LOGBRUSH fill = {};
  json.BeginObject();
  json.Key("text");
  if (text == kUntouched) {
    json.Null();
  } else {
    json.Number(static_cast<long long>(text));
  }
  json.Key("brush");
  if (brush != nullptr && GetObjectA(brush, sizeof fill, &fill) != 0 && fill.lbStyle == BS_SOLID) {
    json.Number(static_cast<long long>(fill.lbColor));
  } else {
    json.Null();
  }
  json.EndObject();
}

void WriteControl(JsonWriter& json, HWND main, HWND control) {
  json.BeginObject();
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  HWND parent = GetParent(control);
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  json.Field("class", ClassOf(control));
  json.Field("text", TextOf(control));
  json.Field("parentId", parent == main ? 0 : GetDlgCtrlID(parent));
  WriteRect(json, "rect", rect);
  json.Field("ownVisible", (style & WS_VISIBLE) != 0);
  json.Field("visible", IsWindowVisible(control) != FALSE);
  json.Field("enabled", IsWindowEnabled(control) != FALSE);
  json.Field("receivesClick", ReceivesClickAtCentre(control, main));
  json.Field("style", static_cast<long long>(static_cast<unsigned long>(style)));
  WriteFont(json, control);
  const int id = GetDlgCtrlID(control);
  if (id == IDC_LISTBOX1) {
    WriteDrawColours(json, control, WM_CTLCOLORLISTBOX);
  } else if (id == IDC_LABEL1) {
    WriteDrawColours(json, control, WM_CTLCOLORSTATIC);
  } else if (id == IDC_TREEVIEW1) {
    json.Key("colours").BeginObject();
    json.Field("text", static_cast<long long>(SendMessageA(control, TVM_GETTEXTCOLOR, 0, 0)));
    json.EndObject();
  }
  json.EndObject();
}

// A list box's rows and selection.
void WriteListRows(JsonWriter& json, HWND list) {
  json.Field("selection", static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
  json.Key("items").BeginArray();
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    std::string text(length < 0 ? 0 : static_cast<std::size_t>(length) + 1, '\0');
    if (length >= 0) {
      const auto copied = SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    }
    json.String(text);
  }
  json.EndArray();
}

void WriteListBox(JsonWriter& json, HWND list) {
  json.Key("list").BeginObject();
  json.Field("horizontalExtent",
             static_cast<int>(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0)));
  WriteListRows(json, list);
  json.EndObject();
}

// Every node in display order as [depth, text], depth 0 for roots.
void WriteTreeNodes(JsonWriter& json, HWND tree, HTREEITEM first, int depth) {
  for (HTREEITEM item = first; item != nullptr;
       item = reinterpret_cast<HTREEITEM>(
           SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    char buffer[4096] = {};
    TVITEMA data = {};
    data.mask = TVIF_TEXT | TVIF_HANDLE;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = sizeof buffer;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    json.BeginArray().Number(depth).String(buffer).EndArray();
    WriteTreeNodes(json, tree,
                   reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                            reinterpret_cast<LPARAM>(item))),
                   depth + 1);
  }
}

void WriteTree(JsonWriter& json, HWND tree) {
  json.Key("tree").BeginObject();
  json.Field("count", static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)));
  json.Key("nodes").BeginArray();
  WriteTreeNodes(json, tree,
                 reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
  json.EndArray();
  json.EndObject();
}

void WriteProgress(JsonWriter& json, HWND bar) {
  json.Key("progress").BeginObject();
  json.Field("position", static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)));
  json.Field("minimum", static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0)));
  json.Field("maximum", static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)));
  json.EndObject();
}

void WriteMenu(JsonWriter& json, HMENU menu) {
  json.BeginArray();
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char caption[512] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = caption;
    info.cch = sizeof caption - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
      continue;
    }
    json.BeginObject();
    json.Field("caption", caption);
    json.Field("id", static_cast<int>(info.wID));
    json.Field("separator", (info.fType & MFT_SEPARATOR) != 0);
    json.Field("checked", (info.fState & MFS_CHECKED) != 0);
    json.Field("disabled", (info.fState & MFS_DISABLED) != 0);
    if (info.hSubMenu != nullptr) {
      json.Key("items");
      WriteMenu(json, info.hSubMenu);
    }
    json.EndObject();
  }
  json.EndArray();
}

void WriteMainWindow(JsonWriter& json, HWND main) {
  json.Key("main").BeginObject();
  json.Field("hwnd", static_cast<long long>(reinterpret_cast<UINT_PTR>(main)));
  json.Field("caption", TextOf(main));
  json.Field("visible", IsWindowVisible(main) != FALSE);
  json.Field("enabled", IsWindowEnabled(main) != FALSE);
  json.Field("style",
             static_cast<long long>(static_cast<unsigned long>(GetWindowLongA(main, GWL_STYLE))));
  // The background the window class paints: a system colour index + 1, or a brush.
  const auto background = static_cast<ULONG_PTR>(GetClassLongPtrA(main, GCLP_HBRBACKGROUND));
  LOGBRUSH fill = {};
  json.Key("background");
  if (background > 0 && background <= COLOR_MENUBAR + 1) {
    json.Number(static_cast<long long>(GetSysColor(static_cast<int>(background - 1))));
  } else if (background != 0 &&
             GetObjectA(reinterpret_cast<HBRUSH>(background), sizeof fill, &fill) != 0) {
    json.Number(static_cast<long long>(fill.lbColor));
  } else {
    json.Null();
  }
  json.Field("light3d", static_cast<long long>(GetSysColor(COLOR_3DLIGHT)));
  json.Key("screen").BeginArray();
  json.Number(GetSystemMetrics(SM_CXSCREEN)).Number(GetSystemMetrics(SM_CYSCREEN)).EndArray();
  RECT client;
  GetClientRect(main, &client);
  WriteRect(json, "client", client);
  RECT window;
  GetWindowRect(main, &window);
  WriteRect(json, "window", window);

  json.Key("controls").BeginObject();
  for (const ControlName& control : kControls) {
    json.Key(control.name);
    if (HWND found = FindDescendantById(main, control.id)) {
      WriteControl(json, main, found);
    } else {
      json.Null();
    }
  }
  json.EndObject();

  if (HWND list = FindDescendantById(main, IDC_LISTBOX1)) {
    WriteListBox(json, list);
  }
  if (HWND tree = FindDescendantById(main, IDC_TREEVIEW1)) {
    WriteTree(json, tree);
  }
  if (HWND bar = FindDescendantById(main, IDC_PROGRESSBAR1)) {
    WriteProgress(json, bar);
  }
  json.Key("menu");
  if (HMENU menu = GetMenu(main)) {
    WriteMenu(json, menu);
  } else {
    json.Null();
  }
  json.EndObject();
}

const char* IconName(HICON icon) {
  struct Known {
    LPCSTR resource;
    const char* name;
  };
  static const Known kKnown[] = {
      {IDI_HAND, "error"},
      {IDI_EXCLAMATION, "warning"},
      {IDI_ASTERISK, "information"},
      {IDI_QUESTION, "question"},
  };
  for (const Known& known : kKnown) {
    if (LoadIconA(nullptr, known.resource) == icon) {
      return known.name;
    }
  }
  return "other";
}

// A message box's icon is a static control of the icon kind; it shows the
// shared system icon for the box's style.
const char* BoxIcon(HWND box) {
  const char* icon = "none";
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
      const auto handle = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      if (handle != nullptr && IsWindowVisible(child)) {
        icon = IconName(handle);
      }
    }
  }
  return icon;
}

void WriteBox(JsonWriter& json, HWND box) {
  json.BeginObject();
  json.Field("hwnd", static_cast<long long>(reinterpret_cast<UINT_PTR>(box)));
  json.Field("caption", TextOf(box));
  HWND text = GetDlgItem(box, 0xFFFF);
  json.Field("text", text != nullptr ? TextOf(text) : std::string());
  json.Field("icon", BoxIcon(box));
  json.Key("buttons").BeginArray();
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Button" && IsWindowVisible(child)) {
      json.BeginObject().Field("id", GetDlgCtrlID(child)).Field("text", TextOf(child)).EndObject();
    }
  }
  json.EndArray();
  json.EndObject();
}

// Every tool of the thread's tooltip windows: the control it belongs to and
// its text (the control's hint).
void WriteTooltips(JsonWriter& json, const std::vector<HWND>& windows) {
  json.Key("tooltips").BeginArray();
  for (HWND window : windows) {
    if (ClassOf(window) != TOOLTIPS_CLASSA) {
      continue;
    }
    const int count = static_cast<int>(SendMessageA(window, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[1024] = {};
      TOOLINFOA tool = {};
      tool.cbSize = sizeof tool;
      tool.lpszText = text;
      if (!SendMessageA(window, TTM_ENUMTOOLSA, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(&tool))) {
        continue;
      }
      // The ANSI messages copy at most 80 characters of the text; the wide
      // one, given the buffer's size, copies all of it.
      const bool callback = tool.lpszText == LPSTR_TEXTCALLBACKA;
      if (!callback) {
        wchar_t wide[1024] = {};
        TOOLINFOW wideTool = {};
        wideTool.cbSize = sizeof wideTool;
        wideTool.hwnd = tool.hwnd;
        wideTool.uId = tool.uId;
        wideTool.lpszText = wide;
        SendMessageW(window, TTM_GETTEXTW, sizeof wide / sizeof wide[0],
                     reinterpret_cast<LPARAM>(&wideTool));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      }
      HWND control =
          (tool.uFlags & TTF_IDISHWND) != 0 ? reinterpret_cast<HWND>(tool.uId) : tool.hwnd;
      json.BeginObject();
      json.Field("control", GetDlgCtrlID(control));
      json.Field("text", callback ? "(callback)" : text);
      json.EndObject();
    }
  }
  json.EndArray();
}

// A window of the program other than the main window and its message boxes
// (the restore window): its caption and each control, with a list box's rows.
void WriteOtherWindow(JsonWriter& json, HWND window) {
  json.BeginObject();
  json.Field("hwnd", static_cast<long long>(reinterpret_cast<UINT_PTR>(window)));
  json.Field("caption", TextOf(window));
  json.Field("class", ClassOf(window));
  json.Field("enabled", IsWindowEnabled(window) != FALSE);
  json.Key("controls").BeginArray();
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    json.BeginObject();
    json.Field("id", GetDlgCtrlID(child));
    json.Field("class", ClassOf(child));
    json.Field("text", TextOf(child));
    json.Field("visible", IsWindowVisible(child) != FALSE);
    json.Field("enabled", IsWindowEnabled(child) != FALSE);
    WriteFont(json, child);
    if (ClassOf(child) == "ListBox") {
      WriteListRows(json, child);
      WriteDrawColours(json, child, WM_CTLCOLORLISTBOX);
    }
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace

std::string DescribeThreadWindows() {
  JsonWriter json;
  json.BeginObject();
  json.Field("process", static_cast<long long>(GetCurrentProcessId()));
  json.Field("thread", static_cast<long long>(GetCurrentThreadId()));
  const std::vector<HWND> windows = ThreadWindows(GetCurrentThreadId());
  HWND main = nullptr;
  for (HWND window : windows) {
    if (ClassOf(window) != "#32770" && FindDescendantById(window, IDC_LISTBOX1) != nullptr) {
      main = window;
      WriteMainWindow(json, window);
      break;
    }
  }
  json.Key("windows").BeginArray();
  for (HWND window : windows) {
    const std::string type = ClassOf(window);
    if (window != main && type != "#32770" && type != TOOLTIPS_CLASSA && IsWindowVisible(window)) {
      WriteOtherWindow(json, window);
    }
  }
  json.EndArray();
  WriteTooltips(json, windows);
  json.Key("boxes").BeginArray();
  for (HWND window : windows) {
    if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
      WriteBox(json, window);
    }
  }
  json.EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace e2e
