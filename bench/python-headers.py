#!/usr/bin/env python3
"""The reference for the header-decoding benchmark: Python's email package parses the same
header blocks into sender, subject and the date of the first dated Received field. Prints one
line: blocks, bytes, best seconds of several runs."""
import email.parser
import email.policy
import email.utils
import sys
import time


def decode(block, parser):
    message = parser.parsebytes(block)
    sender = str(message["From"] or "")
    subject = str(message["Subject"] or "")
    received = None
    for value in message.get_all("Received") or []:
        _, _, when = str(value).rpartition(";")
        if when:
            received = email.utils.parsedate_tz(when.strip())
            if received:
                break
    return sender, subject, received


def main():
    data = open(sys.argv[1], "rb").read()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    blocks = [b + b"\r\n" for b in data.split(b"\r\n.\r\n") if b]
    parser = email.parser.BytesHeaderParser(policy=email.policy.default)
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        for block in blocks:
            decode(block, parser)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print("%d %d %.6f" % (len(blocks), len(data), best))


if __name__ == "__main__":
    main()
