// Texts read and their links found on the machine's other core while the run
// checks the texts before them, and handed back in the order they came.
// Finding a text's links needs nothing but its bytes, so it can go ahead;
// all the rest of a check (predictions, targets, findings) stays in order
// on the run's own thread. A text whose scripts ask for the files it loads
// is found again by the run, which has them.
#pragma once

#include <stddef.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/script/ScriptEngine.h"

class SystemWorker;

// A text handed over, and what its reading found.
struct TextRead {
    std::string path;   // a file on disk to read first; empty for bytes given
    std::string head;   // then its first bytes (up to 4), which tell a compiled help file
    std::string bytes;  // as its file or reader gave them; the page's text may point into them
    TextKind kind = TextPage;
    unsigned codePage = 0;  // of its help file's language
    bool read = false;      // false: no text, for reason
    std::string reason;
    PageText page;
    PageScan scan;
    PageScan utf8;  // as the page would read in UTF-8, for one that looks like it
    // Its scripts asked for a file it loads, which only the run can answer:
    // what it found is to be found again.
    bool asksFiles = false;
};

// Reads text's bytes (its file's, for one with a path) and finds its links,
// with the files its scripts load.
void ReadAndFind(TextRead* text, const ScriptBudget& budget, ScriptFiles* files);

class TextsAhead {
public:
    // Each text's scripts run within budget, which must outlive this.
    explicit TextsAhead(const ScriptBudget& budget);
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
    std::unique_ptr<TextRead> Oldest(bool wanted);
    const ScriptBudget& budget_;
    std::unique_ptr<SystemWorker> worker_;  // none on a machine of one core
    std::deque<std::unique_ptr<Entry>> entries_;
    size_t givenBytes_ = 0;  // of the texts held, as they were handed over
    size_t readBytes_ = 0;   // of the texts read on the other core and not yet taken
    bool stopping_ = false;
};

// Files on disk read ahead, in the order a folder's walk hands them over:
// each as the kind its name gives, in the code page of the last one the run
// read. The run takes each as it reaches it; one it reads otherwise, or in
// another code page, it reads itself.
class FilesAhead {
public:
    explicit FilesAhead(const ScriptBudget& budget);
    // The files the walk hands over next, in order, by their paths as the
    // run reads them.
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
    unsigned codePage_ = 0;
};
