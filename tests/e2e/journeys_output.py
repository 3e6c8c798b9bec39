"""The game's console window and the notice of a game that ended badly, end
to end: the second launcher process that shows the output, the run mode
that refuses a bad handle, "TRELM - 游戏异常退出" for each crash, also
when the game ends while the main window is being dragged, the notice when
the output window cannot be opened, and a burst of output searched, with
the server-information window beside it."""

import json
import os
import socket
import subprocess
import sys
import time

from game_tree import VERSION, write_settings
from harness import check
from journeys import (MAIN_TITLE, OFFLINE, close_and_exit, dark_pixels, game_files, java_runs, launch, launch_into,
                      main_window, open_server_info, remove, settled, wait_text, wait_title, wait_until, watch_until_exit)

OUTPUT_PREFIX = "Output - Minecraft "
EXIT_TITLE = "TRELM - 游戏异常退出"
GAME_LINES = ("stdout=[12:00:00] [Client thread/INFO]: Setting user: Tester\n"
              "stdout=[12:00:01] [Client thread/WARN]: Skipping bad option\n"
              "stdout=[12:00:02] [Server thread/ERROR]: Encountered an unexpected exception\n"
              "stdout=[12:00:03] [Client thread/FATAL]: Unreported exception thrown!\n"
              "stderr=java.lang.IllegalStateException: e2e\n")


def launcher_folder(s, name, **settings):
    folder = s.folder(name)
    write_settings(folder, dict(OFFLINE, mainframe_layout=2, **settings))
    game_files(s, folder)
    return folder


def alive(s, pid):
    return s.probe.call("alive", pid)["alive"]


def fake_java_pids(s):
    return {w["pid"] for w in s.probe.call("list", "QuorvelFakeToolWindow")["windows"]}


def exit_notices(s):
    return [w for w in s.probe.windows() if w["text"] == EXIT_TITLE]


def output_window_runs_beside_the_game(s):
    """"显示游戏控制台输出": a second launcher process shows the game's output,
    on top at start; closing it ends that process and leaves the game
    running; after a game's end the window shows its closing line."""
    folder = launcher_folder(s, "output", output_game_log=True)
    record = os.path.join(s.work, "output-java.txt")
    go = os.path.join(s.work, "output-go.txt")
    remove(go)
    s.java_script(record, "window=show\n" + GAME_LINES + "waitfile=%s\nexit=0\n" % s.wine.dos(go))
    try:
        launcher = s.start(folder)
        main = main_window(s, launcher)
        launch(s, main, record, 1)
        output = s.probe.wait_window(text=OUTPUT_PREFIX + VERSION, timeout=20)
        check(output["pid"] != main["pid"], "the output window belongs to the launcher's own process")
        check(output["owner"] == 0, "the output window is %s" % output)
        # Its title comes with the window; it goes on top a moment later.
        wait_until(s, lambda: (s.probe.find(output["hwnd"]) or {}).get("topmost"), "the output window on top", 20)
        games = fake_java_pids(s)
        check(len(games) == 1, "fake Java windows: %s" % games)
        s.probe.close(output)
        wait_until(s, lambda: not alive(s, output["pid"]), "the output process to end")
        check(fake_java_pids(s) == games, "closing the output window ended the game")

        # The second game ends at once: its window keeps the closing line.
        open(go, "w").close()
        wait_until(s, lambda: not fake_java_pids(s), "the first game to end")
        launch(s, main, record, 2)
        output = s.probe.wait_window(text=OUTPUT_PREFIX + VERSION, timeout=20)
        wait_until(s, lambda: not fake_java_pids(s), "the second game to end")
        time.sleep(1.5)  # the relay's exit report and a paint
        s.probe.capture(output, s.artifact("e2e-output-window.png"), s.wine)
        s.probe.close(output)
        wait_until(s, lambda: not alive(s, output["pid"]), "the second output process to end")
        check(not exit_notices(s), "a game that ended with 0 got a notice")
        close_and_exit(s, launcher, main)
    finally:
        open(go, "w").close()  # a game left waiting would outlive the journey


def output_mode_without_a_usable_handle_ends_at_once(s):
    """"-redirect_output" with no handle, or one that names no shared block:
    no window, the process ends at once with 0, also when the server address
    file is unusable (that box is the launcher's, never the game's window's)."""
    folder = s.folder("badhandle")
    bad = os.path.join(folder, "servers.json")
    with open(bad, "w") as out:
        out.write("{")
    for args, endpoints in ((["-redirect_output"], None), (["-redirect_output", "zz"], None),
                            (["-redirect_output", "00001234"], None), (["-redirect_output", "zz"], bad)):
        s.probe.seen.clear()
        run = s.start(folder, args=args, endpoints=endpoints)
        watch_until_exit(s, run, 15)
        check(run.wait_exit(1) == 0, "%s did not end with 0" % args)
        check(not [t for t in s.probe.seen if t.startswith("Output")], "%s opened %s" % (args, s.probe.seen))


