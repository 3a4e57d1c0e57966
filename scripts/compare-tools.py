#!/usr/bin/env python3
"""Runs the developer tools of two builds on the same generated inputs and
compares what they print, byte for byte.

    scripts/compare-tools.py BASE_BIN NEW_BIN [--files N] [--seed S] [--keep DIR]

BASE_BIN and NEW_BIN are folders holding zinlines-dump, zinscan-dump,
zinsyntax-dump, zinedit-drive and zinviewer (for --info), for example the
bin/ folder of a build of an older commit and that of the working tree. The
inputs are N random files (texts with every newline convention, UTF-8,
UTF-16 in both byte orders, double-byte and EBCDIC bytes, binary data, C
sources with comments and strings, long lines), the shipped syntax
definitions and broken copies of them, and a random command script for each
file. Each tool runs on each input with several option sets; standard
output and the exit status must be equal. Prints one line per difference
and a closing count; exits 1 when anything differs.

Used when code is restructured: the tools' output is a contract, so a
change that should change nothing must pass this with both builds.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SYNTAX = os.path.join(ROOT, "syntax")

WORDS = [b"int", b"return", b"if", b"else", b"while", b"foo", b"bar_1", b"x", b"0x1F", b"3.14", b"#include",
         b"\"str\\\"ing\"", b"'c'", b"/*", b"*/", b"//", b"{", b"}", b"(", b")", b";", b"=", b"+", b"<", b">",
         b"ERROR", b"timeout", b"2024-01-02", b"\t", b" ", b"  ", b"\xc3\xa9t\xc3\xa9", b"\xe6\x97\xa5\xe6\x9c\xac",
         b"\xf0\x9f\x98\x80", b"\x82\xa0\x82\xa2", b"\x81\x40", b"\xa4\xa4\xa4\xe5"]
NEWLINES = [b"\n", b"\r\n", b"\r"]


def text_bytes(rng, lines):
    out = bytearray()
    nl = rng.choice(NEWLINES)
    for _ in range(lines):
        n = rng.choice([0, 1, 3, 8, 20, 60, 200]) if rng.random() < 0.97 else rng.randint(500, 5000)
        for _ in range(n):
            out += rng.choice(WORDS)
            if rng.random() < 0.3:
                out += b" "
        out += nl if rng.random() < 0.9 else rng.choice(NEWLINES)
    if rng.random() < 0.5 and out:
        out = out[:-1]
    return bytes(out)


def make_file(rng, i):
    kind = rng.choice(["ascii", "ascii", "utf8", "utf16le", "utf16be", "bytes", "binary", "c", "empty", "long"])
    if kind == "empty":
        return "f%03d.txt" % i, b""
    if kind == "binary":
        return "f%03d.bin" % i, bytes(rng.randrange(256) for _ in range(rng.randint(1, 3000)))
    if kind == "bytes":
        data = bytes(rng.choice([rng.randrange(256), 10, 13, 32, 0x41, 0x82, 0xA0]) for _ in range(rng.randint(1, 4000)))
        return "f%03d.txt" % i, data.replace(b"\0", b"\x01")
    if kind == "long":
        return "f%03d.log" % i, (b"word " * rng.randint(1000, 30000)) + b"\n" + text_bytes(rng, 5)
    body = text_bytes(rng, rng.randint(1, 120))
    if kind == "utf8":
        return "f%03d.txt" % i, (b"\xef\xbb\xbf" if rng.random() < 0.5 else b"") + body
    if kind in ("utf16le", "utf16be"):
        enc = "utf-16-le" if kind == "utf16le" else "utf-16-be"
        s = body.decode("latin-1").encode(enc)
        bom = b"\xff\xfe" if kind == "utf16le" else b"\xfe\xff"
        if rng.random() < 0.3:
            s += b"\x0d"  # an odd size
        return "f%03d.txt" % i, (bom if rng.random() < 0.8 else b"") + s
    if kind == "c":
        return "f%03d.cpp" % i, body
    return "f%03d.txt" % i, body


def drive_script(rng, folder):
    cmds = []
    for _ in range(rng.randint(5, 40)):
        r = rng.random()
        if r < 0.45:
            key = rng.choice(["Left", "Right", "Up", "Down", "Home", "End", "PageUp", "PageDown", "A"])
            mods = [m for m in ("shift", "ctrl") if rng.random() < 0.3]
            cmds.append(" ".join(["key", key] + mods))
        elif r < 0.6:
            x, y = rng.randint(-50, 900), rng.randint(-50, 700)
            cmds.append("down %d %d%s" % (x, y, " shift" if rng.random() < 0.2 else ""))
            cmds.append("move %d %d" % (rng.randint(-50, 900), rng.randint(-100, 800)))
            cmds.append("up 0 0")
        elif r < 0.7:
            cmds.append(rng.choice(["set WordWrapMode 0", "set WordWrapMode 1", "set WordWrapMode 2",
                                    "set MaxColumns 7", "set MaxColumns 80", "set EditMode 1", "set EditMode 0",
                                    "set EditMode 2", "set CodePage 932", "set CodePage 1200", "set CodePage 65001",
                                    "set CodePage 1252", "set CodePage 37", "set CodePage 1201", "set CodePage 936",
                                    "set DisplayLineNumber 1", "set ShowEndOfLine 1", "set LineSpacing 1.5",
                                    "set FontSize 11", "set ShowSpaceChar 1", "set MarkActiveLine 1"]))
        elif r < 0.8:
            cmds.append("vscroll %d %d" % (rng.randint(0, 8), rng.randint(0, 5000)))
        elif r < 0.85:
            cmds.append("wheel %d" % rng.choice([-120, 120, -1, 360]))
        elif r < 0.9:
            cmds.append("resize %d %d" % (rng.randint(0, 900), rng.randint(0, 700)))
        elif r < 0.95:
            cmds.append("copy")
        else:
            cmds.append("paint")
    return "\n".join(cmds) + "\n"


def broken_syntax(rng, text):
    lines = text.split(b"\n")
    for _ in range(rng.randint(1, 6)):
        if not lines:
            break
        i = rng.randrange(len(lines))
        op = rng.random()
        if op < 0.3:
            del lines[i]
        elif op < 0.6:
            lines[i] = lines[i][: rng.randint(0, len(lines[i]))]
        else:
            lines.insert(i, rng.choice([b"[Keywords", b"Colors=zz", b"=", b"BlockComment=/* */ /*", b"\xff\xfe",
                                        b"Delimiters=", b"[Syntax]", b"Escape=\\\\"]))
    return b"\n".join(lines)


def run(exe, args, stdin=None, env=None):
    try:
        p = subprocess.run([exe] + args, input=stdin, capture_output=True, timeout=120, env=env)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return "timeout", b""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("base")
    ap.add_argument("new")
    ap.add_argument("--files", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--keep")
    a = ap.parse_args()
    rng = random.Random(a.seed)
    work = a.keep or tempfile.mkdtemp(prefix="zincompare-")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, LC_ALL="C", QT_QPA_PLATFORM="offscreen")

    syns = sorted(f for f in os.listdir(SYNTAX) if f.endswith(".syn"))
    cases = []  # (tool, args, stdin)
    for s in syns:
        cases.append(("zinsyntax-dump", [os.path.join(SYNTAX, s)], None))
    for i in range(max(1, a.files // 5)):
        src = open(os.path.join(SYNTAX, rng.choice(syns)), "rb").read()
        path = os.path.join(work, "broken%03d.syn" % i)
        open(path, "wb").write(broken_syntax(rng, src))
        cases.append(("zinsyntax-dump", [path], None))

    for i in range(a.files):
        name, data = make_file(rng, i)
        path = os.path.join(work, name)
        open(path, "wb").write(data)
        syn = os.path.join(SYNTAX, rng.choice(syns))
        wrap = rng.choice(["none", "window:%d" % rng.randint(40, 900), "column:%d" % rng.randint(1, 90)])
        cp = rng.choice([[], ["--codepage", "932"], ["--codepage", "936"], ["--codepage", "1200"],
                         ["--codepage", "1201"], ["--codepage", "65001"], ["--codepage", "37"],
                         ["--codepage", "1251"], ["--acp", "949"]])
        mem = rng.choice([[], ["--maxmem", "0"], ["--maxmem", "100"]])
        width = ["--charwidth", str(rng.choice([1, 7, 8]))]
        cases.append(("zinlines-dump", width + ["--wrap", wrap] + cp + mem + [path], None))
        cases.append(("zinlines-dump", ["--syntax", syn] + cp + [path], None))
        cases.append(("zinscan-dump", width + ["--syntax", syn, "--wrap", wrap] + cp + mem + [path], None))
        start = str(rng.randint(0, 50))
        cases.append(("zinscan-dump", ["--syntax", syn, "--start", start, "--count", "20"] + cp + [path], None))
        size = "%dx%d" % (rng.randint(50, 900), rng.randint(30, 700))
        opts = ["--size", size] + (["--widecjk"] if rng.random() < 0.3 else []) + \
            (["--acp", rng.choice(["1251", "932", "65001"])] if rng.random() < 0.3 else [])
        cases.append(("zinedit-drive", opts + [path], drive_script(rng, work).encode()))
        cases.append(("zinviewer", ["--info", path], None))

    differ = 0
    for tool, args, stdin in cases:
        r1 = run(os.path.join(a.base, tool), args, stdin, env)
        r2 = run(os.path.join(a.new, tool), args, stdin, env)
        if r1 != r2:
            differ += 1
            if differ <= 20:
                print("DIFFERS: %s %s (status %s / %s)" % (tool, " ".join(args), r1[0], r2[0]))
                if stdin:
                    sp = os.path.join(work, "script%04d.txt" % differ)
                    open(sp, "wb").write(stdin)
                    print("  commands in", sp)
    print("%d cases compared, %d differ (inputs in %s)" % (len(cases), differ, work))
    if not a.keep and differ == 0:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
