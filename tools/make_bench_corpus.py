#!/usr/bin/env python3
"""Writes the messages tools/bench measures into a directory of the build tree.

    make_bench_corpus.py OUTDIR

Everything comes from one fixed seed, so every run (and every machine) writes
the same bytes and figures stay comparable. Files already present with the
right content are left alone.

  small/NN.eml        48 small plain and multipart messages
  newsletter.eml      quoted-printable text plus a 40 KB HTML part
  attachment-2mb.eml  a short text and a 2 MB base64 attachment
  attachment-10mb.eml the same with 10 MB
  inline-images.eml   HTML with ten 50 KB inline images
  document-1mb.html   a 1 MB HTML document (HTMLToPlainText)
  subject.txt         a 200-byte subject of encoded words (DecodeInline)
"""

import base64
import os
import quopri
import random
import sys

SEED = 20261205

WORDS = (
    "the of and to in is that for it as with was on be by at this are from "
    "or an have not which but all were when we there can more if will one "
    "about up out would so what time only new some could these two may first "
    "then do any like my now over such our man me even most made after also "
    "report meeting invoice order delivery account update schedule project "
    "budget quarter review release server customer support contract office"
).split()
ACCENTED = ["café", "naïve", "Grüße", "señor", "Zürich", "déjà", "Ørsted", "smörgåsbord",
            "crème", "façade", "€", "“quoted”", "—", "Ångström"]
NAMES = ["Alice Martin", "Bob Keller", "Chloé Dubois", "Dieter Groß", "Eva Lindqvist",
         "Farid Haddad", "Grace O'Neil", "Hiroshi Tanaka", "Inés García", "Jonas Berg"]
DOMAINS = ["example.com", "example.org", "mail.example.net", "corp.example"]