def crashes_get_one_notice_each(s):
    """A game that writes a crash report and exits with 1 gets the notice;
    one that exits with 0 gets none; two crashes get two notices, which keep
    the launcher running after its main window has closed."""
    folder = launcher_folder(s, "crash")
    record = os.path.join(s.work, "crash-java.txt")
    crash = "window=1\nsleep=1200\nwritefile=crash-reports\\crash-1.txt|---- Minecraft Crash Report ----\nexit=1\n"
    s.java_script(record, crash)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1)
    notice = s.probe.wait_window(text=EXIT_TITLE, owner=0, timeout=20)
    check(os.path.exists(os.path.join(folder, ".minecraft", "crash-reports", "crash-1.txt")),
          "the game wrote its report elsewhere")
    time.sleep(0.5)
    s.probe.capture(notice, s.artifact("e2e-game-exit-notice.png"), s.wine)
    s.probe.close_and_wait(notice)

    s.java_script(record, "window=1\nexit=0\n")
    launch(s, main, record, 2)
    wait_until(s, lambda: not fake_java_pids(s), "the clean game to end")
    time.sleep(1.5)
    check(not exit_notices(s), "a game that ended with 0 got a notice")

    s.java_script(record, crash)
    launch(s, main, record, 3)
    launch(s, main, record, 4)
    wait_until(s, lambda: len(exit_notices(s)) == 2, "two notices", 20)
    s.probe.close_and_wait(main)
    for notice in exit_notices(s):
        time.sleep(1.0)
        check(launcher.process.poll() is None, "the launcher ended while a notice was open")
        s.probe.close(notice)
    check(launcher.wait_exit(15) == 0, "the launcher did not end with 0")


def crash_while_the_main_window_is_dragged(s):
    """The game ends while the player holds the main window by its title
    bar (the system's move loop): the notice comes while it is held."""
    folder = launcher_folder(s, "dragged")
    record = os.path.join(s.work, "dragged-java.txt")
    go = os.path.join(s.work, "dragged-go.txt")
    remove(go)
    s.java_script(record, "window=show\nwaitfile=%s\nexit=1\n" % s.wine.dos(go))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1)
    held = s.probe.call("press", main["hwnd"], int(300 * s.factor), int(12 * s.factor), 10000)
    try:
        check(held["moving"], "holding the title bar started no move loop")
        open(go, "w").close()
        notice = s.probe.wait_window(text=EXIT_TITLE, owner=0, timeout=20)
    finally:
        s.probe.call("release")
    s.probe.close_and_wait(notice)
    close_and_exit(s, launcher, main)


def output_window_that_cannot_open_is_reported(s):
    """The output window's program cannot be started (the launcher's file
    was moved away after it started): the game still starts, writes 100,000
    lines that nobody reads and ends normally, and the player is told."""
    folder = s.folder("norelay")
    write_settings(folder, dict(OFFLINE, mainframe_layout=1, output_game_log=True, dont_check_assets=True))
    game_files(s, folder)
    record = os.path.join(s.work, "norelay-java.txt")
    done = os.path.join(s.work, "norelay-done.txt")
    remove(done)
    s.java_script(record, "window=1\nstdout.lines=100000|[12:00:00] [Client thread/INFO]: a line nobody reads\n"
                          "writefile=%s|done\nexit=0\n" % s.wine.dos(done))
    exe = os.path.join(folder, "QuorvelLauncher.exe")
    launcher = s.start(folder)
    main = main_window(s, launcher)
    os.rename(exe, exe + ".moved")
    try:
        launch_into(s, main, "panel_launch", MAIN_TITLE + " - ")
        notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=30)
        s.probe.capture(notice, s.artifact("e2e-output-window-not-opened.png"), s.wine)
        wait_until(s, lambda: os.path.exists(done), "the game's last write", 30)
        wait_until(s, lambda: not fake_java_pids(s), "the game to end")
        check(not exit_notices(s), "the game did not end with 0")
        check(not [w for w in s.probe.windows() if w["text"].startswith(OUTPUT_PREFIX)], "an output window opened")
        check(java_runs(record)[-1]["stdout"] == "pipe", "the game's output went to %s" % java_runs(record)[-1])
        s.probe.close_and_wait(notice)
        wait_title(s, main, MAIN_TITLE)
        close_and_exit(s, launcher, main)
    finally:
        os.rename(exe + ".moved", exe)


