// Fuzzes the scripts pages run: the bytes are a JScript, run inline in a page
// (first byte even) or as a script file the page's check reads (odd), in
// the engine and its DOM stand-in, within a small budget so that every input
// ends quickly. Checked: no fault, no hang past the budget, and every
// finding placed at a line and column that exist.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "checker/page/LinkFinder.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", what);
        abort();
    }
}

size_t LineCount(const std::string& text)
{
    size_t lines = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        lines += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    }
    return lines;
}

void CheckPlaces(const PageScan& scan, size_t lines)
{
    for (const FoundLink& link : scan.links) {
        Check(link.line >= 1 && link.line <= lines && link.column >= 1, "a link stands in the page");
    }
    for (const PageRemark& remark : scan.remarks) {
        Check(remark.line >= 1 && remark.line <= lines && remark.column >= 1, "a remark stands in the page");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    ScriptBudget budget;
    budget.instructions = 2000000;
    budget.memory = 16 * 1024 * 1024;
    std::string code(reinterpret_cast<const char*>(data + 1), size - 1);
    PageScan scan;
    if (data[0] & 1) {
        FindScriptLinks(code.data(), code.size(), ScriptJScript, nullptr, &scan, budget);
        CheckPlaces(scan, LineCount(code));
    } else {
        std::string page = "<html><body><div id=a></div><object id=o classid=\"clsid:adb880a6-d8ff-11cf-9377-"
                           "00aa003b7a11\"><param name=Command value=ShortCut></object>\n<script>" +
                           code + "</script></body></html>";
        FindPageLinks(page.data(), page.size(), nullptr, &scan, budget);
        CheckPlaces(scan, LineCount(page));
    }
    return 0;
}
