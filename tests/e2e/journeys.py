"""What a player does with the launcher, end to end: the real executable in
its own folder under Wine, driven through its windows by the probe, checked
by what it does (files written, the fake Java's record of its command line,
requests the local servers saw, window texts, exit codes, screenshots)."""

import base64
import json
import os
import re
import shutil
import time

from game_tree import (ARGUMENTS, MAIN_CLASS, NATIVE_FILE, VERSION, GameFiles, read_link, read_utf16_json,
                       write_settings)
from harness import Failure, check

MAIN_TITLE = "TRELM v1.2.4.0"
VERSION_TEXT = "1.2.4.0-release"
HEAP_DUMP = "-XX:HeapDumpPath=MojangTricksIntelDriversForPerformance_javaw.exe_minecraft.exe.heapdump"
# The name-based offline uuid of "Tester": SHA-1 over 16 zero bytes and the
# name's UTF-16 units widened to four bytes, version 5 and variant bits set.
TESTER_UUID = "b2d32504d760566ca6b7f90b4a7524a8"

# Where the main window's controls are, in logical pixels of the window
# (the title bar is 28 high; the panel and the status row sit below it).
LAYOUT = {
    "launch_big": (544, 353),    # the status row's launch button, panel hidden
    "panel_launch": (576, 392),  # "启动Minecraft" in the launch panel
    "password": (606, 169),
    "remember": (552, 197),      # "记住密码"
    "shortcut": (492, 321),      # "启动后创建快捷方式"
    "menu": (-106, 14),          # the title bar's menu button, left of the three window buttons
}
OFFLINE = {"user_type": "offline", "offline_name": "Tester", "game_ver": VERSION}


# ---------------------------------------------------------------- helpers

def click_at(s, window, point):
    """A click at a point in logical pixels of the window."""
    s.probe.click(window, point[0] * s.factor, point[1] * s.factor)


def at(s, window, name):
    click_at(s, window, LAYOUT[name])


def box_button(s, box, index, count):
    """Clicks a framework message box's button: a row of equal buttons at
    the bottom right, 75 x 25 with 12 between and around them."""
    gap, width, height = 12 * s.factor, 75 * s.factor, 25 * s.factor
    x = -(gap + (count - 1 - index) * (width + gap) + width / 2)
    s.probe.click(box, x, -(gap + height / 2))


def box_icon(s, box):
    """"info" or "error" from the colour of a framework box's 40-pixel icon,
    sampled on its badge away from the white mark."""
    size, left, top = 40 * s.factor, 4 * s.factor, 32 * s.factor
    colours = [s.probe.pixel(box, left + fx * size, top + fy * size) for fx, fy in ((0.2, 0.5), (0.8, 0.5),
                                                                                    (0.5, 0.85))]
    if all(r > 180 and g < 110 and b < 110 for r, g, b in colours):
        return "error"
    if all(b > 180 and r < 110 for r, g, b in colours):
        return "info"
    return "unknown %s" % colours


def settled(read, good, timeout=15):
    """read()'s value once good(value), else its last value when the time is
    up: a window is listed a moment before its first paint, and longer on a
    busy machine, so a look at the screen is taken again until it shows what
    is awaited. The caller checks the value."""
    deadline = time.monotonic() + timeout
    value = read()
    while not good(value) and time.monotonic() < deadline:
        time.sleep(0.1)
        value = read()
    return value


def check_icon(s, box, expected, what):
    """The box's icon is `expected` once the box has painted it."""
    shown = settled(lambda: box_icon(s, box), lambda icon: icon == expected)
    check(shown == expected, "%s shows %s, not %s" % (what, shown, expected))


def dark_pixels(s, window, rect):
    """Pixels of text (each channel at most 128) in a rectangle (x, y, width,
    height) of logical pixels of the window."""
    x, y, width, height = (int(round(v * s.factor)) for v in rect)
    return s.probe.call("count", window["hwnd"], x, y, width, height, "000000", 128)["count"]


def wait_text(s, window, rect, what, timeout=15):
    """Until text shows in that rectangle: a list fills, and a button darkens
    its label, only once the answer they wait for is in. A window not painted
    yet may show black there, which is no text."""
    area = rect[2] * rect[3] * s.factor ** 2
    wait_until(s, lambda: 0 < dark_pixels(s, window, rect) < area / 2, what, timeout)


