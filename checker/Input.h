// Each file the checker reads, decided once before it is read: its kind,
// the name it is shown by, where its documents are and the code page of its
// help file's language.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>

#include "checker/FolderChoice.h"

// A file name's kind, by its extension.
enum InputKind { InputPage, InputList, InputHelp, InputProject, InputOther };
InputKind KindOfName(const std::string& name);

// A link list's extension.
extern const char* const ListExtension;

struct Input {
    std::filesystem::path path;
    std::string shown;              // as reported, with "/" on every system so both builds report alike
    InputKind kind = InputOther;
    std::filesystem::path limit;    // of the upward searches
    std::string documentsFolder;    // on disk: what stands beside Tipstart.exe
    std::filesystem::path project;  // whose language a page is read in; empty for none
    unsigned codePage = 0;          // of that language, or the compiled file's; 0 for none
};

// The code pages of help projects' languages, by project.
typedef std::unordered_map<std::string, unsigned> ProjectCodePages;

// The input for path. listedBy is the project that lists a page, whose
// language it is read in; else the nearest project's is taken.
Input DecideInput(const std::filesystem::path& path, InputKind kind, const std::filesystem::path& limit,
                  const std::filesystem::path& listedBy, const FolderOptions& options, FolderChoice* choice,
                  ProjectCodePages* codePages);

// With "/" on every system.
std::string ShownPath(const std::filesystem::path& path);
