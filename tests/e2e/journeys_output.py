"""The game's console window and the notice of a game that ended badly, end
to end: the second launcher process that shows the output, the run mode
that refuses a bad handle, and "TRELM - 游戏异常退出" for each crash, also
when the game ends while the main window is being dragged."""

import os
import time

from game_tree import VERSION, write_settings
from harness import Failure, check
from journeys import (MAIN_TITLE, OFFLINE, at, close_and_exit, game_files, main_window, remove, wait_runs, wait_title,
                      wait_until, watch_until_exit)

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


def launch(s, main, record, count):
    """One click on the launch button; back when the game has started and
    the main window is idle again. A click that came before the window took
    input (its title never changed) is given once more."""
    for attempt in (1, 2):
        s.probe.seen.clear()
        at(s, main, "launch_big")
        try:
            wait_runs(s, record, count, timeout=8 if attempt == 1 else 30)
            break
        except Failure:
            if attempt == 2 or s.probe.seen - {MAIN_TITLE, ""}:
                raise
    wait_title(s, main, MAIN_TITLE)


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
    s.java_script(record, "window=1\n" + GAME_LINES + "waitfile=%s\nexit=0\n" % s.wine.dos(go))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1)
    output = s.probe.wait_window(text=OUTPUT_PREFIX + VERSION, timeout=20)
    check(output["pid"] != main["pid"], "the output window belongs to the launcher's own process")
    check(output["topmost"] and output["owner"] == 0, "the output window is %s" % output)
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


def output_mode_without_a_usable_handle_ends_at_once(s):
    """"-redirect_output" with no handle, or one that names no shared block:
    no window, the process ends at once with 0."""
    folder = s.folder("badhandle")
    for args in (["-redirect_output"], ["-redirect_output", "zz"], ["-redirect_output", "00001234"]):
        s.probe.seen.clear()
        run = s.start(folder, args=args)
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
    bar (the system's move loop): the notice still comes."""
    folder = launcher_folder(s, "dragged")
    record = os.path.join(s.work, "dragged-java.txt")
    go = os.path.join(s.work, "dragged-go.txt")
    remove(go)
    s.java_script(record, "window=1\nwaitfile=%s\nexit=1\n" % s.wine.dos(go))
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1)
    held = s.probe.call("press", main["hwnd"], int(300 * s.factor), int(12 * s.factor))
    try:
        check(held["moving"], "holding the title bar started no move loop")
        open(go, "w").close()
        wait_until(s, lambda: not fake_java_pids(s), "the game to end")
        time.sleep(1.0)
    finally:
        s.probe.call("release")
    notice = s.probe.wait_window(text=EXIT_TITLE, owner=0, timeout=10)
    s.probe.close_and_wait(notice)
    close_and_exit(s, launcher, main)


JOURNEYS = [
    output_window_runs_beside_the_game,
    output_mode_without_a_usable_handle_ends_at_once,
    crashes_get_one_notice_each,
    crash_while_the_main_window_is_dragged,
]
