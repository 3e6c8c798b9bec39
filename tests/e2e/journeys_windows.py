"""What a player meets in the launcher's other top-level windows: the vanilla
list's cut ids end in an ellipsis; the game manager's name field has a frame;
the manager and the vanilla list stay when the main window closes and the
run ends with the last of them; LiteLoader installed from the manager alone
as a new version starts, with the libraries its tweaker needs; a deletion
takes the version its question named while the other window's download
reads the list again."""

import base64
import json
import os

from game_tree import VERSION, jar, sha1, write_settings
from harness import check
from journeys import (OFFLINE, box_button, click_at, close_and_exit, game_files, java_runs, launch, main_window,
                      settled, wait_text, wait_until)
from journeys_versions import LIST_DOWNLOAD, LIST_TITLE, MANIFEST, open_menu_item

MANAGER_TITLE = "TRELM - 游戏管理"
CUT_IDS = ["26.1-snapshot-10", "26.1-snapshot-11"]  # wider than the list's 100-pixel "版本" column
LITE_VERSION = "1.7.10"
LITE_ID = "%s-LiteLoader%s" % (VERSION, LITE_VERSION)
LITE_JAR = "/maven/com/tolvane/liteloader/%s/liteloader-%s.jar" % (VERSION, LITE_VERSION)
# The build's libraries, as the LiteLoader list names them, at the mirror.
BUILD_LIBRARIES = {"net.minecraft:launchwrapper:1.12": "net/minecraft/launchwrapper/1.12/launchwrapper-1.12.jar",
                   "org.ow2.asm:asm-all:5.0.3": "org/ow2/asm/asm-all/5.0.3/asm-all-5.0.3.jar"}

# Logical pixels in the windows (the title bar is 28 high): the vanilla
# list's first row and its "版本" column; the manager's first row, its
# "安装LiteLoader" button and the middle of its name field's top edge.
LIST_ROWS_TOP, LIST_ROW_HEIGHT, LIST_COLUMN = (8, 60), 22, 100
FIRST_ROW = LIST_ROWS_TOP + (LIST_COLUMN, LIST_ROW_HEIGHT)
MANAGER_FIRST_ROW = (100, 113)
MANAGER_LITELOADER = (602, 211)
MANAGER_DELETE_VERSION = (336, 364)  # "删除此版本"
MANAGER_NAME_TOP = (478, 150)


def served(data):
    return {"body_base64": base64.b64encode(data).decode()}


def block(s, window, x, y, width, height):
    """The screen's colours in a block of the window, as rows of (r, g, b)."""
    rows = s.probe.call("pixels", window["hwnd"], int(x), int(y), int(width), int(height))["rows"]
    return [[tuple(int(row[i:i + 2], 16) for i in (j, j + 2, j + 4)) for j in range(0, len(row), 6)]
            for row in rows]


def differs(a, b, by):
    return max(abs(p - q) for p, q in zip(a, b)) > by


