// Which folder on disk stands beside Tipstart.exe for each help file: the
// folder the documents are looked for in.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>

// What one folder holds that the choice looks for.
struct FolderFacts {
    bool tipstart = false;   // a file tipstart.exe, in any case
    std::filesystem::path project;  // the first .hhp by name, if any
};

struct FolderChoice {
    std::string exeFolder;  // --exe-folder, or empty
    std::filesystem::path workingFolder;
    std::unordered_map<std::string, FolderFacts> facts;  // by folder
};

// The highest folder the upward search may reach for a path given on the
// command line: the folder the checker was started in, when the path lies
// inside it; else the path given (its folder, for a file).
std::filesystem::path SearchLimit(const std::filesystem::path& given, const FolderChoice& choice);

// The documents' folder for a help file, in this order: --exe-folder; the
// nearest folder at or above the file that holds Tipstart.exe; for a source
// page, the nearest folder that holds a help project (.hhp); else the
// file's own folder. The search goes no higher than limit.
std::string DocumentsFolder(const std::filesystem::path& file, bool compiled, const std::filesystem::path& limit,
                            FolderChoice* choice);

// The nearest help project (.hhp) at or above a source page, up to limit;
// empty when there is none.
std::filesystem::path NearestProject(const std::filesystem::path& file, const std::filesystem::path& limit,
                                     FolderChoice* choice);
