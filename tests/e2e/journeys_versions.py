"""The vanilla version list end to end: the menu's "原版下载" against the local
server serving a manifest and real version JSONs; two versions downloaded
at once, the list kept for the next opening, a failed fetch fetched again,
and the mirror left alone when it is not chosen."""

import base64
import hashlib
import json
import os
import time

from game_tree import write_settings
from harness import Failure, Skipped, check
from journeys import at, click_at, main_window, read_bytes, wait_text, wait_until

LIST_TITLE = "TRELM - 原版下载"
MANIFEST = "/mc/game/version_manifest.json"
MIRROR = "/bmcl"  # the mirror's base below the server, so that its requests can be told apart
VERSIONS = ["1.12.2", "1.8.9", "1.7.10"]  # newest first, as the manifest lists them

# Logical pixels in the windows: the main window's menu items and the
# separators after its second and fourth; the list dialog's "刷新" and "下载"
# buttons and its rows.
MENU_ITEM_HEIGHT, MENU_SEPARATOR_HEIGHT = 24, 5
LIST_REFRESH = (516, 48)
LIST_DOWNLOAD = (516, 81)
LIST_FIRST_ROW, LIST_ROW_HEIGHT = 59, 22


def real_data(s):
    path = os.path.join(s.source, "..", "shared", "testdata", "real")
    return path if os.path.isdir(path) else None


def open_vanilla_list(s, main):
    """"原版下载", the menu's first item."""
    return open_menu_item(s, main, 0, LIST_TITLE)


# The menu's window holds its shadow around a 2-pixel margin; items are 24 high.
MENU_ITEMS_HEIGHT = 2 * 2 + 5 * MENU_ITEM_HEIGHT + 2 * MENU_SEPARATOR_HEIGHT


def open_main_menu(s, main):
    """The menu under the title bar's menu button, shown; the button is
    clicked again when a click on a window only just shown brought nothing."""
    def shown_menu(ws):
        return next((w for w in ws if w["text"] == "Menu" and w["visible"] and
                     w["rect"][3] - w["rect"][1] >= MENU_ITEMS_HEIGHT * s.factor), None)

    for press in (1, 2, 3):
        menu = shown_menu(s.probe.windows())
        if menu:
            return menu
        at(s, main, "menu")
        try:
            return s.probe.wait(shown_menu, "the menu", 3 if press < 3 else 10)
        except Failure:
            if press == 3:
                raise


def open_menu_item(s, main, index, title):
    """The main menu's item of that index (0 "原版下载" to 4 "关于"),
    clicked; the window it opens. On a busy machine the menu was seen gone
    before the click on its item landed (it closes when the front changes):
    a click that opens nothing is given again."""
    for attempt in (1, 2, 3):
        menu = open_main_menu(s, main)
        time.sleep(0.3)
        top = menu["rect"][1]
        shadow = ((menu["rect"][3] - top) - MENU_ITEMS_HEIGHT * s.factor) / 2
        item = (index + 0.5) * MENU_ITEM_HEIGHT + ((index >= 2) + (index >= 4)) * MENU_SEPARATOR_HEIGHT
        # Clicked through the main window: bringing the menu's own window forward would close it.
        s.probe.click(main, (menu["rect"][0] + menu["rect"][2]) / 2 - main["rect"][0],
                      top + shadow + (2 + item) * s.factor - main["rect"][1])
        try:
            return s.probe.wait_window(text=title, timeout=5 if attempt < 3 else 15)
        except Failure:
            if attempt == 3:
                raise


def manifest_hits(s):
    hits = s.server.hits()
    return hits.get(MANIFEST, 0), hits.get(MIRROR + MANIFEST, 0)


