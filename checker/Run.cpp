#include "checker/Run.h"

#include <system_error>

#include "checker/Walk.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/predict/MissingPages.h"
#include "checker/report/Suppression.h"
#include "checker/system/FileBytes.h"
#include "checker/system/Names.h"

namespace fs = std::filesystem;

CheckRun::CheckRun(const CheckOptions& runOptions) : options(runOptions)
{
    PackageFor(std::string());
}

Package* CheckRun::PackageFor(const std::string& configuredInstallFolder)
{
    const std::string& folder =
        options.installFolderGiven || configuredInstallFolder.empty() ? options.installFolder : configuredInstallFolder;
    auto known = caches.packages.find(folder);
    if (known == caches.packages.end()) {
        known = caches.packages.emplace(folder, Package()).first;
        PackageStart(folder, &known->second);
    }
    return &known->second;
}

namespace {

void AddFinding(const std::string& file, RuleId rule, const std::string& message, CheckRun* run)
{
    run->results.findings.push_back({{file, "", 0, 0}, rule, message});
}

// A page's text handed on to be checked, with its help file's documents and
// package.
void HandOn(const PageText& page, TextKind kind, const Place& place, const Input& input, CheckRun* run,
            PageScan* scan)
{
    CheckLinks(page, kind, place, input.documentsFolder, run->PackageFor(input.installFolder),
               run->options.prediction, &run->results, scan);
}

// A page's entries and links, held against its project's gathered pages, or
// against the files on disk.
void CheckPageTargets(const Input& input, const PageText& page, const PageScan& scan, const Place& place, CheckRun* run)
{
    std::vector<Finding>* findings = &run->results.findings;
    if (input.gathered) {
        std::string below = input.path.parent_path().lexically_relative(input.project.parent_path()).generic_u8string();
        std::string compiledName = run->caches.inputs.compiledNames[input.project.u8string()];
        const std::unordered_set<std::string>& pages = run->caches.inputs.projectPages[input.project.u8string()];
        HoldsPage holds = [&pages](const std::string& path) { return pages.count(NameKey(path)) > 0; };
        CheckPageTargets(page, scan, {below == "." ? "" : below, compiledName, ""}, holds, place, findings);
        return;
    }
    std::error_code error;
    std::string working = fs::current_path(error).generic_u8string();
    std::string folder = fs::absolute(input.path).parent_path().lexically_normal().generic_u8string();
    // Pages link to the same pages again and again: each is looked for once.
    std::unordered_map<std::string, bool>& known = run->caches.filesOnDisk;
    HoldsPage holds = [&known](const std::string& path) {
        auto found = known.find(path);
        return found != known.end() ? found->second : known.emplace(path, FileOnDisk(path)).first->second;
    };
    CheckPageTargets(page, scan, {folder, "", working}, holds, place, findings);
}

// A compiled help file's visit: its pages as the reader hands them over,
// each checked, and their targets held against the file's members.
struct HelpVisit {
    const Input& help;
    CheckRun* run;
    size_t pages;
    std::string name;                 // the file's own, for ms-its: links into it
    const ChmFailure* listing;        // its members, by the reader
    std::unordered_set<std::string> keys;  // their NameKeys, once the members are all known
    std::vector<PageTarget> targets;  // kept until then
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
    HandOn(page, kind, place, visit->help, visit->run, &scan);
    if (kind == TextPage) {
        FindTargets(visit, page, scan, place);
    }
}

void CheckHelpFile(const Input& input, CheckRun* run)
{
    ChmFailure failure;
    HelpVisit visit = {input, run, 0, input.path.filename().u8string(), &failure, {}, {}};
    ChmStatus status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    // A directory not read to its end lists too few members to hold links against.
    if (!failure.membersListed && status == ChmRead) {
        KeyMembers(&visit);
        ReportTargets(&visit, visit.targets);
    }
    std::string reason = ChmFailureText(status, failure, visit.pages);
    if (!reason.empty()) {
        AddFinding(input.shown, RuleUnreadableInput, reason, run);
    }
}

void CheckFound(const fs::path& path, const fs::path& given, const std::string& shownGiven, CheckRun* run);

// The script files a page on disk loads (<script src>), read with it and
// once in a run: a folder's walk finds them too, and a project gathers those
// its pages load.
void CheckLoadedScripts(const Input& page, const PageScan& scan, CheckRun* run)
{
    for (const PageReference& reference : scan.references) {
        std::string target;
        if (!LocalTarget(UrlText(reference.value), &target) || !ChmIsScriptName(target.c_str()) || target[0] == '/') {
            continue;
        }
        fs::path script = FindProjectFile(page.path.parent_path(), target).lexically_normal();
        std::error_code error;
        if (fs::is_regular_file(script, error)) {
            CheckFound(script, script, script.generic_u8string(), run);
        }
    }
}

// A page, script or link list on disk: read, handed on, and its targets held.
void CheckTextFile(const Input& input, CheckRun* run)
{
    PageText page;
    std::string bytes;
    std::string reason;
    bool isList = input.kind == InputList;
    Place place = {input.shown, std::string(), 0, 0};
    if (!ReadWholeFile(input.shown, &bytes, &reason) ||
        !ReadTextFile(input.shown, &bytes, isList, input.codePage, &page, &reason)) {
        run->results.findings.push_back({place, RuleUnreadableInput, reason});
        return;
    }
    PageScan scan;
    TextKind kind = isList ? TextList : TextKindOfName(input.shown);
    HandOn(page, kind, place, input, run, &scan);
    if (kind == TextPage) {
        CheckPageTargets(input, page, scan, place, run);
    }
    if (kind == TextPage && !input.gathered) {
        CheckLoadedScripts(input, scan, run);
    }
}

// A file found or given: decided, then read as its kind is.
void CheckFound(const fs::path& path, const fs::path& given, const std::string& shownGiven, CheckRun* run)
{
    if (!run->caches.inputs.configurationError.empty()) {
        return;  // the run stops at a configuration it cannot read
    }
    for (const Input& input : DecideInputs(path, given, run->options.folders, &run->caches.inputs)) {
        if (!input.problem.empty()) {
            AddFinding(input.shown, RuleUnreadableInput, input.problem, run);
            continue;
        }
        switch (input.kind) {
        case InputHelp:
            CheckHelpFile(input, run);
            break;
        case InputPage:
        case InputScript:
        case InputList:
            CheckTextFile(input, run);
            break;
        case InputOther:
            AddFinding(shownGiven, RuleUnreadableInput,
                       std::string("is not a page (.htm .html .hhc .hhk), a script (.js .vbs), a compiled help file "
                                   "(.chm), a help project (.hhp) or a link list (") +
                           ListExtension + "); not checked",
                       run);
            break;
        case InputProject:
            break;  // it stands for its pages
        }
    }
}

}  // namespace