class Writer:
    def __init__(self, seed):
        self.rng = random.Random(seed)

    def words(self, count, accents=0.0):
        picked = []
        for _ in range(count):
            if accents and self.rng.random() < accents:
                picked.append(self.rng.choice(ACCENTED))
            else:
                picked.append(self.rng.choice(WORDS))
        return " ".join(picked)

    def sentence(self, accents=0.0):
        text = self.words(self.rng.randint(6, 18), accents)
        return text[0].upper() + text[1:] + self.rng.choice(".!?.")

    def paragraph(self, accents=0.0):
        return " ".join(self.sentence(accents) for _ in range(self.rng.randint(2, 6)))

    def plain_text(self, size, accents=0.0):
        paragraphs = []
        total = 0
        while total < size:
            paragraph = wrap(self.paragraph(accents), 72)
            paragraphs.append(paragraph)
            total += len(paragraph.encode()) + 2
        return "\n\n".join(paragraphs) + "\n"

    def html(self, size, accents=0.0, images=()):
        """HTML of about `size` bytes as mailers write it: a style block,
        nested tables, paragraphs, links, lists, entities."""
        parts = ["<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<style>\n"
                 "body { font-family: Arial, sans-serif; } td { padding: 4px; }\n"
                 ".footer { color: #888888; font-size: 11px; }\n</style></head>\n"
                 "<body>\n<table width=\"100%\" cellpadding=\"0\" cellspacing=\"0\">\n"]
        for index, cid in enumerate(images):
            parts.append(f"<tr><td><img src=\"cid:{cid}\" alt=\"image {index}\" "
                         f"width=\"600\" height=\"200\"></td></tr>\n")
        total = sum(len(p) for p in parts)
        while total < size:
            kind = self.rng.random()
            if kind < 0.45:
                chunk = (f"<tr><td class=\"content\"><p>{self.paragraph(accents)} "
                         f"<a href=\"https://www.{self.rng.choice(DOMAINS)}/item/"
                         f"{self.rng.randint(1000, 99999)}?utm_source=news&amp;utm_medium=mail\">"
                         f"{self.words(3)}</a> &nbsp;&raquo;</p></td></tr>\n")
            elif kind < 0.65:
                items = "".join(f"<li>{self.sentence(accents)}</li>\n"
                                for _ in range(self.rng.randint(2, 5)))
                chunk = f"<tr><td><ul>\n{items}</ul></td></tr>\n"
            elif kind < 0.85:
                cells = "".join(f"<td style=\"border:1px solid #ddd\">{self.words(3)} "
                                f"&euro;{self.rng.randint(1, 999)},{self.rng.randint(10, 99)}</td>"
                                for _ in range(4))
                chunk = f"<tr><td><table><tr>{cells}</tr></table></td></tr>\n"
            else:
                chunk = (f"<tr><td><h2>{self.words(4).title()}</h2><br>\n"
                         f"<b>{self.sentence(accents)}</b> &copy; &#8212; &#x263A;</td></tr>\n")
            parts.append(chunk)
            total += len(chunk.encode())
        parts.append("<tr><td class=\"footer\">You receive this because you subscribed. "
                     "&lt;Unsubscribe&gt;</td></tr>\n</table>\n</body></html>\n")
        return "".join(parts)

    def address(self):
        name = self.rng.choice(NAMES)
        local = name.split()[0].lower().replace("é", "e").replace("'", "")
        return name, f"{local}@{self.rng.choice(DOMAINS)}"

    def header(self, subject, extra=()):
        sender = self.address()
        recipients = [self.address() for _ in range(self.rng.randint(1, 3))]
        copies = [self.address() for _ in range(self.rng.randint(0, 2))]
        lines = []
        for hop in range(self.rng.randint(2, 4)):
            lines.append(f"Received: from mx{hop}.{self.rng.choice(DOMAINS)} "
                         f"(mx{hop}.{self.rng.choice(DOMAINS)} [192.0.2.{self.rng.randint(1, 254)}])\n"
                         f"\tby mail.{self.rng.choice(DOMAINS)} with ESMTPS id {self.token(12)};\n"
                         f"\tTue, {self.rng.randint(1, 28)} May 2024 "
                         f"{self.rng.randint(0, 23):02}:{self.rng.randint(0, 59):02}:"
                         f"{self.rng.randint(0, 59):02} +0200")
        lines.append(f"From: {display(*sender)}")
        lines.append("To: " + ",\n ".join(display(*r) for r in recipients))
        if copies:
            lines.append("Cc: " + ", ".join(display(*c) for c in copies))
        lines.append(f"Subject: {subject}")
        lines.append(f"Date: Tue, {self.rng.randint(1, 28)} May 2024 "
                     f"{self.rng.randint(0, 23):02}:{self.rng.randint(0, 59):02}:00 +0200")
        lines.append(f"Message-ID: <{self.token(20)}@{self.rng.choice(DOMAINS)}>")
        lines.append("MIME-Version: 1.0")
        lines.extend(extra)
        return "\n".join(lines) + "\n"

    def token(self, length):
        alphabet = "abcdefghijklmnopqrstuvwxyz0123456789"
        return "".join(self.rng.choice(alphabet) for _ in range(length))

    def subject(self):
        text = self.words(self.rng.randint(3, 9), accents=0.2)
        if any(ord(c) > 127 for c in text) and self.rng.random() < 0.6:
            return encoded_words(text, "Q" if self.rng.random() < 0.5 else "B")
        return text.encode("ascii", "replace").decode()

    def binary(self, size, magic=b""):
        return magic + self.rng.randbytes(size - len(magic))


def wrap(text, width):
    lines, line = [], ""
    for word in text.split(" "):
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = f"{line} {word}" if line else word
    lines.append(line)
    return "\n".join(lines)


def display(name, address):
    if any(ord(c) > 127 for c in name):
        return f"{encoded_words(name, 'Q')} <{address}>"
    if "'" in name:
        return f"\"{name}\" <{address}>"
    return f"{name} <{address}>"


