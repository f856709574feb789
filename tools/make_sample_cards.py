#!/usr/bin/env python3
"""Writes the sample card images in data/cards/ from readable descriptions.

The images are made up: every station, shop and bus code in them names an
entry of the sample station overlay (data/stationcode/sample/), not a real
place. Run from the repository root: python3 tools/make_sample_cards.py
"""
import json
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "data", "cards")


def hexs(bs):
    return "".join("%02X" % b for b in bs)


def date16(y, m, d):
    """Packed date: year since 2000 in bits 15-9, month 8-5, day 4-0."""
    v = ((y - 2000) << 9) | (m << 5) | d
    return [v >> 8, v & 0xFF]


def suica_block(terminal, trade, date, balance, serial, payment=0, kind=0,
                dep=(0, 0), arr=(0, 0), time=None, region=0):
    b = [0] * 16
    b[0], b[1], b[2], b[3] = terminal, trade, payment, kind
    b[4:6] = date16(*date)
    if time is not None:  # shop trades keep the time where rail keeps the entry
        h, mi = time
        t = (h << 11) | (mi << 5)
        b[6], b[7] = t >> 8, t & 0xFF
    else:
        b[6], b[7] = dep
    b[8], b[9] = arr
    b[10], b[11] = balance & 0xFF, (balance >> 8) & 0xFF
    b[12], b[13], b[14] = (serial >> 16) & 0xFF, (serial >> 8) & 0xFF, serial & 0xFF
    b[15] = region
    return hexs(b)


def bus_block(terminal, trade, date, balance, serial, line, stop, kind=0):
    return suica_block(terminal, trade, date, balance, serial, kind=kind,
                       dep=(line >> 8, line & 0xFF), arr=(stop >> 8, stop & 0xFF))


