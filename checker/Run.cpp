#include "checker/Run.h"

#include <map>
#include <system_error>
#include <unordered_map>

#include "checker/Walk.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/input/Project.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageReferences.h"
#include "checker/page/PageText.h"
#include "checker/predict/MissingPages.h"
#include "checker/report/Suppression.h"
#include "checker/system/FileBytes.h"
#include "checker/system/Names.h"
#include "checker/core/TextTools.h"

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

PageHandling CheckRun::Handling()
{
    return {options.prediction, options.scripts, options.inlineConfig, options.folders.workingFolder,
            &caches.referenceDirectives};
}

namespace {

void AddFinding(const std::string& file, RuleId rule, const std::string& message, CheckRun* run)
{
    run->results.findings.push_back({{file, "", 0, 0}, rule, message});
}

// What a page on disk's entries and links are held against: its project's
// gathered pages, or the files on disk.
struct PageTargets {
    PageInHelp where;
    HoldsPage holds;
};

PageTargets TargetsOf(const Input& input, CheckRun* run)
{
    if (input.gathered) {
        std::string below = input.path.parent_path().lexically_relative(input.project.parent_path()).generic_u8string();
        std::string compiledName = run->caches.inputs.compiledNames[input.project.u8string()];
        const std::unordered_set<std::string>& pages = run->caches.inputs.projectPages[input.project.u8string()];
        HoldsPage holds = [&pages](const std::string& path) { return pages.count(NameKey(path)) > 0; };
        return {{below == "." ? "" : below, compiledName, ""}, holds};
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
    return {{folder, "", working}, holds};
}

// The script files a page on disk loads, beside it, in the code page a page
// without a declaration has there.
class DiskScriptFiles : public ScriptFiles {
public:
    explicit DiskScriptFiles(const Input& page) : page_(page) {}

    bool Read(const std::string& src, std::string* text, Place* place) override
    {
        fs::path script;
        std::string bytes;
        std::string reason;
        PageText decoded;
        if (!Find(src, &script) || !ReadWholeFile(script.generic_u8string(), &bytes, &reason) ||
            !ReadTextFile(script.generic_u8string(), &bytes, false, page_.codePage, &decoded, &reason)) {
            return false;
        }
        text->assign(decoded.text, decoded.size);
        *place = {script.generic_u8string(), std::string(), 0, 0};
        return true;
    }

    bool Holds(const std::string& src) override
    {
        fs::path file;
        return Find(src, &file);
    }

private:
    // The file as its folders list it, so that both builds show one name
    // whatever case the src is written in.
    bool Find(const std::string& src, fs::path* file) const
    {
        std::string target;
        if (!LocalTarget(UrlText(src), &target) || target.empty() || target[0] == '/') {
            return false;
        }
        fs::path found = FindProjectFile(page_.path.parent_path(), target).lexically_normal();
        std::error_code error;
        if (!fs::is_regular_file(found, error)) {
            return false;
        }
        *file = ListedPath(found);
        return true;
    }

    const Input& page_;
};

// The text kind of a page, list or script input: a script by its name, or
// by the tag that loads it when its name says no language.
TextKind TextKindOfInput(const Input& input)
{
    if (input.kind == InputList) {
        return TextList;
    }
    TextKind named = TextKindOfName(input.shown);
    if (input.kind != InputScript || named != TextPage) {
        return named;
    }
    return input.scriptLanguage == ScriptVBScript ? TextVBScript : TextJScript;
}

// A page, script or link list on disk: read, handed on and its targets
// held. Gives the script files a page loads, to be checked after it.
std::vector<fs::path> CheckTextFile(const Input& input, CheckRun* run)
{
    Package* package = run->PackageFor(input.installFolder);
    PageTargets targets = TargetsOf(input, run);
    TextKind kind = TextKindOfInput(input);
    Place place = {input.shown, std::string(), 0, 0};
    PageText page;
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(input.shown, &bytes, &reason) ||
        !ReadTextFile(input.shown, &bytes, kind == TextList, input.codePage, &page, &reason)) {
        run->results.findings.push_back({place, RuleUnreadableInput, reason});
        return {};
    }
    PageScan scan;
    DiskScriptFiles scripts(input);
    CheckLinks(page, kind, place, input.documentsFolder, package, run->Handling(), &run->results, &scan, &scripts);
    if (kind != TextPage) {
        return {};
    }
    CheckPageTargets(page, scan, targets.where, targets.holds, place, &run->results.findings);
    return input.gathered ? std::vector<fs::path>()
                          : LoadedScriptFiles(input.path.parent_path(), scan.references,
                                              &run->caches.inputs.loadedScripts);
}

// A script file among a compiled help file's members: its name and its
// decoded text.
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

// A compiled help file's visit: its pages as the reader hands them over,
// each checked, and their targets held against the file's members.
struct HelpVisit {
    const Input& help;
    CheckRun* run;
    Package* package;
    size_t pages;
    std::string name;                 // the file's own, for ms-its: links into it
    const ChmFailure* listing;        // its members, by the reader
    std::unordered_set<std::string> keys;  // their NameKeys, once the members are all known
    std::vector<PageTarget> targets;  // kept until then
    std::unordered_map<std::string, HelpScript> scripts = {};  // by the NameKey of the member, without "/"
    std::vector<LaterPage> later = {};
    // The members its pages load as scripts whose names do not say so
    // ("/js/code.txt", lower case), with the language of the tag; read after
    // the pages.
    std::map<std::string, ScriptLanguage> loadedScripts = {};
    bool readingLoaded = false;  // now those are read
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
    TextKind kind = TextKindOfName(name);
    if (visit->readingLoaded) {
        auto loaded = visit->loadedScripts.find(AsciiLower(std::string(name[0] == '/' ? "" : "/") + name));
        kind = loaded != visit->loadedScripts.end() && loaded->second == ScriptVBScript ? TextVBScript : TextJScript;
    }
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
    std::string member = place.member.substr(1);
    if (kind != TextPage) {
        visit->scripts[NameKey(member)] = {member, std::string(page.text, page.size)};
    }
    HelpScriptFiles files(visit, member);
    CheckLinks(page, kind, place, visit->help.documentsFolder, visit->package, visit->run->Handling(),
               &visit->run->results, &scan, &files);
    if (kind == TextPage) {
        FindTargets(visit, page, scan, place);
        NoteLoadedScripts(visit, scan, place.member);
    }
}

void VisitHelpPage(void* context, const char* name, const char* bytes, size_t size)
{
    HelpVisit* visit = static_cast<HelpVisit*>(context);
    ++visit->pages;
    if (bytes && !visit->readingLoaded && TextKindOfName(name) == TextPage &&
        FindNoCase(bytes, size, 0, "<script") < size) {
        visit->later.push_back({name, std::string(bytes, size)});
        return;
    }
    CheckHelpPage(visit, name, bytes, size);
}

// The pages with scripts, once every script file is read.
void CheckLaterPages(HelpVisit* visit)
{
    std::vector<LaterPage> later;
    later.swap(visit->later);
    for (const LaterPage& page : later) {
        CheckHelpPage(visit, page.name.c_str(), page.bytes.data(), page.bytes.size());
    }
}

void CheckHelpFile(const Input& input, CheckRun* run)
{
    ChmFailure failure;
    HelpVisit visit = {input, run, run->PackageFor(input.installFolder), 0, input.path.filename().u8string(),
                       &failure, {}, {}};
    ChmStatus status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &failure);
    CheckLaterPages(&visit);
    // A directory not read to its end lists too few members to hold links against.
    if (!failure.membersListed && status == ChmRead) {
        KeyMembers(&visit);
        const std::unordered_set<std::string>& keys = visit.keys;
        HoldsPage holds = [&keys](const std::string& path) { return keys.count(NameKey(path)) > 0; };
        ReportMissingPages(visit.targets, holds, &run->results.findings);
    }
    std::string reason = ChmFailureText(status, failure, visit.pages);
    if (reason.empty() && !visit.loadedScripts.empty()) {
        // The scripts the pages load whatever their names: a second reading.
        std::vector<std::string> names;
        for (const auto& loaded : visit.loadedScripts) {
            names.push_back(loaded.first);
        }
        visit.readingLoaded = true;
        ChmFailure again;
        status = ChmReadPages(input.shown.c_str(), PageLimit, VisitHelpPage, &visit, &again, &names);
        reason = status == ChmRead ? std::string() : ChmFailureText(status, again, visit.pages);
    }
    if (!reason.empty()) {
        AddFinding(input.shown, RuleUnreadableInput, reason, run);
    }
}