def main_window(s, launcher=None, timeout=40):
    process = getattr(launcher, "process", launcher)
    return s.probe.wait_window(text=MAIN_TITLE, owner=0, timeout=timeout, process=process)


def launch_into(s, main, name, busy, timeout=20):
    """Clicks a launch button and returns the window whose title starts with
    `busy`. The launcher takes the click only once it has listed its versions
    and Javas, a moment after its window shows and longer on a busy machine:
    a click after which no window title changed is given again."""
    for attempt in (1, 2, 3):
        s.probe.seen.clear()
        at(s, main, name)
        try:
            return s.probe.wait_window(prefix=busy, timeout=5 if attempt < 3 else timeout)
        except Failure:
            if attempt == 3 or s.probe.seen - {MAIN_TITLE, ""}:
                raise


def open_server_info(s, main, icon, process=None):
    """Ctrl+click on the server status icon (logical pixels of the main
    window): its information window. A click that opened nothing is given
    again: the icon opens it only once its query has begun, and on a busy
    machine one was seen to open nothing; a click while it is open does
    nothing, one taken as a plain click only asks the server again."""
    for attempt in (1, 2, 3):
        s.probe.call("clickwith", main["hwnd"], int(icon[0] * s.factor), int(icon[1] * s.factor), "ctrl")
        try:
            return s.probe.wait_window(prefix="服务器信息", timeout=5 if attempt < 3 else 20, process=process)
        except Failure:
            if attempt == 3:
                raise


def wait_title(s, main, text, timeout=30):
    s.probe.wait(lambda ws: any(w["hwnd"] == main["hwnd"] and w["text"] == text for w in ws),
                 "the main window's title %r" % text, timeout)


def started(s, record, count, timeout):
    """Whether the fake Java's record holds count starts within the time."""
    try:
        wait_runs(s, record, count, timeout)
        return True
    except Failure:
        return False


def launch(s, main, record, count, button="launch_big"):
    """One click on a launch button; back when the game has started and
    the main window is idle again. A click that came before the window took
    input is given once more, but only when the window is idle and no start
    came after a further wait: a launch taken on a busy machine can change
    the title between two looks and start the game only after the first
    wait, and a second click then would start it twice."""
    s.probe.seen.clear()
    at(s, main, button)
    if not started(s, record, count, 8):
        if s.probe.seen - {MAIN_TITLE, ""}:  # taken, only slow
            wait_runs(s, record, count, timeout=30)
        else:
            wait_title(s, main, MAIN_TITLE)
            if not started(s, record, count, 5):
                at(s, main, button)
                wait_runs(s, record, count, timeout=30)
    wait_title(s, main, MAIN_TITLE)


def close_and_exit(s, launcher, window, code=0):
    s.probe.close(window)
    rc = launcher.wait_exit()
    check(rc == code, "exit code %d, expected %d" % (rc, code))


def decode_record(value):
    return re.sub(r"\\u([0-9a-fA-F]{4})|\\\\", lambda m: chr(int(m.group(1), 16)) if m.group(1) else "\\", value)


def java_runs(path):
    """The fake Java's complete start records: dicts of cmdline and cwd."""
    runs, current = [], None
    if os.path.exists(path):
        with open(path, encoding="utf-8") as record:
            for line in record.read().splitlines():
                if line == "begin":
                    current = {}
                elif line == "end" and current is not None:
                    runs.append(current)
                    current = None
                elif current is not None and "=" in line:
                    key, value = line.split("=", 1)
                    current.setdefault(key, decode_record(value))
    return runs


def wait_until(s, condition, what, timeout=15):
    s.probe.wait(lambda ws: condition() or None, what, timeout)


def wait_runs(s, path, count, timeout=30):
    s.probe.wait(lambda ws: len(java_runs(path)) >= count, "%d start(s) of the fake Java" % count, timeout)
    return java_runs(path)


def watch_until_exit(s, launcher, timeout):
    """Lists the windows (their titles gather in s.probe.seen) until the
    launcher's process ends or the time is up."""
    deadline = time.monotonic() + timeout
    while launcher.process.poll() is None and time.monotonic() < deadline:
        s.probe.windows()
        time.sleep(0.05)


def account_file(s):
    return os.path.join(s.user_folder(os.path.join("AppData", "Local")), "trelm_account.json")


