"""The main window as the user meets it: caption, 449 x 263 client area, fixed
border with minimise and close only, centred; every control at its place and
in its initial state, fonts and colours; the menu's captions and check marks;
hints on exactly three controls; the default button. Exit opens no page. After
a scan: the view switches both ways show every line, and set rather than
toggle; About shows the About text over everything, the menu still works
behind it (a full scan, a view switch), Go Back uncovers the switched view;
the help pages and the banner open their pages; the close box opens the home
page exactly once. Exit code 0 each time. Actions' last item, after a
separator, opens the restore window in the main window's look, which holds the
main window still until it is closed."""

import expected
from app_ids import IDC
from scenarios.common import exit_program, list_items, start_program, tree_nodes

FOLDER = "C:\\DiziTarvix"

WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_THICKFRAME = 0x10000, 0x20000, 0x40000
WS_SYSMENU, WS_CAPTION = 0x80000, 0xC00000
SS_NOPREFIX = 0x80
BS_TYPEMASK, BS_DEFPUSHBUTTON = 0xF, 0x1
PBS_SMOOTH = 0x1
ANSI_CHARSET = 0
YELLOW, LIME, BLACK = 0x00FFFF, 0x00FF00, 0x000000  # as COLORREF: 0x00BBGGRR

# Positions within the client area (controls of the About panel: within it).
PLACES = {
    "treeview": [4, 4, 441, 191], "progressbar": [4, 200, 362, 40], "scan": [370, 200, 75, 40],
    "listbox": [4, 4, 441, 191], "panel": [4, 5, 442, 235], "background": [5, 6, 432, 220],
    "banner": [280, 176, 157, 47], "goback": [8, 187, 81, 36],
}
HINTS = {
    IDC["progressbar"]: "Work progress.",
    IDC["scan"]: "Preform a scan for any tarvix server or tarvix server downloader in this "
                 "computer.",
    IDC["goback"]: "Go Back.",
}


def shown_text(text):
    """A caption as drawn: "&&" shows as "&", a single "&" only marks a key."""
    shown, i = "", 0
    while i < len(text):
        if text[i] == "&" and i + 1 < len(text):
            i += 1
        shown += text[i]
        i += 1
    return shown


def menu_shown(menu):
    return [(shown_text(top["caption"]), [shown_text(item["caption"]) for item in top["items"]])
            for top in menu]


def menu_item(menu, caption):
    for top in menu:
        for item in top["items"]:
            if shown_text(item["caption"]) == caption:
                return item
    return {}


def view_state(state):
    """Which log view shows, and the check marks of the two view items."""
    main = state["main"]
    return {
        "list shown": main["controls"]["listbox"]["ownVisible"],
        "tree shown": main["controls"]["treeview"]["ownVisible"],
        "List View checked": menu_item(main["menu"], "List View").get("checked"),
        "Tree View checked": menu_item(main["menu"], "Tree View").get("checked"),
    }


LIST_VIEW = {"list shown": True, "tree shown": False, "List View checked": True,
             "Tree View checked": False}
TREE_VIEW = {"list shown": False, "tree shown": True, "List View checked": False,
             "Tree View checked": True}


def label_shown(state):
    label = state["main"]["controls"]["label"]
    text = label["text"]
    if label["class"].lower() == "static" and not label["style"] & SS_NOPREFIX:
        text = shown_text(text)
    return text


def default_buttons(state):
    controls = state["main"]["controls"]
    return [name for name in ("scan", "goback")
            if controls[name]["style"] & BS_TYPEMASK == BS_DEFPUSHBUTTON]


def font(control):
    """Face, height in pixels, bold or not."""
    found = control["font"]
    return found and (found["face"], abs(found["height"]), found["weight"] >= 700)


def check_looks(checks, state):
    main = state["main"]
    controls = main["controls"]
    checks.equal("background: the system's 3-D light colour", main["background"],
                 main["light3d"])
    checks.equal("fonts: Tahoma 11 px, Scan in bold, the list in Lucida Console",
                 {name: font(controls[name]) for name in ("treeview", "scan", "listbox", "label",
                                                          "goback")},
                 {"treeview": ("Tahoma", 11, False), "scan": ("Tahoma", 11, True),
                  "listbox": ("Lucida Console", 11, False), "label": ("Tahoma", 11, False),
                  "goback": ("Tahoma", 11, False)})
    checks.equal("the list's font has the ANSI character set",
                 controls["listbox"]["font"] and controls["listbox"]["font"]["charset"],
                 ANSI_CHARSET)
    checks.equal("list: lime text on black", controls["listbox"]["colours"],
                 {"text": LIME, "brush": BLACK})
    checks.equal("tree: yellow text", controls["treeview"]["colours"]["text"], YELLOW)
    checks.equal("About label: yellow text, transparent", controls["label"]["colours"],
                 {"text": YELLOW, "brush": None})
    checks.true("smooth progress bar", controls["progressbar"]["style"] & PBS_SMOOTH)
    checks.equal("Scan is the default button", default_buttons(state), ["scan"])