# The output window's row under its 28-pixel title bar (logical pixels of the
# window): the search field and "向下搜索"; the log starts below, at 61.
TITLE_BAR = 28
SEARCH_FIELD, SEARCH_BUTTON, LOG_TOP, LOG_POINT = (292, 44), (426, 44), 61, (300, 200)
# The server icon in the main window with the launch panel hidden.
SERVER_ICON = (81, 288)
# Wine's highlight colour, which the rich edits select with.
HIGHLIGHT = "3096FA"
BAR = 14  # a scroll bar's thickness


class StatusServer:
    """tests/services/status_server.py on 127.0.0.1 while the journey runs;
    it logs each connection."""

    def __init__(self, s):
        self.log = os.path.join(s.host_work, "status-server.log")
        ports = os.path.join(s.host_work, "status-ports.json")
        remove(ports)
        script = os.path.join(s.source, "tests", "services", "status_server.py")
        self.process = subprocess.Popen([sys.executable, script, "--port-file", ports, "--log", self.log])
        deadline = time.monotonic() + 20
        while not os.path.exists(ports):
            check(time.monotonic() < deadline and self.process.poll() is None, "the status server did not start")
            time.sleep(0.1)
        with open(ports) as source:
            table = json.load(source)
        self.ports = table["scripts"]
        self.lifeline = socket.create_connection(("127.0.0.1", table["control"]))

    def connections(self, script):
        with open(self.log, encoding="utf-8") as source:
            return sum(1 for line in source if line.split(" ", 1)[-1].strip() == script + ": connection")

    def stop(self):
        self.lifeline.close()
        self.process.wait(10)


def client_size(window):
    left, top, right, bottom = window["client"]
    return right - left, bottom - top


def highlighted(s, window, top, factor):
    """Pixels of the selection's colour in a window's client area below `top`."""
    width, height = client_size(window)
    return s.probe.call("count", window["hwnd"], 0, int(top * factor), width, int(height - top * factor),
                        HIGHLIGHT, 24)["count"]


TOP_LINES = (0, TITLE_BAR, 240, 40)  # the server information's "时间：" and the query's time


def top_lines(s, window):
    """The server information's first lines on the screen, None while they
    show no text."""
    x, y, width, height = (int(round(v * s.factor)) for v in TOP_LINES)
    rows = s.probe.call("pixels", window["hwnd"], x, y, width, height)["rows"]
    return rows if 0 < dark_pixels(s, window, TOP_LINES) < width * height / 2 else None


def ink_at_right(s, window):
    """Dark pixels in a band near the right edge of a text window, under
    its title bar: short labels leave it white, a wall of base64 fills it."""
    width, height = client_size(window)
    top = int(TITLE_BAR * s.factor)
    return s.probe.call("count", window["hwnd"], int(width * 0.84), top, int(width * 0.1), height - top, "000000",
                        120)["count"]