def remove(path):
    if os.path.exists(path):
        os.remove(path)


def read_bytes(path):
    with open(path, "rb") as source:
        return source.read()


def tree_listing(root):
    return sorted(os.path.relpath(os.path.join(d, f), root) for d, _, files in os.walk(root) for f in files)


def game_files(s, folder, leave_out=(), routes=None):
    """The version installed without leave_out; the server offers every file
    at the mirror's addresses (and routes on top)."""
    files = GameFiles(s.server.base)
    files.install(folder, leave_out)
    served = os.path.join(s.host_work, "served")
    os.makedirs(served, exist_ok=True)
    table = files.routes(served)
    table.update(routes or {})
    s.server.reset()
    s.server.routes(table)
    return files


def expected_command_line(root, player, uuid, heap=1024, extra=("", "", "", "")):
    """The command line the launcher builds for the test version, spelled out;
    extra holds the player's JVM head and tail and game head and tail."""
    mc = root + ".minecraft\\"
    classpath = [mc + "libraries\\" + p.replace("/", "\\") for p, _ in GameFiles.LIBRARIES]
    classpath.append(mc + "libraries\\" + GameFiles.NATIVES.replace("/", "\\"))
    arguments = ARGUMENTS
    for key, value in (("${auth_player_name}", player), ("${version_name}", VERSION),
                       ("${game_directory}", '"%s.minecraft"' % root),
                       ("${assets_root}", '"%sassets"' % mc), ("${assets_index_name}", VERSION),
                       ("${auth_uuid}", uuid), ("${user_properties}", "{}"), ("${user_type}", "Legacy")):
        arguments = arguments.replace(key, value)
    jvm_head, jvm_tail, game_head, game_tail = extra
    return ('"C:\\e2e\\java\\bin\\javaw.exe" %s %s -Xmx%dm %s %s "-Djava.library.path=%snative\\%s" '
            "-Dfml.ignoreInvalidMinecraftCertificates=true -Dfml.ignorePatchDiscrepancies=true "
            '-cp "%s;%sversions\\%s\\%s.jar" %s %s --height 480 --width 854  %s' %
            (jvm_head, HEAP_DUMP, heap, jvm_tail, game_head, mc, VERSION, ";".join(classpath), mc, VERSION, VERSION,
             MAIN_CLASS, arguments, game_tail))


# ---------------------------------------------------------------- journeys

def start_in_own_folder(s):
    """Double-clicked in its folder with no game: the main window with its
    title, the notice that no game was found; closing writes the settings."""
    folder = s.folder("first")
    launcher = s.start(folder)
    main = main_window(s, launcher)
    notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15)
    # With a Java found, the one notice is the information that no game is there.
    check_icon(s, notice, "info", "the notice")
    s.probe.close_and_wait(notice)
    close_and_exit(s, launcher, main)
    settings = read_utf16_json(os.path.join(folder, "quorvel_launcher", "setting.json"))
    saved = {key: settings.get(key) for key in ("trelm_version", "user_type", "game_ver", "java_version",
                                                "java_xmx", "offline_name", "mainframe_layout")}
    check(saved == {"trelm_version": VERSION_TEXT, "user_type": "offline", "game_ver": "", "java_version": "",
                    "java_xmx": -1, "offline_name": "quorvel", "mainframe_layout": 1},
          "setting.json holds %s" % saved)


def unusable_server_address_file_is_reported(s):
    """A server address file naming an unknown server is reported before the
    launcher goes on with its own addresses."""
    folder = s.folder("badaddress")
    bad = os.path.join(folder, "servers.json")
    with open(bad, "w") as out:
        json.dump({"mirrors": s.server.base}, out)
    launcher = s.start(folder, endpoints=bad)
    box = s.probe.wait_window(text="TRELM", cls="#32770", timeout=30, process=launcher.process)
    texts = s.probe.call("dialog", box["hwnd"])["statics"]
    check('服务器地址文件(%s)含有未知的成员"mirrors"' % s.wine.dos(bad) in texts, "the box says %s" % texts)
    s.probe.close(box)
    main = main_window(s, launcher)
    # The notice that no game is there: the main window waits in it and ignores closing meanwhile.
    s.probe.close_and_wait(s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15))
    close_and_exit(s, launcher, main)


