#!/usr/bin/env python3
"""Writes the sample card images in data/cards/ from readable descriptions.

The images are made up: every station, shop and bus code in them names an
entry of the sample station overlay (data/stationcode/sample/), not a real
place. As on real cards, bytes 4-5 of each IDm give a manufacture date in the
past, and no gate-log block holds a zero date: a slot not written yet is all
zeros. Run from the repository root: python3 tools/make_sample_cards.py
"""
import datetime
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


def pasmo_sample():
    """A Suica-family card of the PASMO brand (issuer kind 6): besides the
    services every brand issues it has services only PASMO issues, all keyed."""
    rows = [
        suica_block(0x16, 0x01, (2026, 12, 2), 2790, 0x000033, dep=(0x01, 0x10), arr=(0x01, 0x20)),
        suica_block(0x05, 0x0F, (2026, 12, 1), 3000, 0x000032, dep=(0x01, 0x02), arr=(0x03, 0x04)),
        suica_block(0x08, 0x02, (2026, 12, 1), 3220, 0x000031, dep=(0x01, 0x10)),
    ] + ["00" * 16] * 17
    # the ride of 12/02 through the gates; the card has passed no other yet
    gates = [
        gate_block(0x20, 0x01, 0x20, (2026, 12, 2), 8, 47, 210, 0),
        gate_block(0xA0, 0x01, 0x10, (2026, 12, 2), 8, 30, 0, 0),
        "00" * 16,
    ]
    shared = ["1908", "190A", "1948", "194B", "1988", "198B", "2308", "230A", "2348", "234B"]
    own = ["1CCA", "1D08", "1D0A"]
    suica = {"code": "0003", "areas": ["0000"],
             "services": [service("090F", rows), service("108F", gates)]
             + probes({"1848", "1CC8"}) + [service(c, key="0A00") for c in ["184B"] + shared + own]}
    return image("01010B21761B7D8E", "0120220427674EFF", [suica])


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


# --- Balance-only cards: the program decodes bytes 14-15 (balance, high byte
# first) and, for the IC i-cards, bytes 0-1 (packed date). The other bytes of
# these blocks are made up here: a packed date, a terminal number and a
# running record number, so that no two blocks are alike.

def balance_block(balance, date, terminal, record):
    b = [0] * 16
    b[0:2] = date16(*date)
    b[2], b[3] = terminal >> 8, terminal & 0xFF
    b[4], b[5] = record >> 8, record & 0xFF
    b[14], b[15] = balance >> 8, balance & 0xFF
    return hexs(b)


def balance_rows(rows, terminal, first_record):
    """rows: (date, balance) newest first; records count down from the newest."""
    return [balance_block(bal, date, terminal, first_record - i) for i, (date, bal) in enumerate(rows)]


def regional_card(idm, system, history, rows, terminal, first_record, keyed, others=()):
    """A card of one regional system holding the history service and one
    service that needs a key, with `others` systems beside it."""
    sys = {"code": system, "areas": ["0000"],
           "services": [service(history, balance_rows(rows, terminal, first_record)), service(keyed)]}
    return image(idm, "0100324228284BFF", [sys] + list(others))


def rapica_sample():
    """RapiCa, 16 blocks. Amount = older balance - this balance."""
    rows = [
        ((2026, 11, 28), 1200),   # paid 300
        ((2026, 11, 28), 1500),   # topped up 1000 from 500: amount -1000
        ((2026, 11, 27), 500),    # paid 190
        ((2026, 11, 27), 690),    # paid 230
        ((2026, 11, 26), 920),    # paid 160
        ((2026, 11, 25), 1080),   # paid 300
        ((2026, 11, 24), 1380),   # topped up 1000 from 380
        ((2026, 11, 24), 380),    # paid 190
        ((2026, 11, 21), 570),    # paid 190
        ((2026, 11, 20), 760),    # paid 240
        ((2026, 11, 20), 1000),   # topped up 1000 from an empty purse
        ((2026, 11, 18), 0),      # paid 160, balance 0
        ((2026, 11, 17), 160),    # paid 250
        ((2026, 11, 16), 410),    # paid 190
        ((2026, 11, 14), 600),    # paid 400
        ((2026, 11, 14), 1000),   # the oldest block read: amount 0
    ]
    return regional_card("0106030E1A1F6C9D", "8194", "008F", rows, 0x0217, 0x0130, "0088")


def nagasaki_sample():
    """Nagasaki smart card, 5 blocks."""
    rows = [
        ((2026, 11, 28), 2330),   # paid 230
        ((2026, 11, 27), 2560),   # topped up 2000 from 560
        ((2026, 11, 27), 560),    # paid 440
        ((2026, 11, 25), 1000),   # paid 150
        ((2026, 11, 24), 1150),   # the oldest block read: amount 0
    ]
    return regional_card("0112040B6E1E0C42", "8016", "00CD", rows, 0x0A31, 0x0421, "00C8")


