"""The end-to-end fixture: the Wine prefix and its server, the probe that
sees and drives the launcher's windows, the local HTTP servers, the fake
Java and one folder per journey holding a copy of QuorvelLauncher.exe.

The environment comes from scripts/e2e-test.sh (WINEPREFIX, HOME and the
rest of scripts/wine-env.sh, a display and a running wineserver of its own)."""

import json
import os
import select
import shutil
import subprocess
import tempfile
import time
import urllib.request

LAUNCHER_CLASS = "QuorvelLauncher"


class Failure(AssertionError):
    pass


class Skipped(Exception):
    """A journey that cannot run here (its data is missing): never a pass."""


def check(condition, message):
    if not condition:
        raise Failure(message)


class Wine:
    def __init__(self, log):
        self.prefix = os.environ["WINEPREFIX"]
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.log = log
        # scripts/wine-test.sh started the prefix's server at this DPI.
        self.dpi = int(os.environ["QUORVEL_PREFIX_DPI"]) if os.environ.get("QUORVEL_PREFIX_DPI") else None

    def dos(self, path):
        """The Windows path of a host path: C: inside the prefix, else Z:."""
        path = os.path.abspath(path)
        if path == self.drive_c or path.startswith(self.drive_c + os.sep):
            return "C:" + path[len(self.drive_c):].replace("/", "\\") or "C:\\"
        return "Z:" + path.replace("/", "\\")

    def quiet(self, args, timeout=120):
        subprocess.run(args, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, timeout=timeout,
                       check=False)

    def start(self, args, cwd, env=None):
        environment = dict(os.environ)
        environment.update(env or {})
        return subprocess.Popen(["wine"] + list(args), cwd=cwd, env=environment, stdin=subprocess.DEVNULL,
                                stdout=self.log, stderr=self.log)

    def start_server(self):
        # Persistent, and detached from our pipes like every Wine process here.
        self.quiet(["wineserver", "-p"])
        self.quiet(["wine", "wineboot"])

    def stop_server(self):
        self.quiet(["wineserver", "-k"])
        self.quiet(["wineserver", "-w"])

    def use_dpi(self, dpi):
        """The screen DPI is read when the wineserver starts."""
        if self.dpi == dpi:
            return
        self.stop_server()
        self.quiet(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"])
        self.quiet(["wineserver", "-w"])
        self.start_server()
        self.dpi = dpi

    def reg_add(self, key, name, value):
        self.quiet(["wine", "reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"])


class Probe:
    """tools/probe: one process answering one command per line."""

    def __init__(self, wine, exe):
        self.process = subprocess.Popen(["wine", exe, "serve"], cwd=wine.drive_c, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=wine.log)
        self.pending = b""
        self.seen = set()  # every window text listed so far, for titles that come and go

    def call(self, *fields, timeout=30):
        self.process.stdin.write(("\t".join(str(f) for f in fields) + "\n").encode("utf-8"))
        self.process.stdin.flush()
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.process.stdout], [], [], max(0, left))
            chunk = os.read(self.process.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                raise Failure("the probe gave no answer to %r" % (fields,))
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        answer = json.loads(line.decode("utf-8"))
        if not answer.get("ok"):
            raise Failure("probe %r: %s" % (fields, answer.get("error")))
        return answer

    def stop(self):
        try:
            self.process.stdin.write(b"quit\n")
            self.process.stdin.flush()
            self.process.wait(10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()

    def windows(self, cls=LAUNCHER_CLASS):
        found = [w for w in self.call("list", cls)["windows"] if w["visible"]]
        self.seen.update(w["text"] for w in found)
        return found

    def wait(self, find, what, timeout=30, cls=LAUNCHER_CLASS, process=None):
        """Polls the visible windows until find(windows) gives a value; a
        process that ends meanwhile fails the wait at once."""
        deadline = time.monotonic() + timeout
        while True:
            found = find(self.windows(cls))
            if found:
                return found
            if process is not None and process.poll() is not None:
                raise Failure("the process ended with %d while waiting for %s" % (process.returncode, what))
            if time.monotonic() > deadline:
                raise Failure("waited %d s for %s; windows: %s" % (timeout, what, self.describe(cls)))
            time.sleep(0.1)

    def wait_window(self, text=None, prefix=None, owner=None, timeout=30, cls=LAUNCHER_CLASS, process=None):
        def match(w):
            return ((text is None or w["text"] == text) and (prefix is None or w["text"].startswith(prefix))
                    and (owner is None or w["owner"] == owner))
        what = "a window %r" % (text if text is not None else (prefix or "") + "...")
        return self.wait(lambda ws: next((w for w in ws if match(w)), None), what, timeout, cls, process)

    def wait_gone(self, hwnd, timeout=30, cls=LAUNCHER_CLASS):
        # A value only once it has gone: a bare False would end the wait at once.
        self.wait(lambda ws: None if any(w["hwnd"] == hwnd for w in ws) else ["gone"], "window %d to go" % hwnd,
                  timeout, cls)

    def find(self, hwnd):
        return next((w for w in self.windows() if w["hwnd"] == hwnd), None)

    def describe(self, cls=LAUNCHER_CLASS):
        return ", ".join("%r (owner %d)" % (w["text"], w["owner"]) for w in self.windows(cls)) or "none"

    def click(self, window, x, y):
        self.call("click", window["hwnd"], int(round(x)), int(round(y)))

    def type(self, window, text):
        self.call("type", window["hwnd"], text)

    def close(self, window):
        self.call("close", window["hwnd"])

    def close_and_wait(self, window, timeout=30, cls=LAUNCHER_CLASS):
        self.close(window)
        self.wait_gone(window["hwnd"], timeout, cls)

    def capture(self, window, host_path, wine):
        os.makedirs(os.path.dirname(host_path), exist_ok=True)
        return self.call("capture", window["hwnd"] if window else 0, wine.dos(host_path))

    def pixel(self, window, x, y):
        value = self.call("pixel", window["hwnd"], int(round(x)), int(round(y)))["rgb"]
        return tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))