def refused_from_another_folder(s):
    """Started through a shortcut whose start folder is elsewhere: a box
    explains it, the exit code is -1 and nothing is written anywhere."""
    outer = s.folder("elsewhere", exe=False)
    folder = os.path.join(outer, "app")
    os.makedirs(folder)
    shutil.copy(s.launcher_exe, folder)
    before = tree_listing(outer)
    launcher = s.start(folder, cwd=outer)
    box = s.probe.wait_window(text="TRELM", owner=0, timeout=30)
    check(not [w for w in s.probe.windows() if w["text"].startswith("TRELM v")], "a main window opened")
    check_icon(s, box, "info", "the box")
    s.probe.capture(box, s.artifact("e2e-refused-box.png"), s.wine)
    close_and_exit(s, launcher, box, code=255)
    check(tree_listing(outer) == before, "files were written: %s" % (set(tree_listing(outer)) - set(before)))


def own_folder_named_in_other_letter_case(s):
    """A start folder that differs from the launcher's only in letter case
    is the same folder on Windows: the launcher starts."""
    folder = s.folder("casefolder")
    write_settings(folder, OFFLINE)
    game_files(s, folder)
    shell = s.run_windows(["cmd", "/c", r"cd /d C:\E2E\CASEFOLDER && C:\e2e\casefolder\QuorvelLauncher.exe"],
                          s.work)
    main = main_window(s)
    s.probe.close_and_wait(main)
    shell.wait(30)


def offline_launch_downloads_missing_files(s):
    """Offline launch of a version whose client jar, one library, the natives
    jar and three asset objects are missing: the download dialog, the asset
    question answered "是", the natives extracted, the game started with the
    exact command line, the title back to its base."""
    folder = s.folder("offline")
    write_settings(folder, dict(OFFLINE, mainframe_layout=2))
    files = GameFiles(s.server.base)
    missing = ["versions/%s/%s.jar" % (VERSION, VERSION), "libraries/" + GameFiles.LIBRARIES[1][0],
               "libraries/" + GameFiles.NATIVES] + ["assets/objects/%s/%s" % (h[:2], h) for h in files.objects[1:]]
    # Slow answers keep each download dialog up long enough to be seen.
    slow = {"/version/%s/client" % VERSION: 1500, "/objects/%s/%s" % (files.objects[1][:2], files.objects[1]): 1500}
    game_files(s, folder, missing)
    served = os.path.join(s.host_work, "served")
    s.server.routes({path: {"file": os.path.join(served, f.replace("/", "_")), "delay_ms": slow[path]}
                     for f, path in files.mirror.items() if path in slow})
    record = os.path.join(s.work, "offline-java.txt")
    s.java_script(record)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch_into(s, main, "launch_big", "正在下载需要的文件")
    question = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=30)
    box_button(s, question, 0, 2)
    s.probe.wait_window(prefix="正在下载资源文件", timeout=20)
    runs = wait_runs(s, record, 1)
    wait_title(s, main, MAIN_TITLE)
    check(MAIN_TITLE + " - 正在检查游戏文件" in s.probe.seen, "the title never said it was checking the files")

    root = "C:\\e2e\\offline\\"
    check(runs[0]["cmdline"] == expected_command_line(root, "Tester", TESTER_UUID),
          "command line:\n  %s\nexpected:\n  %s" % (runs[0]["cmdline"], expected_command_line(root, "Tester",
                                                                                             TESTER_UUID)))
    check(runs[0]["cwd"] == root + ".minecraft", "the game ran in %s" % runs[0]["cwd"])
    natives = os.path.join(folder, ".minecraft", "native", VERSION)
    check(os.listdir(natives) == [NATIVE_FILE], "natives folder holds %s" % os.listdir(natives))
    for path in missing:
        check(read_bytes(os.path.join(folder, ".minecraft", *path.split("/"))) == files.files[path],
              "%s was not downloaded right" % path)
    official = [p for p in s.server.hits() if p.startswith("/official/")]
    check(not official, "the official servers were asked before the mirror: %s" % official)
    window = s.probe.find(main["hwnd"])
    size = (window["rect"][2] - window["rect"][0], window["rect"][3] - window["rect"][1])
    check(size == (680, 428), "main window %s at 96 DPI" % (size,))
    s.probe.capture(window, s.artifact("e2e-mainframe-96.png"), s.wine)
    close_and_exit(s, launcher, main)
    check(os.path.exists(os.path.join(folder, ".minecraft", "launcher_profiles.json")),
          "no launcher_profiles.json after two seconds")
    accounts = read_utf16_json(account_file(s))
    check({"name": "Tester"} in accounts["offline_account_list"], "Tester is not among the offline names")