def ends_in_dots(cell):
    """Whether the text of a cell ends in an ellipsis: the ink of its two
    rightmost inked columns (dots on the base line) is less than half as
    high as the text, where a cut digit is as high as the text."""
    ground = cell[len(cell) // 2][1]
    inked = [(x, y) for y in range(1, len(cell) - 1) for x in range(1, len(cell[0]) - 2)
             if differs(cell[y][x], ground, 60)]
    if not inked:
        return False
    right = max(x for x, _ in inked)
    end = [y for x, y in inked if x >= right - 1]
    text = [y for _, y in inked]
    return 2 * (max(end) - min(end) + 1) < max(text) - min(text) + 1


def manager_and_list_outlive_the_main_window_and_liteloader_starts(s):
    """The vanilla list's cut ids end in "…"; the manager's name field is
    framed; with both open the main window closes and they stay; LiteLoader
    installed from the manager alone makes a version whose JSON lists the
    build's libraries; the manager's close ends the run; started, the new
    version's class path holds launchwrapper and asm."""
    folder = s.folder("windows")
    write_settings(folder, dict(OFFLINE, mainframe_layout=2))
    manifest = {"versions": [{"id": v, "type": "snapshot", "releaseTime": "2026-03-01T00:00:00+00:00"}
                             for v in CUT_IDS]}
    lite_list = [{"mcversion": VERSION, "version": LITE_VERSION, "type": "RELEASE",
                  "build": {"timestamp": "1479473570", "libraries": [{"name": n} for n in BUILD_LIBRARIES]}}]
    routes = {MANIFEST: {"body": json.dumps(manifest)}, "/liteloader/list": {"body": json.dumps(lite_list)},
              LITE_JAR: served(jar({"litemod.json": b"{}"}))}
    for name, path in BUILD_LIBRARIES.items():
        data = jar({"%s.class" % name.split(":")[1]: name.encode()})
        # Named without a digest, a library's is fetched beside it first.
        routes.update({"/maven/" + path: served(data), "/maven/%s.sha1" % path: {"body": sha1(data)}})
    game_files(s, folder, routes=routes)
    record = os.path.join(s.work, "windows-java.txt")
    s.java_script(record)

    launcher = s.start(folder)
    main = main_window(s, launcher)
    vanilla = open_menu_item(s, main, 0, LIST_TITLE)
    wait_until(s, lambda: s.server.hits().get(MANIFEST), "the manifest request", 15)
    wait_until(s, lambda: all(ends_in_dots(block(s, vanilla, LIST_ROWS_TOP[0] * s.factor,
                                                 (LIST_ROWS_TOP[1] + row * LIST_ROW_HEIGHT) * s.factor,
                                                 LIST_COLUMN * s.factor, LIST_ROW_HEIGHT * s.factor))
                              for row in range(len(CUT_IDS))),
               "both cut ids to end in an ellipsis", 20)
    s.probe.capture(vanilla, s.artifact("e2e-vanilla-list-cut-ids.png"), s.wine)

    manager = open_menu_item(s, main, 1, MANAGER_TITLE)
    x, y = MANAGER_NAME_TOP[0] * s.factor, MANAGER_NAME_TOP[1] * s.factor
    # Read again until the manager has painted the field.
    outside, edge, inside = settled(lambda: [column[0] for column in block(s, manager, x, y - 2, 1, 6)[0:6:2]],
                                    lambda c: differs(c[1], c[2], 8) and differs(c[1], c[0], 8))
    check(differs(edge, inside, 8) and differs(edge, outside, 8),
          "the name field's top edge %s is drawn like its inside %s or the window %s" % (edge, inside, outside))

    s.probe.close_and_wait(main)
    left = {w["text"] for w in s.probe.windows()}
    check({LIST_TITLE, MANAGER_TITLE} <= left, "closing the main window left %s" % left)
    s.probe.close_and_wait(vanilla)
    check(launcher.process.poll() is None, "the run ended with the game manager still open")

    click_at(s, manager, MANAGER_FIRST_ROW)
    click_at(s, manager, MANAGER_LITELOADER)
    installer = s.probe.wait_window(prefix="TRELM - 安装Liteloader(%s" % VERSION, timeout=15)
    wait_until(s, lambda: s.server.hits().get("/liteloader/list"), "the LiteLoader list", 15)
    wait_text(s, installer, FIRST_ROW, "the LiteLoader list's first row")
    click_at(s, installer, LIST_DOWNLOAD)  # "安装", the first row chosen
    box = s.probe.wait_window(text="提示", owner=installer["hwnd"], timeout=30)
    path = os.path.join(folder, ".minecraft", "versions", LITE_ID, LITE_ID + ".json")
    with open(path, encoding="utf-8") as source:
        names = [library.get("name") for library in json.load(source)["libraries"]]
    check(names == ["com.tolvane:liteloader:" + LITE_VERSION] + list(BUILD_LIBRARIES),
          "the new version lists %s" % names)
    s.probe.close_and_wait(box)
    s.probe.close_and_wait(installer)
    close_and_exit(s, launcher, manager)

    write_settings(folder, dict(OFFLINE, game_ver=LITE_ID, mainframe_layout=2))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1)
    command = java_runs(record)[0]["cmdline"]
    classpath = command.split(" -cp ", 1)[-1].split(" ", 1)[0]
    for needed in ["liteloader-%s.jar" % LITE_VERSION] + [p.split("/")[-1] for p in BUILD_LIBRARIES.values()]:
        check(needed in classpath, "%s is not on the class path %s" % (needed, classpath))
    check(" net.minecraft.launchwrapper.Launch " in command, "LiteLoader's main class is not started: %s" % command)
    check(len(java_runs(record)) == 1, "Java started more than once")
    close_and_exit(s, launcher, main)


