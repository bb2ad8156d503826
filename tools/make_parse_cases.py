#!/usr/bin/env python3
"""Writes messages that probe the corners of MIME parsing into a directory.

    make_parse_cases.py OUTDIR [COUNT]

tools/compare_parse.py reads each of them with two builds of the parser and
requires the same result; the messages are not judged right or wrong here.
Everything comes from one fixed seed, so every run writes the same bytes.

What varies from message to message:
  - line endings: CR LF, LF, CR, or a mix within one message;
  - boundaries of 1 to 70 characters, and lines that nearly are one: the
    delimiter followed by other characters, a prefix of it, one dash short,
    indented, in the wrong case, followed by blanks;
  - where a delimiter line falls: bodies sized so that it starts at, just
    before and just after multiples of 4096 bytes (up to 128 KB), both from
    the start of the body (the parser fills a fixed block as it reads a
    body) and from the start of the message;
  - transfer encodings: base64 with and without line breaks (and with
    noise), quoted-printable (soft breaks, escapes, cut-short escapes,
    trailing blanks), 7bit, 8bit, binary, none named;
  - preambles and epilogues, a missing close delimiter, a message cut off
    in the middle of a part, no line break after the last line;
  - nesting of multiparts and message/rfc822 parts;
  - headers without Content-ID or Message-ID, so that generated ids appear.
"""

import base64
import os
import quopri
import random
import sys

SEED = 20261206
DEFAULT_COUNT = 360
BLOCK = 4096