def check_first_look(checks, state):
    main = state["main"]
    controls = main["controls"]
    checks.equal("caption", main["caption"], expected.CAPTION)
    checks.equal("client area", main["client"][2:], expected.CLIENT_SIZE)
    style = main["style"]
    checks.equal("title bar with system menu and minimise; no maximise, fixed border",
                 [bool(style & WS_CAPTION == WS_CAPTION), bool(style & WS_SYSMENU),
                  bool(style & WS_MINIMIZEBOX), bool(style & WS_MAXIMIZEBOX),
                  bool(style & WS_THICKFRAME)], [True, True, True, False, False])
    x, y, width, height = main["window"]
    screen_width, screen_height = main["screen"]
    checks.true("centred on the screen",
                abs(2 * x + width - screen_width) <= 2 and abs(2 * y + height - screen_height) <= 2,
                f"window {main['window']}, screen {main['screen']}")
    for name, place in PLACES.items():
        checks.equal(f"{name} at its place", controls[name] and controls[name]["rect"], place)
    checks.equal("About label at 16, 8", controls["label"] and controls["label"]["rect"][:2],
                 [16, 8])
    checks.equal("shown at start: list, progress bar, Scan; hidden: tree, About panel",
                 {name: controls[name]["visible"] for name in
                  ("listbox", "progressbar", "scan", "treeview", "panel")},
                 {"listbox": True, "progressbar": True, "scan": True, "treeview": False,
                  "panel": False})
    checks.equal("both log views empty", (list_items(state), tree_nodes(state)), ([], []))
    checks.equal("progress bar from 0 to 10, at 0", main["progress"],
                 {"position": 0, "minimum": 0, "maximum": 10})
    checks.equal("menu captions as shown", menu_shown(main["menu"]), expected.MENU_SHOWN)
    checks.equal("a separator between Exit and Restore from quarantine",
                 [item["separator"] for item in main["menu"][0]["items"]],
                 [False, False, False, True, False])
    checks.equal("List View checked, Tree View not", view_state(state), LIST_VIEW)
    # A separator is drawn greyed: it is no item to choose.
    checks.equal("no menu item disabled",
                 [i["caption"] for top in main["menu"] for i in top["items"]
                  if i["disabled"] and not i["separator"]], [])
    checks.equal("hints on exactly the progress bar, Scan and Go Back",
                 sorted((t["control"], t["text"]) for t in state["tooltips"]),
                 sorted(HINTS.items()))


RESTORE_CAPTION = "Restore from quarantine"


def restore_window(state):
    return next((w for w in state["windows"] if w["caption"] == RESTORE_CAPTION), None)


