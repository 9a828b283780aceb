// Windows' rules for the file names Tipstart hands the system, as Microsoft
// documents them in "File path formats on Windows systems" and "Naming
// Files, Paths, and Namespaces".
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

// MAX_PATH less its terminator: the longest path the ANSI file functions and
// the shell take from a program that is not long-path aware.
enum { MaxPathCharacters = 259 };

// The parts of a path between separators: "\" and "/" both separate, and a
// run of them counts as one, so no part is empty.
std::vector<std::string> PathParts(const std::string& path);

// Whether the path ends in a separator, which keeps its last part untrimmed.
bool EndsWithSeparator(const std::string& path);

// Resolves "." and ".." textually, as GetFullPathName does: a folder's one
// trailing period is dropped, and so are the trailing periods and spaces of
// the last part unless the path ended in a separator; ".." at a drive's root
// stays there. False when ".." climbs above a relative path's first part.
bool ResolvePathParts(std::vector<std::string>* parts, bool endsWithSeparator);

// A path's parts resolved as ResolvePathParts resolves them, one part at a
// time: a folder's parts once, then each name's from where they end, with
// no vector of parts made per name. path is "/" and the parts joined by
// "/" ("" for none); resolved is false once ".." climbs above the first.
struct PartsResolved {
    std::string path;
    std::vector<size_t> starts;  // where each part's "/" stands in path
    bool resolved = true;

    // The next part (not empty); last: the path's last part, whose trailing
    // periods and spaces are dropped, as a folder's one trailing period is.
    void Add(std::string_view part, bool last);
    // Each part of text between separators, the last one last unless text
    // names a folder, whose parts are all folders.
    void AddParts(std::string_view text, bool folder = false);
};

// Whether a path is absolute, "/" separated and lexically normal: no empty,
// "." or ".." part and no trailing separator. Such a path is its own
// lexically_normal().
bool IsPlainAbsolutePath(const std::string& path);

// A name relative to a folder, as Windows reads it before it looks: its
// parts with "." and "FOLDER\.." removed as text (the ".." that climb
// above the folder kept), and the periods and spaces GetFullPathName drops.
std::vector<std::string> RelativeNameParts(const std::string& name);

// The device a file name names, in capitals ("AUX" for "aux.txt"), or empty:
// CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 (and COM or LPT with a
// superscript 1, 2 or 3), with or without an extension.
std::string DeviceName(const std::string& name);

// Whether the shell runs a file of this name as a program when it is
// opened (setup.exe, run.bat): its type is one Windows counts as such.
bool ShellRunsAsProgram(const std::string& name);

// The upper case of a character in Windows' upper-case table, by which NTFS
// compares names (generated from Wine's l_intl.nls): a simple mapping
// within the Basic Multilingual Plane, without ſ to S, ı to I or ς to Σ.
char32_t NameUppercase(char32_t c);

// What two names share when Windows takes them for one: every character
// replaced by its upper case in that table. Bytes that are not UTF-8 stay.
std::string NameKey(const std::string& name);

// The length MAX_PATH is counted in: UTF-16 code units.
size_t WindowsPathLength(const std::string& path);
