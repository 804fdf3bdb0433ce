#!/usr/bin/env python3
"""The far end of the wire tests: records every UDP datagram that reaches one of the given
ADDRESS:PORT pairs, one line each, written out at once:

    TO_ADDRESS:PORT FROM_ADDRESS:PORT HEX

    wire_listener.py LOG ADDRESS:PORT...

Each pair has a socket of its own, so a line says where the datagram arrived without asking the
system. The log file appears only once every socket is bound: from then on nothing is missed."""
import selectors
import socket
import sys


def main():
    log_path, endpoints = sys.argv[1], sys.argv[2:]
    selector = selectors.DefaultSelector()
    for endpoint in endpoints:
        address, port = endpoint.rsplit(":", 1)
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((address, int(port)))
        selector.register(s, selectors.EVENT_READ, endpoint)
    with open(log_path, "a") as log:
        while True:
            for key, _ in selector.select():
                data, (address, port) = key.fileobj.recvfrom(65536)
                log.write(f"{key.data} {address}:{port} {data.hex()}\n")
                log.flush()


main()