def encoded_words(text, encoding, charset="UTF-8"):
    """`text` as encoded words of at most 45 bytes of text each, split
    between characters."""
    pieces, piece = [], b""
    for character in text:
        data = character.encode(charset)
        if len(piece) + len(data) > 45:
            pieces.append(piece)
            piece = b""
        piece += data
    pieces.append(piece)
    words = []
    for piece in pieces:
        if encoding == "B":
            encoded = base64.b64encode(piece).decode()
        else:
            encoded = "".join(
                "_" if b == 0x20 else chr(b) if 0x21 <= b < 0x7F and chr(b) not in "=?_" else f"={b:02X}"
                for b in piece)
        words.append(f"=?{charset}?{encoding}?{encoded}?=")
    return " ".join(words)


def quoted_printable(text):
    return quopri.encodestring(text.encode("utf-8")).decode("ascii")


def base64_lines(data):
    encoded = base64.b64encode(data).decode("ascii")
    return "\n".join(encoded[i:i + 76] for i in range(0, len(encoded), 76)) + "\n"


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def small_message(writer, index):
    kind = index % 6
    subject = writer.subject()
    if kind == 0:
        return writer.header(subject, ["Content-Type: text/plain; charset=us-ascii",
                                       "Content-Transfer-Encoding: 7bit"]) + "\n" + \
            writer.plain_text(writer.rng.randint(500, 3000))
    if kind == 1:
        return writer.header(subject, ["Content-Type: text/plain; charset=UTF-8",
                                       "Content-Transfer-Encoding: quoted-printable"]) + "\n" + \
            quoted_printable(writer.plain_text(writer.rng.randint(800, 4000), accents=0.08))
    if kind == 2:
        return writer.header(subject, ["Content-Type: text/plain; charset=UTF-8",
                                       "Content-Transfer-Encoding: 8bit"]) + "\n" + \
            writer.plain_text(writer.rng.randint(800, 4000), accents=0.05)
    boundary = "----=_Part_" + writer.token(16)
    text = writer.plain_text(writer.rng.randint(600, 2500), accents=0.05)
    alternative = (
        f"--{boundary}\nContent-Type: text/plain; charset=UTF-8\n"
        f"Content-Transfer-Encoding: quoted-printable\n\n{quoted_printable(text)}\n"
        f"--{boundary}\nContent-Type: text/html; charset=UTF-8\n"
        f"Content-Transfer-Encoding: quoted-printable\n\n"
        f"{quoted_printable(writer.html(writer.rng.randint(1500, 6000), accents=0.05))}\n"
        f"--{boundary}--\n")
    if kind == 3:
        return writer.header(subject, [f"Content-Type: multipart/alternative; boundary=\"{boundary}\""]) + \
            "\nThis is a multi-part message in MIME format.\n\n" + alternative
    outer = "----=_Mixed_" + writer.token(16)
    name = f"{writer.words(2).replace(' ', '_')}.pdf"
    attachment = base64_lines(writer.binary(writer.rng.randint(2000, 9000), b"%PDF-1.4\n"))
    if kind == 4:
        body = (f"--{outer}\nContent-Type: multipart/alternative; boundary=\"{boundary}\"\n\n"
                f"{alternative}\n")
    else:
        body = (f"--{outer}\nContent-Type: text/plain; charset=ISO-8859-1\n"
                f"Content-Transfer-Encoding: 8bit\n\n{writer.plain_text(800)}\n")
    body += (f"--{outer}\nContent-Type: application/pdf; name=\"{name}\"\n"
             f"Content-Transfer-Encoding: base64\n"
             f"Content-Disposition: attachment; filename=\"{name}\"\n\n{attachment}"
             f"--{outer}--\n")
    return writer.header(subject, [f"Content-Type: multipart/mixed; boundary=\"{outer}\""]) + \
        "\n" + body


