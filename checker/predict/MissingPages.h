// Dead entries: the contents entries and relative links of a page that name
// a page the help file does not hold (missing-page).
#pragma once

#include <stddef.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "checker/core/Findings.h"

class FolderNames;
struct PageScan;
struct PageText;

// Whether the help file holds the page at a path from its root, with "/"
// separators and "." and ".." resolved.
struct HoldsPage {
    HoldsPage() = default;
    HoldsPage(std::nullptr_t) {}
    HoldsPage(std::function<bool(const std::string& path)> holds, unsigned key = 0)
        : test(std::move(holds)), key(key)
    {
    }
    bool operator()(const std::string& path) const { return test(path); }
    explicit operator bool() const { return static_cast<bool>(test); }

    std::function<bool(const std::string& path)> test;
    // The same for predicates that answer alike, whose answers may be kept:
    // one of NewHoldsKey's; 0 for none.
    unsigned key = 0;
};

// A key for what a help file holds that no other has had in this run.
unsigned NewHoldsKey();

// Where a page stands in its help file, and how its links are read.
struct PageInHelp {
    std::string folder;    // from the help file's root, "/" separated; absolute on disk
    std::string helpName;  // a compiled file's name: ms-its: links into it are its own; empty for none
    std::string shownFrom; // on disk: a path below this folder is named from it in messages
};

// Where a page on disk at path (as given, "/" separated) stands: in its
// folder, made absolute from the working folder, and named from there.
PageInHelp PageOnDiskIn(const std::string& path, const std::string& working);

// A local page an entry or link of a page names, at its place.
struct PageTarget {
    Place place;            // its line and column are 0 until they are needed
    size_t offset;          // in the page's text
    std::string reference;  // as written, references decoded
    std::string path;       // from the help file's root; empty when it climbs above it
    std::string shown;      // the path as the message names it
};

// What one thread keeps as it finds targets, each thread its own. Pages
// link to the same pages again and again (a large help file has some thirty
// times as many links as distinct ones): each reference is resolved once for
// the pages that read it alike, those of one folder, help file and base
// (bounded, so that a help file of many folders cannot grow it far).
class TargetResolutions {
public:
    TargetResolutions();
    ~TargetResolutions();
    // Lets every answer go now, on the calling thread; none is asked after.
    void LetGo();
    struct Known;
    std::unique_ptr<Known> known;
};

// The local pages a page names, each at its line and column, appended to
// targets: those holds does not know, or all when it is null (held against
// the help file's pages once they are known).
void FindPageTargets(const PageText& page, const PageScan& scan, const PageInHelp& in, const Place& where,
                     const HoldsPage* holds, TargetResolutions* resolutions, std::vector<PageTarget>* targets);

// Whether files are on disk at absolute paths, in any case: each looked for
// once in a run, whichever thread asks first; any thread may ask.
class FilesOnDisk {
public:
    FilesOnDisk();
    ~FilesOnDisk();
    bool Hold(const std::string& path);
    // Asks this: a predicate any thread may call while this lives.
    HoldsPage Holds();
    struct Known;

private:
    std::unique_ptr<Known> known_;
    unsigned key_;
};

// A missing-page finding for each target that holds does not know.
void ReportMissingPages(const std::vector<PageTarget>& targets, const HoldsPage& holds,
                        std::vector<Finding>* findings);

// The same for a page's targets that its help file does not hold, found
// where it stands (in): a page on disk names them from the folder it is
// shown from.
void ReportPageTargets(const std::vector<PageTarget>& missing, const PageInHelp& in, std::vector<Finding>* findings);

// Whether a file is on disk at an absolute path, in any case; folders are
// listed through names when it is given.
bool FileOnDisk(const std::string& path, FolderNames* names = nullptr);

// A link's target inside the compiled file named helpName, from an ms-its:,
// its: or mk:@MSITStore: URL ("ms-its:Help.chm::/a.htm" is "/a.htm"); false for
// any other URL.
bool SameFileTarget(const std::string& reference, const std::string& helpName, std::string* target);
