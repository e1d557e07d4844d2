#!/usr/bin/env python3
"""Writes the sample Shift-JIS / JEF conversion table (sjisjef.tbl).

The pairs come from ICU's converters through uconv, never from a hand-made list:

* single-byte: every ASCII character and every half-width katakana, with its code in the
  EBCDIC Japanese katakana code page 290;
* double-byte: every code-page-932 character of JIS X 0208 (the rows the standard fills), with
  its JEF code equal to its EUC-JP code.

Each line is "Shift-JIS code,JEF code" with the Shift-JIS code in the signed 16-bit form the
library reports for a character. A site replaces this file with its own table.

usage: make-jef-table.py [OUTPUT]   (default: data/sjisjef.tbl beside this script's folder)
"""

import os
import subprocess
import sys

MAX_PAIRS = 7858
SJIS = "windows-932"
EUC = "EUC-JP"
EBCDIC = "ibm-290"


def uconv(data, source, target):
    # Characters without a mapping come out as a {U+XXXX} escape, so the caller can tell them
    # from real output line by line.
    run = subprocess.run(
        ["uconv", "-f", source, "-t", target, "--from-callback", "escape-unicode",
         "--to-callback", "escape-unicode"],
        input=data, capture_output=True, check=True)
    return run.stdout


def per_line(codes, source, target):
    """Converts each byte string of `codes` alone; returns the results in order."""
    # A line feed separates the codes: it converts to itself in every code page used here
    # except the EBCDIC one, which is only ever asked about one character at a time.
    joined = b"\n".join(codes) + b"\n"
    out = uconv(joined, source, target).split(b"\n")
    assert len(out) == len(codes) + 1, "line count changed in conversion"
    return out[:-1]


def unescaped(b):
    return b and b"{U+" not in b


def single_byte_pairs():
    pairs = []
    codes = list(range(0x00, 0x80)) + list(range(0xA1, 0xE0))
    for code in codes:
        text = uconv(bytes([code]), SJIS, "UTF-16BE")
        if len(text) != 2:
            continue
        ebcdic = uconv(text, "UTF-16BE", EBCDIC)
        # Keep only exact round trips: a fallback mapping would put two characters on one code.
        if len(ebcdic) != 1 or uconv(ebcdic, EBCDIC, "UTF-16BE") != text:
            continue
        pairs.append((code, ebcdic[0]))
    return pairs


def jis_x_0208_leads():
    # Rows 1-8, 16-84 of JIS X 0208 in Shift-JIS lead bytes; rows 9-15 and 85-94 hold no
    # character of the standard (code page 932 puts vendor additions there).
    return list(range(0x81, 0x85)) + list(range(0x88, 0xA0)) + list(range(0xE0, 0xEB))


def double_byte_pairs():
    codes = []
    for lead in jis_x_0208_leads():
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            codes.append(bytes([lead, trail]))
    utf8 = per_line(codes, SJIS, "UTF-8")
    back = per_line([u if unescaped(u) else b"?" for u in utf8], "UTF-8", SJIS)
    euc = per_line([u if unescaped(u) else b"?" for u in utf8], "UTF-8", EUC)
    pairs = []
    for code, text, again, e in zip(codes, utf8, back, euc):
        if not unescaped(text) or text == "\ufffd".encode() or again != code:
            continue  # unassigned, or a code that text never converts back to
        if len(e) != 2 or not (0xA1 <= e[0] <= 0xFE and 0xA1 <= e[1] <= 0xFE):
            continue  # no JIS X 0208 form in EUC-JP
        pairs.append((code[0] * 256 + code[1] - 65536, e[0] * 256 + e[1]))
    return pairs


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "sjisjef.tbl")
    pairs = single_byte_pairs() + double_byte_pairs()
    if len(pairs) > MAX_PAIRS:
        sys.exit(f"{len(pairs)} pairs: the table holds at most {MAX_PAIRS}")
    for column in (0, 1):
        values = [p[column] for p in pairs]
        if len(set(values)) != len(values):
            sys.exit("a code occurs twice")
    with open(output, "wb") as f:
        for sjis, jef in pairs:
            f.write(f"{sjis},{jef}\r\n".encode("ascii"))
    print(f"{output}: {len(pairs)} pairs", file=sys.stderr)


if __name__ == "__main__":
    main()
