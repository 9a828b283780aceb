#!/usr/bin/env python3
"""Writes the package for help-file authors: a zip with Tipstart.exe, the
link checker tipstart-check.exe, the authors' guide (the README's part
between the authors-guide markers, as plain text), the page of each of the
checker's rules (docs/rules beside the README, as plain text, in rules/) and
SHA256SUMS. The same inputs give the same bytes.

    package.py EXE CHECKER_EXE VERSION README ZIP
"""
import hashlib
import os
import re
import sys
import zipfile

START = "<!-- authors-guide:start -->"
END = "<!-- authors-guide:end -->"
GUIDE_NAME = "Tipstart-Guide.txt"
# A fixed date for every entry: zip dates say nothing about the contents.
ENTRY_DATE = (2000, 1, 1, 0, 0, 0)


def plain_text(markdown):
    """The README's Markdown as text for Notepad: no markup, CRLF lines."""
    lines = []
    for line in markdown.splitlines():
        if line.startswith("```"):
            continue
        heading = re.match(r"^(#+) (.*)$", line)
        if heading:
            title = heading.group(2)
            underline = "=" if len(heading.group(1)) <= 2 else "-"
            lines += [title, underline * len(title)]
            continue
        lines.append(line.replace("`", "").replace("**", ""))
    return "\r\n".join(lines).strip() + "\r\n"


def guide(readme, version):
    text = open(readme, encoding="utf-8").read()
    if text.count(START) != 1 or text.count(END) != 1:
        sys.exit(f"{readme}: expected one {START} and one {END}")
    part = text.split(START, 1)[1].split(END, 1)[0]
    title = f"Tipstart {version}: guide for help-file authors"
    return plain_text(f"# {title}\n\n{part.strip()}").encode("utf-8")


def rule_pages(readme):
    """The rules' pages, by name, as text for Notepad."""
    folder = os.path.join(os.path.dirname(os.path.abspath(readme)), "docs", "rules")
    names = sorted(name for name in os.listdir(folder) if name.endswith(".md"))
    if not names:
        sys.exit(f"{folder}: no rule pages")
    return [(f"rules/{name[:-3]}.txt", plain_text(open(os.path.join(folder, name), encoding="utf-8").read()).encode("utf-8"))
            for name in names]


def add(archive, name, data):
    entry = zipfile.ZipInfo(name, ENTRY_DATE)
    entry.compress_type = zipfile.ZIP_DEFLATED
    entry.create_system = 0  # MS-DOS: no Unix permissions recorded
    entry.external_attr = 0
    archive.writestr(entry, data, compresslevel=9)


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    exe_path, checker_path, version, readme, zip_path = sys.argv[1:]
    files = [("Tipstart.exe", open(exe_path, "rb").read()),
             ("tipstart-check.exe", open(checker_path, "rb").read()),
             (GUIDE_NAME, guide(readme, version))] + rule_pages(readme)
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name, data in files + [("SHA256SUMS", sums.encode("ascii"))]:
            add(archive, name, data)


if __name__ == "__main__":
    main()