def burst_search_and_server_info(s):
    """A game writes 5,000 lines in a burst, and its last words a moment
    later: the output window shows them, and "向下搜索" finds and selects
    them with no click into the log first. The server-information window
    (Ctrl+click on the server icon) opens at its top, not at the end of the
    icon's base64, and stays there when a click on the icon refreshes it."""
    go = os.path.join(s.work, "burst-go.txt")
    remove(go)
    server = StatusServer(s)
    try:
        port = server.ports["big_favicon"]
        folder = launcher_folder(s, "burst", output_game_log=True,
                                 motd={"enable": True, "address": "127.0.0.1:%d" % port})
        record = os.path.join(s.work, "burst-java.txt")
        burst = "".join("stdout=[12:00:00] [Client thread/INFO]: burst %04d\n" % i for i in range(5000))
        s.java_script(record, "window=show\n" + burst + "sleep=1500\n"
                      "stdout=[12:00:09] [Client thread/FATAL]: the last words\nwaitfile=%s\nexit=0\n" % s.wine.dos(go))
        launcher = s.start(folder)
        main = main_window(s, launcher)
        launch(s, main, record, 1)
        output = s.probe.wait_window(text=OUTPUT_PREFIX + VERSION, timeout=20)
        f = s.factor

        def copied_from(point, select_all=False):
            """The right-click menu of the edit at point: "全选", then
            "复制"; what reached the clipboard (nothing, when the keys went
            to another window)."""
            s.probe.call("emptyclipboard")
            x, y = int(point[0] * f), int(point[1] * f)
            if select_all:
                s.probe.call("rightclick", output["hwnd"], x, y)
                s.probe.call("key", output["hwnd"], "a")
                s.probe.call("key", output["hwnd"], "esc")  # the menu stays while its item is disabled
            s.probe.call("rightclick", output["hwnd"], x, y)
            s.probe.call("key", output["hwnd"], "c")
            s.probe.call("key", output["hwnd"], "esc")
            return s.probe.call("clipboard")["text"]

        # Typed into the field until it holds the text: the main window may
        # take the focus back once the launch is over, and a key meant for a
        # menu that did not open lands in the field. Its own menu selects it
        # all, so nothing touches the log's selection.
        deadline = time.monotonic() + 40
        found = ""
        while found != "the last words" and time.monotonic() < deadline:
            if copied_from(SEARCH_FIELD, True) != "the last words":
                s.probe.call("rightclick", output["hwnd"], int(SEARCH_FIELD[0] * f), int(SEARCH_FIELD[1] * f))
                s.probe.call("key", output["hwnd"], "a")
                s.probe.call("key", output["hwnd"], "esc")
                s.probe.type(output, "the last words")
                continue
            s.probe.click(output, SEARCH_BUTTON[0] * f, SEARCH_BUTTON[1] * f)
            time.sleep(0.3)
            found = copied_from(LOG_POINT)
        check(found == "the last words", "the search never selected the game's last line (copied %r)" % found[:80])
        s.probe.capture(output, s.artifact("e2e-output-burst-search.png"), s.wine)
        # The menu's last repaint may still be on its way.
        wait_until(s, lambda: highlighted(s, output, LOG_TOP, f) > 50, "the selected match to be shown selected", 20)

        # The log is far taller than 65,535 pixels: the bar's thumb dragged to
        # the top leaves the selected last line, dragged back to the bottom
        # shows it again.
        width, height = client_size(output)
        bar_x, track_top, track_bottom = width - int(BAR * f / 2), int((LOG_TOP + BAR) * f) + 3, height - int(BAR * f) - 3
        for start, end, shown in ((track_bottom, track_top, False), (track_top, height - 1, True)):
            s.probe.call("press", output["hwnd"], bar_x, start)
            s.probe.call("move", output["hwnd"], bar_x, end)
            s.probe.call("release")
            wait_until(s, lambda: (highlighted(s, output, LOG_TOP, f) > 50) == shown,
                       "the thumb dragged to the %s to show the log's %s" % (("top", "start") if not shown else
                                                                            ("bottom", "last line")), 20)

        # The server-information window; the output window (on top) moves
        # out of the way, and the information window off the icon.
        s.probe.call("place", output["hwnd"], 0, main["rect"][3] + 10)
        wait_until(s, lambda: server.connections("big_favicon") >= 1, "the first status query")
        info = open_server_info(s, main, SERVER_ICON)
        check(info["text"] == "服务器信息 - 127.0.0.1:%d" % port, "the server information is titled %r" % info["text"])
        wait_text(s, info, TOP_LINES, "the server information's text")
        shown = top_lines(s, info)
        s.probe.capture(info, s.artifact("e2e-server-info-open.png"), s.wine)
        check(ink_at_right(s, info) < 40, "the server information opened away from its top")
        s.probe.call("place", info["hwnd"], 640, 0)  # the right half of the 1280-pixel screen
        queries = server.connections("big_favicon")
        s.probe.click(main, SERVER_ICON[0] * f, SERVER_ICON[1] * f)
        wait_until(s, lambda: server.connections("big_favicon") > queries, "the refresh's query")
        # Its answer brings a later time: looked for, not required, before the check.
        settled(lambda: top_lines(s, info), lambda lines: lines not in (None, shown))
        s.probe.capture(info, s.artifact("e2e-server-info-refreshed.png"), s.wine)
        check(ink_at_right(s, info) < 40, "the refresh moved the server information away from the reader's place")
        s.probe.close_and_wait(info)
        open(go, "w").close()
        wait_until(s, lambda: not fake_java_pids(s), "the game to end")
        s.probe.close(output)
        wait_until(s, lambda: not alive(s, output["pid"]), "the output process to end")
        close_and_exit(s, launcher, main)
    finally:
        open(go, "w").close()  # a game left waiting would outlive the journey
        server.stop()


JOURNEYS = [
    output_window_runs_beside_the_game,
    output_mode_without_a_usable_handle_ends_at_once,
    crashes_get_one_notice_each,
    crash_while_the_main_window_is_dragged,
    output_window_that_cannot_open_is_reported,
    burst_search_and_server_info,
]
