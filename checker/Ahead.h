// Texts read, and their links and a page's targets found, on the machine's
// other core while the run checks the texts before them; handed back in the
// order they came. Finding them needs nothing but a text's bytes and where
// it stands, so it can go ahead; all the rest of a check (predictions,
// whether targets are held, findings) stays in order on the run's own
// thread. A text whose scripts ask for the files it loads is found again by
// the run, which has them.
#pragma once

#include <stddef.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "checker/input/chm/ChmStorage.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/predict/MissingPages.h"
#include "checker/script/ScriptEngine.h"
#include "checker/system/System.h"


// A text handed over, and what its reading found.
struct TextRead {
    std::string path;   // a file on disk to read first; empty for bytes given
    std::string head;   // then its first bytes (up to 4), which tell a compiled help file
    std::string bytes;  // as its file or reader gave them; the page's text may point into them
    TextKind kind = TextPage;
    unsigned codePage = 0;  // of its help file's language
    Place place;            // where it is shown
    PageInHelp in;          // where a page stands in its help file
    // What a page's targets are held against as they are found: the pages
    // of its help file, or the files on disk, a predicate any thread may
    // call. None: they are all kept, to be held against its pages once these
    // are known.
    HoldsPage holds;
    bool read = false;      // false: no text, for reason
    std::string reason;
    PageText page;
    PageScan scan;
    PageScan utf8;  // as the page would read in UTF-8, for one that looks like it
    std::vector<PageTarget> targets;  // the local pages a page names, those not held when held
    bool targetsHeld = false;         // they were held against its help file's pages
    std::vector<Finding> missing;     // then the findings of those not held
    // Its scripts asked for a file it loads, which only the run can answer:
    // what it found is to be found again.
    bool asksFiles = false;
    std::vector<std::string> asked;  // the files they asked for, as written
};

// Finds a text's links, with the files its scripts load, and a page's targets.
void FindInText(TextRead* text, const ScriptBudget& budget, ScriptFiles* files, TargetResolutions* resolutions);

// Reads text's bytes (its file's, for one with a path), then finds in it.
void ReadAndFind(TextRead* text, const ScriptBudget& budget, ScriptFiles* files, TargetResolutions* resolutions);

class TextsAhead {
public:
    // Each text's scripts run within budget, which must outlive this. With
    // one core, the run reads each text itself as it takes it.
    explicit TextsAhead(const ScriptBudget& budget, unsigned cores = SystemCores());
    ~TextsAhead();
    TextsAhead(const TextsAhead&) = delete;
    TextsAhead& operator=(const TextsAhead&) = delete;

    // Hands a text over, to be read on the other core as soon as it is free.
    void Add(std::unique_ptr<TextRead> text);
    // Whether it holds as many texts as it keeps at once: then the oldest is
    // to be taken before another is added.
    bool Full() const;
    bool Empty() const;
    // The oldest text, read: on the other core, or here when it has not
    // begun there.
    std::unique_ptr<TextRead> TakeOldest();
    // Lets the oldest text go, read or not.
    void DropOldest();

    struct Entry;

private:
    static void Work(void* self);
    void RunWaiting();
    Entry* NextToRead();
    Entry* NewestWaiting();
    void ReadEntry(Entry* entry, TargetResolutions* resolutions);
    std::unique_ptr<TextRead> Oldest(bool wanted);
    const ScriptBudget& budget_;
    TargetResolutions resolvedAway_;  // by the other core
    TargetResolutions resolvedHere_;  // by the run's thread, for a text the other core has not begun
    std::unique_ptr<SystemWorker> worker_;  // none on a machine of one core
    std::deque<std::unique_ptr<Entry>> entries_;
    size_t givenBytes_ = 0;  // of the texts held, as they were handed over
    size_t readBytes_ = 0;   // of the texts read on the other core and not yet taken
    bool stopping_ = false;
};

// Members of a compiled help file read on a thread of their own, with a
// reader of their own, beside the run's reading of the rest: its largest
// pages, each the work of many small ones, which would otherwise be read
// alone at the end. Each is made a text by make (on that thread: it may use
// only what it holds), read and found in as TextsAhead reads.
class MembersAside {
public:
    typedef std::function<std::unique_ptr<TextRead>(const std::string& member, std::string* bytes)> MakeText;
    explicit MembersAside(const ScriptBudget& budget) : budget_(budget) {}
    ~MembersAside();
    MembersAside(const MembersAside&) = delete;
    MembersAside& operator=(const MembersAside&) = delete;

    // Starts reading names from the help file at path; when the system
    // gives no thread, reads them here and now.
    void Start(const std::string& path, const std::vector<std::string>& names, MakeText make);
    bool Started() const { return started_; }
    // The texts read so far, in the order read; with wait, every one, once
    // the reading has ended.
    std::vector<std::unique_ptr<TextRead>> Take(bool wait);
    // How the reading ended, once Take(true) gave the last texts.
    ChmStatus Status() const { return status_; }
    const ChmFailure& Failure() const { return failure_; }

private:
    static void Work(void* self);
    static void Visit(void* self, const char* name, std::string* bytes, size_t size);
    void Hold(const std::function<void()>& change);
    const ScriptBudget& budget_;
    std::unique_ptr<SystemWorker> worker_;
    std::string path_;
    std::vector<std::string> names_;
    MakeText make_;
    TargetResolutions resolutions_;  // its thread's
    std::vector<std::unique_ptr<TextRead>> read_;  // read, not yet taken
    bool started_ = false;
    bool ended_ = false;
    ChmStatus status_ = ChmRead;
    ChmFailure failure_;
};

// Files on disk read ahead, in the order a folder's walk hands them over:
// each as the kind its name gives, in the code page of the last one the run
// read. The run takes each as it reaches it; one it reads otherwise, or in
// another code page, it reads itself.
class FilesAhead {
public:
    // working: the folder the run names files from; onDisk: the files the
    // pages' targets are held against.
    FilesAhead(const ScriptBudget& budget, const std::string& working, FilesOnDisk* onDisk);
    // The files the walk hands over next, in order, by their paths as the
    // run reads them; none: those not taken are let go of, once the other
    // core has done with them.
    void Coming(const std::vector<std::string>& paths);
    // The file at path, read, when it was read ahead: the files before it
    // are passed by. Null when it was not.
    std::unique_ptr<TextRead> Take(const std::string& path);
    // The code page the run read a file in: files handed on after are read in it.
    void ReadIn(unsigned codePage);

private:
    void TopUp();
    TextsAhead texts_;
    std::deque<std::string> reading_;  // the paths of the texts handed on, in order
    std::deque<std::string> coming_;   // and of the files to hand on after them
    std::string working_;
    FilesOnDisk* onDisk_;
    unsigned codePage_ = 0;
};
