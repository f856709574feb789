#!/usr/bin/env python3
"""Writes the order in which kuvora-cli's own code is laid out.

A fresh process pays for every page of code it touches the first time (on a
virtual machine some microseconds each), and a read runs a few hundred of our
functions spread over the whole program. Linked in this order they sit
together on far fewer pages. The list names the sections the compiler makes
with -ffunction-sections (".text.<symbol>"); the linker (gold,
--section-ordering-file) puts them first and leaves everything else as it is.

The functions are found by running a read under callgrind:

    tools/function_order.py BUILD/bin/kuvora-cli > app/cli/read-order.txt

Run it again when a read's code has changed much: a stale list costs only
speed (names no longer there are passed over), never correctness.
"""
import bisect
import os
import re
import subprocess
import sys
import tempfile

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLE = os.path.join(SOURCE, "data", "cards", "suica-sample.json")


def run_read(cli, home, out=None):
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(home, "data"), XDG_CONFIG_HOME=os.path.join(home, "config"))
    command = [cli, "read", "--reader", "image:" + SAMPLE, "--format", "json"]
    if out:
        # Three parts: before the read, the read, after it.
        command = ["valgrind", "--tool=callgrind", "--dump-instr=yes", "--callgrind-out-file=" + out,
                   "--dump-before=CKuvoraDoc::OnCardRead()", "--dump-after=CKuvoraDoc::OnCardRead()"] + command
    subprocess.run(command, env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def executed_addresses(profile, program):
    """The instruction addresses callgrind saw run inside `program`."""
    names, current, address, found = {}, None, 0, set()
    with open(profile) as f:
        for line in f:
            m = re.match(r"(c?ob)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
            if m:
                if m.group(3):
                    names[m.group(2)] = m.group(3)
                if m.group(1) == "ob":
                    current = names.get(m.group(2))
                continue
            if not line or line[0] not in "0123456789+-*":
                continue
            token = line.split()[0]
            if token.startswith("0x"):
                address = int(token, 16)
            elif token[0] in "+-":
                step = int(token[1:], 16) if token[1:].startswith("0x") else int(token[1:])
                address += step if token[0] == "+" else -step
            else:
                continue
            if current == program:
                found.add(address)
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: function_order.py PATH/TO/kuvora-cli > app/cli/read-order.txt")
    cli = os.path.realpath(sys.argv[1])
    symbols = []
    nm = subprocess.run(["nm", "-S", "--defined-only", cli], capture_output=True, text=True, check=True)
    for line in nm.stdout.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[2] in "tTwW":
            # A local alias lives in its function's section.
            symbols.append((int(parts[0], 16), int(parts[1], 16), parts[3].removesuffix(".localalias")))
    symbols.sort()
    starts = [s[0] for s in symbols]
    with tempfile.TemporaryDirectory() as home:
        run_read(cli, home)  # stores the card's rows: the profiled read finds them, as most reads do
        profile = os.path.join(home, "callgrind.out")
        run_read(cli, home, profile)
        # The read's functions first, then the rest of the run's (start,
        # options, output): the read is what a fresh process waits for most.
        parts = [profile + ".2", profile + ".1", profile]
        if not all(os.path.exists(p) for p in parts):
            sys.exit("callgrind did not split the run at the read")
        runs = [executed_addresses(p, cli) for p in parts]
    listed = set()
    for addresses in runs:
        used = {}
        for a in addresses:
            i = bisect.bisect_right(starts, a) - 1
            if i >= 0 and symbols[i][0] <= a < symbols[i][0] + symbols[i][1]:
                used[symbols[i][2]] = symbols[i][0]
        # Within each part in the program's present order: neighbours stay
        # neighbours.
        for name in sorted(used, key=used.get):
            if name not in listed and not name.endswith(".cold"):
                listed.add(name)
                print(".text." + name)


if __name__ == "__main__":
    main()