def luluca_sample():
    """LuLuCa, 20 blocks (more than one read frame holds), beside a common area
    whose services belong to none of the common-area card types."""
    balances = [3310, 3480, 1480, 1650, 1820, 1990, 2160, 2330, 2500, 2670,
                2840, 3010, 3180, 180, 350, 520, 690, 860, 1030, 1200]
    # newest first: paid 170, topped up 2000, ten rides of 170, topped up
    # 3000, six rides of 170, and the oldest block read (amount 0)
    days = [28, 28, 27, 27, 26, 26, 25, 25, 24, 24, 21, 21, 20, 20, 19, 19, 18, 18, 17, 17]
    rows = [((2026, 11, d), b) for d, b in zip(days, balances)]
    common = common_area("02F40A0C701E55A1", [service("1A8B", ["00" * 16]), service("1A88")])
    return regional_card("01F40A0C701E55A1", "04A6", "00CF", rows, 0x1C02, 0x0C80, "00C8", others=[common])


def ecard_sample():
    """IC i-card, 10 blocks with dates: a card put away in 2010 and used again."""
    rows = [
        ((2026, 11, 28), 1830),   # paid 170
        ((2026, 11, 27), 2000),   # topped up 1000 from 1000
        ((2026, 11, 27), 1000),   # paid 170
        ((2026, 11, 20), 1170),   # paid 330
        ((2026, 11, 19), 1500),   # paid 170
        ((2010, 3, 31), 1670),    # paid 170
        ((2009, 12, 24), 1840),   # paid 160
        ((2009, 10, 5), 2000),    # topped up 1000 from 1000
        ((2009, 10, 1), 1000),    # paid 160
        ((2009, 9, 30), 1160),    # the oldest block read: amount 0
    ]
    return regional_card("0108020D2C0A7B11", "80E0", "000F", rows, 0x0305, 0x0212, "0008")


def ecard_mobile_sample():
    """IC i-card on a mobile phone: its service 450F in the common area, among
    other services of the phone's common area that need a key."""
    rows = [
        ((2026, 11, 28), 2450),   # paid 170
        ((2026, 11, 27), 2620),   # paid 170
        ((2026, 11, 26), 2790),   # topped up 2000 from 790
        ((2026, 11, 26), 790),    # paid 170
        ((2026, 11, 25), 960),    # paid 170
        ((2026, 11, 22), 1130),   # paid 170
        ((2026, 11, 21), 1300),   # paid 170
        ((2026, 11, 20), 1470),   # paid 170
        ((2026, 11, 18), 1640),   # paid 170
        ((2026, 11, 15), 1810),   # the oldest block read: amount 0
    ]
    common = common_area("012E3F4A5B1E6C7D", [
        service("1A88"), service("3D88"),
        service("4508"), service("450F", balance_rows(rows, 0x0F01, 0x0088)), service("4548"),
    ])
    return image("012E3F4A5B1E6C7D", "0116140800004BFF", [common])


# --- Edy: kind, 24-bit serial, days since 2000-01-01 (15 bits) and seconds
# since midnight (17 bits), amount and balance (32 bits each), high byte first.

def edy_block(kind, serial, date, seconds, amount, balance):
    days = (datetime.date(*date) - datetime.date(2000, 1, 1)).days
    v = (days << 17) | seconds
    b = [kind, (serial >> 16) & 0xFF, (serial >> 8) & 0xFF, serial & 0xFF]
    b += list(v.to_bytes(4, "big"))
    b += list((amount & 0xFFFFFFFF).to_bytes(4, "big"))
    b += list((balance & 0xFFFFFFFF).to_bytes(4, "big"))
    return hexs(b)


def hms(h, m, s):
    return h * 3600 + m * 60 + s


