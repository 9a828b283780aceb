// Reading a help project (.hhp): the files it compiles and its language.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The files a help project compiles: its [FILES] and its contents and index
// files, in its own folder's terms, as written.
std::vector<std::string> ProjectFiles(const std::string& bytes);

// The code page of a project's language (its Language= line); 0 for none.
unsigned ProjectCodePage(const std::string& bytes);
unsigned ReadProjectCodePage(const std::filesystem::path& project);

// A file the project lists, on disk: below the project's folder, normal.
std::filesystem::path ListedPath(const std::filesystem::path& project, std::string name);