// A file found or given: decided, then read as its kind is. Gives the
// script files its pages load.
std::vector<fs::path> CheckFound(const fs::path& path, const std::string& shownGiven, CheckRun* run)
{
    std::vector<fs::path> scripts;
    if (!run->caches.inputs.configurationError.empty()) {
        return scripts;  // the run stops at a configuration it cannot read
    }
    ++run->caches.filesMet;
    for (const Input& input : DecideInputs(path, run->options.folders, &run->caches.inputs)) {
        if (input.listedMissing.place.line > 0) {
            // A page the project names but does not hold, at its line there.
            const MissingListed& missing = input.listedMissing;
            run->results.findings.push_back(
                {{input.project.generic_u8string(), "", missing.place.line, missing.place.column}, RuleMissingPage,
                 "\"" + missing.name + "\" names a page the project does not hold: no file of that name below its folder"});
            continue;
        }
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
        case InputList: {
            std::vector<fs::path> loaded = CheckTextFile(input, run);
            scripts.insert(scripts.end(), loaded.begin(), loaded.end());
            break;
        }
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
    return scripts;
}

// A file, then the script files its pages load, each once in a run: a
// folder's walk finds them too, and a project gathers those its pages load.
void CheckFile(const fs::path& path, const std::string& shownGiven, CheckRun* run)
{
    std::vector<fs::path> files = {path};
    for (size_t i = 0; i < files.size(); ++i) {
        bool loaded = i > 0;  // a script loaded by the file, shown as itself
        std::vector<fs::path> scripts = CheckFound(files[i], loaded ? files[i].generic_u8string() : shownGiven, run);
        files.insert(files.end(), scripts.begin(), scripts.end());
    }
}

}  // namespace

