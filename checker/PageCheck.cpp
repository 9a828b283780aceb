#include "checker/PageCheck.h"

#include "checker/core/TextTools.h"
#include "checker/page/LinkFinder.h"
#include "checker/page/PageText.h"
#include "checker/predict/Package.h"
#include "checker/predict/Prediction.h"
#include "checker/predict/RuleChecks.h"
#include "checker/report/Suppression.h"

namespace {

Place At(const Place& where, size_t line, size_t column)
{
    return {where.file, where.member, line, column};
}

// A place in the page, or in a script file it loads.
Place In(const PageScan& scan, const Place& where, size_t file, size_t line, size_t column)
{
    return At(file == 0 ? where : scan.scriptFiles[file - 1], line, column);
}

}  // namespace

void CheckLinks(const PageText& page, TextKind kind, const PageScan& scan, const PageScan& utf8, const Place& where,
                const std::string& documentsFolder, Package* package, const PageHandling& handling,
                CheckResults* counts)
{
    bool isList = kind == TextList;
    CheckResults& results = *counts;
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
        findings.push_back({In(scan, where, remark.file, remark.line, remark.column), remark.rule, remark.message});
    }
    std::vector<FindingSpan> spans;  // each link's findings
    PredictionOptions options = handling.prediction;
    options.programAsWritten = !isList;
    for (const FoundLink& link : scan.links) {
        Place place = In(scan, where, link.file, link.line, link.column);
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
        ApplyRules(prediction, place, &findings);
        for (size_t i = first; i < findings.size(); ++i) {
            if (link.writtenByScript) {
                findings[i].message += "; a script wrote this ShortCut here";
            }
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
    // A reviewer of someone else's file lets no page silence itself.
    if (handling.inlineConfig) {
        SilenceByDirectives(scan.directives, spans, pageStart, where, &findings, handling.referenceDirectives);
    }
}
