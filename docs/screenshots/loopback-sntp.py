#!/usr/bin/env python3
"""A stand-in time server on a loopback address, port 123, for screenshots.

    loopback-sntp.py ADDRESS answer|silent SECONDS

"answer" replies to every request with this machine's own clock (stratum 2);
"silent" takes every request and answers none. Ends after SECONDS.
Port 123 needs root (or CAP_NET_BIND_SERVICE); the address must be in 127.0.0.0/8.
"""
import socket
import struct
import sys
import time

NTP_EPOCH_OFFSET = 2208988800


def ntp_stamp(unix_seconds):
    seconds = int(unix_seconds) + NTP_EPOCH_OFFSET
    fraction = int((unix_seconds % 1.0) * 2**32)
    return struct.pack("!II", seconds & 0xFFFFFFFF, fraction)


def main():
    address, mode, lifetime = sys.argv[1], sys.argv[2], float(sys.argv[3])
    if not address.startswith("127."):
        sys.exit("loopback addresses only")
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((address, 123))
    sock.settimeout(0.5)
    end = time.time() + lifetime
    while time.time() < end:
        try:
            request, peer = sock.recvfrom(2048)
        except socket.timeout:
            continue
        if mode != "answer" or len(request) < 48:
            continue
        received = time.time()
        header = struct.pack("!BBbbII4s", (0 << 6) | (4 << 3) | 4, 2, 6, -20, 0x180, 0x240, b"LOCL")
        reply = header + ntp_stamp(received - 64) + request[40:48] + ntp_stamp(received) + ntp_stamp(time.time())
        sock.sendto(reply, peer)


if __name__ == "__main__":
    main()
