// A page's JScript, run in Duktape as the help viewer runs it, over a small
// DOM of our own (DomStandIn). The engine is a sandbox: it reaches no file,
// network, process or environment, and each page has a budget of
// instructions and of memory.
#pragma once

#include <stddef.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct ScriptBudget {
    unsigned long instructions = 100000000;  // for all of a page's scripts
    size_t memory = 64 * 1024 * 1024;        // bytes, at most, at any time
};

// How the page reader hears what scripts write and build. Offsets are places
// in the page (or script file) being checked.
class ScriptPage {
public:
    virtual ~ScriptPage() = default;
    // What document.write wrote while one script or handler ran: read as the
    // page's markup at the script's place; writers holds each byte's writer.
    virtual void ReadWritten(const std::string& markup, const std::vector<size_t>& writers) = 0;
    // Markup a script builds (innerHTML, an element it inserts), read at
    // once; its elements are made anew in the engine unless built names the
    // element already made (then its objects are that element).
    virtual void ReadBuilt(const std::string& markup, size_t writer, long built) = 0;
};

// A script that did not run to its end.
struct ScriptStop {
    size_t script;       // where the script (or the handler) stands
    size_t offset;       // where it stopped
    std::string reason;
};

struct ScriptAttribute {
    std::string name;  // lower case
    std::string value;
};

// The page offset of each line of a script's code (its first character).
typedef std::vector<size_t> ScriptLines;

// The lines of code whose bytes come from origins (or base + i without).
ScriptLines LinesOfCode(const char* text, size_t size, const std::vector<size_t>* origins, size_t base);

struct ScriptHeap;

class ScriptEngine {
public:
    ScriptEngine(const ScriptBudget& budget, ScriptPage* page);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs a script to its end, or to where it stops, as standing at place;
    // what it writes goes to the page as soon as it can be read.
    void Run(const std::string& code, const ScriptLines& lines, size_t place);

    // The page's markup as it is read: an element opens (its handle, for
    // the objects the page reader finds), text stands in it, it closes.
    long OpenElement(const std::string& name, const std::vector<ScriptAttribute>& attributes, const std::string* text);
    void Text(const std::string& text);
    void CloseElement(const std::string& name);

    // A handler attribute of a load-time event (body onload, a missing
    // image's onerror, onreadystatechange) on the element.
    void AddLoadHandler(long element, const std::string& code, const ScriptLines& lines);

    // The page's load: window.onload and the handlers attached to it, the
    // load-time handlers, then timers, once each.
    void RunLoad();

    // Whether the page's scripts clicked the element (Click or HHClick)
    // while the page opened.
    bool Clicked(long element) const;

    const std::vector<ScriptStop>& Stops() const;

    // Internal: the heap's callbacks reach the engine through it.
    ScriptHeap* heap() { return heap_.get(); }

private:
    bool Call(int arguments, size_t fallback);
    bool ReadingCall(int arguments);
    void Flush();

    std::unique_ptr<ScriptHeap> heap_;
};