# RFC 2046 bcharsnospace; a space may appear inside a boundary but not last.
BOUNDARY_CHARS = ("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                  "'()+_,-./:=?")
WORDS = ("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima "
         "mike november oscar papa quebec romeo sierra tango uniform victor whiskey "
         "xray yankee zulu café Grüße naïve €").split()
EOLS = {"crlf": "\r\n", "lf": "\n", "cr": "\r"}


class Case:
    """One message under construction: logical lines, joined at the end with
    the chosen line endings. A line may carry raw bytes (binary bodies)."""

    def __init__(self, rng, eol):
        self.rng = rng
        self.eol = eol

    def line_end(self):
        if self.eol == "mixed":
            return self.rng.choice(list(EOLS.values()))
        return EOLS[self.eol]

    def join(self, lines, final_eol=True):
        out = bytearray()
        for index, line in enumerate(lines):
            out += line if isinstance(line, (bytes, bytearray)) else line.encode("utf-8")
            if index + 1 < len(lines) or final_eol:
                out += self.line_end().encode("ascii")
        return bytes(out)


def boundary(rng, length=None):
    length = length or rng.choice([1, 2, 3, 5, 8, 12, 16, 24, 32, 40, 50, 60, 69, 70,
                                   rng.randint(1, 70)])
    chars = [rng.choice(BOUNDARY_CHARS) for _ in range(length)]
    # An inner space now and then; never the last character.
    if length > 3 and rng.random() < 0.15:
        chars[rng.randint(1, length - 2)] = " "
    return "".join(chars)


def content_type_param(rng, value):
    token_safe = all(c not in " ()<>@,;:\\\"/[]?=" for c in value)
    if token_safe and rng.random() < 0.4:
        return f"boundary={value}"
    return f"boundary=\"{value}\""


def near_misses(rng, b):
    """Lines that look like the delimiter of `b` without being it, and a few
    that are it by the letter of the RFC (trailing blanks)."""
    candidates = [
        f"--{b}x", f"--{b}{b}", f"--{b}-", f"--{b}--x", f"-{b}", f" --{b}", f"---{b}",
        f"--{b[:-1]}" if len(b) > 1 else "--", f"--{b.swapcase()}", f"{b}",
        f"--{b} ", f"--{b}\t", f"--{b}--  ", f"x--{b}", f"--{b}=", f"--{b[1:]}",
    ]
    return [rng.choice(candidates) for _ in range(rng.randint(1, 3))]


def words(rng, count):
    return " ".join(rng.choice(WORDS) for _ in range(count))


def text_lines(rng, size, width=None):
    lines, total = [], 0
    while total < size:
        line = words(rng, rng.randint(1, 14))
        if width:
            line = line[:width]
        lines.append(line)
        total += len(line.encode()) + 1
    return lines


def base64_body(rng, data):
    encoded = base64.b64encode(data).decode("ascii")
    style = rng.choice(["76", "76", "odd", "one-line", "noise", "unpadded"])
    if style == "one-line":
        return [encoded] if encoded else []
    if style == "unpadded":
        encoded = encoded.rstrip("=")
    width = 76 if style in ("76", "noise", "unpadded") else rng.choice([4, 17, 60, 64, 75, 77, 998])
    lines = [encoded[i:i + width] for i in range(0, len(encoded), width)]
    if style == "noise" and lines:
        for _ in range(rng.randint(1, 4)):
            index = rng.randrange(len(lines))
            noise = rng.choice([" ", "\t", "!", "*", "=", "==", "  ", "ä"])
            at = rng.randint(0, len(lines[index]))
            lines[index] = lines[index][:at] + noise + lines[index][at:]
    return lines


def qp_body(rng, text):
    encoded = quopri.encodestring(text.encode("utf-8")).decode("ascii")
    lines = encoded.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    # Malformed and edge escapes that real mailers produce.
    for _ in range(rng.randint(0, 4)):
        if not lines:
            break
        index = rng.randrange(len(lines))
        lines[index] += rng.choice(["=", "=4", "=ZZ", "=3d", "   ", "\t", "=\t ", "==41", "=0A"])
    return lines


def leaf(rng, case, depth, within=None):
    """A leaf part: header lines and body lines."""
    encoding = rng.choice(["7bit", "8bit", "binary", "base64", "base64", "quoted-printable",
                           "quoted-printable", None, "BASE64", "x-unknown"])
    kind = rng.choice(["text/plain", "text/html", "application/octet-stream", "image/png"])
    header = [f"Content-Type: {kind}" + ("; charset=utf-8" if kind.startswith("text") else "")]
    if encoding:
        header.append(f"Content-Transfer-Encoding: {encoding}")
    if rng.random() < 0.3:
        header.append(f"Content-ID: <part{rng.randint(1, 999)}@cases.example>")
    if rng.random() < 0.3:
        header.append(f"Content-Disposition: attachment; filename=\"f{rng.randint(1, 99)}.bin\"")
    size = rng.choice([0, 1, 10, 100, 700, 3000, 5000, 9000])
    lower = (encoding or "").lower()
    if lower == "base64":
        body = base64_body(rng, rng.randbytes(size))
    elif lower == "quoted-printable":
        body = qp_body(rng, "\n".join(text_lines(rng, size)))
    elif lower == "binary":
        raw = bytes(b for b in rng.randbytes(size) if b not in (10, 13))
        body = [raw[i:i + 200] for i in range(0, len(raw), 200)]
    else:
        body = text_lines(rng, size)
    if within and rng.random() < 0.4:
        for miss in near_misses(rng, within):
            body.insert(rng.randint(0, len(body)), miss)
    return header, body


def multipart(rng, case, depth):
    """A multipart entity (or, now and then, a leaf or an enclosed message)."""
    b = boundary(rng)
    subtype = rng.choice(["mixed", "alternative", "related", "digest"])
    header = [f"Content-Type: multipart/{subtype}; {content_type_param(rng, b)}"]
    body = []
    if rng.random() < 0.6:
        body += text_lines(rng, rng.choice([1, 40, 300]))
        if rng.random() < 0.3:
            body += near_misses(rng, b)
    for _ in range(rng.randint(0, 4)):
        body.append(f"--{b}" + rng.choice(["", "", "", " ", "\t", "  \t"]))
        if depth < 3 and rng.random() < 0.25:
            part_header, part_body = multipart(rng, case, depth + 1)
        elif depth < 3 and rng.random() < 0.1:
            part_header, part_body = enclosed_message(rng, case, depth + 1)
        else:
            part_header, part_body = leaf(rng, case, depth, within=b)
        if rng.random() < 0.1:
            part_header = []  # a part with no header at all
        body += part_header + [""] + part_body
    ending = rng.choice(["close", "close", "close", "none", "close-epilogue", "close-trailing"])
    if ending == "close":
        body.append(f"--{b}--")
    elif ending == "close-epilogue":
        body.append(f"--{b}--")
        body += text_lines(rng, rng.choice([1, 50, 500]))
        if rng.random() < 0.5:
            body.append(f"--{b}")
    elif ending == "close-trailing":
        body.append(f"--{b}--" + rng.choice([" ", "x", "--", "\t"]))
    return header, body


def enclosed_message(rng, case, depth):
    inner_header, inner_body = (multipart(rng, case, depth) if rng.random() < 0.5
                                else leaf(rng, case, depth))
    inner = top_header(rng) + inner_header + [""] + inner_body
    return ["Content-Type: message/rfc822"], inner


def top_header(rng):
    lines = [f"From: Sender {rng.randint(1, 99)} <s{rng.randint(1, 99)}@cases.example>",
             "To: someone@cases.example",
             f"Subject: case {words(rng, 3)}"]
    if rng.random() < 0.5:
        lines.append(f"Message-ID: <{rng.randint(1, 10**9)}@cases.example>")
    if rng.random() < 0.3:
        lines.append("Date: Sun, 6 Dec 2026 10:00:00 +0000")
    if rng.random() < 0.7:
        lines.append("MIME-Version: 1.0")
    return lines


def random_message(rng, index):
    case = Case(rng, rng.choice(["crlf", "crlf", "lf", "lf", "cr", "mixed"]))
    if rng.random() < 0.2:
        header, body = leaf(rng, case, 0)
    else:
        header, body = multipart(rng, case, 0)
    lines = top_header(rng) + header + [""] + body
    cut = rng.random()
    if cut < 0.08 and len(lines) > 8:
        # Cut off in the middle of a line somewhere in the body.
        data = case.join(lines)
        return case.eol, data[:rng.randint(len(data) // 2, len(data) - 1)]
    return case.eol, case.join(lines, final_eol=cut > 0.15)


def sized_body(rng, size, eol_bytes, width, as_base64):
    """Lines of `width` characters (base64 or words) with `eol_bytes` between
    them, exactly `size` bytes in all; the last line is cut short."""
    if as_base64:
        width = min(width, 76)
    body = bytearray()
    while len(body) < size:
        if body:
            body += eol_bytes
        if as_base64:
            chunk = base64.b64encode(rng.randbytes(width)).decode()
        else:
            chunk = words(rng, width // 3 + 2)
        body += chunk[:width].encode()
    del body[size:]
    return bytes(body)


def split_message(rng, mode, offset_delta):
    """A multipart whose first delimiter line starts `offset_delta` bytes from
    a multiple of 4096, counted from the first body's start ("body") or from
    the start of the message ("file")."""
    eol = rng.choice(["crlf", "lf", "cr"])
    eol_bytes = EOLS[eol].encode("ascii")
    b = boundary(rng, rng.choice([1, 2, 7, 20, 40, 69, 70]))
    line_width = rng.choice([1, 30, 76, 200, 5000])
    encoding = rng.choice(["7bit", "8bit", "base64", "quoted-printable"])
    head = (top_header(rng) +
            [f"Content-Type: multipart/mixed; boundary=\"{b}\"", "", "preamble", f"--{b}",
             "Content-Type: text/plain", f"Content-Transfer-Encoding: {encoding}", ""])
    head_bytes = eol_bytes.join(x.encode() for x in head) + eol_bytes
    # Mostly the parser's 4 KB block; now and then 64 and 128 KB, where a
    # reader that takes its input in larger pieces would cut it.
    blocks = rng.choice([1, 1, 2, 3, 3, 16, 32])
    target = BLOCK * blocks + offset_delta
    if mode == "file":
        target -= len(head_bytes)
    # The body's bytes up to the line break that precedes the delimiter.
    body = sized_body(rng, max(0, target - len(eol_bytes)), eol_bytes, line_width,
                      encoding == "base64")
    if encoding == "quoted-printable" and body.endswith(b"="):
        body = body[:-1] + b"q"
    # A cut may leave half a CR LF at the end; the delimiter's own line break
    # follows, so that is one more odd line end and stays.
    tail = [f"--{b}" + rng.choice(["", "", "--", " ", "x"]), "Content-Type: text/plain", "",
            "second", f"--{b}--"]
    if rng.random() < 0.3:
        # A near miss placed where the real delimiter would be.
        tail = [rng.choice(near_misses(rng, b))] + tail
    data = head_bytes + body + eol_bytes + eol_bytes.join(x.encode() for x in tail) + eol_bytes
    return eol, data


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    outdir = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) == 3 else DEFAULT_COUNT
    os.makedirs(outdir, exist_ok=True)
    for stale in os.listdir(outdir):
        if stale.endswith(".eml"):
            os.remove(os.path.join(outdir, stale))
    rng = random.Random(SEED)
    written = 0
    # A third of the messages place a delimiter around a 4096-byte mark.
    deltas = list(range(-74, 6))
    for index in range(count // 3):
        mode = "body" if index % 2 == 0 else "file"
        delta = deltas[(index * 7) % len(deltas)] if index < len(deltas) * 2 else rng.choice(deltas)
        eol, data = split_message(rng, mode, delta)
        name = f"{written:03}-split-{mode}{delta:+d}-{eol}.eml"
        with open(os.path.join(outdir, name), "wb") as out:
            out.write(data)
        written += 1
    while written < count:
        eol, data = random_message(rng, written)
        with open(os.path.join(outdir, f"{written:03}-random-{eol}.eml"), "wb") as out:
            out.write(data)
        written += 1


if __name__ == "__main__":
    main()
