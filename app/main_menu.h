// MainMenu1, the menu bar of the main window.
#pragma once

#include "app/gdi_objects.h"

namespace dizi {

// "Actions" (Fi1), "View" (View1) and "Help" (Help1) with their items, each
// caption with its first letter as access key, and no check mark yet; after
// Actions' own items, a separator and "Restore from quarantine...".
ScopedMenu CreateMainMenu1();

}  // namespace dizi
