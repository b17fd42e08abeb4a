#include "app/main_menu.h"

#include <initializer_list>

#include "app/resource.h"
#include "platform/win32/win32_error.h"

namespace dizi {

namespace {

// A separator where the caption is null.
struct Item {
  UINT id;
  const char* caption;
};

// A drop-down menu with its items, attached to the bar under `caption`.
void AddDropDown(HMENU bar, const char* caption, std::initializer_list<Item> items) {
  ScopedMenu dropDown{::CreatePopupMenu()};
  if (!dropDown) {
    ThrowLastError("CreatePopupMenu");
  }
  for (const Item& item : items) {
    const UINT flags = item.caption == nullptr ? MF_SEPARATOR : MF_STRING;
    if (!::AppendMenuA(dropDown.Get(), flags, item.id, item.caption)) {
      ThrowLastError("AppendMenuA");
    }
  }
  if (!::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(dropDown.Get()), caption)) {
    ThrowLastError("AppendMenuA");
  }
  dropDown.Release();  // the bar destroys it with itself
}

}  // namespace

ScopedMenu CreateMainMenu1() {
  ScopedMenu MainMenu1{::CreateMenu()};
  if (!MainMenu1) {
    ThrowLastError("CreateMenu");
  }
  // Fi1
  AddDropDown(MainMenu1.Get(), "&Actions",
              {{IDM_PREFORMAFULLSCAN1, "&Preform a full scan"},
               {IDM_JUSTFIXUPMYREGEDITMSCONFIG1, "&Just fix-up my RegEdit && Msconfig"},
               {IDM_EXIT1, "&Exit"},
               {0, nullptr},
               {IDM_RESTOREFROMQUARANTINE1, "Restore from &quarantine..."}});
  // View1
  AddDropDown(MainMenu1.Get(), "&View",
              {{IDM_REEVIEW1, "&Tree View"}, {IDM_LISTVIEW1, "&List View"}});
  // Help1
  AddDropDown(MainMenu1.Get(), "&Help",
              {{IDM_BUGSPROBLEMSSUGGESTIONS1, "&Support Center"},
               {IDM_ABOUTSPECIALTHANKS1, "&About"},
               {IDM_CONTACT1, "&Contact"}});
  return MainMenu1;
}

}  // namespace dizi