AUTH_REFUSED = {"status": 403, "headers": {"Content-Type": "application/json"},
                "body": json.dumps({"error": "ForbiddenOperationException",
                                    "errorMessage": "Invalid credentials. Invalid username or password."})}
AUTH_OK = {"headers": {"Content-Type": "application/json"},
           "body": json.dumps({"accessToken": "e2e-access-token", "clientToken": "e2e-client",
                               "selectedProfile": {"id": "0123456789abcdef0123456789abcdef",
                                                   "name": "OnlinePlayer"},
                               "availableProfiles": [{"id": "0123456789abcdef0123456789abcdef",
                                                      "name": "OnlinePlayer"}]})}
ACCOUNT = "player@example.com"


def online_run(s, folder, password, remember):
    launcher = s.start(folder)
    main = main_window(s, launcher)
    at(s, main, "password")
    s.probe.type(main, password)
    if remember:
        at(s, main, "remember")
    at(s, main, "panel_launch")
    return launcher, main


def online_launch_signs_in(s):
    """Online launch against a local /authenticate: a refusal shows its box,
    starts nothing and leaves the launcher usable; then the token and the
    profile reach the command line. The account file keeps the password only
    with "记住密码", and never in clear."""
    folder = s.folder("online")
    write_settings(folder, {"user_type": "yggdrasil", "ygg_account": ACCOUNT, "game_ver": VERSION,
                            "mainframe_layout": 1})
    game_files(s, folder)
    s.auth.reset()
    s.auth.routes({"/authenticate": {"responses": [AUTH_REFUSED, AUTH_OK]}})
    remove(account_file(s))
    record = os.path.join(s.work, "online-java.txt")
    s.java_script(record)

    launcher, main = online_run(s, folder, "first-secret", False)
    refusal = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=30)
    check(not java_runs(record), "Java started although the sign-in was refused")
    s.probe.close(refusal)
    wait_title(s, main, MAIN_TITLE)
    at(s, main, "panel_launch")
    runs = wait_runs(s, record, 1)
    wait_title(s, main, MAIN_TITLE)
    for part in ("--username OnlinePlayer", "--uuid 0123456789abcdef0123456789abcdef",
                 "--accessToken e2e-access-token", "--userType mojang"):
        check(part in runs[0]["cmdline"], "%r missing from %s" % (part, runs[0]["cmdline"]))
    close_and_exit(s, launcher, main)
    bodies = [json.loads(base64.b64decode(r["body_base64"])) for r in s.auth.requests()]
    check([(b["username"], b["password"]) for b in bodies] == [(ACCOUNT, "first-secret")] * 2,
          "sign-in requests: %s" % bodies)
    # The stored text is the machine's id and the password, encrypted as one
    # stream: without 记住密码 it is as long as the id alone.
    stored = account(s, ACCOUNT)
    check(not stored["rember_pw"], "记住密码 is stored as ticked: %s" % stored)
    check((stored["name"], stored["uuid"]) == ("OnlinePlayer", "0123456789abcdef0123456789abcdef"),
          "stored profile %s" % stored)
    id_only = len(base64.b64decode(stored["pw"]))

    launcher, main = online_run(s, folder, "second-secret", True)
    wait_runs(s, record, 2)
    wait_title(s, main, MAIN_TITLE)
    close_and_exit(s, launcher, main)
    stored = account(s, ACCOUNT)
    check(stored["rember_pw"] and len(base64.b64decode(stored["pw"])) == id_only + len("second-secret"),
          "the password was not kept with 记住密码: %s" % stored)
    raw = read_bytes(account_file(s))
    for secret in ("first-secret", "second-secret"):
        for form in (secret.encode("utf-16-le"), secret.encode(), base64.b64encode(secret.encode())):
            check(form not in raw, "the account file holds the password %r in clear" % secret)


