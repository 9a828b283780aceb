#include "checker/PageCheck.h"

#include "checker/Check.h"
#include "checker/FileCheck.h"
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

void CheckPageText(const PageText& page, InputKind kind, const Place& where, CheckRun* run)
{
    PageScan scan;
    if (kind == InputList) {
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
        ApplyRules(PredictLink(link, run->options.prediction, &run->caches.package), place, &results.findings);
    }
}

void CheckPageBytes(const char* bytes, size_t size, InputKind kind, unsigned languageCodePage, const Place& where,
                    CheckRun* run)
{
    const char* binary = BinaryReason(bytes, size);
    if (binary) {
        AddUnreadable(where, binary, &run->results);
        return;
    }
    PageText page;
    ReadPageText(bytes, size, kind == InputList, languageCodePage, &page);
    CheckPageText(page, kind, where, run);
}
