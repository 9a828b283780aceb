// Dead entries: the contents entries and relative links of a page that name
// a page the help file does not hold (missing-page).
#pragma once

#include <stddef.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "checker/core/Findings.h"

struct PageScan;
struct PageText;

// Whether the help file holds the page at a path from its root, with "/"
// separators and "." and ".." resolved.
typedef std::function<bool(const std::string& path)> HoldsPage;

// Where a page stands in its help file, and how its links are read.
struct PageInHelp {
    std::string folder;    // from the help file's root, "/" separated; absolute on disk
    std::string helpName;  // a compiled file's name: ms-its: links into it are its own; empty for none
    std::string shownFrom; // on disk: a path below this folder is named from it in messages
};

// A local page an entry or link of a page names, at its place.
struct PageTarget {
    Place place;            // its line and column are 0 until they are needed
    size_t offset;          // in the page's text
    std::string reference;  // as written, references decoded
    std::string path;       // from the help file's root; empty when it climbs above it
    std::string shown;      // the path as the message names it
};

// The local pages a page names; found as it is read, held against the help
// file's pages once they are all known.
void FindPageTargets(const PageText& page, const PageScan& scan, const PageInHelp& in, const Place& where,
                     std::vector<PageTarget>* targets);

// A missing-page finding for each target that holds does not know.
void ReportMissingPages(const std::vector<PageTarget>& targets, const HoldsPage& holds,
                        std::vector<Finding>* findings);

// The same at once, when the help file's pages are known: only the targets
// it does not hold are given their line and column.
void CheckPageTargets(const PageText& page, const PageScan& scan, const PageInHelp& in, const HoldsPage& holds,
                      const Place& where, std::vector<Finding>* findings);

// Whether a file is on disk at an absolute path, in any case.
bool FileOnDisk(const std::string& path);

// A link's target inside the compiled file named helpName, from an ms-its:,
// its: or mk:@MSITStore: URL ("ms-its:Help.chm::/a.htm" is "/a.htm"); false for
// any other URL.
bool SameFileTarget(const std::string& reference, const std::string& helpName, std::string* target);
