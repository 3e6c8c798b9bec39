#!/usr/bin/env python3
"""Starts the built launcher from build/run/ under Wine (the environment of
scripts/wine-env.sh), saves a screenshot of its main window and says where.
On the caller's display the launcher stays open until the player closes it;
on a virtual display (--virtual) it is closed after the screenshot.

The folder holds a demonstration game tree made from the real test data
beside the checkout (../shared/testdata/real), read from there, never kept
in the repository; without that folder the tree is empty."""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from game_tree import write_settings  # noqa: E402
from harness import Failure, Probe, Wine  # noqa: E402

MAIN_TITLE_PREFIX = "TRELM v"


def copy_version(source, versions, version_id):
    folder = os.path.join(versions, version_id)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(source, os.path.join(folder, version_id + ".json"))


def make_demo_tree(run, testdata):
    """Version JSONs and asset indexes of the real data; no game files, so a
    launch downloads them from the game's servers."""
    minecraft = os.path.join(run, ".minecraft")
    versions = os.path.join(minecraft, "versions")
    os.makedirs(versions, exist_ok=True)
    if not os.path.isdir(testdata):
        print("No real test data at %s: the game folder stays empty." % testdata)
        return
    official = os.path.join(testdata, "versions", "official")
    for name in sorted(os.listdir(official)):
        copy_version(os.path.join(official, name), versions, name[:-len(".json")])
    # A version this launcher runs is the one chosen at first.
    write_settings(run, {"game_ver": "1.7.10"})
    forge = os.path.join(testdata, "forge", "version-1.7.10-Forge10.13.3.1400-1.7.10-xmcl-mock.json")
    if os.path.exists(forge):
        copy_version(forge, versions, "1.7.10-Forge10.13.3.1400-1.7.10")
    indexes = os.path.join(minecraft, "assets", "indexes")
    os.makedirs(indexes, exist_ok=True)
    for name in ("1.7.10.json", "1.12.json", "legacy.json"):
        source = os.path.join(testdata, "assets", "indexes", name)
        if os.path.exists(source):
            shutil.copy(source, indexes)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--testdata", required=True)
    parser.add_argument("--virtual", action="store_true", help="no player: close the launcher after the picture")
    args = parser.parse_args()

    run = os.path.join(args.build, "run")
    os.makedirs(run, exist_ok=True)
    shutil.copy(os.path.join(args.build, "app", "QuorvelLauncher.exe"), run)
    if not os.path.isdir(os.path.join(run, ".minecraft")):
        make_demo_tree(run, os.path.abspath(args.testdata))
    screenshot = os.path.join(run, "main-window.png")

    with open(os.path.join(run, "wine.log"), "w") as log:
        wine = Wine(log)
        wine.start_server()
        launcher = wine.start([wine.dos(os.path.join(run, "QuorvelLauncher.exe"))], cwd=run)
        probe = Probe(wine, wine.dos(os.path.join(args.build, "tools", "quorvel_probe.exe")))
        try:
            main = probe.wait_window(prefix=MAIN_TITLE_PREFIX, owner=0, timeout=90, process=launcher)
            time.sleep(2)  # the background, and the start-up notices if any
            if args.virtual:
                # Nobody can answer the notices here (each closed one may bring
                # the next); the picture shows the window itself.
                quiet_since, deadline = time.monotonic(), time.monotonic() + 20
                while time.monotonic() - quiet_since < 1.5 and time.monotonic() < deadline:
                    for box in [w for w in probe.windows() if w["owner"] == main["hwnd"]]:
                        probe.close(box)
                        quiet_since = time.monotonic()
                    time.sleep(0.2)
            probe.capture(probe.find(main["hwnd"]) or main, screenshot, wine)
            print("Screenshot of the main window: %s" % screenshot, flush=True)
            if args.virtual:
                probe.close(main)
            else:
                print("The launcher is running in %s; close its window to end." % run, flush=True)
            code = launcher.wait(None if not args.virtual else 60)
        except (Failure, subprocess.TimeoutExpired) as error:
            print("The launcher did not come up as expected: %s (log: %s)" % (error, log.name), file=sys.stderr)
            launcher.kill()
            code = 1
        finally:
            probe.stop()
            wine.stop_server()
    return code


if __name__ == "__main__":
    sys.exit(main())
