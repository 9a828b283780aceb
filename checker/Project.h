// Reading a help project (.hhp): the files it compiles and its language.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

// The code pages of help projects' languages, by project.
typedef std::unordered_map<std::string, unsigned> ProjectCodePages;

// The files a help project compiles: its [FILES] and its contents and index
// files, in its own folder's terms, as written.
std::vector<std::string> ProjectFiles(const std::string& bytes);

// The code page of a project's language (its Language= line); 0 for none.
unsigned ProjectCodePage(const std::string& bytes);

// The code page of the project at path (0 for none, or for an empty path),
// read once a run.
unsigned ProjectCodePageOf(const std::filesystem::path& project, ProjectCodePages* codePages);

// Reads the project at path: the pages it lists (.htm .html .hhc .hhk), on
// disk below its folder, and the code page of its language. False, with the
// reason, when it cannot be read.
bool ReadProject(const std::filesystem::path& project, std::vector<std::filesystem::path>* pages, unsigned* codePage,
                 std::string* reason);