void CheckPath(const std::string& given, CheckRun* run)
{
    fs::path path = fs::u8path(given);
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        std::string reason = error && error != std::errc::no_such_file_or_directory ? "cannot be read: " + error.message()
                                                                                    : std::string("does not exist");
        AddFinding(given, RuleUnreadableInput, reason, run);
        return;
    }
    if (!fs::is_directory(status)) {
        CheckFound(path, path, given, run);
        return;
    }
    FileFound found = [&path, run](const fs::path& file) { CheckFound(file, path, file.generic_u8string(), run); };
    WalkFolderTree(path, found, &run->results.findings);
}

void CheckPageBytes(const char* bytes, size_t size, TextKind kind, unsigned languageCodePage, const Place& where,
                    const std::string& documentsFolder, Package* package, CheckRun* run)
{
    PageText page;
    std::string reason;
    if (!ReadTextBytes(bytes, size, kind == TextList, languageCodePage, &page, &reason)) {
        run->results.findings.push_back({where, RuleUnreadableInput, reason});
        return;
    }
    PageScan scan;
    CheckLinks(page, kind, where, documentsFolder, package, run->options.prediction, &run->results, &scan);
}

void FinishRun(CheckRun* run)
{
    InputCaches& inputs = run->caches.inputs;
    Settling settling = {run->options.disabled,
                         run->options.warningsAsErrors,
                         run->options.hasBaseline ? &run->options.baseline : nullptr,
                         inputs.configurations,
                         inputs.configurationOf,
                         inputs.givenConfiguration,
                         run->options.folders.workingFolder};
    SettleFindings(settling, &run->results);
}
