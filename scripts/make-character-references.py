#!/usr/bin/env python3
"""Writes checker/page/CharacterReferences.inc: the named character references of
HTML (Python's html.entities.html5, which is made from WHATWG's
entities.json; it holds HTML 4.01's 252 names and every other), the legacy
names HTML5 also reads without a ";", and what the numeric references 0x80 to
0x9F stand for (windows-1252, as HTML5's table of numeric references says; the
five bytes windows-1252 leaves undefined stand for themselves).

    make-character-references.py           rewrites the file
    make-character-references.py --check   exit status 1 if it is not as made
"""
import codecs
import html.entities
import os
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "checker", "page", "CharacterReferences.inc")


def c_string(text):
    return '"' + "".join("\\x%02X" % b if b >= 0x80 or b < 0x20 or b in (0x22, 0x5C) else chr(b)
                         for b in text.encode("utf-8")) + '"'


def make():
    table = html.entities.html5
    names = sorted(name[:-1] for name in table if name.endswith(";"))
    lines = ["// Made by scripts/make-character-references.py from Python's html.entities.html5",
             "// (WHATWG's entities.json); do not edit.",
             "// {name without \";\", its characters in UTF-8, read without \";\" too}",
             "const NamedReference NamedReferences[] = {"]
    for name in names:
        value = table[name + ";"]
        # The UTF-8 text is split after each escape so a hex digit cannot follow it.
        text = c_string(value).replace('\\x', '" "\\x').replace('"" ', '')
        legacy = "true" if name in table else "false"
        lines.append('    {"%s", %s, %s},' % (name, text, legacy))
    lines.append("};")
    lines.append("")
    lines.append("// What &#128; to &#159; stand for.")
    lines.append("const char32_t Windows1252Controls[32] = {")
    row = []
    for byte in range(0x80, 0xA0):
        try:
            code = ord(codecs.decode(bytes([byte]), "cp1252"))
        except UnicodeDecodeError:
            code = byte
        row.append("0x%04X" % code)
    for i in range(0, 32, 8):
        lines.append("    " + ", ".join(row[i:i + 8]) + ",")
    lines.append("};")
    return "\n".join(lines) + "\n"


def main():
    text = make()
    if sys.argv[1:] == ["--check"]:
        with open(OUT, encoding="utf-8") as f:
            if f.read() != text:
                print("checker/page/CharacterReferences.inc is not as scripts/make-character-references.py makes it",
                      file=sys.stderr)
                return 1
        return 0
    with open(OUT, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