def the_version_the_question_named_is_deleted(s):
    """1.8.9 and 1.7.10 installed; the manager's "删除此版本" asks about
    1.7.10; while its box is open, the vanilla list (a window the box leaves
    enabled) downloads 1.12.2, the installed list is read again, newest first,
    and every row moves down. "是" then deletes 1.7.10, and 1.8.9 stays."""
    folder = s.folder("deletion")
    write_settings(folder, {"bmclapi": False, "mainframe_layout": 1})
    versions = {"1.12.2": "2017-09-18", "1.8.9": "2015-12-03", "1.7.10": "2014-05-14"}
    jsons = {v: json.dumps({"id": v, "type": "release", "releaseTime": day + "T00:00:00+00:00", "mainClass": "M",
                            "minecraftArguments": "", "libraries": []}).encode() for v, day in versions.items()}
    paths = {v: os.path.join(folder, ".minecraft", "versions", v, v + ".json") for v in versions}
    for v in ("1.8.9", "1.7.10"):
        os.makedirs(os.path.dirname(paths[v]))
        with open(paths[v], "wb") as out:
            out.write(jsons[v])
    manifest = {"latest": {"release": "1.12.2"},
                "versions": [{"id": v, "type": "release", "releaseTime": versions[v] + "T00:00:00+00:00",
                              "url": "%s/v/%s.json" % (s.server.base, v), "sha1": sha1(jsons[v])} for v in versions]}
    s.server.reset()
    s.server.routes(dict({MANIFEST: {"body": json.dumps(manifest)}},
                         **{"/v/%s.json" % v: served(jsons[v]) for v in versions}))

    launcher = s.start(folder)
    main = main_window(s, launcher)
    manager = open_menu_item(s, main, 1, MANAGER_TITLE)
    click_at(s, manager, (MANAGER_FIRST_ROW[0], MANAGER_FIRST_ROW[1] + LIST_ROW_HEIGHT))  # 1.7.10, below 1.8.9
    click_at(s, manager, MANAGER_DELETE_VERSION)
    question = s.probe.wait_window(text="提示", owner=manager["hwnd"], timeout=15)
    vanilla = open_menu_item(s, main, 0, LIST_TITLE)
    wait_until(s, lambda: s.server.hits().get(MANIFEST), "the manifest request", 15)
    wait_text(s, vanilla, FIRST_ROW, "the vanilla list's first row")
    click_at(s, vanilla, LIST_DOWNLOAD)  # the latest release, chosen at first
    wait_until(s, lambda: os.path.exists(paths["1.12.2"]), "1.12.2's JSON", 30)
    # The list is read again once the download's window has gone and the list's is enabled.
    s.probe.wait(lambda ws: any(w["hwnd"] == vanilla["hwnd"] and w["enabled"] for w in ws),
                 "the vanilla list to be enabled again", 15)
    box_button(s, question, 0, 2)  # "是"
    s.probe.wait_gone(question["hwnd"])
    result = s.probe.wait_window(text="提示", owner=manager["hwnd"], timeout=15)
    s.probe.capture(result, s.artifact("e2e-deletion-result.png"), s.wine)
    check(not os.path.exists(paths["1.7.10"]), "1.7.10, which the question named, is still there")
    check(os.path.exists(paths["1.8.9"]), "1.8.9 was deleted, which the question did not name")
    check(os.path.exists(paths["1.12.2"]), "1.12.2 was deleted")
    s.probe.close_and_wait(result)
    s.probe.close_and_wait(vanilla)
    s.probe.close_and_wait(manager)
    close_and_exit(s, launcher, main)


JOURNEYS = [
    manager_and_list_outlive_the_main_window_and_liteloader_starts,
    the_version_the_question_named_is_deleted,
]
