"""The Windows layouts a scenario can run on, and the one place that knows
where the files a 32-bit program names really are.

win32: a 32-bit Windows. Every path is what it says.
win64: a 64-bit Windows, where the programs under test (all 32-bit) run under
    WOW64. Their "C:\\windows\\system32" is redirected to
    "C:\\windows\\syswow64", so a file they name there (and a stand-in for a
    system tool they start from there) really is in syswow64; 64-bit programs
    see the real system32, which 32-bit ones reach as "C:\\windows\\sysnative".
    HKLM\\Software has a 32-bit and a 64-bit view.

The scenarios name files as the program under test sees them; `real_path`
turns such a name into where the file really is.
"""

import shutil

WINDOWS_DIR = "C:\\windows"
SYSTEM32 = WINDOWS_DIR + "\\system32"
SYSWOW64 = WINDOWS_DIR + "\\syswow64"
SYSNATIVE = WINDOWS_DIR + "\\sysnative"


def _under(path, folder):
    """The rest of `path` after `folder` ("" for the folder itself), or None
    when the path is not in that folder. Windows names ignore case."""
    lower, prefix = path.lower(), folder.lower()
    if lower == prefix:
        return ""
    if lower.startswith(prefix + "\\"):
        return path[len(folder):]
    return None


class Layout:
    def __init__(self, name, redirects):
        self.name = name
        self.arch = name  # the prefix's WINEARCH
        # (folder as a 32-bit program names it, where it really is)
        self._redirects = redirects

    @property
    def is_64_bit(self):
        return bool(self._redirects)

    @property
    def suffix(self):
        """What the names of this layout's tests and folders end with."""
        return "" if self.name == "win32" else "." + self.name

    @property
    def native_system_dir(self):
        """The 64-bit system folder as a 32-bit program names it; None on a
        32-bit Windows, which has no other."""
        return SYSNATIVE if self.is_64_bit else None

    def real_path(self, windows_path):
        """Where a 32-bit program's file operation on `windows_path` lands,
        spelled as a program there reports its own path (GetModuleFileName
        of a stand-in started from system32 says syswow64)."""
        for folder, real in self._redirects:
            rest = _under(windows_path, folder)
            if rest is not None:
                return real + rest
        return windows_path

    def loader(self, bits=32):
        """The Wine loader for a program of `bits`. Debian's `wine` runs even
        the prefix's 64-bit built-in tools (regedit, reg) as their 32-bit
        builds under WOW64; `wine64` runs the 64-bit ones."""
        if bits == 32:
            return "wine"
        if not self.is_64_bit:
            raise ValueError("a 32-bit Windows runs no 64-bit program")
        return shutil.which("wine64") or "/usr/lib/wine/wine64"


WIN32 = Layout("win32", [])
WIN64 = Layout("win64", [(SYSTEM32, SYSWOW64), (SYSNATIVE, SYSTEM32)])
LAYOUTS = {layout.name: layout for layout in (WIN32, WIN64)}
