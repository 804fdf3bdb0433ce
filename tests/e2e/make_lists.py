#!/usr/bin/env python3
"""Writes a device's two list files, as the setup dialogs would, for tests and the demo.

    make_lists.py ROOT [--cdpd ADDRESS,DESCRIPTION,FREQUENCY,ICON,MODEM]...
                       [--target ID,DESCRIPTION,FREQUENCY,ICON]...

ROOT is the device's file-system root: the files go to ROOT/Windows/zqCDPD and
ROOT/Windows/zq3GTrack. Every CDPD entry is ticked (enabled).
"""
import argparse
import os
import socket
import struct


def cdpd_record(entry):
    address, description, frequency, icon, modem = entry.split(",")
    return (socket.inet_aton(address)
            + struct.pack("<fi", float(frequency), 0)
            + description.encode("latin-1")[:51].ljust(52, b"\0")
            + struct.pack("<iii", int(icon), 1, int(modem)))


def target_record(entry):
    target_id, description, frequency, icon = entry.split(",")
    return (target_id[:15].encode("utf-16-le").ljust(32, b"\0")
            + struct.pack("<fi", float(frequency), 0)
            + description.encode("latin-1")[:63].ljust(64, b"\0")
            + struct.pack("<iiii", int(icon), 0, 0, 0))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--cdpd", action="append", default=[])
    parser.add_argument("--target", action="append", default=[])
    args = parser.parse_args()
    windows = os.path.join(args.root, "Windows")
    os.makedirs(windows, exist_ok=True)
    entries = [cdpd_record(e) for e in args.cdpd]
    with open(os.path.join(windows, "zqCDPD"), "wb") as f:
        f.write(struct.pack("<iii", 0, 0, len(entries)) + b"".join(entries))
    targets = [target_record(e) for e in args.target]
    with open(os.path.join(windows, "zq3GTrack"), "wb") as f:
        f.write(struct.pack("<i", len(targets)) + b"".join(targets))


if __name__ == "__main__":
    main()
