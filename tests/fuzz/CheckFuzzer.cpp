// Fuzzes what tipstart-check reads from help authors, and from anyone who
// hands them a file: the first byte chooses a page (0), a link list (1) or a
// compiled help file (2); the rest is its bytes. Every link found is then
// predicted with the launcher's code, as the checker does. Checked: no
// fault, and every finding placed at a line and column that exist.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "checker/Run.h"
#include "checker/system/FileBytes.h"
#include "checker/PageCheck.h"
#include "checker/input/chm/MspackChmStorage.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", what);
        abort();
    }
}

// Lines as the checker counts them: LF, CRLF and a lone CR end one. Decoding
// never makes more of them than the bytes hold.
size_t LineCount(const char* bytes, size_t size)
{
    size_t lines = 1;
    for (size_t i = 0; i < size; ++i) {
        lines += bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'));
    }
    return lines;
}

// A real package, so that the document lookup is fuzzed too: documents in
// several cases and scripts, a folder, and a file in a folder.
std::string MakePackage()
{
    char folder[] = "/tmp/tipstart-fuzz-package.XXXXXX";
    Check(mkdtemp(folder) != nullptr, "a package folder can be made");
    std::string root = folder;
    for (const char* name : {"/docs", "/docs/sub", "/Überblick"}) {
        mkdir((root + name).c_str(), 0755);
    }
    for (const char* name : {"/docs/one.txt", "/docs/Česky.txt", "/docs/sub/two.TXT", "/five.obx", "/Überblick/ß.txt"}) {
        FILE* file = fopen((root + name).c_str(), "w");
        Check(file != nullptr, "a package file can be made");
        fclose(file);
    }
    return root;
}

void CheckPlaces(const CheckResults& results, size_t lines)
{
    for (const Finding& finding : results.findings) {
        if (finding.rule == RuleUnreadableInput) {
            Check(finding.place.line == 0, "an unreadable input has no place");
            continue;
        }
        if (finding.rule == RuleUnknownCharset && finding.place.line == 0) {
            continue;  // said of the whole page
        }
        Check(finding.place.line >= 1 && finding.place.line <= lines, "a finding's line is in the page");
        Check(finding.place.column >= 1, "a finding's column is 1 or more");
    }
}

const std::string& PackageFolder()
{
    static const std::string package = MakePackage();
    return package;
}

void VisitPage(void* context, const char* name, std::string* page, size_t size)
{
    const char* bytes = page ? page->data() : nullptr;
    CheckRun* run = static_cast<CheckRun*>(context);
    Check(ChmIsMemberName(name),
          "only the help file's own files are read: pages, and the contents and index files its #SYSTEM names");
    if (!bytes) {
        Check(size > PageLimit, "only pages over the limit come without bytes");
        return;
    }
    CheckResults& results = run->results;
    results = CheckResults();
    CheckPageBytes(bytes, size, TextKindOfName(name), 1252, {"help.chm", name, 0, 0}, PackageFolder(), run->PackageFor(""), run);
    CheckPlaces(results, LineCount(bytes, size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    CheckOptions options;
    options.prediction.list = data[0] & 0x10;
    CheckRun run(options);
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    switch (data[0] & 0x0F) {
    case 0:
    case 1:
    case 3:
    case 4: {
        static const TextKind kinds[] = {TextPage, TextList, TextPage, TextJScript, TextVBScript};
        CheckPageBytes(bytes, size - 1, kinds[data[0] & 0x0F], data[0] & 0x20 ? 932 : 0, {"page", "", 0, 0},
                       PackageFolder(), run.PackageFor(""), &run);
        CheckPlaces(run.results, LineCount(bytes, size - 1));
        break;
    }
    case 2: {
        ChmFailure failure;
        ChmReadPagesFromMemory(data + 1, size - 1, PageLimit, VisitPage, &run, &failure);
        break;
    }
    default:
        break;
    }
    return 0;
}
