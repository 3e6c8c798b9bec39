#!/usr/bin/env python3
"""Runs the end-to-end journeys of the real QuorvelLauncher.exe in order and
ends with "N passed, N failed, N skipped"; the exit status is 1 on any
failure, else 77 (ctest's "skipped") when a journey could not run.
Started by scripts/e2e-test.sh, which gives it a display, the Wine prefix
and a time limit."""

import argparse
import importlib
import os
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402

SKIPPED = 77  # SKIP_RETURN_CODE of the ctest entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--module", default="journeys",
                        help="the module of tests/e2e whose JOURNEYS list to run (one ctest entry each)")
    parser.add_argument("--only", action="append", help="run only this journey (repeatable)")
    args = parser.parse_args()
    artifacts = os.path.join(args.build, "test-artifacts")
    os.makedirs(artifacts, exist_ok=True)
    started = time.monotonic()
    journeys = importlib.import_module(args.module)
    selected = [j for j in journeys.JOURNEYS if not args.only or j.__name__ in args.only]
    passed = failed = skipped = 0
    with open(os.path.join(artifacts, "e2e-wine-%s.log" % args.module), "w") as log:
        session = harness.Session(args.build, args.source, artifacts, log)
        print("set-up: %.1f s" % (time.monotonic() - started), flush=True)
        try:
            for journey in selected:
                began = time.monotonic()
                try:
                    journey(session)
                    passed += 1
                    print("PASS %s (%.1f s)" % (journey.__name__, time.monotonic() - began), flush=True)
                except harness.Skipped as reason:
                    skipped += 1
                    print("SKIP %s: %s" % (journey.__name__, reason), flush=True)
                except Exception as error:  # a journey's failure must not stop the others
                    failed += 1
                    print("FAIL %s (%.1f s): %s" % (journey.__name__, time.monotonic() - began, error), flush=True)
                    if not isinstance(error, harness.Failure):
                        traceback.print_exc()
                    try:
                        session.probe.capture(None, session.artifact("e2e-failed-%s.png" % journey.__name__),
                                              session.wine)
                    except Exception:  # the screen is a clue, not a result
                        pass
                finally:
                    session.end_journey()
        finally:
            session.close()
    print("time: %.0f s" % (time.monotonic() - started))
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped), flush=True)
    return 1 if failed or not selected else SKIPPED if skipped else 0


if __name__ == "__main__":
    sys.exit(main())
