#!/usr/bin/env python3
"""Makes checker/system/ProgramTypes.inc from checker/system/data/program-types.txt.

    scripts/make-program-types.py          # writes the table
    scripts/make-program-types.py --check  # fails when the table is stale
"""
import pathlib
import sys

root = pathlib.Path(__file__).resolve().parent.parent
source = root / "checker" / "system" / "data" / "program-types.txt"
table = root / "checker" / "system" / "ProgramTypes.inc"


def types():
    names = []
    for line in source.read_text(encoding="ascii").splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            if not line.isalnum() or line != line.lower():
                sys.exit(f"{source}: not a lower-case extension: {line!r}")
            names.append(line)
    return sorted(set(names))


def render():
    lines = ["// Made by scripts/make-program-types.py from checker/system/data/program-types.txt.",
             "// Do not edit: edit that file and run the script."]
    lines += [f'"{name}",' for name in types()]
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    text = render()
    if sys.argv[1:] == ["--check"]:
        if not table.exists() or table.read_text(encoding="ascii") != text:
            sys.exit(f"{table} is stale: run scripts/make-program-types.py")
    else:
        table.write_text(text, encoding="ascii")