def edy_sample():
    """Edy, 6 history blocks and the Edy number, in the common area among other
    services that need a key."""
    rows = [
        edy_block(0x20, 1234, (2026, 11, 28), hms(18, 42, 5), 648, 4352),    # payment
        edy_block(0x02, 1233, (2026, 11, 28), hms(18, 40, 51), 3000, 5000),  # charge
        # a late-night shop that keeps the day's business date past midnight
        edy_block(0x20, 1232, (2026, 11, 27), hms(24, 12, 34), 1180, 2000),
        edy_block(0x04, 1231, (2026, 11, 25), hms(12, 0, 0), 500, 3180),     # gift
        edy_block(0x01, 1230, (2026, 11, 24), hms(7, 15, 30), 0, 2680),      # a kind without a name
        edy_block(0x20, 1229, (2026, 11, 23), hms(23, 59, 59), 320, 2680),
    ]
    # card-info block 0: bytes 2-9 the Edy number 2016 0042 1234 5678; the
    # rest made up
    info = [hexs([0x00, 0x2A, 0x20, 0x16, 0x00, 0x42, 0x12, 0x34, 0x56, 0x78,
                  0x00, 0x00, 0x01, 0x13, 0x00, 0x00]),
            hexs([0x00, 0x00, 0x27, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00])]
    common = common_area("01031A2B331E4C5D", [
        service("1008"), service("110B", info), service("1317"),
        service("170F", rows), service("1A88"),
    ])
    return image("01031A2B331E4C5D", "0112140A00004BFF", [common])


# --- nanaco: kind, amount and balance (32 bits each, high byte first), then
# one word of year - 2000 (11 bits), month (4), day (5), hour (6), minute (6).

def nanaco_block(kind, amount, balance, date, time):
    y, mo, d = date
    h, mi = time
    word = ((y - 2000) << 21) | (mo << 17) | (d << 12) | (h << 6) | mi
    b = [kind] + list(amount.to_bytes(4, "big")) + list(balance.to_bytes(4, "big"))
    b += list(word.to_bytes(4, "big")) + [0, 0, 0]
    return hexs(b)


def nanaco_sample():
    """nanaco, 5 history blocks of which 4 hold a record (block 0 the newest),
    the card number and the balance, among services that need a key."""
    rows = [
        nanaco_block(0x47, 648, 1352, (2026, 11, 28), (18, 42)),    # payment
        nanaco_block(0x83, 500, 2000, (2026, 11, 25), (12, 0)),     # points turned into money
        nanaco_block(0x47, 1180, 1500, (2026, 11, 2), (8, 5)),      # payment
        nanaco_block(0x70, 2680, 2680, (2026, 10, 30), (10, 15)),   # charge
        "00" * 16,                                                  # no record yet
    ]
    number = [hexs([0x71, 0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12] + [0] * 8)]
    balance = [hexs(list((1352).to_bytes(4, "little")) + [0] * 12)]
    common = common_area("01041B2C2F1D5F60", [
        service("5508", key="0100"), service("558B", number), service("5597", balance),
        service("560B", key="0100"), service("564F", rows),
    ])
    return image("01041B2C2F1D5F60", "0118030F0A014BFF", [common])


# --- WAON: records in block pairs; the even block holds the terminal number
# and the record number, the odd block the kind and bit fields from the top
# bit of byte 2 on: year - 2005 (5), month (4), day (5), hour (5), minute (6),
# balance (18), amount paid (18), amount charged (17).

def waon_pair(terminal, record, kind, date, time, balance, paid, charged):
    even = list(terminal.encode("ascii")) + list(record.to_bytes(2, "big")) + [0]
    y, mo, d = date
    h, mi = time
    fields = [(y - 2005, 5), (mo, 4), (d, 5), (h, 5), (mi, 6), (balance, 18), (paid, 18), (charged, 17)]
    v, n = 0, 0
    for value, bits in fields:
        v = (v << bits) | value
        n += bits
    v <<= 80 - n
    odd = [0, kind] + list(v.to_bytes(10, "big")) + [0] * 4
    return [hexs(even), hexs(odd)]


def waon_sample():
    """WAON, three records in the pairs of blocks 0-5, not in record order,
    the card number and the balance, among services that need a key."""
    blocks = (waon_pair("SAMPLE0000041", 41, 0x04, (2026, 11, 27), (19, 3), 1930, 1280, 0)     # payment
              + waon_pair("SAMPLE0000042", 42, 0x1C, (2026, 12, 1), (7, 45), 3930, 0, 2000)  # auto-charge at a purchase
              + waon_pair("SAMPLE0000040", 40, 0x0C, (2026, 11, 20), (9, 30), 3210, 0, 3000))  # charge
    number = [hexs([0x69, 0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12] + [0] * 8)]
    balance = [hexs(list((3930).to_bytes(4, "little")) + [0] * 12)]
    common = common_area("01051C2DF31E5A6B", [
        service("67C8", key="0100"), service("680B", blocks), service("6817", balance),
        service("684F", number), service("68C8", key="0100"),
    ])
    return image("01051C2DF31E5A6B", "0118030F0A014BFF", [common])


# --- JAL IC: decimal digits one per nibble, lowest digit first across bytes.

