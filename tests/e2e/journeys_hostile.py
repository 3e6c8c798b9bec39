"""The launcher against hostile input end to end: a stored nickname rule
that backtracks without end and a game server whose status answer lists
10,000 players. Neither may hold up the start, the main window or the end."""

import json
import os
import socket
import subprocess
import time

from game_tree import write_settings
from harness import check
from journeys import main_window, open_server_info

# The server status icon's middle, in logical pixels of the main window: the
# status row at (25, 233) below the 28-pixel title bar, the 48-pixel icon at
# (32, 16) in it.
STATUS_ICON = (25 + 32 + 24, 28 + 233 + 16 + 24)


class StatusServer:
    """tests/services/status_server.py on 127.0.0.1; it stops when the
    lifeline held here closes."""

    def __init__(self, s):
        self.port_file = os.path.join(s.host_work, "status-ports.json")
        args = [os.environ.get("QUORVEL_PYTHON", "/usr/bin/python3"),
                os.path.join(s.source, "tests", "services", "status_server.py"), "--port-file", self.port_file,
                "--max-seconds", "120"]
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not os.path.exists(self.port_file):
            check(time.monotonic() < deadline and self.process.poll() is None, "the status server did not start")
            time.sleep(0.05)
        with open(self.port_file) as ports:
            info = json.load(ports)
        self.ports = info["scripts"]
        self.lifeline = socket.create_connection(("127.0.0.1", info["control"]), timeout=10)

    def stop(self):
        self.lifeline.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def hostile_rule_and_server_answer_hold_nothing_up(s):
    """The stored name fails "^(a|a)*$" in 2^30 ways (79 s of backtracking
    before any window); the server's answer is longer than the game reads
    (48 s in the info pop-up): the window comes at once, the pop-up opens
    and closes at once, and closing ends the launcher at once."""
    server = StatusServer(s)
    try:
        folder = s.folder("hostile")
        write_settings(folder, {"user_type": "offline", "offline_name": "a" * 30 + "!",
                                "offline_name_regex": "^(a|a)*$", "offline_name_mismatch_hint": "昵称只能是a",
                                "mainframe_layout": 1,
                                "motd": {"enable": True, "address": "127.0.0.1:%d" % server.ports["sample_10000"]}})
        started = time.monotonic()
        launcher = s.start(folder)
        # The bounds lie well under the faults' times (79 s to the window, 48 s
        # in the pop-up and at closing) and far over the second or two each
        # takes here: a machine several times slower still keeps them.
        main = main_window(s, launcher, timeout=45)
        check(time.monotonic() - started < 40, "the main window took %.0f s" % (time.monotonic() - started))
        notice = s.probe.wait_window(text="提示", owner=main["hwnd"], timeout=15)  # no game there
        s.probe.close_and_wait(notice)

        info = open_server_info(s, main, STATUS_ICON, launcher.process)
        s.probe.capture(main, s.artifact("e2e-hostile-main.png"), s.wine)
        # A window busy with the answer would not take its close.
        s.probe.close_and_wait(info, timeout=20)
        closing = time.monotonic()
        s.probe.close(main)
        rc = launcher.wait_exit(40)
        check(rc == 0, "the launcher ended with %d" % rc)
        check(time.monotonic() - closing < 30, "closing took %.0f s" % (time.monotonic() - closing))
    finally:
        server.stop()


JOURNEYS = [
    hostile_rule_and_server_answer_hold_nothing_up,
]