class HttpServer:
    """tests/support/http_server.py on 127.0.0.1, driven by its control port."""

    def __init__(self, source_dir, work, https=False):
        self.port_file = os.path.join(work, "ports-%s.json" % ("https" if https else "http"))
        args = [os.environ.get("QUORVEL_PYTHON", "/usr/bin/python3"),
                os.path.join(source_dir, "tests", "support", "http_server.py"), "--port-file", self.port_file,
                "--log", self.port_file + ".log", "--work-dir", work, "--lifeline-wait", "0"]
        self.process = subprocess.Popen(args + (["--https"] if https else []), stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while not os.path.exists(self.port_file):
            check(time.monotonic() < deadline and self.process.poll() is None, "the HTTP server did not start")
            time.sleep(0.05)
        with open(self.port_file) as ports:
            info = json.load(ports)
        self.base = "%s://127.0.0.1:%d" % ("https" if https else "http", info["port"])
        self.control = "http://127.0.0.1:%d" % info["control"]

    # A proxy of the host's environment must not stand between us and 127.0.0.1.
    OPENER = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    def _call(self, path, payload=None):
        data = None if payload is None else json.dumps(payload).encode("utf-8")
        request = urllib.request.Request(self.control + path, data=data)
        with self.OPENER.open(request, timeout=10) as answer:
            return json.loads(answer.read().decode("utf-8"))

    def routes(self, table):
        self._call("/__routes", table)

    def reset(self):
        self._call("/__reset", {})

    def hits(self):
        return self._call("/__hits")

    def requests(self):
        return self._call("/__requests")

    def stop(self):
        try:
            self._call("/__quit", {})
        except OSError:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Launcher:
    """One run of QuorvelLauncher.exe; the Unix process is the Windows one."""

    def __init__(self, session, exe, args, cwd, endpoints):
        self.session = session
        self.process = session.run_windows([session.wine.dos(exe)] + list(args), cwd, endpoints)

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the launcher did not exit within %d s; windows: %s" %
                          (timeout, self.session.probe.describe()))



