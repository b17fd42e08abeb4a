"""fservice.exe on a 64-bit Windows, where it runs under WOW64 and
HKLM\\Software has a 32-bit and a 64-bit view, each planted by the registry
editor of its own width: the family's Run, RunOnce, RunServices and
RunServicesOnce values and its entries in Winlogon's Shell and Userinit are
removed from both views; every other value of each view stays byte for byte,
also one named like a family value of the other view; the user's Run values
(HKCU\\Software is one for both) are cleaned too; no key is deleted; exit
code 0."""

FOLDER = "C:\\DiziTarvix"
REPAIR = FOLDER + "\\fservice.exe"

VERSION = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\"
RUN_KEYS = [VERSION + name for name in ("Run", "RunOnce", "RunServices", "RunServicesOnce")]
WINLOGON = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
USER_RUN = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
VIEWS = ("64", "32")
ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}

# One family file per Run key, each view naming it as its own programs would.
FAMILY_COMMANDS = {
    "64": ["C:\\WINDOWS\\krt32.exe", '"C:\\Windows\\System32\\wservice.exe" /s',
           "C:\\WINDOWS\\system\\sservice.exe -run", "C:\\WINDOWS\\PPLUGIN4.EXE"],
    "32": ["C:\\WINDOWS\\winp9.exe", '"C:\\windows\\system32\\kservice.exe"',
           "  C:\\windows\\system32\\d_service.exe  ", "C:\\WINDOWS\\Pplugin8.exe"],
}
USERINIT = "C:\\windows\\system32\\userinit.exe,"


def sz(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def sz_hex(text):
    """A REG_SZ value's data as the driver reports it."""
    return (text.encode("latin-1") + b"\0").hex()


def planted(view):
    """key -> [(value name, .reg data, removed by fservice)] of one view. The
    value "Shared name" is the family's in one view and another program's in
    the other, in alternate keys."""
    other = "32" if view == "64" else "64"
    keys = {}
    for index, key in enumerate(RUN_KEYS):
        family_here = (index % 2 == 0) == (view == "64")
        keys[key] = [
            (f"Tarvix {view}", sz(FAMILY_COMMANDS[view][index]), True),
            (f"Keep {view}", sz(f"C:\\Program Files\\Tools {view}\\agent.exe /{other}"), False),
            ("Shared name", sz("C:\\WINDOWS\\kt.atm" if family_here else
                               "C:\\Tools\\kt.atm.viewer.exe"), family_here),
        ]
    shell, userinit = "Explorer.exe", USERINIT
    if view == "64":
        shell += ",C:\\WINDOWS\\krt32.exe"
    else:
        userinit += "C:\\WINDOWS\\Pplugin10xa.exe,"
    keys[WINLOGON] = [("Shell", sz(shell), False), ("Userinit", sz(userinit), False),
                      (f"Other {view}", sz("fservice.exe"), False)]
    return keys


# The Winlogon lists after the repair, in both views.
REWRITTEN = {"Shell": "Explorer.exe", "Userinit": USERINIT}
USER_VALUES = [("Tarvix user", sz("C:\\WINDOWS\\system32\\lservice.exe"), True),
               ("Keep user", sz("C:\\Tools\\lservices.exe"), False)]


def reg_text(keys):
    lines = ["REGEDIT4", ""]
    for key, values in keys.items():
        root, _, rest = key.partition("\\")
        lines.append(f"[{ROOTS[root]}\\{rest}]")
        lines += [f'"{name}"={data}' for name, data, _ in values]
        lines.append("")
    return "\n".join(lines) + "\n"


def snapshot(driver):
    """(view, key) -> {value name: (type, data as hex)}, None for a missing key;
    the user's key under the view None."""
    places = [(view, key) for view in VIEWS for key in RUN_KEYS + [WINLOGON]]
    result = {}
    for view, key in places + [(None, USER_RUN)]:
        dump = driver.registry(key, view)
        result[(view, key)] = ({v["name"]: (v["type"], v["data"]) for v in dump["values"]}
                               if dump["exists"] else None)
    return result


def run(machine, checks):
    if not machine.layout.is_64_bit:
        raise RuntimeError("fservice_views needs a 64-bit layout (--layout win64)")
    machine.install_program(FOLDER, files=("fservice.exe",))
    driver = machine.driver()
    plants = {view: planted(view) for view in VIEWS}
    plants[None] = {USER_RUN: USER_VALUES}
    for view in VIEWS:
        machine.import_registry(reg_text(plants[view]), f"plant-{view}.reg", bits=int(view))
    machine.import_registry(reg_text(plants[None]), "plant-user.reg")
    before = snapshot(driver)
    for view in VIEWS:
        other = "32" if view == "64" else "64"
        checks.true(f"{view}-bit view: planted there and only there",
                    all(f"Tarvix {view}" in (before[(view, key)] or {}) and
                        f"Tarvix {view}" not in (before[(other, key)] or {}) for key in RUN_KEYS),
                    repr({key: before[(view, key)] for key in RUN_KEYS}))

    code, _, _ = machine.run_wine([REPAIR])
    checks.equal("fservice.exe exit code", code, 0)
    after = snapshot(driver)

    for (view, key), values in before.items():
        where = f"{key} ({view}-bit view)" if view else key
        if values is None:
            checks.true(f"{where}: planted", False)
            continue
        removed = {name for name, _, gone in plants[view].get(key, []) if gone}
        wanted = {name: value for name, value in values.items() if name not in removed}
        if key == WINLOGON:
            wanted.update({name: (1, sz_hex(text)) for name, text in REWRITTEN.items()})
        checks.equal(f"{where}: the family's values gone, all others byte for byte",
                     after[(view, key)], wanted)
