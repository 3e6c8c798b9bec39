#!/usr/bin/env python3
"""Scripted game-server status endpoint for the ping client's tests; 127.0.0.1 only.

One listener per script below; each connection to it plays that script.
The ports go to --port-file as {"control": C, "scripts": {name: port}},
written atomically once everything listens, and removed at exit. Besides
the scripts there are "never_accepts" (a listener whose backlog is full, so
new connections are never established) and "refused" (a port nobody
listens on).

The test holds a connection to the control port open; the server stops when
it closes (or none came within --lifeline-wait seconds), or after
--max-seconds.
"""

import argparse
import base64
import json
import os
import random
import socket
import struct
import sys
import threading
import time
import zlib

MAX_PACKET = 2097151
MAX_TEXT = 32767
STARTING = '"server is still starting! please wait before reconnecting."'
stop_event = threading.Event()
log_lock = threading.Lock()
log_file = None


def log(text):
    with log_lock:
        if log_file:
            log_file.write("%.3f %s\n" % (time.time(), text))
            log_file.flush()


def varint(value):
    out = bytearray()
    while True:
        group = value & 0x7F
        value >>= 7
        out.append(group | (0x80 if value else 0))
        if not value:
            return bytes(out)


def overlong_varint(value, count=6):
    """value in count bytes, zero groups after its own: one byte more than
    the five a VarInt may have, yet a reader without that limit takes it."""
    out = bytearray()
    for i in range(count):
        out.append((value >> (7 * i)) & 0x7F | (0x80 if i < count - 1 else 0))
    return bytes(out)


def string(data):
    return varint(len(data)) + data


def packet(body):
    return varint(len(body)) + body


def recv_exact(conn, count):
    data = b""
    while len(data) < count:
        chunk = conn.recv(count - len(data))
        if not chunk:
            raise EOFError("client closed")
        data += chunk
    return data


def read_packet(conn):
    length, shift = 0, 0
    while True:
        byte = recv_exact(conn, 1)[0]
        length |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            break
    return recv_exact(conn, length)


