#include "checker/HelpFile.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "checker/Check.h"
#include "checker/FileBytes.h"
#include "checker/LinkFinder.h"
#include "checker/MissingPages.h"
#include "checker/Names.h"
#include "checker/PageCheck.h"
#include "checker/PageReferences.h"
#include "checker/PageText.h"
#include "checker/TextTools.h"
#include "checker/chm/ChmStorage.h"

namespace {

// A script file among the members: its name and its decoded text.
struct HelpScript {
    std::string member;
    std::string text;
};

// A page with scripts: checked once every member is read, so that the
// script files it loads are at hand, whatever the reader's order.
struct LaterPage {
    std::string name;
    std::string bytes;
};

struct HelpVisit {
    const Input& help;
    CheckRun* run;
    size_t pages;
    std::string name;                 // the file's own, for ms-its: links into it
    const ChmFailure* listing;        // its members, by the reader
    std::unordered_set<std::string> keys;  // their NameKeys, once the members are all known
    std::vector<PageTarget> targets;  // kept until then
    std::unordered_map<std::string, HelpScript> scripts = {};  // by the NameKey of the member, without "/"
    std::vector<LaterPage> later = {};
};

void KeyMembers(HelpVisit* visit);

// The member a page's relative link names, without its leading "/"; empty
// when it names none.
std::string MemberOf(const std::string& page, const std::string& src)
{
    std::string target;
    if (!LocalTarget(UrlText(src), &target) || target.empty()) {
        return std::string();
    }
    std::string folder = target[0] == '/' ? std::string() : page.substr(0, page.find_last_of('/') + 1);
    std::vector<std::string> parts = PathParts(folder + target);
    if (parts.empty() || !ResolvePathParts(&parts, false)) {
        return std::string();
    }
    std::string member;
    for (const std::string& part : parts) {
        member += (member.empty() ? "" : "/") + part;
    }
    return member;
}

// The script files a page of a compiled help file loads: its members.
class HelpScriptFiles : public ScriptFiles {
public:
    HelpScriptFiles(HelpVisit* visit, const std::string& page) : visit_(visit), page_(page) {}

    bool Read(const std::string& src, std::string* text, Place* place) override
    {
        auto script = visit_->scripts.find(NameKey(MemberOf(page_, src)));
        if (script == visit_->scripts.end()) {
            return false;
        }
        *text = script->second.text;
        *place = {visit_->help.shown, "/" + script->second.member, 0, 0};
        return true;
    }

