"""Game files for the end-to-end journeys: a small version "1.7.10-t" whose
files the local server holds, installed into a launcher folder with some of
them left out, and readers for what the launcher writes (settings, account
file, desktop links)."""

import hashlib
import io
import json
import os
import struct
import zipfile

VERSION = "1.7.10-t"
MAIN_CLASS = "net.minecraft.client.main.Main"
ARGUMENTS = ("--username ${auth_player_name} --version ${version_name} --gameDir ${game_directory} "
             "--assetsDir ${assets_root} --assetIndex ${assets_index_name} --uuid ${auth_uuid} "
             "--accessToken ${auth_access_token} --userProperties ${user_properties} --userType ${user_type}")
NATIVE_FILE = "e2e_native.dll"


def jar(entries):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries.items():
            archive.writestr(zipfile.ZipInfo(name, (2014, 6, 26, 0, 0, 0)), data)
    return out.getvalue()


def sha1(data):
    return hashlib.sha1(data).hexdigest()


class GameFiles:
    """Every file of the version, by its path under .minecraft, and the
    server paths it is offered at. Official addresses point at the same
    server under /official/, so a request shows which source was asked."""

    LIBRARIES = [("org/e2e/present/1.0/present-1.0.jar", "org.e2e:present:1.0"),
                 ("org/e2e/missing/1.0/missing-1.0.jar", "org.e2e:missing:1.0")]
    NATIVES = "org/e2e/natives/1.0/natives-1.0-natives-windows.jar"

    def __init__(self, base_url):
        self.files = {}      # path under .minecraft -> bytes
        self.mirror = {}     # path under .minecraft -> mirror server path
        self.objects = []    # asset object hashes
        client = jar({"net/minecraft/client/main/Main.class": b"\xca\xfe\xba\xbe client"})
        self.add("versions/%s/%s.jar" % (VERSION, VERSION), client, "/version/%s/client" % VERSION)
        libraries = []
        for path, name in self.LIBRARIES:
            data = jar({"%s.class" % name.split(":")[1]: name.encode()})
            self.add("libraries/" + path, data, "/maven/" + path)
            libraries.append({"name": name, "downloads": {"artifact": self.entry(base_url, path, data)}})
        natives = jar({NATIVE_FILE: b"MZ e2e native", "META-INF/MANIFEST.MF": b"Manifest-Version: 1.0\r\n"})
        self.add("libraries/" + self.NATIVES, natives, "/maven/" + self.NATIVES)
        libraries.append({"name": "org.e2e:natives:1.0", "natives": {"windows": "natives-windows"},
                          "extract": {"exclude": ["META-INF/"]},
                          "downloads": {"classifiers": {"natives-windows": self.entry(base_url, self.NATIVES,
                                                                                      natives)}}})
        objects = {}
        for i in range(4):
            data = ("asset object %d" % i).encode()
            digest = sha1(data)
            self.objects.append(digest)
            objects["e2e/sound%d.ogg" % i] = {"hash": digest, "size": len(data)}
            self.add("assets/objects/%s/%s" % (digest[:2], digest), data, "/objects/%s/%s" % (digest[:2], digest))
        index = json.dumps({"objects": objects}).encode()
        index_path = "assets/indexes/%s.json" % VERSION
        self.add(index_path, index, "/mc/assets/%s/%s/%s.json" % (VERSION, sha1(index), VERSION))
        version = {
            "id": VERSION, "type": "release", "time": "2014-06-26T12:00:00+00:00",
            "releaseTime": "2014-06-26T12:00:00+00:00", "minecraftArguments": ARGUMENTS,
            "mainClass": MAIN_CLASS, "assets": VERSION,
            "assetIndex": {"id": VERSION, "sha1": sha1(index), "size": len(index),
                           "url": base_url + "/official/" + index_path},
            "downloads": {"client": {"url": base_url + "/official/client.jar", "sha1": sha1(client),
                                     "size": len(client)}},
            "libraries": libraries,
        }
        self.files["versions/%s/%s.json" % (VERSION, VERSION)] = json.dumps(version, indent=2).encode()

    def add(self, path, data, mirror_path):
        self.files[path] = data
        self.mirror[path] = mirror_path

    @staticmethod
    def entry(base_url, path, data):
        return {"path": path, "url": base_url + "/official/libraries/" + path, "sha1": sha1(data),
                "size": len(data)}

    def routes(self, folder):
        """Server routes for every file, written into folder: the mirror's
        addresses serve it, the official ones answer 404, so a launch that
        works can only have used the mirror."""
        table = {}
        for path, data in self.files.items():
            name = os.path.join(folder, path.replace("/", "_"))
            with open(name, "wb") as out:
                out.write(data)
            if path in self.mirror:
                table[self.mirror[path]] = {"file": name}
        return table

    def install(self, root, leave_out=()):
        """Writes the version into root/.minecraft, without the files whose
        path starts with one of leave_out."""
        for path, data in self.files.items():
            if any(path.startswith(prefix) for prefix in leave_out):
                continue
            target = os.path.join(root, ".minecraft", *path.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as out:
                out.write(data)


def write_settings(root, values):
    """quorvel_launcher\\setting.json as the launcher keeps it: UTF-16 with a
    byte-order mark; keys left out keep their defaults."""
    folder = os.path.join(root, "quorvel_launcher")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "setting.json"), "wb") as out:
        out.write(b"\xff\xfe" + json.dumps(values, ensure_ascii=False, indent=2).encode("utf-16-le"))


def read_utf16_json(path):
    with open(path, "rb") as source:
        data = source.read()
    if not data.startswith(b"\xff\xfe"):
        raise AssertionError("%s has no UTF-16 byte-order mark" % path)
    return json.loads(data[2:].decode("utf-16-le"))


def read_link(path):
    """The target, working folder and arguments of a shell link (.lnk)."""
    with open(path, "rb") as source:
        data = source.read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x01:  # HasLinkTargetIDList
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    strings = {}
    if flags & 0x02:  # HasLinkInfo: the local base path is the target
        base = offset + struct.unpack_from("<I", data, offset + 16)[0]
        strings["target"] = data[base:data.index(b"\0", base)].decode("latin-1")
        offset += struct.unpack_from("<I", data, offset)[0]
    unicode = bool(flags & 0x80)
    for bit, key in ((0x04, "name"), (0x08, "relative_path"), (0x10, "working_dir"), (0x20, "arguments"),
                     (0x40, "icon")):
        if not flags & bit:
            continue
        count = struct.unpack_from("<H", data, offset)[0]
        size = count * 2 if unicode else count
        raw = data[offset + 2:offset + 2 + size]
        # Wine counts a terminating zero that Windows leaves out.
        strings[key] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
        offset += 2 + size
    return strings