def jal_block(kind, date, time, amount, balance):
    """amount: 5 hex digits, balance: 8 hex digits, highest first (a digit
    past 9 is kept as written)."""
    y, mo, d = date
    h, mi = time
    hhmm = "%02d%02d" % (h, mi)
    a = [int(c, 16) for c in amount]
    bal = [int(balance[i:i + 2], 16) for i in range(0, 8, 2)]
    b = [0] * 16
    b[0] = (int(hhmm[3]) << 4) | 0x02          # minute units; low nibble made up
    b[1] = (int(hhmm[1]) << 4) | int(hhmm[2])  # hour units, minute tens
    b[2] = (a[4] << 4) | int(hhmm[0])          # amount units, hour tens
    b[3] = (a[2] << 4) | a[3]
    b[4] = (a[0] << 4) | a[1]
    b[5], b[6] = 0x31, 0x07                    # made up: not decoded
    b[7], b[8], b[9], b[10] = bal[3], bal[2], bal[1], bal[0]
    b[11], b[12], b[13] = bcd(d), bcd(mo), bcd(y % 100)
    b[14] = 0x01                               # made up: not decoded
    b[15] = kind
    return hexs(b)


def jalic_sample():
    """JAL IC, 3 history blocks and the member block, in the common area."""
    rows = [
        jal_block(0x06, (2026, 11, 28), (14, 5), "01280", "00009020"),   # 物販
        jal_block(0x19, (2026, 11, 20), (9, 30), "10000", "00010300"),   # 入金
        # 戻し whose last amount digit is F: the amount reads 300
        jal_block(0x20, (2026, 11, 2), (21, 47), "0300F", "00000300"),
    ]
    # block 0: bytes 11-15 the JMB digits 40 21 15 68 37 (shown "7 402115683");
    # block 1: the name "YAMADA/TARO" padded to 16, stored last character first
    name = "YAMADA/TARO".ljust(16)
    info = [hexs([0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                  0x37, 0x68, 0x15, 0x21, 0x40]),
            hexs([ord(c) for c in reversed(name)]),
            "00" * 16, "00" * 16]
    common = common_area("01152233441E6677", [
        service("1A88"), service("2F48"), service("2F4B", info),
        service("300F", rows), service("3008"),
    ])
    return image("01152233441E6677", "0112140A00004BFF", [common])


# --- Regional cards whose places are named in a code table of their own.
# Multi-byte fields are high byte first; the bytes the program does not
# decode are made up here (a terminal number and a running record number),
# so that no two blocks are alike.

def made_up(b, terminal, record, at):
    """Puts a terminal number and a record number into the bytes at `at`."""
    for i, v in zip(at, [terminal >> 8, terminal & 0xFF, record >> 8, record & 0xFF]):
        b[i] = v & 0xFF


def ica_block(date, line, entry, exit_, balance, record):
    """ICa: 0-1 date, 6-7 line, 8 entry, 9 exit, 13-14 balance in yen."""
    b = [0] * 16
    b[0:2] = date16(*date)
    made_up(b, 0x0B21, record, (2, 3, 4, 5))
    b[6], b[7] = line >> 8, line & 0xFF
    b[8], b[9] = entry, exit_
    b[13], b[14] = balance >> 8, balance & 0xFF
    return hexs(b)


def ica_sample():
    """ICa, 20 blocks: trains and buses, two top-ups at an office (no line
    or station), a bus stop numbered on line 0, a stop without a name."""
    rows = [  # (date, line, entry, exit, balance after) newest first
        ((2026, 11, 28), 0x0011, 0x01, 0x03, 1580),  # paid 200
        ((2026, 11, 28), 0x0011, 0x03, 0x01, 1780),  # paid 220
        ((2026, 11, 27), 0x0000, 0x00, 0x00, 2000),  # topped up 1000
        ((2026, 11, 27), 0x0120, 0x02, 0x05, 1000),  # paid 250
        ((2026, 11, 26), 0x0000, 0x07, 0x00, 1250),  # paid 180, boarding on line 0
        ((2026, 11, 25), 0x0011, 0x02, 0x09, 1430),  # paid 170, exit not in the table
        ((2026, 11, 25), 0x0011, 0x01, 0x02, 1600),  # paid 170
        ((2026, 11, 24), 0x0120, 0x05, 0x02, 1770),  # paid 250
        ((2026, 11, 21), 0x0011, 0x03, 0x01, 2020),  # paid 220
        ((2026, 11, 20), 0x0000, 0x00, 0x00, 2240),  # topped up 2000 from 240
        ((2026, 11, 20), 0x0011, 0x01, 0x03, 240),   # paid 220
        ((2026, 11, 19), 0x0011, 0x03, 0x01, 460),   # paid 220
        ((2026, 11, 18), 0x0120, 0x02, 0x05, 680),   # paid 250
        ((2026, 11, 17), 0x0011, 0x01, 0x02, 930),   # paid 170
        ((2026, 11, 16), 0x0011, 0x02, 0x01, 1100),  # paid 170
        ((2026, 11, 14), 0x0011, 0x01, 0x03, 1270),  # paid 220
        ((2026, 11, 13), 0x0011, 0x03, 0x01, 1490),  # paid 220
        ((2026, 11, 12), 0x0120, 0x05, 0x02, 1710),  # paid 250
        ((2026, 11, 11), 0x0011, 0x02, 0x01, 1960),  # paid 170
        ((2026, 11, 8), 0x0000, 0x00, 0x00, 2130),   # the oldest block read
    ]
    blocks = [ica_block(*r, record=0x0240 - i) for i, r in enumerate(rows)]
    ica = {"code": "80EF", "areas": ["0000"],
           "services": [service("8988"), service("898F", blocks), service("8A48")]}
    common = common_area("02200311" "4E1A2B3C", [service("1A88"), service("1A8B", ["00" * 16])])
    return image("012003114E1A2B3C", "0100324228284BFF", [ica, common])


