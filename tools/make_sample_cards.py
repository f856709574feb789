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


def main():
    os.makedirs(OUT, exist_ok=True)
    write("suica-sample.json", suica_sample())


if __name__ == "__main__":
    main()
