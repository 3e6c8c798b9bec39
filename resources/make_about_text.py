#!/usr/bin/env python3
"""Assembles about.txt, the About dialog's text: the mirror's terms of use in
the launcher's own words, then the licence notices of the libraries linked
into the executable, taken from those libraries' own files.

The notices come from the sources that scripts/deps-build.sh unpacks into its
cache and from the Debian packages it installs; run this after a dependency
build and commit about.txt (the build only compiles it in).
"""
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CACHE = os.path.expanduser(os.environ.get("QUORVEL_DEPS_CACHE", "~/.cache/quorvel-deps"))

TERMS = """下载源使用条款

本启动器默认通过 BMCLAPI 下载游戏文件。使用该下载源即表示同意以下条款：
1. 下载源分发的游戏文件、资源与库的版权归其各自的所有者，下载源只做转发与缓存。
2. 下载源按现状提供服务，不对文件内容、可用性或由此造成的任何损失承担责任。
3. 下载源的服务端程序不开放源代码。
4. 使用下载源的程序在显示下载信息时，必须注明文件来自该下载源。
5. 不得在下载源之上封装或转发其他协议的服务。
"""


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().strip() + "\n"


def source_file(package, name):
    found = glob.glob(os.path.join(CACHE, "src", package + "_*", package + "-*", name))
    if not found:
        sys.exit("missing %s/%s: run scripts/deps-build.sh first" % (package, name))
    return read(found[0])


def debian_license(copyright_path, name):
    """The stand-alone "License: name" paragraph of a Debian copyright file."""
    text = open(copyright_path, encoding="utf-8").read()
    for match in re.finditer(r"^License: %s\n((?: .*\n)+)" % re.escape(name), text, re.M):
        body = match.group(1)
        if body.startswith(" Comment:") or len(body) < 200:
            continue
        lines = [line[1:] for line in body.splitlines()]
        return "\n".join("" if line == "." else line for line in lines).strip() + "\n"
    sys.exit("no %s paragraph in %s" % (name, copyright_path))


def main():
    doc = "/usr/share/doc"
    notices = [
        ("Boost", "Copyright the Boost authors.",
         debian_license(doc + "/libboost1.74-dev/copyright", "BSL-1.0")),
        ("Crypto++", "", source_file("libcrypto++", "License.txt")),
        ("libcurl", "", source_file("curl", "COPYING")),
        ("libzip", "", source_file("libzip", "LICENSE")),
        ("RapidJSON", "Copyright (C) 2015 THL A29 Limited, a Tencent company, and Milo Yip.",
         read(doc + "/rapidjson-dev/copyright")),
        ("XZ Utils (liblzma)", "", source_file("xz-utils", "COPYING")),
        ("zlib", "Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler",
         debian_license(doc + "/libz-mingw-w64-dev/copyright", "Zlib")),
        ("mingw-w64 winpthreads", "Copyright (c) 2011-2016 mingw-w64 project",
         debian_license(doc + "/mingw-w64-common/copyright", "expat")),
    ]
    parts = [TERMS, "\n开源软件许可\n\n本程序使用了以下开源库：\n"]
    for name, holder, text in notices:
        parts.append("\n" + "=" * 40 + "\n" + name + "\n" + "=" * 40 + "\n")
        if holder:
            parts.append(holder + "\n\n")
        parts.append(text)
    with open(os.path.join(HERE, "about.txt"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    main()
