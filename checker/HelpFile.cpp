#include "checker/HelpFile.h"

#include <map>
#include <string>
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

struct HelpVisit {
    const Input& help;
    CheckRun* run;
    size_t pages;
    std::string name;                 // the file's own, for ms-its: links into it
    const ChmFailure* listing;        // its members, by the reader
    std::unordered_set<std::string> keys;  // their NameKeys, once the members are all known
    std::vector<PageTarget> targets;  // kept until then
    // The members its pages load as scripts whose names do not say so
    // ("/js/code.txt", lower case), with the language of the tag; read after
    // the pages.
    std::map<std::string, ScriptLanguage> loadedScripts;
    bool readingLoaded = false;  // now those are read
};

// The scripts a page loads (<script src>) whose names are no script's or
// page's, as members: the rest are read as the pages are.
void NoteLoadedScripts(HelpVisit* visit, const PageScan& scan, const std::string& member)
{
    std::string folder = member.substr(0, member.find_last_of('/') + 1);
    for (const PageReference& reference : scan.references) {
        std::string target;
        if (!reference.loadsScript || !LocalTarget(UrlText(reference.value), &target)) {
            continue;
        }
        std::vector<std::string> parts = PathParts(target[0] == '/' ? target : folder + target);
        if (parts.empty() || !ResolvePathParts(&parts, false)) {
            continue;
        }
        std::string name;
        for (const std::string& part : parts) {
            name += "/" + part;
        }
        if (!ChmIsPageName(name.c_str()) && !ChmIsScriptName(name.c_str())) {
            visit->loadedScripts.emplace(AsciiLower(name), reference.language);
        }
    }
}

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

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
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
    if (visit->readingLoaded) {
        auto loaded = visit->loadedScripts.find(AsciiLower(place.member));
        bool vbscript = loaded != visit->loadedScripts.end() && loaded->second == ScriptVBScript;
        kind = vbscript ? TextVBScript : TextJScript;
    }
    CheckLinks(page, kind, place, visit->help.documentsFolder, visit->run->PackageFor(visit->help.installFolder),
               visit->run, &scan);
    if (kind == TextPage) {
        FindTargets(visit, page, scan, place);
        NoteLoadedScripts(visit, scan, place.member);
    }
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
    HelpVisit visit = {input, run, 0, input.path.filename().u8string(), &failure, {}, {}, {}, false};
    ChmStatus status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    // A directory not read to its end lists too few members to hold links against.
    if (!failure.membersListed && status == ChmRead) {
        KeyMembers(&visit);
        ReportTargets(&visit, visit.targets);
    }
    std::string reason = HelpFailure(status, failure, visit.pages);
    if (reason.empty() && !visit.loadedScripts.empty()) {
        // The scripts the pages load whatever their names: a second reading.
        std::vector<std::string> names;
        for (const auto& loaded : visit.loadedScripts) {
            names.push_back(loaded.first);
        }
        visit.readingLoaded = true;
        ChmFailure again;
        status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &again, &names);
        reason = status == ChmRead ? std::string() : HelpFailure(status, again, visit.pages);
    }
    if (!reason.empty()) {
        run->results.findings.push_back({{input.shown, "", 0, 0}, RuleUnreadableInput, reason});
    }
}