def newsletter(writer):
    boundary = "----=_News_" + writer.token(16)
    text = writer.plain_text(8000, accents=0.04)
    html = writer.html(40 * 1024, accents=0.04)
    return writer.header(writer.subject(), [
        f"Content-Type: multipart/alternative; boundary=\"{boundary}\"",
        "List-Unsubscribe: <mailto:leave@example.com>"]) + (
        f"\n--{boundary}\nContent-Type: text/plain; charset=UTF-8\n"
        f"Content-Transfer-Encoding: quoted-printable\n\n{quoted_printable(text)}\n"
        f"--{boundary}\nContent-Type: text/html; charset=UTF-8\n"
        f"Content-Transfer-Encoding: quoted-printable\n\n{quoted_printable(html)}\n"
        f"--{boundary}--\n")


def with_attachment(writer, size):
    boundary = "----=_Mixed_" + writer.token(16)
    name = f"archive-{size // (1024 * 1024)}mb.zip"
    return writer.header(writer.subject(), [
        f"Content-Type: multipart/mixed; boundary=\"{boundary}\""]) + (
        f"\n--{boundary}\nContent-Type: text/plain; charset=UTF-8\n"
        f"Content-Transfer-Encoding: 8bit\n\n{writer.plain_text(600)}\n"
        f"--{boundary}\nContent-Type: application/zip; name=\"{name}\"\n"
        f"Content-Transfer-Encoding: base64\n"
        f"Content-Disposition: attachment; filename=\"{name}\"\n\n"
        f"{base64_lines(writer.binary(size, b'PK'))}"
        f"--{boundary}--\n")


def inline_images(writer):
    boundary = "----=_Related_" + writer.token(16)
    ids = [f"image{index}.{writer.token(8)}@example.com" for index in range(10)]
    html = writer.html(12 * 1024, accents=0.03, images=ids)
    body = (f"\n--{boundary}\nContent-Type: text/html; charset=UTF-8\n"
            f"Content-Transfer-Encoding: quoted-printable\n\n{quoted_printable(html)}\n")
    for index, cid in enumerate(ids):
        body += (f"--{boundary}\nContent-Type: image/png; name=\"image{index}.png\"\n"
                 f"Content-Transfer-Encoding: base64\nContent-ID: <{cid}>\n"
                 f"Content-Disposition: inline; filename=\"image{index}.png\"\n\n"
                 f"{base64_lines(writer.binary(50 * 1024, bytes.fromhex('89504e470d0a1a0a')))}")
    body += f"--{boundary}--\n"
    return writer.header(writer.subject(), [
        f"Content-Type: multipart/related; type=\"text/html\"; boundary=\"{boundary}\""]) + body


def document(writer, size):
    return writer.html(size, accents=0.03)


def subject_line(writer):
    """About 200 bytes: plain words and encoded words in both encodings."""
    line = ""
    while True:
        piece = writer.words(writer.rng.randint(2, 4), accents=0.3)
        if any(ord(c) > 127 for c in piece):
            piece = encoded_words(piece, writer.rng.choice("BQ"))
        candidate = f"{line} {piece}" if line else piece
        if len(candidate) > 200:
            return line
        line = candidate


def write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as existing:
            if existing.read() == data:
                return
    with open(path, "wb") as out:
        out.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    outdir = sys.argv[1]
    os.makedirs(os.path.join(outdir, "small"), exist_ok=True)
    writer = Writer(SEED)
    for index in range(48):
        write_if_changed(os.path.join(outdir, "small", f"{index:02}.eml"),
                         crlf(small_message(writer, index)))
    write_if_changed(os.path.join(outdir, "newsletter.eml"), crlf(newsletter(writer)))
    write_if_changed(os.path.join(outdir, "attachment-2mb.eml"),
                     crlf(with_attachment(writer, 2 * 1024 * 1024)))
    write_if_changed(os.path.join(outdir, "attachment-10mb.eml"),
                     crlf(with_attachment(writer, 10 * 1024 * 1024)))
    write_if_changed(os.path.join(outdir, "inline-images.eml"), crlf(inline_images(writer)))
    write_if_changed(os.path.join(outdir, "document-1mb.html"),
                     crlf(document(writer, 1024 * 1024)))
    write_if_changed(os.path.join(outdir, "subject.txt"), subject_line(writer).encode("ascii"))


if __name__ == "__main__":
    main()