def png(width, height, noise=False):
    shade = random.Random(7)
    rows = b"".join(b"\x00" + b"".join(bytes([shade.randrange(256) if noise else x * 4 % 256, y * 8 % 256, 128, 255])
                                        for x in range(width))
                    for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def wrapped_base64(data):
    text = base64.b64encode(data).decode()
    return "\n".join(text[i:i + 76] for i in range(0, len(text), 76)) + "\n"


ICON = png(64, 32)


def status(**changes):
    answer = {
        "version": {"name": "1.12.2", "protocol": 340},
        "players": {"max": 20, "online": 3,
                    "sample": [{"name": "Steve", "id": "069a79f4-44e9-4726-a5be-fca90e38aaf5"},
                               {"name": "小明", "id": 5}]},
        "description": {"text": "欢迎来到方块世界", "extra": [{"text": "!", "color": "gold"}]},
        "modinfo": {"type": "FML", "modList": [{"modid": "forge", "version": "14.23.5"}]},
        "favicon": "data:image/png;base64," + wrapped_base64(ICON),
    }
    answer.update(changes)
    return json.dumps(answer, ensure_ascii=False)


def status_packet(text, packet_id=0):
    return packet(varint(packet_id) + string(text.encode("utf-8")))


def expect_request(conn):
    handshake = read_packet(conn)
    expected = b"\x00" + varint(47) + string(b"localhost") + b"\x63\xdd" + b"\x01"
    if handshake != expected:
        raise ValueError("unexpected handshake %r" % handshake)
    request = read_packet(conn)
    if request != b"\x00":
        raise ValueError("unexpected status request %r" % request)


def answer_ping(conn, packet_id=1, offset=0):
    ping = read_packet(conn)
    if len(ping) != 9 or ping[0] != 1:
        raise ValueError("unexpected ping %r" % ping)
    sent = struct.unpack(">q", ping[1:])[0]
    conn.sendall(packet(varint(packet_id) + struct.pack(">q", sent + offset)))


def hold(conn):
    """Keeps the connection open until the client leaves."""
    conn.settimeout(30)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def normal(conn, text=None):
    expect_request(conn)
    conn.sendall(status_packet(text if text is not None else status()))
    answer_ping(conn)
    hold(conn)


def ping_reads(conn):
    # As "normal", logging how many reads the ping packet (ten bytes) took:
    # sent in one write it comes in one piece; a length written alone comes
    # first, its body after the server's delayed acknowledgement.
    expect_request(conn)
    conn.sendall(status_packet(status()))
    ping, reads = b"", 0
    while len(ping) < 10:
        chunk = conn.recv(10 - len(ping))
        if not chunk:
            raise EOFError("client closed")
        ping, reads = ping + chunk, reads + 1
    log("ping_reads: %d" % reads)
    if ping[:2] != b"\x09\x01":
        raise ValueError("unexpected ping %r" % ping)
    conn.sendall(packet(varint(1) + ping[2:]))
    hold(conn)


def largest(conn):
    # A status packet of exactly the protocol's largest length: the longest
    # status text, then bytes that nothing reads.
    expect_request(conn)
    text = ('{"description":"' + "b" * (MAX_TEXT - 18) + '"}').encode()
    assert len(text) == MAX_TEXT
    body = b"\x00" + varint(len(text)) + text
    body += b" " * (MAX_PACKET - len(body))
    conn.sendall(packet(body))
    answer_ping(conn)
    hold(conn)


def text_over_max(conn):
    # One character more than the game's client reads.
    normal(conn, '{"description":"' + "b" * (MAX_TEXT - 17) + '"}')


def sample_at_max():
    # As many players as the longest status text holds.
    def text(count):
        players = [{"name": "p%d" % i, "id": ""} for i in range(count)]
        return status(players={"max": 20000, "online": count, "sample": players}, favicon="")
    entry = len(text(1)) - len(text(0))
    count = (MAX_TEXT - len(text(0))) // entry + 2
    while len(text(count)) > MAX_TEXT:
        count -= 1
    return text(count)


def announce(length_bytes):
    def script(conn):
        expect_request(conn)
        conn.sendall(length_bytes)
        hold(conn)
    return script


def overlong(length=False, packet_id=False):
    # A whole, answerable status exchange but for one VarInt of six bytes.
    def script(conn):
        expect_request(conn)
        body = (overlong_varint(0) if packet_id else varint(0)) + string(status().encode("utf-8"))
        conn.sendall((overlong_varint(len(body)) if length else varint(len(body))) + body)
        answer_ping(conn)
        hold(conn)
    return script


def close_before_pong(conn):
    expect_request(conn)
    time.sleep(0.05)  # a latency worth measuring
    conn.sendall(status_packet(status()))
    read_packet(conn)


def wrong_pong(conn):
    expect_request(conn)
    time.sleep(0.05)  # the status round trip is the figure that must stay
    conn.sendall(status_packet(status()))
    # Were the id not checked, the latency would come out 100 s.
    answer_ping(conn, packet_id=0, offset=-100000)
    hold(conn)


def stall(conn):
    expect_request(conn)
    hold(conn)


SAMPLE_AT_MAX = sample_at_max()

SCRIPTS = {
    "normal": normal,
    "ping_reads": ping_reads,
    "starting": lambda conn: normal(conn, STARTING),
    "packet_id_1": lambda conn: (expect_request(conn), conn.sendall(status_packet(status(), 1)), hold(conn)),
    "length_6_bytes": overlong(length=True),
    "packet_id_6_bytes": overlong(packet_id=True),
    "length_huge": announce(varint(0xFFFFFFFF)),
    "length_over_max": announce(varint(MAX_PACKET + 1)),
    "length_max": largest,
    "text_over_max": text_over_max,
    "sample_at_max": lambda conn: normal(conn, SAMPLE_AT_MAX),
    # 10,000 players in the sample: far longer than the game's client reads.
    "sample_10000": lambda conn: normal(conn, status(players={"max": 20000, "online": 10000, "sample": [
        {"name": "Player%05d" % i, "id": "069a79f4-44e9-4726-a5be-%012d" % i} for i in range(10000)]})),
    "close_before_pong": close_before_pong,
    "wrong_pong": wrong_pong,
    "favicon_no_comma": lambda conn: normal(conn, status(favicon=base64.b64encode(ICON).decode())),
    "favicon_bad_base64": lambda conn: normal(conn, status(favicon="data:image/png;base64,iVBO*w0K")),
    "stall": stall,
    # The status, then no pong: the query ends well only when the client gives up waiting. "ping read"
    # in the log: the client holds the status and waits.
    "no_pong": lambda conn: (expect_request(conn), conn.sendall(status_packet(status())), read_packet(conn),
                             log("no_pong: ping read"), hold(conn), log("no_pong: client left")),
    # As long a description as an answer may carry whole: one line of 28,000 characters.
    "long_description": lambda conn: normal(conn, status(description={"text": "word " * 5600})),
    # A noisy 64 x 64 icon: a wall of some 7,000 characters of base64.
    "big_favicon": lambda conn: normal(conn, status(favicon="data:image/png;base64," + wrapped_base64(png(64, 64, True)))),
    # Text that would be mark-up if it were read as such, and a colour code.
    "angle_brackets": lambda conn: normal(
        conn, status(description={"text": "<a href=\"http://x.invalid\">点我</a> §c<b>红</b>"})),
}


def serve_connection(name, conn):
    log("%s: connection" % name)
    try:
        with conn:
            SCRIPTS[name](conn)
    except (OSError, EOFError, ValueError) as error:
        log("%s: %s" % (name, error))


def serve(name, listener):
    while not stop_event.is_set():
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            continue
        except OSError:
            return
        conn.settimeout(30)
        threading.Thread(target=serve_connection, args=(name, conn), daemon=True).start()


def listen(backlog=16):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(backlog)
    return listener


def never_accepting_listener(keep):
    # With the accept queue full, Linux drops further SYNs: connecting
    # clients wait until they give up.
    listener = listen(0)
    port = listener.getsockname()[1]
    for _ in range(3):
        filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        filler.setblocking(False)
        filler.connect_ex(("127.0.0.1", port))
        keep.append(filler)
    time.sleep(0.2)
    keep.append(listener)
    return port


def refused_port(keep):
    # Bound but never listening: connections are refused, and no server of
    # a test running beside this one can take the port meanwhile.
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.bind(("127.0.0.1", 0))
    keep.append(probe)
    return probe.getsockname()[1]


def main():
    global log_file
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--lifeline-wait", type=float, default=60)
    parser.add_argument("--max-seconds", type=float, default=600)
    args = parser.parse_args()
    if args.log:
        log_file = open(args.log, "a", encoding="utf-8")

    ports, keep = {}, []
    for name in SCRIPTS:
        listener = listen()
        listener.settimeout(0.2)
        ports[name] = listener.getsockname()[1]
        keep.append(listener)
        threading.Thread(target=serve, args=(name, listener), daemon=True).start()
    ports["never_accepts"] = never_accepting_listener(keep)
    ports["refused"] = refused_port(keep)
    control = listen()
    control.settimeout(args.lifeline_wait)

    temp = args.port_file + ".tmp"
    with open(temp, "w") as out:
        json.dump({"control": control.getsockname()[1], "scripts": ports}, out)
    os.replace(temp, args.port_file)
    log("listening: %s" % ports)

    def watchdog():
        time.sleep(args.max_seconds)
        stop_event.set()
    threading.Thread(target=watchdog, daemon=True).start()
    try:
        lifeline, _ = control.accept()
        lifeline.settimeout(0.5)
        while not stop_event.is_set():
            try:
                if not lifeline.recv(1024):
                    break
            except socket.timeout:
                continue
    except OSError as error:
        log("lifeline: %s" % error)
    stop_event.set()
    for item in keep:
        item.close()
    log("stopped")
    os.remove(args.port_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