def check_restore_window(machine, checks, driver):
    """The restore window on a machine that kept nothing: its look, and that
    it holds the main window still until it is closed."""
    state = driver.menu("Restore from quarantine...")
    window = restore_window(state)
    checks.true("the restore window opens", window is not None, state["windows"])
    if window is None:
        return
    controls = {c["id"]: c for c in window["controls"]}
    lists = [controls.get(IDC["quarantine_items"]), controls.get(IDC["undo_files"])]
    checks.equal("its lists: nothing kept, no undo files",
                 [c and c["items"] for c in lists],
                 [["(nothing is kept in the quarantine)"], ["(no registry undo files)"]])
    checks.equal("its lists in the main list's look: Lucida Console, lime on black",
                 [c and (font(c), c["colours"]) for c in lists],
                 [(("Lucida Console", 11, False), {"text": LIME, "brush": BLACK})] * 2)
    buttons = {c["text"]: c for c in window["controls"] if c["class"] == "Button"}
    checks.equal("its buttons, in Tahoma; only Close usable with nothing to act on",
                 {text: (font(c), c["enabled"]) for text, c in buttons.items()},
                 {"&Restore": (("Tahoma", 11, False), False),
                  "&Delete": (("Tahoma", 11, False), False),
                  "&Import": (("Tahoma", 11, False), False),
                  "Close": (("Tahoma", 11, False), True)})
    checks.equal("the main window takes no input meanwhile", state["main"]["enabled"], False)
    state = driver.click("Close", window=RESTORE_CAPTION)
    checks.equal("Close closes it and gives the main window back",
                 (restore_window(state), state["main"]["enabled"]), (None, True))


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    driver = machine.driver()
    read_me = expected.read_me_opened(FOLDER)

    program = start_program(machine, checks, FOLDER, label="first run: ")
    state = driver.state()
    check_first_look(checks, state)
    check_looks(checks, state)
    exit_program(machine, checks, program, "first run: ")
    checks.equal("Exit opens no page", [e.command_line for e in machine.settled_journal()],
                 [read_me])

    program = start_program(machine, checks, FOLDER, label="second run: ")
    one_scan = expected.ScanModel(FOLDER).scan()
    driver.click("Scan")

    state = driver.menu("Tree View")
    checks.equal("Tree View: tree shown and checked", view_state(state), TREE_VIEW)
    checks.equal("the tree holds every line logged while it was hidden", tree_nodes(state),
                 one_scan.tree)
    state = driver.menu("Tree View")
    checks.equal("Tree View chosen again: still the tree, still checked", view_state(state),
                 TREE_VIEW)
    state = driver.menu("List View")
    checks.equal("List View: list shown and checked", view_state(state), LIST_VIEW)
    checks.equal("the list holds every line", list_items(state), one_scan.texts)

    state = driver.menu("About")
    controls = state["main"]["controls"]
    checks.true("About panel shown", controls["panel"]["visible"])
    checks.equal("About text", label_shown(state), expected.ABOUT_TEXT_SHOWN)
    checks.equal("the panel covers the log, the progress bar and Scan",
                 [controls[name]["receivesClick"] for name in ("listbox", "progressbar", "scan")],
                 [False, False, False])
    checks.true("Go Back can be clicked", controls["goback"]["receivesClick"])
    checks.equal("Go Back is the default button while the panel shows", default_buttons(state),
                 ["goback"])
    clicked, _ = driver.try_click("Scan")
    checks.true("Scan cannot be clicked through the panel", not clicked)

    two_scans = expected.ScanModel(FOLDER).scan().scan()
    state = driver.menu("Preform a full scan")
    checks.equal("a full scan from the menu runs behind the panel", list_items(state),
                 two_scans.texts)
    checks.equal("progress 10", state["main"]["progress"]["position"], 10)
    checks.true("the panel stays", state["main"]["controls"]["panel"]["visible"])
    state = driver.menu("Tree View")
    checks.equal("a view switch behind the panel", view_state(state), TREE_VIEW)
    checks.true("the panel still covers it", state["main"]["controls"]["panel"]["visible"] and
                not state["main"]["controls"]["treeview"]["receivesClick"])
    before = state
    state = driver.menu("About")
    checks.equal("About again: same text, nothing else changes",
                 (label_shown(state), view_state(state), list_items(state),
                  state["main"]["controls"]["panel"]["visible"]),
                 (expected.ABOUT_TEXT_SHOWN, view_state(before), list_items(before), True))

    # The click is mouse input, taken after anything posted: wait for its page
    # before the panel is hidden. On a loaded machine the X server now and then
    # drops injected input; a click that opened nothing is given again, and a
    # late first click would show as a second page below.
    opened = len(machine.journal())
    for _ in range(3):
        driver.mouse_click(IDC["banner"])
        if machine.wait_for(lambda: len(machine.journal()) > opened, timeout=15.0):
            break
    state = driver.click("Go Back")
    controls = state["main"]["controls"]
    checks.equal("Go Back hides the panel and shows the tree chosen meanwhile",
                 (controls["panel"]["visible"], controls["treeview"]["visible"],
                  controls["treeview"]["receivesClick"], controls["listbox"]["visible"]),
                 (False, True, True, False))
    checks.equal("the tree holds both scans", tree_nodes(state), two_scans.tree)
    checks.equal("Scan is the default button again", default_buttons(state), ["scan"])

    check_restore_window(machine, checks, driver)
    for item in ("Support Center", "Contact"):
        opened = len(machine.journal())
        driver.menu(item)
        machine.wait_for(lambda: len(machine.journal()) > opened)
    driver.close_window()
    checks.equal("close box: exit code", program.wait_exit(), 0)
    checks.equal("pages opened: the banner's, support, contact, and the home page once on close",
                 [e.command_line for e in machine.settled_journal()[1:]],
                 [read_me] + [expected.page_opened(page) for page in (
                     expected.ADVERTISING_PAGE, expected.SUPPORT_PAGE, expected.CONTACT_PAGE,
                     expected.HOME_PAGE)])
