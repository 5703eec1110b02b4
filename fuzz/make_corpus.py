#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

The dispatcher seeds follow the input layout described at the top of fuzz_dispatch.cpp: a
36-byte set-up header, then items (a length byte and a receive event, or an operator action).
Run it again after changing the layout; the files it writes are committed.
"""

import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# Index of each pending flag in the arm mask (kFlags in fuzz_dispatch.cpp), and of each
# operation start (kOperationStarts in tests/protocol/fakehost.h).
FLAG = {
    name: i
    for i, name in enumerate(
        "handshake version identify multi read write init lock destroy setmode getmode "
        "setparams getparams login modlogin modauth authorize fastwrite singleack".split()
    )
}
START = {
    name: i
    for i, name in enumerate(
        "connect identify singletag multi read write init lock destroy setmode getmode "
        "setparams getparams login modlogin modauth authorize fastwrite multitags multistream".split()
    )
}


def cs(data):
    return (0x100 - sum(data) & 0xFF) & 0xFF


def frame(header, command, payload=()):
    body = [header, len(payload) + 2, command, *payload]
    return bytes(body + [cs(body)])


def data(command, *payload):
    return frame(0xE0, command, payload)


def ack(command, status=0):
    return frame(0xE4, command, (status,))


def read_value(address, value):
    return data(0x61, address >> 8, address & 0xFF, value)


def read_block(address, values):
    return data(0x63, len(values), address >> 8, address & 0xFF, *values)


def record(n, antenna=1):
    head = [0xCC, 0x11, *range(n, n + 12), antenna]
    return bytes(head + [cs(head), 0x0A])


TAG_ID = bytes([0xE2, 0x00, 0x34, 0x12, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF])
IDENTIFY = data(0x82, 0x01, *TAG_ID)


def header(
    flags=(),
    multi_step=0,
    streaming=False,
    mode=0,
    output=0,
    connected=True,
    mode_step=1,
    param_step=1,
    refusal=0,
    reentrant=False,
    attempts=0,
    logged_in=False,
    id_length=2,
    login=b"\x11\x22\x33\x44",
    old_login=b"\x11\x22\x33\x44",
    new_login=b"\x55\x66\x77\x88",
    old_auth=b"\x12\x34",
    new_auth=b"\x56\x78",
    tag_id=bytes(10) + b"\xff\xff",
):
    arm = sum(1 << FLAG[f] for f in flags)
    chain = multi_step | (4 if streaming else 0) | mode << 3 | output << 5
    chain |= 0x80 if connected else 0
    host = refusal | (4 if reentrant else 0) | attempts << 3 | (0x80 if logged_in else 0)
    out = arm.to_bytes(4, "little") + bytes([chain, mode_step | param_step << 4, host])
    out += bytes([(id_length - 2) // 2]) + login + old_login + new_login + old_auth + new_auth
    out += tag_id
    assert len(out) == 36
    return out


def event(*parts):
    payload = b"".join(parts)
    if len(payload) <= 0xEF:
        return bytes([len(payload)]) + payload
    return bytes([0xFD, len(payload) >> 8, len(payload) & 0xFF]) + payload


def start(name):
    return bytes([0xF0, START[name]])


def dispatch_seeds():
    s = {}
    s["connect"] = header(["handshake"], connected=False) + (
        event(data(0xFE, 0x88, 0x88)) + event(ack(0x50)) + event(data(0x6A, 0x01, 0x02))
    )
    s["identify"] = header(["identify"]) + event(IDENTIFY)
    s["identify_split_after_failure"] = header(["identify"], attempts=8) + (
        event(ack(0x82, 0x01)) + event(IDENTIFY[:7]) + event(IDENTIFY[7:])
    )
    s["single_tag_mode_ack"] = header(["identify", "singleack"]) + event(ack(0x60))
    s["multi_start_chain"] = header(["multi"], multi_step=1, mode=1) + (
        event(read_block(0x70, [2, 0]))
        + event(ack(0x60))
        + event(ack(0x65), record(0)[:9])
        + event(record(0)[9:], record(1), record(2))
    )
    s["multi_master_slave"] = header(["multi"], multi_step=1, reentrant=True) + (
        event(read_block(0x70, [1, 0])) + event(ack(0x60))
    )
    s["multi_stream_limit"] = header(["multi"], multi_step=3, streaming=True) + event(
        *[record(i % 200) for i in range(120)]
    )
    s["read_tag"] = header(["read"]) + event(data(0x80, 0x04, 0x01, 0x02, 0x02, 1, 2, 3, 4))
    corrupt = bytearray(data(0x80, 0x04, 0x01, 0x02, 0x01, 0xAA, 0xBB))
    corrupt[-1] ^= 0xFF
    s["read_tag_corrupt"] = header(["read"], attempts=7, refusal=2) + (
        event(bytes(corrupt)) + event(ack(0x80, 0x01)) + event(ack(0x80, 0x01))
    )
    s["write_tag"] = header(["write"]) + event(data(0x81, 0x02, *range(10), 0x00))
    s["write_tag_failed"] = header(["write"]) + event(ack(0x81, 0x01)) + event(ack(0x81, 0x01))
    s["init_lock_destroy"] = header(["init"]) + (
        event(ack(0x99, 0x01))
        + event(ack(0x99))
        + start("lock")
        + event(ack(0x87))
        + start("destroy")
        + event(ack(0x86, 0x02))
        + event(ack(0x86))
    )
    s["set_mode_master_slave"] = header(["setmode"], mode=0, output=0) + b"".join(
        event(ack(c)) for c in (0x60, 0x64, 0x60, 0x60, 0x60, 0x60)
    )
    s["set_mode_trigger_wiegand"] = header(["setmode"], mode=2, output=2, refusal=3) + b"".join(
        event(ack(c)) for c in (0x60, 0x62, 0x60, 0x62, 0x60, 0x60, 0x60, 0x60)
    )
    s["get_mode"] = header(["getmode"]) + (
        event(read_block(0x70, [2, 5]))
        + event(read_block(0x80, [1, 1]))
        + event(read_value(0x84, 10))
        + event(read_block(0x73, [1, 10, 20]))
        + event(read_value(0x64, 7))
        + event(read_value(0x72, 3))
        + event(read_block(0x7A, [5, 1]))
    )
    s["set_params"] = header(["setparams"]) + b"".join(
        event(ack(c)) for c in (0x60, 0x62, 0x60, 0x62, 0x60)
    )
    s["get_params"] = header(["getparams"]) + (
        event(read_value(0x65, 20))
        + event(read_value(0x90, 0))
        + event(read_block(0x92, [0xFF] * 7))
        + event(read_block(0x89, [4, 15]))
        + event(read_value(0x87, 1))
    )
    s["login"] = header(["login"]) + event(read_block(0xC0, [0x11, 0x22, 0x33, 0x44]))
    s["login_wrong_reentrant"] = header(["login", "authorize"], reentrant=True) + (
        event(read_block(0xC0, [0, 0, 0, 0])) + event(ack(0x9A))
    )
    s["modify_passwords"] = header(["modlogin"], logged_in=True) + (
        event(read_block(0xC0, [0x11, 0x22, 0x33, 0x44]))
        + event(ack(0x62))
        + start("modauth")
        + event(read_block(0xBA, [0x12, 0x34]))
        + event(ack(0x9B, 0x01))
    )
    s["fast_write_id"] = header(["fastwrite"], id_length=2) + (
        event(data(0x9C, 0x00)) + start("fastwrite") + event(data(0x9C, 0x01))
    )
    s["noise_overflow"] = header(["read", "getparams"]) + (
        bytes([0xFE]) + bytes(range(256)) * 8
    )
    s["restart_and_drop"] = header(["identify", "multi"], multi_step=2) + (
        event(ack(0x60))
        + start("multi")
        + event(read_block(0x70, [3, 0]))
        + bytes([0xFC])
        + event(IDENTIFY)
    )
    return s


def hextext_seeds():
    texts = [
        "00 00",
        "12 ff",
        "zz",
        "",
        "0",
        "A",
        "1 2 3 4",
        "  de ad  be ef  ",
        "0123456789abcdefABCDEF",
        "FF FF FF FF FF FF FF FF FF FF FF FF",
        "00" * 24,
        "00" * 25,
        "COM1",
        "COM10",
        "COM11",
        "COM01",
        "Simulator",
        "/dev/ttyUSB0",
        "/",
        "9600,n,8,1",
        "115200, E ,7,2",
        "--tags\n5\n--fault\nstatus@82:uses=3",
        "--rate\n677\n--version\n1.2\n--quiet",
        "--fault\nsplit@records:pieces=4,gap-us=100\n--fault\nnoise@0x6A:bytes=9",
        "--record-period-us\n250\n--delay-us\n0\n--no-record-log",
    ]
    return {f"text{i:02d}": t.encode() for i, t in enumerate(texts)}


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for name, content in seeds.items():
        (folder / name).write_bytes(content)


if __name__ == "__main__":
    write("fuzz_dispatch", dispatch_seeds())
    write("fuzz_hextext", hextext_seeds())