def nice_block(date, entry, exit_, balance, record):
    """nice pass!: 0-1 date; 5, 6 and the high nibble of 7 the entry station,
    the low nibble of 7, 8 and 9 the exit station; 13-14 balance."""
    b = [0] * 16
    b[0:2] = date16(*date)
    made_up(b, 0x0004, record, (2, 10, 11, 12))
    b[5], b[6] = (entry >> 12) & 0xFF, (entry >> 4) & 0xFF
    b[7] = ((entry & 0x0F) << 4) | ((exit_ >> 16) & 0x0F)
    b[8], b[9] = (exit_ >> 8) & 0xFF, exit_ & 0xFF
    b[13], b[14] = balance >> 8, balance & 0xFF
    return hexs(b)


def nicepass_sample():
    """nice pass!, 20 blocks with 20-bit station codes: rail and bus rides,
    two top-ups, a boarding without an entry station."""
    rows = [  # (date, entry, exit, balance after) newest first
        ((2026, 11, 28), 0x00101, 0x00203, 2690),  # paid 270
        ((2026, 11, 28), 0x10A05, 0x20B06, 2960),  # bus, paid 240
        ((2026, 11, 27), 0x00000, 0x00000, 3200),  # topped up 3000 from 200
        ((2026, 11, 27), 0x00000, 0x20B06, 200),   # bus without an entry, paid 240
        ((2026, 11, 26), 0x00203, 0x00101, 440),   # paid 270
        ((2026, 11, 26), 0x00101, 0x00304, 710),   # paid 290, exit not in the table
        ((2026, 11, 25), 0x00000, 0x00000, 1000),  # topped up 1000 from an empty purse
        ((2026, 11, 24), 0x00102, 0x00101, 0),     # paid 180
        ((2026, 11, 24), 0x00101, 0x00102, 180),   # paid 180
    ]
    # eleven older rides of 270 between two stations, the oldest block last
    for i, day in enumerate(range(23, 12, -1)):
        entry, exit_ = (0x00101, 0x00203) if i % 2 == 0 else (0x00203, 0x00101)
        rows.append(((2026, 11, day), entry, exit_, 360 + 270 * i))
    blocks = [nice_block(*r, record=0x0511 - i) for i, r in enumerate(rows)]
    nice = {"code": "040F", "areas": ["0000"],
            "services": [service("0308"), service("030F", blocks), service("0348")]}
    return image("0102040F6C1A5E70", "0100324228284BFF", [nice])


