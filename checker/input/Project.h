// Reading a help project (.hhp): the files it compiles and its language.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "checker/script/ScriptReader.h"

struct PageReference;

// The code pages of help projects' languages, by project.
typedef std::unordered_map<std::string, unsigned> ProjectCodePages;

// Where a project names something: its line and column, 1-based.
struct ProjectPlace {
    size_t line = 0;
    size_t column = 0;
};

// What a project names, in UTF-8: its [FILES] lines as written (wildcards
// kept), and its contents and index files from [OPTIONS] and [WINDOWS].
struct ProjectListing {
    std::vector<std::string> files;
    std::vector<std::string> navigation;
    std::vector<ProjectPlace> filePlaces;        // of each of files
    std::vector<ProjectPlace> navigationPlaces;  // of each of navigation
    unsigned codePage = 0;     // of its Language=; 0 for none
    std::string compiledFile;  // its Compiled file=, as written; empty for none
};

// The .hhp's bytes read as HTML Help Workshop, an ANSI program, reads them:
// in its language's ANSI code page (windows-1252 for none), or as UTF-8 after
// a UTF-8 mark.
ProjectListing ReadProjectListing(const std::string& bytes);

// The files a help project names, contents and index files first.
std::vector<std::string> ProjectFiles(const std::string& bytes);

// The code page of a project's language (its Language= line); 0 for none.
unsigned ProjectCodePage(const std::string& bytes);

// The code page of the project at path (0 for none, or for an empty path),
// read once a run.
unsigned ProjectCodePageOf(const std::filesystem::path& project, ProjectCodePages* codePages);

// What a folder lists for a name.
struct ListedName {
    bool listed = false;  // whether the folder could be listed
    // What the entry named so leads to; not_found for none.
    std::filesystem::file_type exact = std::filesystem::file_type::not_found;
    // The first entry, in the folder's order, whose name is the name by
    // Windows' rules (any case), and what it leads to; empty for none.
    std::string entry;
    std::filesystem::file_type type = std::filesystem::file_type::not_found;
};

// Folders' entries, each folder listed once while it is kept: a run that
// looks for many names in one large folder lists it once, not once a name.
// Any thread may ask.
class FolderNames {
public:
    FolderNames();
    ~FolderNames();
    ListedName Find(const std::filesystem::path& folder, const std::string& name);
    struct Known;

private:
    std::unique_ptr<Known> known_;
};

// The file a project names, found below its folder by Windows' name rules
// (any case); the name joined to the folder as written when there is none.
// Folders are listed through names when it is given.
std::filesystem::path FindProjectFile(const std::filesystem::path& folder, const std::string& name,
                                      FolderNames* names = nullptr);

// A file found by FindProjectFile, its every part named as its folder lists
// it: the same name in every build whatever case it was written in.
std::filesystem::path ListedPath(const std::filesystem::path& found);

// A page a project names that is no file, as it names it.
struct MissingListed {
    std::string name;
    ProjectPlace place;
};

// The script files on disk that a page in folder loads (<script src>), from
// the page's references, each as FindProjectFile finds it.
// Those whose names say no language (not .js or .vbs) go to languages, by
// path, with the language of the tag that loads each.
std::vector<std::filesystem::path> LoadedScriptFiles(const std::filesystem::path& folder,
                                                     const std::vector<PageReference>& references,
                                                     std::unordered_map<std::string, ScriptLanguage>* languages);

// What a project's compiler makes of it.
struct ProjectPages {
    std::vector<std::filesystem::path> pages;  // gathered, then the listed ones that are not files
    unsigned codePage = 0;                     // of its language; 0 for none
    std::string compiledName;                  // the compiled file's name, without folders
    // The pages' scripts whose names say no language (not .js or .vbs), by
    // path, with the language of the tag that loads each.
    std::unordered_map<std::string, ScriptLanguage> loadedScripts;
    std::unordered_map<std::string, MissingListed> missing;  // the listed pages that are no files, by path
};

// Reads the project at path: the pages its compiler gathers, on disk below
// its folder, and the code page of its language. False, with the reason,
// when it cannot be read.
bool ReadProject(const std::filesystem::path& project, ProjectPages* read, std::string* reason);
