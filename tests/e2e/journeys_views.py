"""The framework's text views and fields in the real executable: read-only
texts (About, the download failure report) scrolled by the wheel and the
bar's arrow, the report's bar kept through maximising and restoring, a field
of the settings dialog typed into and its text stored, the nickname centred
in its field."""

import os
import time

from game_tree import GameFiles, read_utf16_json, write_settings
from harness import check
from journeys import (MAIN_TITLE, OFFLINE, at, close_and_exit, game_files, main_window, settled, wait_text,
                      wait_title)
from journeys_versions import open_menu_item

# Logical pixels of the windows' client areas (the title bar is 28 high).
NAME_FIELD = (544, 108, 104, 26)  # the panel's nickname box, left of its arrow
ADDRESS_FIELD = (226, 28 + 164)   # "服务器地址：" on the settings page
BAR = 14                          # a scroll bar's thickness
TITLE = 28


def area(s, rect):
    return [int(round(v * s.factor)) for v in rect]


def ink(s, window, rect):
    """That area of the window on screen: "box", where its dark pixels (the
    text) lie, [left, top, right, bottom] from its corner or None, and
    "rows", to tell whether anything in it changed."""
    rows = s.probe.call("pixels", window["hwnd"], *area(s, rect))["rows"]
    dark = [(x, y) for y, row in enumerate(rows) for x in range(len(row) // 6)
            if sum(int(row[6 * x + i:6 * x + i + 2], 16) for i in (0, 2, 4)) < 3 * 0x80]
    box = None
    if dark:
        box = [min(x for x, _ in dark), min(y for _, y in dark), max(x for x, _ in dark) + 1,
               max(y for _, y in dark) + 1]
    return {"box": box, "rows": rows}


def wait_moved(s, window, rect, before, what):
    """The area's pixels change from `before` (the text was painted again)."""
    deadline = time.monotonic() + 20
    while ink(s, window, rect)["rows"] == before:
        check(time.monotonic() < deadline, "the text did not move on screen after %s" % what)
        time.sleep(0.1)


def width_of(s, window):
    return (window["client"][2] - window["client"][0]) / s.factor


def height_of(s, window):
    return (window["client"][3] - window["client"][1]) / s.factor


def scrolls_by_wheel_and_arrow(s, window, edit):
    """A wheel notch over the text, then a click on its bar's down arrow:
    each moves the text on screen. `edit` is the text's box, bar included."""
    x, y, w, h = edit
    text = (x + 8, y + 8, w - BAR - 16, h - 16)
    wait_text(s, window, text, "the text before scrolling")  # a change from an unpainted window would prove nothing
    before = ink(s, window, text)["rows"]
    s.probe.call("wheel", window["hwnd"], int((x + w / 2) * s.factor), int((y + h / 2) * s.factor), -1)
    wait_moved(s, window, text, before, "a wheel notch")
    before = ink(s, window, text)["rows"]
    s.probe.click(window, (x + w - BAR / 2) * s.factor, (y + h - BAR / 2) * s.factor)
    wait_moved(s, window, text, before, "a click on the bar's down arrow")


def views_scroll_and_fields_take_typing(s):
    """The nickname sits centred in its box; About's text moves with the
    wheel and with the bar's down arrow; the settings dialog's server address
    takes typed keys and is stored at exit."""
    folder = s.folder("views")
    write_settings(folder, dict(OFFLINE, mainframe_layout=1, motd={"enable": True, "address": ""}))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15)  # no game in the folder
    s.probe.close_and_wait(notice)

    height = NAME_FIELD[3] * s.factor

    def centred(box):
        return box is not None and abs((box[1] + box[3]) - height) <= 3 and box[0] >= 4 * s.factor

    # Read again until the main window has painted where the notice lay.
    field = settled(lambda: ink(s, main, NAME_FIELD)["box"], centred)
    check(field is not None, "no nickname in its box")
    check(abs((field[1] + field[3]) - height) <= 3, "the nickname spans rows %d-%d of a box %d high: not centred"
          % (field[1], field[3], height))
    check(field[0] >= 4 * s.factor, "the nickname starts %d pixels into its box" % field[0])

    about = open_menu_item(s, main, 4, "关于TRELM")
    # The text fills the client area below the title, its bar along the right.
    scrolls_by_wheel_and_arrow(s, about, (0, TITLE, width_of(s, about), height_of(s, about) - TITLE))
    s.probe.close_and_wait(about)

    settings = open_menu_item(s, main, 2, "TRELM - 设置")
    s.probe.click(settings, (ADDRESS_FIELD[0] + 30) * s.factor, (ADDRESS_FIELD[1] + 11) * s.factor)
    s.probe.type(settings, "mc.example.com")
    s.probe.close_and_wait(settings)
    close_and_exit(s, launcher, main)
    stored = read_utf16_json(os.path.join(folder, "quorvel_launcher", "setting.json"))["motd"]["address"]
    check(stored == "mc.example.com", "the settings dialog stored the address %r" % stored)


def failure_report_scrolls_and_keeps_its_bar(s):
    """The download failure report of a library missing everywhere: its text
    moves with the wheel and the arrow; maximised, the text fits and the bar
    goes; restored, the bar is back."""
    folder = s.folder("report")
    write_settings(folder, dict(OFFLINE, mainframe_layout=2))
    library = GameFiles.LIBRARIES[1][0]
    game_files(s, folder, ["libraries/" + library], {"/maven/" + library: {"status": 404}})
    s.java_script(os.path.join(s.work, "report-java.txt"))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    at(s, main, "launch_big")
    report = s.probe.wait_window(text="下载失败", timeout=40)
    # The text 8 pixels from the edges, above the 25-pixel "确定" and its margins.
    margin = 8

    def edit(window):
        return (margin, TITLE + margin, width_of(s, window) - 2 * margin,
                height_of(s, window) - TITLE - 3 * margin - 25)

    scrolls_by_wheel_and_arrow(s, report, edit(report))
    restored = report["rect"]
    for step in ("maximised", "restored"):
        # The title bar's maximise button, left of the close button.
        s.probe.click(report, (width_of(s, report) - TITLE * 1.5) * s.factor, TITLE / 2 * s.factor)
        report = s.probe.wait(lambda ws: next((w for w in ws if w["hwnd"] == report["hwnd"] and
                                               (w["rect"] == restored) == (step == "restored")), None),
                              "the report %s" % step, 20)
    x, y, w, h = edit(report)

    def bar(colour):  # grey: not the text's white, nor the black of a window not painted yet
        return 60 < min(colour) < 240

    track = settled(lambda: s.probe.pixel(report, (x + w - BAR / 2) * s.factor, (y + h / 2) * s.factor), bar)
    check(bar(track), "restored, the report shows no bar beside its text (%s there)" % (track,))
    s.probe.capture(report, s.artifact("e2e-failure-report-restored.png"), s.wine)
    s.probe.close_and_wait(report)
    s.probe.close(s.probe.wait_window(prefix="正在下载需要的文件", timeout=10))
    wait_title(s, main, MAIN_TITLE)
    close_and_exit(s, launcher, main)


JOURNEYS = [views_scroll_and_fields_take_typing, failure_report_scrolls_and_keeps_its_bar]
