"""The control identifiers of the main window and the restore window, read
from app/resource.h (the driver's hook reports the main window's controls by
these names)."""

import os
import re

_HEADER = os.path.join(os.path.dirname(__file__), "..", "..", "..", "app", "resource.h")
_NAMES = {"IDC_LISTBOX1": "listbox", "IDC_TREEVIEW1": "treeview",
          "IDC_PROGRESSBAR1": "progressbar", "IDC_BITBTN2": "scan", "IDC_PANEL1": "panel",
          "IDC_IMAGE2": "background", "IDC_LABEL1": "label", "IDC_IMAGE1": "banner",
          "IDC_BITBTN1": "goback",
          # The "Restore from quarantine" window.
          "IDC_QUARANTINE_ITEMS": "quarantine_items", "IDC_UNDO_FILES": "undo_files"}

with open(_HEADER) as _f:
    _VALUES = dict(re.findall(r"#define\s+(IDC_\w+)\s+(\d+)", _f.read()))

IDC = {name: int(_VALUES[macro]) for macro, name in _NAMES.items()}