class Session:
    def __init__(self, build, source, artifacts, log):
        self.build, self.source, self.artifacts = build, source, artifacts
        self.wine = Wine(log)
        self.work = os.path.join(self.wine.drive_c, "e2e")
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.host_work = tempfile.mkdtemp(prefix="quorvel-e2e-")
        self.launcher_exe = os.path.join(build, "app", "QuorvelLauncher.exe")
        self.probe_exe = os.path.join(build, "tools", "quorvel_probe.exe")
        for needed in (self.launcher_exe, self.probe_exe):
            check(os.path.exists(needed), "%s is not built" % needed)
        self.wine.use_dpi(96)
        self.probe = Probe(self.wine, self.wine.dos(self.probe_exe))
        self.server = HttpServer(source, self.host_work)
        self.auth = HttpServer(source, self.host_work, https=True)
        self.endpoints_file = os.path.join(self.work, "endpoints.json")
        with open(self.endpoints_file, "w") as out:
            json.dump({key: self.server.base for key in (
                "version_manifest", "libraries", "assets", "legacy_store", "forge_maven", "mirror_maven", "mirror",
                "liteloader", "update")} | {"authentication": self.auth.base}, out)
        self.java_home = os.path.join(self.work, "java")
        os.makedirs(os.path.join(self.java_home, "bin"))
        for name in ("java.exe", "javaw.exe"):
            shutil.copy(os.path.join(build, "tools", "fake_java", "bin", name), os.path.join(self.java_home, "bin"))
        self.wine.reg_add(r"HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.8.0_151", "JavaHome",
                          self.wine.dos(self.java_home))
        self.processes = []

    def use_dpi(self, dpi):
        if self.wine.dpi == dpi:
            return
        self.probe.stop()
        self.wine.use_dpi(dpi)
        self.probe = Probe(self.wine, self.wine.dos(self.probe_exe))

    @property
    def factor(self):
        return self.wine.dpi / 96.0

    def folder(self, name, exe=True):
        """A fresh launcher folder C:\\e2e\\<name>\\ holding the executable."""
        path = os.path.join(self.work, name)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        if exe:
            shutil.copy(self.launcher_exe, path)
        return path

    def run_windows(self, args, cwd, endpoints=None):
        """A Windows program with the servers' addresses, ended with the journey."""
        process = self.wine.start(args, cwd, env={"QUORVEL_ENDPOINTS": self.wine.dos(endpoints or self.endpoints_file)})
        self.processes.append(process)
        return process

    def start(self, folder, args=(), cwd=None, endpoints=None):
        return Launcher(self, os.path.join(folder, "QuorvelLauncher.exe"), args, cwd or folder, endpoints)

    def java_script(self, record, lines="window=1\nsleep=300\nexit=0\n"):
        """The fake Java's script; each start appends to the record file."""
        with open(os.path.join(self.java_home, "bin", "fake_java.txt"), "w") as out:
            out.write("record=%s\r\n%s" % (self.wine.dos(record), lines))

    def user_folder(self, name):
        """A folder of the prefix's user profile (Desktop, AppData/Local)."""
        users = os.path.join(self.wine.drive_c, "users")
        user = next(u for u in sorted(os.listdir(users)) if u != "Public")
        return os.path.join(users, user, name)

    def artifact(self, name):
        return os.path.join(self.artifacts, name)

    def end_journey(self):
        """Whatever a failed journey left goes, so that the next one starts
        with no window: its processes ended, other windows closed, and as a
        last resort every process of the prefix."""
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait(10)
        self.processes = []
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            left = self.probe.windows() + self.probe.windows("#32770")
            if not left:
                return
            for window in left:
                try:
                    self.probe.close(window)
                except Failure:
                    pass
            time.sleep(0.5)
        self.probe.stop()
        self.wine.stop_server()
        self.wine.start_server()
        self.probe = Probe(self.wine, self.wine.dos(self.probe_exe))

    def close(self):
        self.probe.stop()
        self.server.stop()
        self.auth.stop()
        self.wine.stop_server()
        shutil.rmtree(self.host_work, ignore_errors=True)
