#include "checker/Run.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <system_error>
#include <unordered_map>

#include "checker/Walk.h"
#include "checker/input/PageScripts.h"
#include "checker/input/chm/ChmStorage.h"
#include "checker/input/Project.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageReferences.h"
#include "checker/page/PageText.h"
#include "checker/Ahead.h"
#include "checker/predict/MissingPages.h"
#include "checker/report/Suppression.h"
#include "checker/system/FileBytes.h"
#include "checker/system/Names.h"
#include "checker/core/TextTools.h"

namespace fs = std::filesystem;

namespace {

// Predictions name folders from the folder the run names files from.
CheckOptions PredictingFromWorkingFolder(CheckOptions options)
{
    options.prediction.workingFolder = options.folders.workingFolder;
    return options;
}

}  // namespace

CheckRun::CheckRun(const CheckOptions& runOptions) : options(PredictingFromWorkingFolder(runOptions))
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

const std::string& CheckRun::WorkingFolder()
{
    if (!caches.workingFolderKnown) {
        std::error_code error;
        caches.workingFolder = fs::current_path(error).generic_u8string();
        caches.workingFolderKnown = true;
    }
    return caches.workingFolder;
}

PageHandling CheckRun::Handling()
{
    return {options.prediction, options.inlineConfig, &caches.referenceDirectives};
}

