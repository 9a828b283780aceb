// The run's walks. Through a folder given: its files as they come, folder by
// folder, so that nothing is held but the folder being read; each file worth
// checking is handed to the run, and what cannot be walked into is a finding.
// Through a compiled help file: its pages and scripts as its reader hands
// them over, each handed to the run.
#pragma once

#include <stddef.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "checker/core/Findings.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/page/LinkFinder.h"
#include "checker/script/ScriptReader.h"

// Receives each file met: a page, script or compiled help file by its name.
typedef std::function<void(const std::filesystem::path& file)> FileFound;

// Receives, before they are handed over, the pages and scripts a folder's
// walk hands over next one after another, by their paths in UTF-8 with "/";
// none, as the walk enters or leaves a folder: those told and not handed
// over are not to be read.
typedef std::function<void(const std::vector<std::string>& files)> FilesComing;

// Walks folder, which exists, into its subfolders and the links to them,
// once each and never out of the tree.
void WalkFolderTree(const std::filesystem::path& folder, const FileFound& found, std::vector<Finding>* findings,
                    const FilesComing& coming = FilesComing());

// Receives each member of a compiled help file read: its name ("/a.htm"),
// its bytes, which it may take (null for one too large to read), and what
// its text is.
typedef std::function<void(const std::string& member, std::string* bytes, TextKind kind)> MemberFound;

// Receives the reader's status once the pages are all read, before the
// scripts they load are.
typedef std::function<void(ChmStatus status)> PagesRead;

// The pages and scripts of the compiled help file at path, in the reader's
// order. Then, when the pages were read to their end,
// the members they load as scripts under names that say no script (loaded,
// filled as the pages are checked: "/js/code.txt", lower case), a second
// reading. failure receives the first reading's listing of the members,
// and the pages larger than asideFrom that the reader left unread for
// pagesRead to have read (failure->aside). Gives why the file could not be
// read to its end; empty when it was.
std::string WalkHelpFile(const std::string& path, const MemberFound& found, const PagesRead& pagesRead,
                         const std::map<std::string, ScriptLanguage>& loaded, ChmFailure* failure,
                         unsigned long long asideFrom = ~0ULL);