def two_versions_downloaded_from_the_vanilla_list(s):
    """The latest release selected, a second one added with ctrl: both JSONs
    are downloaded; reopening reads the kept list; after a 500 the error
    stays in the dialog and the next opening fetches again; the mirror is
    never asked while it is not chosen."""
    data = real_data(s)
    if not data:
        raise Skipped("no real game files beside the checkout")
    folder = s.folder("vanilla")
    write_settings(folder, {"bmclapi": False, "mainframe_layout": 1})
    endpoints = os.path.join(s.work, "endpoints-versions.json")
    with open(s.endpoints_file) as source:
        table = json.load(source)
    table["mirror"] = s.server.base + MIRROR
    with open(endpoints, "w") as out:
        json.dump(table, out)

    jsons = {v: read_bytes(os.path.join(data, "versions", "official", v + ".json")) for v in VERSIONS}
    manifest = {"latest": {"release": "1.12.2", "snapshot": "1.12.2"},
                "versions": [{"id": v, "type": "release", "releaseTime": "2017-09-18T08:39:46+00:00",
                              "url": "%s/v1/packages/%s/%s.json" % (s.server.base, hashlib.sha1(jsons[v]).hexdigest(),
                                                                     v),
                              "sha1": hashlib.sha1(jsons[v]).hexdigest()} for v in VERSIONS]}
    good = {MANIFEST: {"body": json.dumps(manifest)}}
    s.server.reset()
    s.server.routes(dict(good, **{"/v1/packages/%s/%s.json" % (hashlib.sha1(jsons[v]).hexdigest(), v):
                                  {"body_base64": base64.b64encode(jsons[v]).decode()}
                                  for v in VERSIONS}))

    launcher = s.start(folder, endpoints=endpoints)
    main = main_window(s, launcher)
    notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15)  # no game there yet
    s.probe.close_and_wait(notice)

    dialog = open_vanilla_list(s, main)
    wait_until(s, lambda: manifest_hits(s)[0] == 1, "the manifest request", 15)
    wait_text(s, dialog, (8, LIST_FIRST_ROW + 2 * LIST_ROW_HEIGHT, 100, LIST_ROW_HEIGHT), "the third row's version")
    s.probe.capture(dialog, s.artifact("e2e-vanilla-list.png"), s.wine)
    s.probe.call("clickwith", dialog["hwnd"], int(200 * s.factor),
                 int((LIST_FIRST_ROW + 2.5 * LIST_ROW_HEIGHT) * s.factor), "ctrl")
    s.probe.capture(dialog, s.artifact("e2e-vanilla-list-two-chosen.png"), s.wine)
    click_at(s, dialog, LIST_DOWNLOAD)
    paths = {v: os.path.join(folder, ".minecraft", "versions", v, v + ".json") for v in VERSIONS}
    wait_until(s, lambda: all(os.path.exists(paths[v]) for v in ("1.12.2", "1.7.10")), "both version JSONs", 30)
    for v in ("1.12.2", "1.7.10"):
        check(read_bytes(paths[v]) == jsons[v], "%s.json was not downloaded right" % v)
    check(not os.path.exists(paths["1.8.9"]), "1.8.9 was downloaded although it was not chosen")
    # The files are there before the download dialog has gone; till then the list ignores closing.
    s.probe.wait(lambda ws: any(w["hwnd"] == dialog["hwnd"] and w["enabled"] for w in ws),
                 "the list to be enabled again", 15)
    s.probe.close_and_wait(dialog)

    dialog = open_vanilla_list(s, main)
    time.sleep(1.0)
    check(manifest_hits(s)[0] == 1, "reopening fetched the manifest again: %s" % (manifest_hits(s),))

    # "刷新" against a failing server: the error is shown and the kept list dropped.
    s.server.routes({MANIFEST: {"status": 500}})
    click_at(s, dialog, LIST_REFRESH)
    wait_until(s, lambda: manifest_hits(s)[0] >= 2, "the refreshed request", 15)
    time.sleep(1.5)
    s.probe.capture(dialog, s.artifact("e2e-vanilla-list-500.png"), s.wine)
    s.probe.close_and_wait(dialog)
    s.server.routes(good)
    asked = manifest_hits(s)[0]
    dialog = open_vanilla_list(s, main)
    wait_until(s, lambda: manifest_hits(s)[0] == asked + 1, "a new manifest request after the 500", 15)
    s.probe.close_and_wait(dialog)
    check(manifest_hits(s)[1] == 0 and not [p for p in s.server.hits() if p.startswith(MIRROR)],
          "the mirror was asked while it is off: %s" % s.server.hits())
    s.probe.close(main)
    check(launcher.wait_exit() == 0, "the launcher did not end with 0")


JOURNEYS = [
    two_versions_downloaded_from_the_vanilla_list,
]