    bool Holds(const std::string& src) override
    {
        if (!visit_->listing->membersListed) {
            return false;  // not known: the image counts as missing
        }
        if (visit_->keys.empty()) {
            KeyMembers(visit_);
        }
        return visit_->keys.count(NameKey(MemberOf(page_, src))) > 0;
    }

private:
    HelpVisit* visit_;
    std::string page_;  // its member name, without the leading "/"
};

void KeyMembers(HelpVisit* visit)
{
    for (const std::string& member : visit->listing->members) {
        visit->keys.insert(NameKey(member.substr(member[0] == '/' ? 1 : 0)));
    }
}

void ReportTargets(HelpVisit* visit, const std::vector<PageTarget>& targets)
{
    const std::unordered_set<std::string>& keys = visit->keys;
    HoldsPage holds = [&keys](const std::string& path) { return keys.count(NameKey(path)) > 0; };
    ReportMissingPages(targets, holds, &visit->run->results.findings);
}

// The pages' entries and links: held against the members as each page is
// read when the reader lists them first (libmspack), else once all are read
// (ITSS lists them folder by folder).
void FindTargets(HelpVisit* visit, const PageText& page, const PageScan& scan, const Place& place)
{
    const std::string& member = place.member;
    std::string folder = member.substr(1, member.find_last_of('/') == 0 ? 0 : member.find_last_of('/') - 1);
    if (!visit->listing->membersListed) {
        FindPageTargets(page, scan, {folder, visit->name, ""}, place, &visit->targets);
        return;
    }
    if (visit->keys.empty()) {
        KeyMembers(visit);
    }
    const std::unordered_set<std::string>& keys = visit->keys;
    HoldsPage holds = [&keys](const std::string& path) { return keys.count(NameKey(path)) > 0; };
    CheckPageTargets(page, scan, {folder, visit->name, ""}, holds, place, &visit->run->results.findings);
}

void CheckHelpPage(HelpVisit* visit, const char* name, const char* bytes, size_t size)
{
    Place place = {visit->help.shown, std::string(name[0] == '/' ? "" : "/") + name, 0, 0};
    if (!bytes) {
        visit->run->results.findings.push_back(
            {place, RuleUnreadableInput, TooLargeText() + ", more than any help page; not checked"});
        return;
    }
    // Decoded once for its links and its entries.
    PageText page;
    std::string reason;
    if (!ReadTextBytes(bytes, size, false, visit->help.codePage, &page, &reason)) {
        visit->run->results.findings.push_back({place, RuleUnreadableInput, reason});
        return;
    }
    PageScan scan;
    TextKind kind = TextKindOfName(name);
    std::string member = place.member.substr(1);
    if (kind != TextPage) {
        visit->scripts[NameKey(member)] = {member, std::string(page.text, page.size)};
    }
    HelpScriptFiles files(visit, member);
    CheckLinks(page, kind, place, visit->help.documentsFolder, visit->run->PackageFor(visit->help.installFolder),
               visit->run, &scan, &files);
    if (kind == TextPage) {
        FindTargets(visit, page, scan, place);
    }
}

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
    if (bytes && TextKindOfName(name) == TextPage && FindNoCase(bytes, size, 0, "<script") < size) {
        visit->later.push_back({name, std::string(bytes, size)});
        return;
    }
    CheckHelpPage(visit, name, bytes, size);
}

// The pages with scripts, once every script file is read.
void CheckLaterPages(HelpVisit* visit)
{
    for (const LaterPage& page : visit->later) {
        CheckHelpPage(visit, page.name.c_str(), page.bytes.data(), page.bytes.size());
    }
    visit->later.clear();
}

// The words for a compiled help file that could not be read; empty when it was.
std::string HelpFailure(ChmStatus status, const ChmFailure& failure, size_t pages)
{
    // The libraries read pages in different orders, so the page that fails
    // first is part of their detail; the words before it are both builds'.
    std::string because = failure.reason;
    because.insert(0, failure.page.empty() ? "" : failure.page + ": ");
    because.insert(0, failure.library.empty() ? "" : failure.library + ", ");
    because = because.empty() ? because : " (" + because + ")";
    std::string where = failure.page.empty() ? "its directory" : "a page";
    switch (status) {
    case ChmRead:
        // Every help file has a page; a directory the library skipped as
        // unreadable leaves none.
        if (pages > 0) {
            return "";
        }
        if (failure.members.empty()) {
            return "holds no pages: its directory lists no files";
        }
        return "holds no pages: its directory lists " + std::to_string(failure.members.size()) +
               (failure.members.size() == 1 ? " file" : " files") + ", none of them a page (.htm .html .hhc .hhk)";
    case ChmEmpty:
        return "is empty: not a compiled help file";
    case ChmNotHelp:
        return "is not a compiled help file (no ITSF signature)";
    case ChmTruncated:
        return "is a truncated compiled help file: its header reaches past its end";
    case ChmCorrupt:
        return "is a corrupt compiled help file: " + where + " cannot be read" + because;
    case ChmUnreadable:
        return "cannot be read" + because;
    }
    return "";
}

}  // namespace

void CheckHelpFile(const Input& input, CheckRun* run)
{
    ChmFailure failure;
    HelpVisit visit = {input, run, 0, input.path.filename().u8string(), &failure, {}, {}};
    ChmStatus status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    CheckLaterPages(&visit);
    // A directory not read to its end lists too few members to hold links against.
    if (!failure.membersListed && status == ChmRead) {
        KeyMembers(&visit);
        ReportTargets(&visit, visit.targets);
    }
    std::string reason = HelpFailure(status, failure, visit.pages);
    if (!reason.empty()) {
        run->results.findings.push_back({{input.shown, "", 0, 0}, RuleUnreadableInput, reason});
    }
}
