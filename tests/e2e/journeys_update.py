"""The self-update and the settings that reach a launch, end to end: a local
update list offering 1.3.0.0 and serving a copy of the launcher with a few
bytes appended (so it is told apart and still runs), the update dialog
opened from the main window's menu, the helper's hand-over and restart."""

import hashlib
import json
import os

from game_tree import VERSION, read_utf16_json, write_settings
from harness import check
from journeys import (MAIN_TITLE, OFFLINE, check_icon, click_at, close_and_exit, game_files, java_runs, launch,
                      main_window, read_bytes, wait_text, wait_title, wait_until)
from journeys_versions import open_main_menu

UPDATE_TITLE = "TRELM - 更新"
IN_USE = "此文件被占用，请换一个保存位置"
LIST_PATH = "/TRELM/docs/trelm_versions.json"
# The update dialog's buttons (logical pixels of the window, under its
# 28-pixel title bar) and the main window's name and memory boxes.
AUTO_UPDATE = (392, 28 + 22)
AUTO_UPDATE_BUTTON = (352, 28 + 10, 80, 25)
SAVE_AS = (392, 28 + 52)
NAME_BOX = (580, 121)
MEMORY_BOX = (580, 289)


def offer_update(s, folder, sha1=None):
    """The update list offers 1.3.0.0: the launcher with bytes appended,
    listed with its SHA-1 (or the one given)."""
    newer = read_bytes(os.path.join(folder, "QuorvelLauncher.exe")) + b"\0e2e-1.3.0.0"
    served = os.path.join(s.host_work, "served-update.exe")
    with open(served, "wb") as out:
        out.write(newer)
    listing = [{"version": "1.3.0.0", "type": "release", "time": 1500000000, "description": "e2e release",
                "url": s.server.base + "/update/QuorvelLauncher.exe", "size": len(newer),
                "sha1": sha1 or hashlib.sha1(newer).hexdigest()}]
    s.server.routes({LIST_PATH: {"body": json.dumps(listing)}, "/update/QuorvelLauncher.exe": {"file": served}})
    return newer


def open_update_dialog(s, main):
    """"检查更新" from the menu under the title bar's menu button (the fourth
    entry, reached with the arrow keys), once it offers the update: its
    buttons are greyed until the start-up check has its answer."""
    open_main_menu(s, main)
    for _ in range(4):
        s.probe.call("key", main["hwnd"], "down")
    s.probe.call("key", main["hwnd"], "enter")
    dialog = s.probe.wait_window(text=UPDATE_TITLE, owner=0, timeout=20)
    wait_text(s, dialog, AUTO_UPDATE_BUTTON, "自动更新 to be enabled")
    return dialog


def system_dialog(s, text, timeout=20):
    """A visible system dialog (#32770) one of whose texts holds text."""
    def find(windows):
        for window in windows:
            parts = s.probe.call("dialog", window["hwnd"])
            if any(text in t for t in [parts["caption"]] + parts["statics"]):
                return window
        return None
    return s.probe.wait(find, "a system dialog saying %r" % text, timeout, cls="#32770")


def wrong_sha1_replaces_nothing_and_save_as_refuses_a_file_in_use(s):
    """"自动更新" of a file whose SHA-1 is not the listed one: the download
    fails, nothing is replaced, no helper starts, the launcher runs on.
    "仅下载" onto a file another program holds open: the notice, and the
    save dialog stays for another name."""
    folder = s.folder("update_bad")
    write_settings(folder, dict(OFFLINE, show_update_info=False))
    game_files(s, folder)
    exe = os.path.join(folder, "QuorvelLauncher.exe")
    before = read_bytes(exe)
    offer_update(s, folder, sha1="0" * 40)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    wait_until(s, lambda: s.server.hits().get(LIST_PATH), "the start-up update check", 30)
    dialog = open_update_dialog(s, main)
    s.probe.capture(dialog, s.artifact("e2e-update-dialog-newer.png"), s.wine)
    click_at(s, dialog, AUTO_UPDATE)
    report = s.probe.wait_window(text="下载失败", timeout=30, process=launcher.process)
    s.probe.close_and_wait(report)
    download = s.probe.wait_window(prefix="下载", timeout=10)
    s.probe.close_and_wait(download)
    check(launcher.process.poll() is None, "the launcher ended after a failed update download")
    check(read_bytes(exe) == before, "the executable was replaced by a file of the wrong SHA-1")
    check(not os.path.exists(os.path.join(folder, "TRELMUpdateHelper.exe")), "a helper copy was made")

    held = os.path.join(folder, "held.exe")
    s.probe.call("hold", s.wine.dos(held))
    try:
        click_at(s, dialog, SAVE_AS)
        save = s.probe.wait_window(cls="#32770", owner=dialog["hwnd"], timeout=20)
        s.probe.call("accept", save["hwnd"], s.wine.dos(held))
        notice = system_dialog(s, IN_USE)
        s.probe.capture(notice, s.artifact("e2e-update-save-in-use.png"), s.wine)
        s.probe.close_and_wait(notice, cls="#32770")
        # The save dialog stays for another name: it takes one again (the
        # same, refused again), where a closed one would start a download.
        check(any(w["hwnd"] == save["hwnd"] for w in s.probe.windows("#32770")),
              "the save dialog closed after the notice")
        s.probe.call("accept", save["hwnd"], s.wine.dos(held))
        s.probe.close_and_wait(system_dialog(s, IN_USE), cls="#32770")
        s.probe.close_and_wait(save, cls="#32770")
    finally:
        s.probe.call("unhold")
    check(os.path.getsize(held) == 0, "the file in use was written")
    s.probe.close_and_wait(dialog)
    close_and_exit(s, launcher, main)


