"""What hostile servers, damaged files and hasty hands may not do to the
launcher, end to end: a sign-in server's error text is shown as it is (no
mark-up, no live link), settings and account files that cannot be read are
kept beside the new ones, with one notice, instead of being written over,
and clicks that come faster than a game starts start one game."""

import json
import os
import struct
import time
import zlib

from game_tree import VERSION, read_utf16_json, write_settings
from harness import check
from journeys import (ACCOUNT, LAYOUT, MAIN_TITLE, OFFLINE, account_file, at, close_and_exit, game_files,
                      java_runs, main_window, read_bytes, remove, started, wait_runs, wait_text, wait_title)
from journeys_versions import open_main_menu

# Red bold text, then a link to a program on the machine: what the server's
# errorMessage tried to put in the box.
RED_RUN = "红" * 20
LINK_RUN = "链" * 300


def png_pixels(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG."""
    data = read_bytes(path)
    pos, chunks, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", body)
            check(depth == 8 and colour in (2, 6), "capture format depth %d colour type %d" % (depth, colour))
            step = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + length
    raw, stride, rows, previous = zlib.decompress(chunks), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = previous[i], previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def red_pixels(s, window, name):
    path = s.artifact(name)
    s.probe.capture(window, path, s.wine)
    _, _, rows = png_pixels(path)
    return sum(1 for row in rows for r, g, b in row if r > 180 and g < 80 and b < 80)


def sign_in_error_is_shown_as_text(s):
    """The sign-in server refuses with an errorMessage of mark-up: red bold
    text and a link that would run a program. The box shows the text as it
    is: nothing red, and a click where the link would be runs nothing."""
    folder = s.folder("hostile_auth")
    write_settings(folder, {"user_type": "yggdrasil", "ygg_account": ACCOUNT, "game_ver": VERSION,
                            "dont_check_assets": True, "mainframe_layout": 1})
    game_files(s, folder)
    program = s.wine.dos(os.path.join(s.java_home, "bin", "javaw.exe"))
    message = '<b><color cr="ff0000">%s</color></b><a href="%s">%s</a>' % (RED_RUN, program, LINK_RUN)
    s.auth.reset()
    s.auth.routes({"/authenticate": {"status": 403, "headers": {"Content-Type": "application/json"},
                                     "body": json.dumps({"errorMessage": message})}})
    record = os.path.join(s.work, "hostile-auth-java.txt")
    remove(record)
    s.java_script(record)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    at(s, main, "password")
    s.probe.type(main, "secret")
    at(s, main, "panel_launch")
    box = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=30)
    # Its first lines drawn first: a box not painted yet shows no red either.
    wait_text(s, box, (5, 32, 200, 40), "the sign-in box's text")
    red = red_pixels(s, box, "e2e-hardening-sign-in-box.png")
    check(red == 0, "the sign-in box shows %d red pixels: the server's mark-up was drawn" % red)
    # The link's text would fill the lines below "errorMessage:" (from the
    # fifth line down); click across them.
    for x in (150, 300, 450):
        s.probe.click(box, x * s.factor, 135 * s.factor)
    time.sleep(1.5)
    check(not java_runs(record), "a click in the sign-in box started the server's program")
    check(s.probe.find(box["hwnd"]) is not None, "the box went away on a click into its text")
    s.probe.close_and_wait(box)
    close_and_exit(s, launcher, main)
    check(not java_runs(record), "the server's program ran")


def unreadable_files_are_kept_and_the_player_told(s):
    """A settings file cut 40 bytes short and an account file cut short:
    one notice before the main window, both kept as ".bad" beside the new
    ones written at exit, and the kept files never written over."""
    folder = s.folder("damaged_files")
    write_settings(folder, {"offline_name": "Keeper", "java_xmx": 3072, "custom_game_arg": {"enable": True,
                                                                                           "mc_addition_arg_tail": "--x"},
                            "game_ver_setting_map": [{"original": VERSION, "alias": "mine", "hidden": False}]})
    settings = os.path.join(folder, "quorvel_launcher", "setting.json")
    damaged = read_bytes(settings)[:-40]
    with open(settings, "wb") as out:
        out.write(damaged)
    accounts = account_file(s)
    cut_accounts = b"\xff\xfe" + '{"offline_account_list": [{"name": "Kept"}'.encode("utf-16-le")
    with open(accounts, "wb") as out:
        out.write(cut_accounts)
    try:
        launcher = s.start(folder)
        notice = s.probe.wait_window(text="TRELM", owner=0, timeout=30, process=launcher.process)
        check(not [w for w in s.probe.windows() if w["text"].startswith(MAIN_TITLE)],
              "the main window opened before the notice")
        check(read_bytes(settings + ".bad") == damaged, "setting.json.bad does not hold the unread file")
        check(read_bytes(accounts + ".bad") == cut_accounts, "trelm_account.json.bad does not hold the unread file")
        s.probe.capture(notice, s.artifact("e2e-hardening-unread-files.png"), s.wine)
        s.probe.close_and_wait(notice)
        main = main_window(s, launcher)
        # The folder holds no game: the main window waits in that notice and ignores closing meanwhile.
        s.probe.close_and_wait(s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15))
        close_and_exit(s, launcher, main)
        check(read_utf16_json(settings)["offline_name"] == "quorvel", "the new setting.json does not hold the defaults")
        check(read_bytes(settings + ".bad") == damaged, "setting.json.bad was written over")
        check(read_bytes(accounts + ".bad") == cut_accounts, "trelm_account.json.bad was written over")
        read_utf16_json(accounts)  # a good file again
    finally:
        # The account file is the prefix's: no journey after this one may meet a cut one.
        remove(accounts + ".bad")
        remove(accounts)


GAME_WINDOW = "QuorvelFakeToolWindow"


def idle_after_game_window(s, main, timeout=30):
    """Watches the main window's title and the fake game's windows until
    the title is idle again; returns the seconds from the game's window
    first seen to the idle title first seen. The title is read before the
    game's windows at each look, and a game's window never hides again: an
    idle title with no game window yet is a launch that ended too soon."""
    shown_at = None
    deadline = time.monotonic() + timeout
    while True:
        window = s.probe.find(main["hwnd"])
        idle = window is not None and window["text"] == MAIN_TITLE
        shown = bool(s.probe.windows(GAME_WINDOW))
        now = time.monotonic()
        if shown and shown_at is None:
            shown_at = now
        if idle:
            check(shown, "the launch ended before the game's window showed")
            return now - shown_at
        check(now < deadline, "the main window was still busy %d s after the game's window was asked for" % timeout)
        time.sleep(0.05)


def one_start_while_the_game_loads(s):
    """A launch is busy until the game shows a window, ends, or 10 s pass.
    java.exe, a console program whose wait for input returns at once, shows
    its window only when the test says so: a double-click, a quick triple
    and a click 4 s later all fall in the wait and start one game, the
    window is still busy when the game's window is asked for, and idle again
    soon after it shows, long before the 10-s bound. javaw.exe, whose
    hidden windows are idle at once, never shows one: the same clicks start
    one game, and the window is idle and closes by the 10-s bound. That no
    click started a second game is read once the menu opens: the menu button
    takes a click only when idle, after every earlier click was handled."""
    folder = s.folder("oneclick")
    game_files(s, folder)
    record = os.path.join(s.work, "oneclick-java.txt")
    show, go = os.path.join(s.work, "oneclick-show.txt"), os.path.join(s.work, "oneclick-go.txt")
    button = ["%d" % round(v * s.factor) for v in LAYOUT["launch_big"]]
    games = (("java.exe", "waitfile=%s\nwindow=show\n" % s.wine.dos(show)), ("javaw.exe", "window=1\n"))
    try:
        for exe, loading in games:
            for path in (record, show, go):
                remove(path)
            s.java_script(record, loading + "waitfile=%s\nexit=0\n" % s.wine.dos(go))
            write_settings(folder, dict(OFFLINE, mainframe_layout=2, use_javaexe=exe == "java.exe",
                                        dont_check_assets=True))
            launcher = s.start(folder)
            main = main_window(s, launcher)
            s.probe.call("clicks", main["hwnd"], *button, "90")
            if not started(s, record, 1, 8):
                # The window shows a moment before it takes a click.
                s.probe.call("clicks", main["hwnd"], *button, "90")
            wait_runs(s, record, 1)
            began = time.monotonic()
            s.probe.call("clicks", main["hwnd"], *button, "130,870")
            time.sleep(max(0.0, began + 4 - time.monotonic()))  # a player trying again, 4 s into the wait
            s.probe.call("clicks", main["hwnd"], *button, "0")
            if exe == "java.exe":
                busy = s.probe.find(main["hwnd"])
                check(busy and busy["text"] != MAIN_TITLE,
                      "the launch ended %.1f s into the game's start, with no window of it" % (time.monotonic() - began))
                open(show, "w").close()
                # The launcher looks every 50 ms; the 10-s bound would come
                # some 5 s after the window.
                waited = idle_after_game_window(s, main)
                check(waited < 2, "the window stayed busy %.1f s after the game's window showed" % waited)
            else:
                wait_title(s, main, MAIN_TITLE, timeout=20)
                # Seen from here: the game started before its record, the title came back before this look.
                waited = time.monotonic() - began
                check(waited < 10 + 3, "the window stayed busy %.1f s after the game started" % waited)
            open_main_menu(s, main)
            runs = java_runs(record)
            check(len(runs) == 1, "clicks while %s loaded started %d games" % (exe, len(runs)))
            check(runs[0]["module"].endswith("\\" + exe), "%s was started, not %s" % (runs[0]["module"], exe))
            close_and_exit(s, launcher, main)
            open(go, "w").close()
    finally:
        open(go, "w").close()  # a game left waiting would outlive the journey


JOURNEYS = [
    sign_in_error_is_shown_as_text,
    unreadable_files_are_kept_and_the_player_told,
    one_start_while_the_game_loads,
]
