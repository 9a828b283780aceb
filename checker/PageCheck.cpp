#include "checker/PageCheck.h"

#include <filesystem>

#include "checker/Check.h"
#include "checker/FolderChoice.h"
#include "checker/LinkFinder.h"
#include "checker/Package.h"
#include "checker/PageText.h"
#include "checker/Prediction.h"
#include "checker/Rules.h"
#include "checker/Suppression.h"
#include "checker/TextTools.h"

namespace {

Place At(const Place& where, size_t line, size_t column)
{
    return {where.file, where.member, line, column};
}

// A folder as messages name it: below or above the folder the checker runs
// in, from there ("help", ".", ".."); elsewhere, in full.
std::string ShownFolder(const std::string& folder, const std::filesystem::path& workingFolder)
{
    std::filesystem::path path = std::filesystem::u8path(folder).lexically_normal();
    std::filesystem::path relative = path.lexically_relative(workingFolder.lexically_normal());
    bool near = !relative.empty();
    bool climbing = true;
    for (const std::filesystem::path& part : relative) {
        climbing = climbing && part == "..";
        near = near && (climbing || part != "..");
    }
    return !near ? path.generic_u8string() : relative.empty() ? "." : relative.generic_u8string();
}

}  // namespace

TextKind TextKindOfName(const std::string& name)
{
    size_t length = name.size();
    return EndsWithNoCase(name.c_str(), length, ".js")    ? TextJScript
           : EndsWithNoCase(name.c_str(), length, ".vbs") ? TextVBScript
                                                          : TextPage;
}

void CheckLinks(const PageText& page, TextKind kind, const Place& where, const std::string& documentsFolder,
                Package* package, CheckRun* run, PageScan* found)
{
    PageScan& scan = *found;
    bool isList = kind == TextList;
    if (isList) {
        FindListLinks(page.text, page.size, &page.undecodable, &scan);
    } else if (kind == TextPage) {
        FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    } else {
        FindScriptLinks(page.text, page.size, kind == TextVBScript ? ScriptVBScript : ScriptJScript,
                        &page.undecodable, &scan);
    }
    CheckResults& results = run->results;
    std::vector<Finding>& findings = results.findings;
    ++results.files;
    results.checkedFiles.insert(where.file);
    size_t pageStart = findings.size();
    if (!page.unknownCharset.empty()) {
        findings.push_back({where, RuleUnknownCharset,
                            "the page declares the encoding \"" + page.unknownCharset +
                                "\", which the help viewer does not know; it reads the page as " + page.encoding});
    }
    for (const PageRemark& remark : scan.remarks) {
        findings.push_back({At(where, remark.line, remark.column), remark.rule, remark.message});
    }
    PageScan utf8;  // the links as the page would read in UTF-8, for a page that looks like it
    if (page.undeclaredUtf8) {
        std::vector<size_t> none;
        if (kind == TextPage) {
            FindPageLinks(page.utf8Reading.data(), page.utf8Reading.size(), &none, &utf8);
        } else {
            FindScriptLinks(page.utf8Reading.data(), page.utf8Reading.size(),
                            kind == TextVBScript ? ScriptVBScript : ScriptJScript, &none, &utf8);
        }
    }
    std::vector<FindingSpan> spans;  // each link's findings
    PredictionOptions options = run->options.prediction;
    options.programAsWritten = !isList;
    for (const FoundLink& link : scan.links) {
        Place place = At(where, link.line, link.column);
        place.endLine = link.endLine;
        place.endColumn = link.endColumn;
        size_t first = findings.size();
        if (link.undecodable) {
            findings.push_back({place, RuleUndecodableText,
                                "the link's parameters hold bytes that are not " + page.encoding +
                                    " text; the help viewer reads each as U+FFFD"});
        }
        size_t index = spans.size();
        if (index < utf8.links.size() &&
            (utf8.links[index].program != link.program || utf8.links[index].parameters != link.parameters)) {
            findings.push_back({place, RuleUndeclaredEncoding,
                                "the page declares no encoding and looks like UTF-8, but the help viewer reads it "
                                "as " + page.encoding + ": add <meta charset=\"utf-8\"> to its head, or save it in " +
                                    page.encoding});
        }
        results.links += link.startsTipstart;
        LinkRuns runs = RunLink(link, options, documentsFolder, package);
        Prediction prediction = PredictLink(link, runs, options, package->installFolder);
        if (prediction.launched && prediction.match == DocumentMissing) {
            prediction.lookedIn = ShownFolder(documentsFolder, run->options.folders.workingFolder);
            prediction.nearName = PackageNearName(runs.run.target, documentsFolder, package);
        }
        ApplyRules(prediction, place, &findings);
        for (size_t i = first; i < findings.size(); ++i) {
            if (link.clickedByPage && findings[i].rule != RuleAutorunProgram) {
                findings[i].message += "; the page clicks this ShortCut itself: it runs as the page opens, without "
                                       "the reader's click";
            }
            findings[i].program = link.program;
            findings[i].parameters = link.parameters;
            findings[i].document = prediction.relativePath;
            findings[i].autorun = link.clickedByPage;
        }
        spans.push_back({first, findings.size()});
    }
    SilenceByDirectives(scan.directives, spans, pageStart, where, &findings, &run->caches.referenceDirectives);
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
    CheckLinks(page, kind, where, documentsFolder, package, run, &scan);
}
