#include "checker/PageCheck.h"

#include "checker/Check.h"
#include "checker/LinkFinder.h"
#include "checker/PageText.h"
#include "checker/Prediction.h"
#include "checker/Rules.h"

namespace {

Place At(const Place& where, size_t line, size_t column)
{
    return {where.file, where.member, line, column};
}

}  // namespace

void CheckLinks(const PageText& page, bool isList, const Place& where, const std::string& documentsFolder,
                CheckRun* run)
{
    PageScan scan;
    if (isList) {
        FindListLinks(page.text, page.size, &page.undecodable, &scan);
    } else {
        FindPageLinks(page.text, page.size, &page.undecodable, &scan);
    }
    CheckResults& results = run->results;
    ++results.files;
    for (const PageRemark& remark : scan.remarks) {
        results.findings.push_back({At(where, remark.line, remark.column), remark.rule, remark.message});
    }
    for (const FoundLink& link : scan.links) {
        Place place = At(where, link.line, link.column);
        if (link.undecodable) {
            results.findings.push_back({place, RuleUndecodableText,
                                        "the link's parameters hold bytes that are not " + page.encoding +
                                            " text; the help viewer reads each as U+FFFD"});
        }
        results.links += link.startsTipstart;
        LinkRuns runs = RunLink(link, run->options.prediction, documentsFolder, &run->caches.package);
        Prediction prediction = PredictLink(link, runs, run->options.prediction, run->caches.package.installFolder);
        ApplyRules(prediction, place, &results.findings);
    }
}

void CheckPageBytes(const char* bytes, size_t size, bool isList, unsigned languageCodePage, const Place& where,
                    const std::string& documentsFolder, CheckRun* run)
{
    PageText page;
    std::string reason;
    if (!ReadTextBytes(bytes, size, isList, languageCodePage, &page, &reason)) {
        run->results.findings.push_back({where, RuleUnreadableInput, reason});
        return;
    }
    CheckLinks(page, isList, where, documentsFolder, run);
}