def settings_reach_the_launch_and_update_restarts(s):
    """Stored settings (custom 1280 x 720, console output, no asset check,
    official source first) shape the next launch: its command line, an
    output window of its own process, the servers asked. Then "自动更新"
    stops that output window, ends the launcher with 2, and the helper puts
    the served bytes in place and restarts it with the done notice; the
    name and memory typed in this run are in the settings it starts with."""
    folder = s.folder("update_good")
    write_settings(folder, dict(OFFLINE, show_update_info=False, output_game_log=True, dont_check_assets=True,
                                bmclapi=False, mainframe_layout=1,
                                game_window_size={"custom": True, "custom_w": 1280, "custom_h": 720}))
    library = "org/e2e/missing/1.0/missing-1.0.jar"
    # Only the official address serves the library: asked there first, it is found there.
    served = os.path.join(s.host_work, "served", ("libraries/" + library).replace("/", "_"))
    files = game_files(s, folder, ["libraries/" + library, "assets/objects/"],
                       {"/official/libraries/" + library: {"file": served}})
    exe = os.path.join(folder, "QuorvelLauncher.exe")
    newer = offer_update(s, folder)
    record = os.path.join(s.work, "update-java.txt")
    s.java_script(record)
    launcher = s.start(folder)
    main = main_window(s, launcher)
    launch(s, main, record, 1, "panel_launch")
    command = java_runs(record)[0]["cmdline"]
    check("--height 720 --width 1280 " in command and "--fullscreen" not in command,
          "the game window is not 1280 x 720: %s" % command)
    # On a busy machine one click was seen, now and then, to start the game
    # twice, each with an output window of its own. They open over the main
    # window and go out of its way; the update must stop them all.
    def output_windows(ws):
        return [w for w in ws if w["pid"] != main["pid"] and w["owner"] == 0]

    def outputs_moved_away():
        outputs = output_windows(s.probe.windows())
        for i, output in enumerate(outputs):
            s.probe.call("place", output["hwnd"], 40 * i, main["rect"][3] + 10 + 40 * i)
        return outputs

    s.probe.wait(output_windows, "the game's output window", 20)
    wait_title(s, main, MAIN_TITLE)
    outputs_moved_away()
    paths = [r["path"] for r in s.server.requests()]
    asked = [p for p in paths if p.endswith(library)]
    check(asked and asked[0].startswith("/official/"), "the library was asked for first at %s" % asked)
    check(not [p for p in paths if p.startswith("/objects/")], "asset objects were fetched with the check off")
    check(len(files.objects) and not os.path.exists(os.path.join(folder, ".minecraft", "assets", "objects")),
          "asset objects were written with the check off")

    # Choices made after the launch live only in the window until it closes.
    for box, text in ((NAME_BOX, "Renamed"), (MEMORY_BOX, "1536")):
        click_at(s, main, box)
        s.probe.call("key", main["hwnd"], "ctrl+a")
        s.probe.type(main, text)
    outputs = outputs_moved_away()
    starts = len(java_runs(record))
    dialog = open_update_dialog(s, main)
    click_at(s, dialog, AUTO_UPDATE)
    check(launcher.wait_exit(40) == 2, "the launcher did not end with 2 for the hand-over")
    notice = s.probe.wait_window(text="TRELM", owner=0, timeout=40)
    check_icon(s, notice, "info", "the restart's notice")
    check(read_bytes(exe) == newer, "the executable is not the served one")
    check(not os.path.exists(os.path.join(folder, "TRELMUpdateHelper.exe")), "the helper copy was not deleted")
    left = {w["hwnd"] for w in s.probe.windows()} & {w["hwnd"] for w in outputs}
    check(not left, "%d of the %d output windows still run" % (len(left), len(outputs)))
    settings = read_utf16_json(os.path.join(folder, "quorvel_launcher", "setting.json"))
    kept = {key: settings.get(key) for key in ("game_ver", "offline_name", "java_xmx")}
    check(kept == {"game_ver": VERSION, "offline_name": "Renamed", "java_xmx": 1536},
          "the restart lost the launch fields: %s" % kept)
    s.probe.capture(notice, s.artifact("e2e-update-done.png"), s.wine)
    s.probe.close(notice)
    restarted = main_window(s)
    check(restarted["pid"] != main["pid"], "no new launcher process")
    s.probe.close_and_wait(restarted)
    check(len(java_runs(record)) == starts, "the update started the game again")


JOURNEYS = [
    wrong_sha1_replaces_nothing_and_save_as_refuses_a_file_in_use,
    settings_reach_the_launch_and_update_restarts,
]
