#!/usr/bin/env python3
# Writes the seed corpora under fuzz/corpus/<target>/ from the shipped
# definitions and small texts of the kinds the tests use. Run it again after
# changing how a target reads its input; the files stay small (a few KB).
import os
import shutil

root = os.path.dirname(os.path.abspath(__file__))
corpus = os.path.join(root, "corpus")
syntax = os.path.join(root, "..", "syntax")


def target(name):
    d = os.path.join(corpus, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    return d


def write(d, name, data):
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def escaped(b):
    # The fuzz data provider's random-length string: a backslash is doubled,
    # a backslash and another byte end it.
    return b.replace(b"\\", b"\\\\") + b"\\n"


texts = {
    "crlf": b"alpha beta\r\ngamma\tdelta\r\n\r\nlast",
    "mixed": b"a\nb\r\nc\rd\n\n",
    "cpp": b"/* block\n comment */ int main() { // line\n  return \"str\\\"ing\" + 'c';\n}\n#define X 1\n",
    "utf8bom": b"\xEF\xBB\xBFcaf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87\nline two\n",
    "utf16le": b"\xFF\xFEa\x00\r\x00\n\x00b\x00\t\x00c\x00\n\x00",
    "utf16be": b"\xFE\xFF\x00a\x00\n\x00b",
    "sjis": b"\x82\xa0\x82\xa2A\x82\n\x83\x41\x81\x40 end\r\n",
    "binary": b"\x00\x01\x02text\x03\x04\n\x7f\x80\xff",
    "long": (b"word " * 60 + b"\n") + b"x" * 300 + b"\n",
    "html": b"<html><!-- c --><?php echo \"a\"; ?><b>t</b>\n<script>var s='x';</script>\n",
}

d = target("codepage")
for k, v in texts.items():
    write(d, k, v + b"\x05\x00\x03\x00\x55\xaa\x55\xaa")

d = target("lines")
for i, (k, v) in enumerate(texts.items()):
    # Parameters come from the end: extension, code page, wrap, columns,
    # window width, byte limit, disk, wide, then the second code page,
    # wrap and columns.
    write(d, k, v + bytes([i % 8, 3, 1, 7, 0, 1, 2, 1, 0, 4, 2, 9][::-1]))

d = target("syntax")
for f in ["syntax_cpp.syn", "syntax_html.syn", "syntax_pascal.syn", "syntax_json.syn", "syntax_text.syn"]:
    with open(os.path.join(syntax, f), "rb") as s:
        write(d, f, s.read())

d = target("ini")
ini = (b"[ZinEdit]\nFontSize=16\nLineSpacing=100\nWordWrapMode=1\nMaxColumns=80\n"
       b"DisplayLineNumber=1\nFN65001=Courier New\n; comment\n\n[Other]\nKey = \"quoted\"\n")
write(d, "settings", ini + b"\\n")
write(d, "write", escaped(b"ZinEdit") + escaped(b"FontSize") + escaped(b"20") + ini + b"\x00")
write(d, "bom", b"\xEF\xBB\xBF[a]\r\nx=1\r\n[A]\r\ny=2\r[b\nnot a key\n=v\n")

d = target("scanner")
for f, t in [("syntax_cpp.syn", "cpp"), ("syntax_html.syn", "html"), ("syntax_pascal.syn", "crlf")]:
    with open(os.path.join(syntax, f), "rb") as s:
        definition = s.read()
    write(d, f, escaped(definition) + texts[t] + bytes([0, 0, 0, 0, 1, 0, 1, 3, 0]))

d = target("edit")
for i, k in enumerate(["cpp", "long", "utf8bom", "sjis", "mixed"]):
    v = texts[k]
    n = len(v)
    # The file's length and the extension come from the end; commands after
    # the file mix keys, clicks, drags, scrolling, copying and settings.
    commands = bytes(range(0, 200, 3))
    write(d, k, v + commands + bytes([n & 0xFF, n >> 8, i % 4][::-1]))
