// The files a page loads as scripts, and those its images name: beside it on
// disk, or among its compiled help file's members. In: a page's place and
// the references it makes. Out: the script files' decoded text, whether a
// file is there, and the members pages load as scripts under other names.
#pragma once

#include <stddef.h>

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/input/Input.h"
#include "checker/page/LinkFinder.h"

struct ChmFailure;
struct PageReference;

// The script files a page on disk loads, beside it, in the code page a page
// without a declaration has there.
class DiskScriptFiles : public ScriptFiles {
public:
    explicit DiskScriptFiles(const Input& page) : page_(page) {}
    bool Read(const std::string& src, std::string* text, Place* place) override;
    bool Holds(const std::string& src) override;

private:
    const Input& page_;
};

// A script file among a compiled help file's members: its name and its
// decoded text.
struct HelpScript {
    std::string member;
    std::string text;
};

// A compiled help file's members, as its pages meet them while it is read.
struct HelpMembers {
    std::string shown;                // the help file, as findings name it
    const ChmFailure* listing;        // its members, as the reader lists them
    std::unordered_set<std::string> keys = {};   // their NameKeys, once the members are all known
    std::unordered_set<std::string> names = {};  // and their names, without "/": most links spell one so
    std::unordered_map<std::string, HelpScript> scripts = {};  // by the NameKey of the member, without "/"
    // The members its pages load as scripts whose names do not say so
    // ("/js/code.txt", lower case), with the language of the tag; read after
    // the pages.
    std::map<std::string, ScriptLanguage> loadedScripts = {};
};

// The member a page's relative link names, without its leading "/"; empty
// when it names none.
std::string MemberOf(const std::string& page, const std::string& src);

// A member checked (with its leading "/"), its decoded text and the
// references it makes: a script is kept for the pages that load it; a page's
// scripts whose names are no script's or page's are noted, to be read after
// the pages.
void NoteHelpText(const std::string& member, bool isPage, const char* text, size_t size,
                  const std::vector<PageReference>& references, HelpMembers* members);

// Whether the help file holds a page at a path from its root, once the
// members are all known: any thread may ask it.
std::function<bool(const std::string& path)> MembersHolds(HelpMembers* members);

// The script files a page of a compiled help file loads: its members.
class HelpScriptFiles : public ScriptFiles {
public:
    HelpScriptFiles(HelpMembers* members, const std::string& page) : members_(members), page_(page) {}
    bool Read(const std::string& src, std::string* text, Place* place) override;
    bool Holds(const std::string& src) override;
    // Whether any of the files named (as src) may be members: when none is,
    // each answer is "not there", whenever it is asked.
    bool MayHoldAny(const std::vector<std::string>& srcs);

private:
    HelpMembers* members_;
    std::string page_;  // its member name, without the leading "/"
};