def account(s, name):
    accounts = read_utf16_json(account_file(s))["yggdrasil_account_list"]
    found = [a for a in accounts if a.get("account") == name]
    check(len(found) == 1, "account file lists %s" % accounts)
    return found[0]


def library_404_reports_and_busy_window_stays(s):
    """A library missing on every server: the failure report, no Java, idle
    again. Closing the main window while it is busy does nothing."""
    folder = s.folder("broken")
    write_settings(folder, dict(OFFLINE, mainframe_layout=2))
    library = GameFiles.LIBRARIES[1][0]
    game_files(s, folder, ["libraries/" + library], {"/maven/" + library: {"status": 404}})
    record = os.path.join(s.work, "broken-java.txt")
    s.java_script(record)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch_into(s, main, "launch_big", "正在下载需要的文件")
    report = s.probe.wait_window(text="下载失败", timeout=40)
    s.probe.close(main)
    # One thread takes both closes in the order they were posted: once the
    # report has gone, the main window has had its close.
    s.probe.close_and_wait(report)
    check(s.probe.find(main["hwnd"]) is not None, "the busy main window closed")
    check(launcher.process.poll() is None, "the launcher ended while busy")
    dialog = s.probe.wait_window(prefix="正在下载需要的文件", timeout=10)
    s.probe.close(dialog)
    wait_title(s, main, MAIN_TITLE)
    hits = s.server.hits()
    check(hits.get("/maven/" + library) and hits.get("/official/libraries/" + library),
          "both sources should have been asked for the library: %s" % hits)
    # A game started would have written its record before the title came back.
    check(not java_runs(record), "Java started although a library is missing")
    close_and_exit(s, launcher, main)


def desktop_shortcut_starts_game_without_window(s):
    """"启动后创建快捷方式": a link that cannot be written is reported; then a
    link on the desktop and its launch file; the link's command starts the
    same game, the player's extra JVM and game arguments included, without
    a main window and changes neither the settings nor the account file."""
    folder = s.folder("shortcut")
    extra = ("-Dhead=1", "-Dtail=2", "-Dgame.head=3", "--tail four")
    write_settings(folder, dict(OFFLINE, mainframe_layout=1, custom_game_arg=dict(zip(
        ("enable", "java_addition_arg_head", "java_addition_arg_tail", "mc_addition_arg_head",
         "mc_addition_arg_tail"), (True,) + extra))))
    game_files(s, folder)
    desktop = s.user_folder("Desktop")
    for name in os.listdir(desktop):
        if name.endswith(".lnk"):
            os.remove(os.path.join(desktop, name))
    record = os.path.join(s.work, "shortcut-java.txt")
    remove(record)
    s.java_script(record)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    at(s, main, "shortcut")
    # Another program has the link's file open: the game starts, the player is told.
    s.probe.call("hold", s.wine.dos(os.path.join(desktop, "%s Tester.lnk" % VERSION)))
    try:
        at(s, main, "panel_launch")
        wait_runs(s, record, 1)
        box = s.probe.wait_window(text="错误", owner=main["hwnd"], timeout=15)
        check_icon(s, box, "error", "the box of the link not made")
        s.probe.capture(box, s.artifact("e2e-shortcut-not-made.png"), s.wine)
        s.probe.close_and_wait(box)
    finally:
        s.probe.call("unhold")
    wait_title(s, main, MAIN_TITLE)
    at(s, main, "panel_launch")
    wait_runs(s, record, 2)
    wait_title(s, main, MAIN_TITLE)
    check(not [w for w in s.probe.windows() if w["text"] == "错误"], "the link made is reported as not made")
    close_and_exit(s, launcher, main)

    links = [n for n in os.listdir(desktop) if n.endswith(".lnk")]
    check(len(links) == 1, "desktop links: %s" % links)
    link = read_link(os.path.join(desktop, links[0]))
    match = re.fullmatch(r"-sclaunch ([0-9a-f]{40})", link.get("arguments", ""))
    check(match, "the link's arguments are %r" % link.get("arguments"))
    check(link.get("working_dir") == "C:\\e2e\\shortcut", "the link starts in %r" % link.get("working_dir"))
    check(link.get("target", "").lower() == "c:\\e2e\\shortcut\\quorvellauncher.exe",
          "the link points at %r" % link.get("target"))
    check(os.path.exists(os.path.join(folder, "quorvel_launcher", "shortcut_launch", match.group(1))),
          "no launch file for the link")
    kept = {path: read_bytes(path) for path in (os.path.join(folder, "quorvel_launcher", "setting.json"),
                                                 account_file(s))}

    s.probe.seen.clear()
    windowless = s.start(folder, args=link["arguments"].split(" "))
    watch_until_exit(s, windowless, 30)
    check(windowless.wait_exit(1) == 0, "the shortcut launch did not end with 0")
    check(not [t for t in s.probe.seen if t.startswith("TRELM v")], "a main window opened: %s" % s.probe.seen)
    # The launcher does not wait for the game: its record may come a moment later.
    runs = wait_runs(s, record, 3, timeout=15)
    expected = expected_command_line("C:\\e2e\\shortcut\\", "Tester", TESTER_UUID, extra=extra)
    check(len(runs) == 3 and all(r["cmdline"] == expected for r in runs),
          "started %s, expected %s" % ([r["cmdline"] for r in runs], expected))
    for path, data in kept.items():
        check(read_bytes(path) == data, "the shortcut launch changed %s" % path)