TextKind TextKindOfName(const std::string& name)
{
    size_t length = name.size();
    return EndsWithNoCase(name.c_str(), length, ".js")    ? TextJScript
           : EndsWithNoCase(name.c_str(), length, ".vbs") ? TextVBScript
                                                          : TextPage;
}

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
        CheckFile(path, given, run);
        return;
    }
    size_t met = run->caches.filesMet;
    size_t found = run->results.findings.size();
    FileFound check = [run](const fs::path& file) { CheckFile(file, file.generic_u8string(), run); };
    WalkFolderTree(path, check, &run->results.findings);
    // A folder with nothing to check is no clean one.
    if (run->caches.filesMet == met && run->results.findings.size() == found) {
        AddFinding(given, RuleUnreadableInput,
                   "nothing to check in " + given +
                       ": it holds no page (.htm .html .hhc .hhk), script (.js .vbs) or compiled help file (.chm, or "
                       "any file that starts with ITSF); a help project (.hhp) or link list (.txt) is checked when "
                       "given by its path",
                   run);
    }
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
    CheckLinks(page, kind, where, documentsFolder, package, run->Handling(), &run->results, &scan);
}

void FinishRun(CheckRun* run)
{
    InputCaches& inputs = run->caches.inputs;
    Settling settling = {run->options.disabled,
                         run->options.warningsAsErrors,
                         run->options.hasBaseline ? &run->options.baseline : nullptr,
                         run->options.baselineResults,
                         run->caches.referenceDirectives,
                         inputs.configurations,
                         inputs.configurationOf,
                         inputs.givenConfiguration,
                         run->options.folders,
                         &inputs.folders};
    SettleFindings(settling, &run->results);
}
