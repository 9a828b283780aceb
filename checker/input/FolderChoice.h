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
    std::filesystem::path configuration;  // tipstart-check.toml, in any case
    bool repository = false;  // .git, .hg or .svn: the root of a repository
};

// The answers for the files of one folder.
struct FolderAnswer {
    std::string documents[2];  // for a source page, for a compiled help file
    std::filesystem::path project;
    std::filesystem::path configuration;
};

// What the user gave for the choice.
struct FolderOptions {
    std::string exeFolder;  // --exe-folder, or empty
    std::filesystem::path workingFolder;  // absolute
    bool searchConfiguration = true;      // no --config and no --no-config
};

// What the choice has found so far, so that no folder is read twice.
struct FolderChoice {
    std::unordered_map<std::string, FolderFacts> facts;  // by folder
    std::unordered_map<std::string, FolderAnswer> answers;  // by a file's folder
};

// An absolute path as shown: relative to the working folder when it lies
// below it.
std::string ShownPath(const std::filesystem::path& path, const FolderOptions& options);

// Whether path is folder or lies below it (both absolute and normal).
bool PathWithin(const std::filesystem::path& path, const std::filesystem::path& folder);

// A path made absolute against the folder the checker runs in, and normal.
std::filesystem::path AbsolutePath(const std::filesystem::path& path, const FolderOptions& options);

// The root of the repository a file lies in: the nearest folder at or above
// it that holds .git, .hg or .svn; empty when there is none.
std::filesystem::path RepositoryRoot(const std::filesystem::path& file, const FolderOptions& options,
                                     FolderChoice* choice);

// The folders of a file found in or given as the path given. documents:
// --exe-folder; else the nearest folder at or above the file that holds
// Tipstart.exe; else, for a source page, the nearest folder that holds a
// help project (.hhp); else the file's own folder. project: the nearest help
// project at or above a source page, empty when there is none.
// configuration: the nearest tipstart-check.toml at or above the file, when
// searched for. The searches go no higher than the file's RepositoryRoot, or
// the filesystem's root: where the checker runs does not change them.
struct HelpFolders {
    std::filesystem::path absolute;  // the file's own path, absolute and normal
    std::string documents;
    std::filesystem::path project;
    std::filesystem::path configuration;
};
HelpFolders ChooseFolders(const std::filesystem::path& file, bool compiled, const FolderOptions& options,
                          FolderChoice* choice);