def update_helper_mode(s):
    """The update hand-over: too few arguments give the helper's own system
    box; a real hand-over replaces the executable and the restarted launcher
    says so; one whose new file is missing says it failed."""
    folder = s.folder("update")
    write_settings(folder, OFFLINE)
    game_files(s, folder)
    helper = s.start(folder, args=["-update_rename_file", "a", "b"])
    box = s.probe.wait_window(text="TRELMUpdateHelper", cls="#32770", timeout=30)
    texts = s.probe.call("dialog", box["hwnd"])["statics"]
    check("TRELM无法完成自动更新，-update_rename_file，命令参数错误。\r\nVer%s。" % VERSION_TEXT in texts,
          "the helper's box says %s" % texts)
    close_and_exit(s, helper, box)

    exe = os.path.join(folder, "QuorvelLauncher.exe")
    newer = read_bytes(exe) + b"\0e2e-new"
    for new_file, outcome in (("QuorvelLauncher_new.exe", "info"), ("absent_new.exe", "error")):
        shutil.copy(s.launcher_exe, os.path.join(folder, "TRELMUpdateHelper.exe"))
        if outcome == "info":
            with open(os.path.join(folder, new_file), "wb") as out:
                out.write(newer)
        hand_over = s.run_windows([s.wine.dos(s.probe_exe), "handover"] +
                                  [s.wine.dos(os.path.join(folder, n))
                                   for n in ("TRELMUpdateHelper.exe", "QuorvelLauncher.exe", new_file)], folder)
        check(hand_over.wait(30) == 0, "the hand-over did not start the helper")
        box = s.probe.wait_window(text="TRELM", owner=0, timeout=40)
        check_icon(s, box, outcome, "after the %s hand-over the box" % outcome)
        check(read_bytes(exe) == newer, "the executable was not replaced")
        check(not os.path.exists(os.path.join(folder, "TRELMUpdateHelper.exe")), "the helper was not deleted")
        s.probe.close(box)
        main = main_window(s)
        s.probe.close_and_wait(main)
        wait_until(s, lambda: not s.probe.call("alive", main["pid"])["alive"], "the restarted launcher to end")


def main_window_at_144_dpi(s):
    """The main window at 144 DPI: 1.5 times its size, for a person to look at."""
    s.use_dpi(144)
    folder = s.folder("dpi144")
    write_settings(folder, dict(OFFLINE, mainframe_layout=1))
    game_files(s, folder)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    size = (main["rect"][2] - main["rect"][0], main["rect"][3] - main["rect"][1])
    check(size == (1020, 642), "main window %s at 144 DPI" % (size,))
    time.sleep(1.0)  # the background and the panel settle, for the picture only
    s.probe.capture(main, s.artifact("e2e-mainframe-144.png"), s.wine)
    close_and_exit(s, launcher, main)


JOURNEYS = [
    start_in_own_folder,
    unusable_server_address_file_is_reported,
    refused_from_another_folder,
    own_folder_named_in_other_letter_case,
    offline_launch_downloads_missing_files,
    online_launch_signs_in,
    library_404_reports_and_busy_window_stays,
    desktop_shortcut_starts_game_without_window,
    update_helper_mode,
    main_window_at_144_dpi,
]
