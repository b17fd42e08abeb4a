"""fservice.exe: removes the Run, RunOnce, RunServices and RunServicesOnce
values (machine and user) that start one of the family's files, takes only the
family's entries out of Winlogon's Shell and Userinit (restoring Windows'
default when nothing is left), leaves every other value byte for byte, deletes
no key and exits 0."""

FOLDER = "C:\\DiziTarvix"
REPAIR = FOLDER + "\\fservice.exe"

RUN_KEYS = [root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\" + name
            for root in ("HKLM", "HKCU")
            for name in ("Run", "RunOnce", "RunServices", "RunServicesOnce")]
WINLOGON = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
LOOKALIKE = "HKLM\\Software\\Example\\CurrentVersion\\Run"
KEYS = RUN_KEYS + [WINLOGON, LOOKALIKE]


def reg_key(key):
    root, _, rest = key.partition("\\")
    return {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}[root] + "\\" + rest


def expand_sz(text):
    # REGEDIT4 files hold the ANSI bytes of the text.
    data = (text + "\0").encode("latin-1")
    return "hex(2):" + ",".join(f"{b:02x}" for b in data)


def sz(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


# key: [(value name, .reg data, removed by fservice)]
PLANTED = {
    RUN_KEYS[0]: [("Tarvix krt32", sz("C:\\WINDOWS\\krt32.exe"), True),
                  ("Quoted", sz('"C:\\windows\\system32\\wservice.exe" /s'), True),
                  ("Near miss", sz("C:\\Tools\\myfservice.exe"), False),
                  ("Argument", sz("viewer.exe fservice.exe"), False),
                  ("Unrelated", sz('"C:\\Program Files\\Example\\app.exe" -min'), False),
                  ("Number", "dword:00000007", False),
                  ("Bytes", "hex:66,73,65,72,76,69,63,65,2e,65,78,65", False)],
    RUN_KEYS[1]: [("Bare", sz("fservice.exe"), True),
                  ("Keep", sz("C:\\Tools\\setup.exe /next"), False)],
    RUN_KEYS[2]: [("Svc", sz("C:\\WINDOWS\\system32\\kservice.exe -service"), True),
                  ("Keep", sz("C:\\Tools\\agent.exe"), False)],
    RUN_KEYS[3]: [("Legacy", sz("C:\\WINDOWS\\system\\sservice.exe"), True),
                  ("Keep", sz("C:\\Tools\\once.exe"), False)],
    RUN_KEYS[4]: [("Expand", expand_sz("%SystemRoot%\\winp9.exe"), True),
                  ("Keep", sz("notepad.exe C:\\notes\\fservice.exe.txt"), False)],
    RUN_KEYS[5]: [("Upper", sz("C:\\WINDOWS\\PPLUGIN4.EXE"), True),
                  ("Keep", sz("C:\\Tools\\fservice.exe.bak"), False)],
    RUN_KEYS[6]: [("Dl", sz("  C:\\WINDOWS\\system32\\d_service.exe  "), True),
                  ("Keep", sz("C:\\Tools\\d_service.exe.old"), False)],
    RUN_KEYS[7]: [("Lservice", sz('"C:\\WINDOWS\\system32\\lservice.exe"'), True),
                  ("Keep", sz("C:\\Tools\\lservices.exe"), False)],
    WINLOGON: [("Shell", sz("Explorer.exe,C:\\WINDOWS\\krt32.exe"), False),
               ("Userinit", sz("C:\\windows\\system32\\userinit.exe,C:\\WINDOWS\\winp9.exe,"),
                False),
               ("Unrelated", sz("fservice.exe"), False)],
    LOOKALIKE: [("Tarvix", sz("C:\\WINDOWS\\krt32.exe"), False)],
}

# Winlogon's values after the repair; None: unchanged.
REWRITTEN = {"Shell": "Explorer.exe", "Userinit": "C:\\windows\\system32\\userinit.exe,"}


def plant(machine, planted, name):
    lines = ["REGEDIT4", ""]
    for key, values in planted.items():
        lines.append(f"[{reg_key(key)}]")
        lines += [f'"{value}"={data}' for value, data, _ in values]
        lines.append("")
    machine.import_registry("\n".join(lines) + "\n", name)


def snapshot(driver):
    """key -> {value name: (type, data bytes as hex)}; None for a missing key."""
    result = {}
    for key in KEYS:
        dump = driver.registry(key)
        result[key] = ({v["name"]: (v["type"], v["data"]) for v in dump["values"]}
                       if dump["exists"] else None)
    return result


def sz_hex(text):
    return (text.encode("latin-1") + b"\0").hex()


def run(machine, checks):
    machine.install_program(FOLDER, files=("fservice.exe",))
    driver = machine.driver()
    plant(machine, PLANTED, "plant.reg")
    before = snapshot(driver)

    code, _, _ = machine.run_wine([REPAIR])
    checks.equal("fservice.exe exit code", code, 0)
    after = snapshot(driver)

    for key in KEYS:
        if before[key] is None:
            checks.true(f"{key}: planted", False)
            continue
        removed = {name for name, _, gone in PLANTED.get(key, []) if gone}
        wanted = {name: value for name, value in before[key].items() if name not in removed}
        if key == WINLOGON:
            for name, text in REWRITTEN.items():
                wanted[name] = (1, sz_hex(text))
        checks.equal(f"{key}: the family's values gone, all others byte for byte", after[key],
                     wanted)

    # A list left with nothing but the family's entries gets Windows' default.
    plant(machine, {WINLOGON: [("Shell", sz("C:\\WINDOWS\\krt32.exe"), False),
                               ("Userinit", sz("C:\\WINDOWS\\winp9.exe,"), False)]},
          "family-only.reg")
    code, _, _ = machine.run_wine([REPAIR])
    checks.equal("second run: exit code", code, 0)
    values = snapshot(driver)[WINLOGON]
    checks.equal("Shell holding only a family entry: back to the default",
                 values.get("Shell"), (1, sz_hex("Explorer.exe")))
    checks.equal("Userinit holding only a family entry: back to the system folder's default",
                 values.get("Userinit"), (1, sz_hex("C:\\windows\\system32\\userinit.exe,")))
