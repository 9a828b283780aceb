// input/, which files and what they are. In: the paths given and the options.
// Out: each file decided (Input), projects' pages, compiled files' pages, configurations.
//
// Each file the checker reads, decided once before it is read: its kind,
// the name it is shown by, where its documents are and the code page of its
// help file's language.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/input/Configuration.h"
#include "checker/input/FolderChoice.h"
#include "checker/input/Project.h"
#include "checker/page/LinkFinder.h"
#include "checker/script/ScriptReader.h"

// A file name's kind, by its extension.
enum InputKind { InputPage, InputList, InputScript, InputHelp, InputProject, InputOther };
InputKind KindOfName(const std::string& name);

// A file's kind: a compiled help file when it starts with the "ITSF"
// signature, whatever its name (samples are often named by their hash);
// else by its name.
InputKind KindOfFile(const std::filesystem::path& path);

// Tells the next decision on the file at path its kind by its first bytes,
// read ahead (head): the file is not opened again to tell it.
void KnowFileKind(const std::filesystem::path& path, const std::string& head);

// A link list's extension.
extern const char* const ListExtension;

struct Input {
    std::filesystem::path path;
    std::string shown;              // as reported, with "/" on every system so both builds report alike
    InputKind kind = InputOther;
    std::string documentsFolder;    // on disk: what stands beside Tipstart.exe
    std::filesystem::path project;  // whose language a page is read in; empty for none
    unsigned codePage = 0;          // of that language, or the compiled file's; 0 for none
    std::string problem;            // why it cannot be read, when that is known before reading
    int configuration = -1;         // the configuration that governs it (InputCaches), or none
    std::string installFolder;      // its configuration's, or empty for the run's
    bool gathered = false;          // one of its project's pages, whose links are held against them
    // A script whose name says no language (not .js or .vbs): the one of the
    // tag that loads it.
    ScriptLanguage scriptLanguage = ScriptJScript;
    TextKind textKind = TextPage;   // how a page, script or link list's text is read
    // A page its project names that is no file: the name and place in the project.
    MissingListed listedMissing;
};

struct InputCaches {
    FolderChoice folders;
    ProjectCodePages codePages;  // of the projects found nearest to pages
    std::unordered_set<std::string> checked;  // files, by full path: each is checked once
    std::vector<Configuration> configurations;  // every one read, each once
    int givenConfiguration = -1;                // --config: the one for every file
    std::unordered_map<std::string, int> configurationOf;  // by shown file
    std::string configurationError;             // the first configuration that could not be read: the run stops
    // The pages each project gathers, by NameKey of their path below its
    // folder, with "/"; and the name of the file it compiles to.
    std::unordered_map<std::string, std::unordered_set<std::string>> projectPages;
    std::unordered_map<std::string, std::string> compiledNames;
    // The files pages on disk load as scripts whose names say no language,
    // by path, with the language of the tag that loads each.
    std::unordered_map<std::string, ScriptLanguage> loadedScripts;
};

// What a file found in, or given as, the path given stands for: itself; for
// a help project, the pages it lists, in its language. A project and its
// pages, or a folder and a page in it, may both be given: a file already
// decided in this run stands for nothing.
std::vector<Input> DecideInputs(const std::filesystem::path& path, const FolderOptions& options,
                                InputCaches* caches);