def process_block(date, process, entry, exit_, amount, balance, high_nibble, record):
    """CI-CA and passca: 0-1 date, 5-6 entry, 7-8 exit, 9 process code, low
    nibble of 10 and 11 the amount in 10 yen (the high nibble of 10 holds
    something else), 14-15 balance in 10 yen."""
    assert amount % 10 == 0 and balance % 10 == 0 and amount // 10 < 0x1000
    units = amount // 10
    b = [0] * 16
    b[0:2] = date16(*date)
    made_up(b, 0x0003, record, (2, 3, 12, 13))
    b[4] = 0x01
    b[5], b[6] = entry >> 8, entry & 0xFF
    b[7], b[8] = exit_ >> 8, exit_ & 0xFF
    b[9] = process
    b[10], b[11] = (high_nibble << 4) | (units >> 8), units & 0xFF
    b[14], b[15] = (balance // 10) >> 8, (balance // 10) & 0xFF
    return hexs(b)


def process_card(rows, record):
    """rows: (date, process, entry, exit, amount, balance after, high nibble)."""
    return [process_block(*r, record=record - i) for i, r in enumerate(rows)]


def cica_sample():
    """CI-CA, 20 blocks: every process code of the table, one it lacks, an
    amount whose byte 10 has its high nibble set, the card's first record."""
    rows = [  # newest first
        ((2026, 11, 28), 0x53, 0x0101, 0x0205, 230, 4770, 0x3),   # 支払
        ((2026, 11, 28), 0x5D, 0x0205, 0x1A03, 150, 5000, 0x0),   # 乗継
        ((2026, 11, 27), 0x52, 0x0102, 0x0101, 120, 5150, 0xF),   # 支払, entry side only
        ((2026, 11, 27), 0x59, 0x0101, 0x0000, 3000, 5270, 0x0),  # 積増 at a station
        ((2026, 11, 26), 0x5C, 0x1A03, 0x0205, 100, 2270, 0x0),   # 乗継, entry side only
        ((2026, 11, 26), 0x60, 0x0102, 0x0307, 0, 2370, 0x2),     # a code the table lacks
        ((2026, 11, 25), 0x57, 0x0205, 0x0101, 280, 2370, 0x0),   # 控除
        ((2026, 11, 25), 0x53, 0x0000, 0x0102, 200, 2650, 0x0),   # 支払 without an entry
        ((2026, 11, 24), 0x79, 0x0101, 0x0101, 1000, 2850, 0x0),  # 積増 at an office
        ((2026, 11, 24), 0x58, 0x0102, 0x0205, 310, 1850, 0x0),   # 控除
        ((2026, 11, 23), 0x53, 0x0101, 0x0102, 180, 2160, 0x0),
        ((2026, 11, 22), 0x7B, 0x0000, 0x0000, 2000, 2340, 0x0),  # 積増
        ((2026, 11, 21), 0x53, 0x0205, 0x0101, 230, 340, 0x0),
        ((2026, 11, 20), 0x53, 0x0101, 0x1A03, 4090, 570, 0x8),   # the largest amount
        ((2026, 11, 19), 0x53, 0x1A03, 0x0101, 410, 4660, 0x0),
        ((2026, 11, 18), 0x5D, 0x0102, 0x0205, 130, 5070, 0x0),
        ((2026, 11, 17), 0x53, 0x0101, 0x0102, 180, 5200, 0x0),
        ((2026, 11, 16), 0x59, 0x0101, 0x0101, 5000, 5380, 0x0),
        ((2026, 11, 15), 0x53, 0x0102, 0x0101, 120, 380, 0x0),
        ((2026, 11, 15), 0x7A, 0x0101, 0x0000, 500, 500, 0x0),    # 新規: issued with 500
    ]
    cica = {"code": "8157", "areas": ["0000"],
            "services": [service("8988"), service("898F", process_card(rows, 0x0A14)), service("8A0B")]}
    return image("011357812A136B0C", "0100324228284BFF", [cica])


def passca_sample():
    """passca, 20 blocks: the one-sided codes name the exit side here."""
    rows = [  # newest first
        ((2026, 11, 28), 0x52, 0x0010, 0x0012, 200, 1800, 0x0),   # 支払, exit side only
        ((2026, 11, 28), 0x5C, 0x0012, 0x0120, 100, 2000, 0x0),   # 乗継 to the bus, exit side only
        ((2026, 11, 27), 0x59, 0x0011, 0x0000, 2000, 2100, 0x0),  # 積増 at a station
        ((2026, 11, 27), 0x53, 0x0011, 0x0010, 200, 100, 0x0),
        ((2026, 11, 26), 0x6F, 0x0010, 0x0099, 0, 300, 0x5),      # a code the table lacks
        ((2026, 11, 26), 0x53, 0x0012, 0x0011, 200, 300, 0x0),
        ((2026, 11, 25), 0x5D, 0x0120, 0x0012, 100, 500, 0x0),    # 乗継 from the bus
        ((2026, 11, 25), 0x53, 0x0000, 0x0011, 200, 600, 0x0),    # 支払 without an entry
    ]
    # eleven rides of 200 between two stops, then the card's first record
    for i, day in enumerate(range(24, 13, -1)):
        entry, exit_ = (0x0010, 0x0011) if i % 2 == 0 else (0x0011, 0x0010)
        rows.append(((2026, 11, day), 0x53, entry, exit_, 200, 800 + 200 * i, 0x0))
    rows.append(((2026, 11, 13), 0x7A, 0x0010, 0x0000, 3000, 3000, 0x0))  # 新規
    passca = {"code": "832C", "areas": ["0000"],
              "services": [service("8988"), service("898F", process_card(rows, 0x0321))]}
    common = common_area("0214832C1B163948", [service("1A88"), service("1A8B", ["00" * 16])])
    return image("0114832C1B163948", "0100324228284BFF", [passca, common])


def setamaru_block(date, line, station, balance, points, total, serial):
    """せたまる: 3-4 date, 5 line, 6 station, 9-10 balance and 11-12 points
    low byte first, 13 point total, 14-15 serial high byte first."""
    b = [0] * 16
    b[0], b[1], b[2] = 0x1C, 0x02, 0x00     # made up: not decoded
    b[3:5] = date16(*date)
    b[5], b[6] = line, station
    b[7], b[8] = 0x00, 0xA0                 # made up: not decoded
    b[9], b[10] = balance & 0xFF, balance >> 8
    b[11], b[12] = points & 0xFF, points >> 8
    b[13] = total
    b[14], b[15] = serial >> 8, serial & 0xFF
    return hexs(b)


def setamaru_sample():
    """せたまる, 20 blocks and the ticket-gate log; issuer kind 4 (the card
    has probe service 324C)."""
    rows = [  # (date, line, station, balance, points, point total, serial) newest first
        ((2026, 11, 28), 0x2A, 0x02, 1840, 5, 255, 0x0134),     # the total at its 8-bit top
        ((2026, 11, 27), 0x2A, 0x01, 2000, 10, 250, 0x0133),
        ((2026, 11, 27), 0x05, 0x00, 2160, 0, 240, 0x0132),     # a line without a station
        ((2026, 11, 26), 0x2A, 0x05, 160, 1234, 240, 0x0131),   # a points campaign
        ((2026, 11, 25), 0x2A, 0x09, 320, 3, 6, 0x0130),        # a stop not in the table
    ]
    # fifteen older rides of 160 yen, one point each for the first three
    for i in range(15):
        rows.append(((2026, 11, 24 - i), 0x2A, 0x01 if i % 2 else 0x05, 480 + 160 * i,
                     1 if i < 3 else 0, max(3 - i, 0), 0x012F - i))
    blocks = [setamaru_block(*r) for r in rows]
    gates = [gate_block(0x20, 0x2A, 0x02, (2026, 11, 28), 7, 58, 160, 0),
             gate_block(0xA0, 0x2A, 0x01, (2026, 11, 27), 18, 12, 0, 0),
             gate_block(0x20, 0x2A, 0x05, (2026, 11, 26), 9, 30, 160, 0)]
    seta = {"code": "802B", "areas": ["0000"],
            "services": [service("1088"), service("108F", gates)] + probes({"324C"})
            + [service("324F", blocks)]}
    return image("01162B80751A0D3E", "0120220427674EFF", [seta])


def green_block(boarding, alighting, date, time, fare10, train, seat_station, seat_time, status):
    """Block 0 of service 184B: stations, purchase date and time (hour bits
    15-11, minute 10-5), the fare in tens of yen in byte 9, the train code,
    the seat station and the seat time with its status in bits 1-0."""
    h, mi = time
    t = (h << 11) | (mi << 5)
    sh, sm = seat_time
    seat = (sh << 11) | (sm << 5) | status
    b = list(boarding) + list(alighting) + date16(*date) + [t >> 8, t & 0xFF, 0, fare10,
                                                            train >> 8, train & 0xFF]
    b += list(seat_station) + [seat >> 8, seat & 0xFF]
    return hexs(b)


def green_suica(idm, ticket_blocks):
    rows = [
        suica_block(0x16, 0x01, (2026, 12, 5), 2830, 0x000412, dep=(0x01, 0x02), arr=(0x01, 0x40)),
        suica_block(0x08, 0x02, (2026, 12, 5), 3960, 0x000411, dep=(0x01, 0x02)),
    ]
    # A card's history service always holds 20 blocks: earlier commutes.
    for i in range(18):
        day = 4 - i // 2 if i < 8 else 30 - (i - 8) // 2
        month = 12 if i < 8 else 11
        there = i % 2 == 1
        rows.append(suica_block(0x16, 0x01, (2026, month, day), 3960 + 170 * (i + 1), 0x000410 - i,
                                dep=(0x01, 0x40) if there else (0x01, 0x02),
                                arr=(0x01, 0x02) if there else (0x01, 0x40)))
    gates = [  # out at 見本大学前, in at 見本港 on the morning of the ticket
        gate_block(0x20, 0x01, 0x40, (2026, 12, 5), 8, 31, 1130, 0),
        gate_block(0xA0, 0x01, 0x02, (2026, 12, 5), 7, 50, 0, 0),
        gate_block(0x20, 0x01, 0x02, (2026, 12, 4), 18, 12, 170, 0),
    ]
    suica = {"code": "0003", "areas": ["0000", {"code": "1000", "end": "17FF"}],
             "services": [service("090F", rows), service("108F", gates)] + probes({"1848"})
             + [service("184B", ticket_blocks)]}
    return image(idm, "0120220427674EFF", [suica])


def green_sample():
    """A Suica card holding a Green car ticket, read while its holder sits:
    見本港 to 見本大学前, bought 2026-12-05 07:48 for 1000 yen, seat taken
    at 見本中央 at 08:02 on train 2071."""
    ticket = green_block((0x01, 0x02), (0x01, 0x40), (2026, 12, 5), (7, 48), 100, 0x2071,
                         (0x01, 0x10), (8, 2), 3)
    return green_suica("01010410C91A2B60", [ticket] + ["00" * 16] * 22)


def no_green_sample():
    """A Suica card without a Green car ticket: the ticket service is blank."""
    return green_suica("01010410C91A2B61", ["00" * 16] * 23)


def numbered_blocks(tag, n):
    return [hexs([tag, i] + [(tag + i * 7 + k) & 0xFF for k in range(14)]) for i in range(n)]


def purse_block(balance, cashback, exec_id):
    b = [0] * 16
    b[0:4] = list((balance & 0xFFFFFFFF).to_bytes(4, "little"))
    b[4:8] = list((cashback & 0xFFFFFFFF).to_bytes(4, "little"))
    b[14], b[15] = exec_id & 0xFF, exec_id >> 8
    return hexs(b)


def common_area_sample():
    """A card with only the common area FE00, holding a service of every
    attribute kind (keyed and without a key, purses included), and services
    of 0, 1, 12, 13, 39, 40 and 41 readable blocks."""
    services = [
        service("1008", key="0100"),                           # random read/write, keyed
        service("1049", numbered_blocks(0x10, 1)),             # random read/write, no key
        service("108A", key="0100"),                           # random read-only, keyed
        service("10CB", numbered_blocks(0x20, 12)),            # random read-only, no key
        service("110C", key="0100"),                           # cyclic read/write, keyed
        service("114D", numbered_blocks(0x30, 13)),            # cyclic read/write, no key
        service("118E", key="0100"),                           # cyclic read-only, keyed
        service("11CF", numbered_blocks(0x40, 39)),            # cyclic read-only, no key
        service("1210", key="0200"),                           # purses, keyed and not
        service("1251", [purse_block(12345, 0, 0x0102), purse_block(500, 20, 0x0103)]),
        service("1292", key="0200"),
        service("12D3", [purse_block(-100, 7, 0x0A0B)]),
        service("1314", key="0200"),
        service("1355", [purse_block(2 ** 31 - 1, 2 ** 31 - 1, 0xFFFF)]),
        service("1396", key="0200"),
        service("13D7", [purse_block(0, 0, 0)]),
        service("1428", key="0300"),                           # PINs
        service("1469", key="0300"),
        service("14AA", key="0300"),
        service("14EB", key="0300"),
        service("150F", numbered_blocks(0x50, 40)),
        service("154F", numbered_blocks(0x60, 41)),
        service("158B"),                                       # says no key, reads nothing
        service("15C2", key="0400"),                           # an attribute without a name
    ]
    common = {"code": "FE00", "areas": ["0000", {"code": "1000", "end": "17FF"}], "services": services}
    return image("012E4B0C7F240A15", "03014B024F4993FF", [common])


def main():
    os.makedirs(OUT, exist_ok=True)
    write("suica-sample.json", suica_sample())
    write("suica-kind2-sample.json", suica_kind2_sample())
    write("pasmo-sample.json", pasmo_sample())
    write("iruca-sample.json", iruca_sample())
    write("rapica-sample.json", rapica_sample())
    write("nagasaki-sample.json", nagasaki_sample())
    write("luluca-sample.json", luluca_sample())
    write("ecard-sample.json", ecard_sample())
    write("ecard-mobile-sample.json", ecard_mobile_sample())
    write("edy-sample.json", edy_sample())
    write("jalic-sample.json", jalic_sample())
    write("nanaco-sample.json", nanaco_sample())
    write("waon-sample.json", waon_sample())
    write("ica-sample.json", ica_sample())
    write("nicepass-sample.json", nicepass_sample())
    write("cica-sample.json", cica_sample())
    write("passca-sample.json", passca_sample())
    write("setamaru-sample.json", setamaru_sample())
    write("suica-green-sample.json", green_sample())
    write("suica-no-green-sample.json", no_green_sample())
    write("common-area-sample.json", common_area_sample())


if __name__ == "__main__":
    main()