namespace {

// A page larger than this is read beside the rest: most are a few KiB, and
// the largest (a big index) takes as long as thousands of them.
const unsigned long long AsideFrom = 1024 * 1024;

void AddFinding(const std::string& file, RuleId rule, const std::string& message, CheckRun* run)
{
    run->results.findings.push_back({{file, "", 0, 0}, rule, message});
}

// A text to check, a compiled help file's member or a file on disk: what
// it is, where it stands, and what a page's targets are held against.
struct TextAt {
    CheckRun* run;
    TextKind kind;
    Place place;
    const std::string& documentsFolder;
    Package* package;
    ScriptFiles* files;             // the script files a page loads
    HelpMembers* members;           // in a compiled help file: its members
    std::vector<PageTarget>* kept;  // a page's targets until its help file's pages are known
    const Input* file;              // on disk: a page whose loaded scripts are checked after it
    std::vector<fs::path>* loaded;  // and those script files
};

// A text read, its links and targets found, handed on, and a page's
// targets held against its help file.
void CheckText(const TextAt& text, TextRead* found)
{
    CheckRun* run = text.run;
    if (!found->read) {
        run->results.findings.push_back({text.place, RuleUnreadableInput, found->reason});
        return;
    }
    if (found->asksFiles) {
        // Again, with the files its scripts load, which only the run has at hand.
        found->asksFiles = false;
        FindInText(found, run->options.scripts, text.files, &run->caches.resolutions);
    }
    const PageText& page = found->page;
    const PageScan& scan = found->scan;
    CheckLinks(page, text.kind, scan, found->utf8, text.place, text.documentsFolder, text.package, run->Handling(),
               &run->results);
    bool isPage = text.kind == TextPage;
    if (text.members) {
        NoteHelpText(text.place.member, isPage, page.text, page.size, scan.references, text.members);
    } else if (isPage && text.loaded) {
        bool loads = std::any_of(scan.references.begin(), scan.references.end(),
                                 [](const PageReference& reference) { return reference.loadsScript; });
        *text.loaded = !loads ? std::vector<std::filesystem::path>()
                              : LoadedScriptFiles(text.file->path.parent_path(), scan.references,
                                                  &run->caches.inputs.loadedScripts);
    }
    if (!isPage) {
        return;
    }
    if (found->targetsHeld) {
        std::vector<Finding>& findings = run->results.findings;
        findings.insert(findings.end(), std::make_move_iterator(found->missing.begin()),
                        std::make_move_iterator(found->missing.end()));
    } else {
        text.kept->insert(text.kept->end(), found->targets.begin(), found->targets.end());
    }
}

// What a project's gathered page's entries and links are held against: its
// project's pages.
HoldsPage ProjectHolds(const Input& input, CheckRun* run)
{
    const std::unordered_set<std::string>& pages = run->caches.inputs.projectPages[input.project.u8string()];
    return HoldsPage([&pages](const std::string& path) { return pages.count(NameKey(path)) > 0; });
}

// Where a page on disk stands: below its project's folder, or in its own.
PageInHelp DiskPageIn(const Input& input, CheckRun* run)
{
    if (input.gathered) {
        std::string below = input.path.parent_path().lexically_relative(input.project.parent_path()).generic_u8string();
        std::string compiledName = run->caches.inputs.compiledNames[input.project.u8string()];
        return {below == "." ? "" : below, compiledName, ""};
    }
    return PageOnDiskIn(input.shown, run->WorkingFolder());
}

// Whether a file read ahead was read as the run reads it: the same file, in
// its own folder, of the same kind and code page.
bool ReadAsDecided(const TextRead* ahead, const Input& input)
{
    return ahead && !input.gathered && ahead->path == input.shown && ahead->kind == input.textKind &&
           ahead->codePage == input.codePage;
}

// A page, script or link list on disk: read (or read ahead), handed on and
// its targets held. Gives the script files a page loads, to be checked after it.
std::vector<fs::path> CheckTextFile(const Input& input, CheckRun* run, std::unique_ptr<TextRead> ahead)
{
    DiskScriptFiles scripts(input);
    if (!ReadAsDecided(ahead.get(), input)) {
        // Decoded once for its links and its entries.
        ahead.reset(new TextRead);
        TextRead& found = *ahead;
        found.kind = input.textKind;
        found.codePage = input.codePage;
        found.place = {input.shown, std::string(), 0, 0};
        found.in = DiskPageIn(input, run);
        found.holds = input.gathered ? ProjectHolds(input, run) : run->caches.filesOnDisk.Holds();
        found.read = ReadWholeFile(input.shown, &found.bytes, &found.reason) &&
                     ReadTextFile(input.shown, &found.bytes, input.textKind == TextList, input.codePage, &found.page,
                                  &found.reason);
        if (found.read) {
            FindInText(&found, run->options.scripts, &scripts, &run->caches.resolutions);
        }
    }
    std::vector<fs::path> loaded;
    TextAt text = {run,     input.textKind, ahead->place, input.documentsFolder, run->PackageFor(input.installFolder),
                   &scripts, nullptr, nullptr, &input, input.gathered ? nullptr : &loaded};
    CheckText(text, ahead.get());
    return loaded;
}

// A compiled help file being checked.
struct HelpCheck {
    const Input& input;
    CheckRun* run;
    Package* package;
    std::string name;  // the file's own, for ms-its: links into it
    ChmFailure failure;
    HelpMembers members;
    std::vector<PageTarget> kept;  // its pages' targets, until its members are all known
    TextsAhead ahead;  // members handed over, read on the other core before they are checked in order
    MembersAside aside;  // its largest pages, read beside the rest
    unsigned holdsKey = NewHoldsKey();  // for what its members hold, once all are known
    // Pages whose scripts asked for files: checked once every member is
    // read, the scripts its pages load under other names too, so that each
    // script is at hand whatever the reader's order.
    std::vector<std::unique_ptr<TextRead>> later = {};
    bool allRead = false;
    ChmStatus pagesStatus = ChmRead;  // of the reading of its pages
};

// One of its members, read as its walk handed it over.
void CheckHelpMember(HelpCheck* help, TextRead* found)
{
    HelpScriptFiles files(&help->members, found->place.member.substr(1));
    TextAt text = {help->run,      found->kind, found->place, help->input.documentsFolder, help->package, &files,
                   &help->members, &help->kept, nullptr,      nullptr};
    CheckText(text, found);
}

// A member read, checked now, or once every member is read when its
// scripts asked for files. The scripts such a page loads are noted at once,
// so that those whose names say no script are read too.
void CheckOrDefer(HelpCheck* help, std::unique_ptr<TextRead> text)
{
    if (text->asksFiles && !help->allRead) {
        if (HelpScriptFiles(&help->members, text->place.member.substr(1)).MayHoldAny(text->asked)) {
            NoteHelpText(text->place.member, text->kind == TextPage, nullptr, 0, text->scan.references,
                         &help->members);
            help->later.push_back(std::move(text));
            return;
        }
        // None of the files it asked for is a member: every answer was
        // "not there", as the run would give it, now or at the end.
        text->asksFiles = false;
    }
    CheckHelpMember(help, text.get());
}

void CheckOldestMember(HelpCheck* help)
{
    CheckOrDefer(help, help->ahead.TakeOldest());
}

// What a member's targets are held against as they are found: the members,
// when the reader listed them first.
HoldsPage MembersHeld(HelpCheck* help)
{
    return help->failure.membersListed ? HoldsPage(MembersHolds(&help->members), help->holdsKey) : nullptr;
}

// A member's text as the reader hands it over, standing in its folder of
// the help file shown.
std::unique_ptr<TextRead> MemberText(const std::string& shown, const std::string& helpName, unsigned codePage,
                                     const HoldsPage& holds, const std::string& member, std::string* bytes,
                                     TextKind kind)
{
    std::unique_ptr<TextRead> text(new TextRead);
    text->bytes.swap(*bytes);
    text->kind = kind;
    text->codePage = codePage;
    text->place = {shown, member, 0, 0};
    std::string folder = member.substr(1, member.find_last_of('/') == 0 ? 0 : member.find_last_of('/') - 1);
    text->in = {folder, helpName, ""};
    text->holds = holds;
    return text;
}

// The pages the reader left aside, read beside the rest from when the
// members are listed.
void StartAside(HelpCheck* help)
{
    if (help->aside.Started() || help->failure.aside.empty()) {
        return;
    }
    HoldsPage holds = MembersHeld(help);  // made here: the aside's thread only asks it
    std::string shown = help->input.shown;
    std::string name = help->name;
    unsigned codePage = help->input.codePage;
    help->aside.Start(help->input.shown, help->failure.aside,
                      [shown, name, codePage, holds](const std::string& member, std::string* bytes) {
                          return MemberText(shown, name, codePage, holds, member, bytes, TextKindOfName(member));
                      });
}

// The pages read aside so far, checked; with wait, all of them.
void CheckMembersAside(HelpCheck* help, bool wait)
{
    for (std::unique_ptr<TextRead>& text : help->aside.Take(wait)) {
        CheckOrDefer(help, std::move(text));
    }
}

// Every member handed over is checked: before anything that needs them all.
void CheckMembersAhead(HelpCheck* help)
{
    while (!help->ahead.Empty()) {
        CheckOldestMember(help);
    }
}

// A member as the walk hands it over (null bytes for one too large to
// read): read ahead, and checked in its turn.
void HandMember(HelpCheck* help, const std::string& member, std::string* bytes, TextKind kind)
{
    StartAside(help);
    CheckMembersAside(help, false);
    if (!bytes) {
        CheckMembersAhead(help);
        help->run->results.findings.push_back({{help->input.shown, member, 0, 0},
                                               RuleUnreadableInput,
                                               TooLargeText() + ", more than any help page; not checked"});
        return;
    }
    // The reader that lists the members before it hands them over lets
    // pages be held against them as they are read.
    std::unique_ptr<TextRead> text =
        MemberText(help->input.shown, help->name, help->input.codePage, MembersHeld(help), member, bytes, kind);
    if (help->ahead.Full()) {
        CheckOldestMember(help);
    }
    help->ahead.Add(std::move(text));
}

// A compiled help file: its pages and scripts, each checked, and the pages'
// entries and links held against its members: as each page is read when
// the reader lists them first (libmspack), else once all are read (ITSS
// lists them folder by folder).
void CheckHelpFile(const Input& input, CheckRun* run)
{
    HelpCheck help = {input, run, run->PackageFor(input.installFolder), input.path.filename().u8string(), {}, {}, {},
                      TextsAhead(run->options.scripts), MembersAside(run->options.scripts)};
    help.members = {input.shown, &help.failure};
    MemberFound check = [&help](const std::string& member, std::string* bytes, TextKind kind) {
        HandMember(&help, member, bytes, kind);
    };
    PagesRead settle = [&help, run](ChmStatus status) {
        CheckMembersAhead(&help);
        StartAside(&help);  // when no other member came
        CheckMembersAside(&help, true);
        if (help.aside.Started() && help.aside.Status() != ChmRead) {
            AddFinding(help.input.shown, RuleUnreadableInput,
                       ChmFailureText(help.aside.Status(), help.aside.Failure(), help.failure.aside.size()), run);
        }
        help.pagesStatus = status;
    };
    // Its pages of more than a megabyte are read beside the rest, when the
    // machine has another core.
    unsigned long long asideFrom = SystemCores() > 1 ? AsideFrom : ~0ULL;
    std::string reason = WalkHelpFile(input.shown, check, settle, help.members.loadedScripts, &help.failure, asideFrom);
    CheckMembersAhead(&help);
    help.allRead = true;
    for (std::unique_ptr<TextRead>& page : help.later) {
        CheckHelpMember(&help, page.get());
    }
    help.later.clear();
    // A directory not read to its end lists too few members to hold links against.
    if (!help.failure.membersListed && help.pagesStatus == ChmRead) {
        ReportMissingPages(help.kept, MembersHolds(&help.members), &run->results.findings);
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
    FilesAhead* filesAhead = run->caches.filesAhead;
    std::unique_ptr<TextRead> ahead = filesAhead ? filesAhead->Take(path.generic_u8string()) : nullptr;
    if (ahead) {
        KnowFileKind(path, ahead->head);
    }
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
        case InputPage:
        case InputScript:
        case InputList: {
            if (filesAhead) {
                filesAhead->ReadIn(input.codePage);  // as the files after it most likely are
            }
            std::vector<fs::path> loaded = CheckTextFile(input, run, std::move(ahead));
            scripts.insert(scripts.end(), loaded.begin(), loaded.end());
            break;
        }
        case InputHelp:
            CheckHelpFile(input, run);
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
    return scripts;
}

// A file, then the script files its pages load, each once in a run: a
// folder's walk finds them too, and a project gathers those its pages load.
void CheckFile(const fs::path& path, const std::string& shownGiven, CheckRun* run)
{
    std::vector<fs::path> files = CheckFound(path, shownGiven, run);
    for (size_t i = 0; i < files.size(); ++i) {
        // A script loaded by the file, shown as itself.
        std::vector<fs::path> scripts = CheckFound(files[i], files[i].generic_u8string(), run);
        files.insert(files.end(), scripts.begin(), scripts.end());
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
    // A file given is shown as given; one a walk finds, by its path.
    FileFound check = [&](const fs::path& file) {
        CheckFile(file, file.native() == path.native() ? given : file.generic_u8string(), run);
    };
    if (!fs::is_directory(status)) {
        check(path);
        return;
    }
    size_t met = run->caches.filesMet;
    size_t found = run->results.findings.size();
    FilesAhead ahead(run->options.scripts, run->WorkingFolder(), &run->caches.filesOnDisk);
    run->caches.filesAhead = &ahead;
    WalkFolderTree(path, check, &run->results.findings,
                   [&ahead](const std::vector<std::string>& files) { ahead.Coming(files); });
    run->caches.filesAhead = nullptr;
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
    PageScan utf8;
    FindTextLinks(page, kind, run->options.scripts, nullptr, &scan, &utf8);
    CheckLinks(page, kind, scan, utf8, where, documentsFolder, package, run->Handling(), &run->results);
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
                         &inputs.folders,
                         run->options.fingerprints};
    SettleFindings(settling, &run->results);
}