def bcd(v):
    return ((v // 10) << 4) | (v % 10)


def gate_block(event, line, station, date, hour, minute, value1, value2, near=(0, 0)):
    b = [0] * 16
    b[0] = event
    b[2], b[3] = line, station
    b[6:8] = date16(*date)
    b[8], b[9] = bcd(hour), bcd(minute)
    b[10], b[11] = value1 & 0xFF, (value1 >> 8) & 0xFF
    b[12], b[13] = value2 & 0xFF, (value2 >> 8) & 0xFF
    b[14], b[15] = near
    return hexs(b)


def image(idm, pmm, systems, max_blocks=None):
    card = {"format": "kuvora-card-image", "version": 1, "idm": idm, "pmm": pmm}
    if max_blocks:
        card["maxBlocksPerRead"] = max_blocks
    card["systems"] = systems
    return card


def service(code, blocks=None, key="0000"):
    s = {"code": code, "keyVersion": key}
    if blocks is not None:
        s["blocks"] = blocks
    return s


def probes(present, key="0A00"):
    """The six services whose presence tells the issuer kind."""
    return [service(c, key=key) for c in ("1848", "1A48", "1B88", "324C", "1CC8", "3388")
            if c in present]


def common_area(idm, services):
    return {"code": "FE00", "idm": idm, "areas": ["0000"], "services": services}


def write(name, card):
    path = os.path.join(OUT, name)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(card, f, indent=2, ensure_ascii=False)
        f.write("\n")
    print("wrote", path)


def suica_sample():
    """A Suica-family card of issuer kind 1, newest row first."""
    rows = [
        # auto-charge at the gate, then the journey it paid for
        suica_block(0x16, 0x01, (2026, 11, 28), 3470, 0x0002B4, dep=(0x01, 0x10), arr=(0x01, 0x30)),
        suica_block(0x16, 0x14, (2026, 11, 28), 3680, 0x0002B3, dep=(0x01, 0x10)),
        suica_block(0xC7, 0x46, (2026, 11, 27), 680, 0x0002B2, time=(17, 18), arr=(0x05, 0x01)),
        suica_block(0x16, 0x01, (2026, 11, 27), 1160, 0x0002B1, dep=(0x01, 0x30), arr=(0x85, 0x02)),
        suica_block(0x05, 0x0D, (2026, 11, 26), 1460, 0x0002B0, kind=0x1D, dep=(0x01, 0x02), arr=(0x03, 0x04)),
        suica_block(0x05, 0x0F, (2026, 11, 26), 1620, 0x0002AF, dep=(0x01, 0x02), arr=(0x03, 0x05)),
        # a commuter pass: entry inside it, exit beyond it
        suica_block(0x16, 0x01, (2026, 11, 25), 1840, 0x0002AE, kind=0x03, dep=(0x01, 0x10), arr=(0x01, 0x40)),
        suica_block(0x16, 0x01, (2026, 11, 24), 1970, 0x0002AD, kind=0x04, dep=(0x01, 0x40), arr=(0x01, 0x10)),
        suica_block(0x1D, 0x01, (2026, 11, 23), 2100, 0x0002AC, kind=0x17, dep=(0x01, 0x30), arr=(0x85, 0x03)),
        suica_block(0x46, 0x02, (2026, 11, 22), 2400, 0x0002AB, payment=0x02, dep=(0x01, 0x10)),
        suica_block(0x08, 0x02, (2026, 11, 21), 400, 0x0002AA, payment=0x3F, dep=(0x01, 0x30)),
        suica_block(0xC8, 0x46, (2026, 11, 20), 0, 0x0002A9, time=(8, 5), arr=(0x05, 0x02)),
        suica_block(0x16, 0x01, (2026, 11, 19), 160, 0x0002A8, dep=(0x01, 0x20), arr=(0x01, 0x10)),
        suica_block(0x12, 0x02, (2026, 11, 19), 380, 0x0002A7, dep=(0x01, 0x20)),
        suica_block(0x16, 0x01, (2026, 11, 18), 0, 0x0002A6, dep=(0x01, 0x10), arr=(0x01, 0x20)),
        suica_block(0x03, 0x04, (2026, 11, 18), 220, 0x0002A5, dep=(0x01, 0x10), arr=(0x01, 0x20)),
        suica_block(0x16, 0x01, (2026, 11, 17), 300, 0x0002A4, dep=(0x01, 0x20), arr=(0x01, 0x10)),
        suica_block(0x12, 0x03, (2026, 11, 17), 520, 0x0002A3, dep=(0x01, 0x20)),
        suica_block(0x16, 0x01, (2026, 11, 16), 730, 0x0002A2, dep=(0x01, 0x10), arr=(0x01, 0x20)),
        suica_block(0x08, 0x02, (2026, 11, 16), 950, 0x0002A1, dep=(0x01, 0x10)),
    ]
    gates = [
        gate_block(0x20, 0x01, 0x30, (2026, 11, 28), 8, 42, 210, 0),
        gate_block(0xA0, 0x01, 0x10, (2026, 11, 28), 8, 21, 0, 0),
        gate_block(0x20, 0x85, 0x02, (2026, 11, 27), 19, 3, 300, 140, near=(0x01, 0x30)),
    ]
    suica = {
        "code": "0003",
        "areas": ["0000", {"code": "1000", "end": "17FF"}],
        "services": [service("090F", rows), service("108F", gates)]
        + probes({"1848"})
        + [service("184B", [hexs([0x01, 0x10, 0x01, 0x40] + date16(2026, 11, 25) + [0x41, 0x40, 0, 0x5C,
                                0x12, 0x34, 0x01, 0x20, 0x4C, 0x63])] + ["00" * 16] * 22)],
    }
    common = common_area("11010410C8192A3B", [service("1A8B", ["00" * 16])])
    return image("01010410C8192A3B", "0120220427674EFF", [suica, common])


def suica_kind2_sample():
    """A Suica-family card of issuer kind 2: lines from 0x80 up are named in area 2."""
    rows = [
        suica_block(0x16, 0x01, (2026, 10, 30), 1800, 0x000120, dep=(0x85, 0x02), arr=(0x90, 0x05)),
        suica_block(0x16, 0x01, (2026, 10, 30), 2000, 0x00011F, dep=(0x25, 0x01), arr=(0x85, 0x02)),
        suica_block(0x1F, 0x02, (2026, 10, 29), 2200, 0x00011E, dep=(0x25, 0x01)),
        suica_block(0x16, 0x15, (2026, 10, 28), 200, 0x00011D, dep=(0x90, 0x05), arr=(0x85, 0x10)),
        suica_block(0x16, 0x01, (2026, 10, 28), 0, 0x00011C, kind=0x06, dep=(0x85, 0x10), arr=(0x90, 0x05)),
        suica_block(0x17, 0x05, (2026, 10, 27), 150, 0x00011B, kind=0x07, dep=(0x85, 0x02), arr=(0x90, 0x06)),
        suica_block(0x18, 0x85, (2026, 10, 27), 300, 0x00011A, kind=0x03, dep=(0x85, 0x02), arr=(0x85, 0x10)),
        suica_block(0x16, 0x13, (2026, 10, 26), 420, 0x000119, dep=(0x85, 0x10), arr=(0x90, 0x05)),
        suica_block(0xC7, 0x4A, (2026, 10, 26), 1420, 0x000118, time=(12, 34), arr=(0x05, 0x01)),
        suica_block(0xC7, 0xC6, (2026, 10, 25), 1200, 0x000117, time=(9, 59), arr=(0x05, 0x01)),
        suica_block(0x08, 0x23, (2026, 10, 25), 1500, 0x000116, dep=(0x01, 0x02), arr=(0x03, 0x04)),
        suica_block(0x09, 0x02, (2026, 10, 24), 2500, 0x000115, dep=(0x90, 0x05)),
    ] + ["00" * 16] * 8  # a card with fewer records than blocks
    gates = [
        gate_block(0x20, 0x90, 0x05, (2026, 10, 30), 18, 5, 200, 0),
        gate_block(0xA0, 0x85, 0x02, (2026, 10, 30), 17, 40, 0, 0, near=(0x85, 0x00)),
        gate_block(0xC0, 0x85, 0x10, (2026, 10, 28), 7, 59, 0, 0),
    ]
    suica = {"code": "0003", "areas": ["0000"],
             "services": [service("090F", rows), service("108F", gates)] + probes({"1A48"})}
    return image("01010A11101D6C7D", "0120220427674EFF",
                 [suica, common_area("11010A11101D6C7D", [service("1A8B", ["00" * 16])])])


def iruca_sample():
    """A Suica-format card on system 80DE; issuer kind 5 names lines from 0x80 in area 2."""
    rows = [
        suica_block(0x05, 0x0F, (2026, 9, 12), 980, 0x000045, kind=0x1D, dep=(0x01, 0x02), arr=(0x03, 0x05)),
        suica_block(0x16, 0x01, (2026, 9, 12), 1200, 0x000044, dep=(0x85, 0x02), arr=(0x90, 0x05)),
        suica_block(0x09, 0x02, (2026, 9, 11), 1500, 0x000043, dep=(0x85, 0x02)),
        suica_block(0x16, 0x07, (2026, 9, 1), 500, 0x000042, dep=(0x85, 0x02)),
    ] + ["00" * 16] * 16
    gates = [gate_block(0x20, 0x90, 0x05, (2026, 9, 12), 8, 30, 300, 0)] + ["00" * 16] * 2
    iruca = {"code": "80DE", "areas": ["0000"],
             "services": [service("090F", rows), service("108F", gates)] + probes({"3388"})}
    return image("0114023AE0150C4E", "0118220427674EFF", [iruca], max_blocks=8)


def main():
    os.makedirs(OUT, exist_ok=True)
    write("suica-sample.json", suica_sample())
    write("suica-kind2-sample.json", suica_kind2_sample())
    write("iruca-sample.json", iruca_sample())


if __name__ == "__main__":
    main()
