#!/usr/bin/env python3
# Plants one fault at a time into the checker, rebuilds the host build and
# runs the checker's tests; prints which faults the tests caught.
import subprocess, sys
root = __import__('os').path.dirname(__import__('os').path.dirname(__import__('os').path.abspath(__file__)))
faults = [
 ("checker/page/LinkFinder.cpp", 'FindNoCase(bytes_, size_, after, name == "script" ? "</script" : "</style")', 'FindNoCase(bytes_, size_, after, name == "script" ? "</SCRIPT" : "</style")', "</SCRIPT> in capitals"),
 ("checker/page/Markup.cpp", "bool hex = p + 1 < end && AsciiLower(bytes[p + 1]) == 'x';", "bool hex = p + 1 < end && bytes[p + 1] == 'x';", "&#X5E; undecoded"),
 ("checker/page/LinkFinder.cpp", "const char* close = static_cast<const char*>(memchr(text + p + 1, '\"', end - p - 1));", "const char* close = static_cast<const char*>(memchr(text + p + 1, ' ', end - p - 1));", "quoted program split at space"),
 ("checker/predict/Prediction.cpp", "prediction->standIns.push_back({ToolName(key), KeyVersion(missing)});", "prediction->standIns.push_back({ToolName(key), KeyVersion(key)});", "wrong fallback version"),
 ("checker/predict/Prediction.cpp", 'return AsciiLower(squeezed).compare(0, 6, "2reset") == 0;', 'return AsciiLower(squeezed).compare(0, 5, "2rese") == 0;', "Reset_ as misspelt"),
 ("checker/system/Names.cpp", '        if (part == ".") {\n            continue;\n        }', '        if (part == ".") {\n            resolved.push_back(part);\n            continue;\n        }', ". segments kept"),
 ("checker/input/FolderChoice.cpp", 'if (lower == "tipstart.exe") {', 'if (entry.name == "tipstart.exe") {', "Tipstart.exe never found"),
 ("checker/input/chm/ChmHeader.cpp", 'EndsWithNoCase(name, length, ".hhc")', 'EndsWithNoCase(name, length, ".hhx")', "hhc skipped"),
 ("checker/Main.cpp", "(warningsAsErrors && CountSeverity(results, SeverityWarning) > 0)", "(warningsAsErrors && CountSeverity(results, SeverityWarning) > 1)", "one warning passes strict"),
 ("checker/Main.cpp", "if (i + 1 >= argc) {", "if (i + 1 > argc) {", "bare --format aborts"),
 ("checker/report/Report.cpp", 'InputFailed(results) ? "false" : "true"', 'InputFailed(results) ? "true" : "true"', "SARIF success on failure"),
 ("checker/core/TextTools.cpp", "first >= 0xC2 && first < 0xE0 ? 2 : 0;", "first >= 0xC3 && first < 0xE0 ? 2 : 0;", "column after °"),
 ("checker/system/Names.cpp", 'size_t keep = last.find_last_not_of(". ");', 'size_t keep = last.find_last_not_of(".");', "trailing space kept"),
 ("checker/system/PosixSystem.cpp", "if (c > 0xFFFF || !Utf8Locale()) {", "if (c > 0x7F || !Utf8Locale()) {", "ASCII-only case"),
 ("checker/predict/Package.cpp", "if (part == \".\" || part == \"..\" || i == 0) {", "if (part == \".\" || part == \"..\" || i == 0 || i > 0) {", "short-path walk skipped"),
 ("checker/predict/Package.cpp", "    if (WindowsPathLength(path) > MaxPathCharacters) {\n        return DocumentMissing;", "    if (WindowsPathLength(path) > MaxPathCharacters + 1) {\n        return DocumentMissing;", "MAX_PATH off by one"),
 ("checker/page/PageText.cpp", "        codePage = CharsetCodePage(FindDeclaredCharset(bytes, size));", "        codePage = 0;", "meta charset ignored"),
 ("checker/core/TextTools.cpp", "offset += c == '\\r' && offset + 1 < size && bytes[offset + 1] == '\\n' ? 2 : 1;\n            ++line;", "offset += 1;\n            line += c == '\\n';", "CR-only lines"),
 ("checker/input/Input.cpp", 'if (extension == ".hhp") {\n        return InputProject;', 'if (extension == ".hhq") {\n        return InputProject;', ".hhp read as list"),
 ("checker/Walk.cpp", "        if (entry.symlink && !PathWithin(canonical, walk->root)) {", "        if (false) {", "symlinks out followed"),
 ("checker/input/FolderChoice.cpp", "answer.documents[1] = (!exe.empty() ? exe : own)", "answer.documents[1] = (!exe.empty() ? exe : !project.empty() ? project : own)", ".hhp used for .chm"),
 ("checker/core/Rules.cpp", "if (!(Started(p) && !DocumentMissed(p) && p.match == DocumentOtherCase)) {", "if (!(Started(p) && !DocumentMissed(p) && p.match == DocumentMissing)) {", "document-case lost"),
 ("checker/input/Project.cpp", '            section = AsciiLower(line);', '            section = line;', "[FILES] in capitals missed"),
]
def run(cmd):
    return subprocess.run(cmd, shell=True, cwd=root, capture_output=True, text=True)
# The tests must pass on the sources as they are, or nothing is measured.
if run("cmake --build --preset host --target tipstart-check tipstart_checker_unit_tests && cd build/host && "
       "ctest -E fuzz -j2").returncode:
    sys.exit("the host build does not pass its tests as it is: nothing planted")
caught, missed, bad = [], [], []
for path, old, new, name in faults:
    text = open(f"{root}/{path}").read()
    if text.count(old) != 1:
        bad.append(name); continue
    open(f"{root}/{path}", "w").write(text.replace(old, new))
    try:
        b = run("cmake --build --preset host --target tipstart-check tipstart_checker_unit_tests")
        if b.returncode:
            bad.append(name + " (does not build)"); continue
        t = run("cd build/host && ctest -E fuzz -j2")
        (caught if t.returncode else missed).append(name)
    finally:
        open(f"{root}/{path}", "w").write(text)
# Leaves the build as the sources are.
run("cmake --build --preset host --target tipstart-check tipstart_checker_unit_tests")
print("caught", len(caught), caught)
print("missed", len(missed), missed)
print("not planted", bad)
