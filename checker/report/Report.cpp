#include "checker/report/Report.h"

#include <string.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

#include "checker/core/ByteScan.h"
#include "checker/core/Rules.h"
#include "checker/core/TextTools.h"
#include "checker/report/RulePages.h"

namespace {

const char* LevelName(Severity severity)
{
    return severity == SeverityError ? "error" : severity == SeverityWarning ? "warning" : "note";
}

// A JSON string. A byte that is not part of valid UTF-8 (a file name on a
// Linux disk may hold any) becomes U+FFFD: the log is always valid UTF-8.
std::string JsonText(const std::string& text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        char32_t character = 0;
        size_t length = c < 0x80 ? 1 : ReadUtf8(text, at, &character);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text, at, length);
        }
        at += length ? length : 0;
    }
    return out + "\"";
}

// A path as a URI reference: unreserved characters and "/" as they are,
// everything else percent-encoded.
std::string UriOf(const std::string& path)
{
    std::string out;
    for (unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            char encoded[4];
            snprintf(encoded, sizeof encoded, "%%%02X", c);
            out += encoded;
        }
    }
    return out;
}

bool IsAbsolute(const std::string& path)
{
    return (!path.empty() && path[0] == '/') || (path.size() > 2 && path[1] == ':' && path[2] == '/');
}

std::string ArtifactUri(const std::string& path)
{
    if (IsAbsolute(path)) {
        return path[0] == '/' ? "file://" + UriOf(path) : "file:///" + path.substr(0, 2) + UriOf(path.substr(2));
    }
    return UriOf(path);
}

std::string FileLocation(const std::string& file)
{
    return "\"uri\": " + JsonText(ArtifactUri(file)) + (IsAbsolute(file) ? "" : ", \"uriBaseId\": \"SRCROOT\"");
}

// A member's URI: its name inside the compiled file, without the leading "/".
std::string MemberUri(const std::string& member)
{
    return UriOf(member.substr(member[0] == '/' ? 1 : 0));
}

// The artifacts of the results: each file once; a page inside a compiled
// help file is nested in it.
struct Artifacts {
    std::vector<std::string> json;
    std::map<std::pair<std::string, std::string>, size_t> indexes;  // by file and member

    size_t Add(const std::string& file, const std::string& member)
    {
        auto known = indexes.find({file, member});
        if (known != indexes.end()) {
            return known->second;
        }
        std::string location;
        if (member.empty()) {
            location = "{\"location\": {" + FileLocation(file) + "}}";
        } else {
            size_t parent = Add(file, std::string());
            location = "{\"location\": {\"uri\": " + JsonText(MemberUri(member)) +
                       "}, \"parentIndex\": " + std::to_string(parent) + "}";
        }
        json.push_back(location);
        indexes[{file, member}] = json.size() - 1;
        return json.size() - 1;
    }

    std::string Location(const Place& place)
    {
        size_t index = Add(place.file, place.member);
        std::string uri = place.member.empty() ? FileLocation(place.file)
                                               : "\"uri\": " + JsonText(MemberUri(place.member));
        return "{" + uri + ", \"index\": " + std::to_string(index) + "}";
    }
};

}  // namespace

std::string ShownFile(const Place& place)
{
    return place.member.empty() ? place.file : place.file + "::" + place.member;
}

namespace {

// Where a finding sorts: its file's place among the files shown, and the
// file itself (a file and a member of the same name sort alike).
struct SortKey {
    size_t shown;  // the rank of its shown name
    size_t file;   // its file and member, one number each
    size_t line;
    size_t column;
    int rule;
};

// Each finding's key: a file's shown name is made and ranked once, not
// compared again for every pair of findings.
std::vector<SortKey> SortKeys(const std::vector<Finding>& findings)
{
    std::vector<SortKey> keys(findings.size());
    std::unordered_map<std::string, size_t> files;  // file and member, by "file\0member"
    std::vector<std::string> shown;                  // by file number
    for (size_t i = 0; i < findings.size(); ++i) {
        const Place& place = findings[i].place;
        SortKey& key = keys[i];
        key = {0, 0, place.line, place.column, static_cast<int>(findings[i].rule)};
        const Place* last = i > 0 ? &findings[i - 1].place : nullptr;
        if (last && last->file == place.file && last->member == place.member) {
            key.file = keys[i - 1].file;
            continue;  // most findings follow one of the same file
        }
        auto known = files.emplace(place.file + '\0' + place.member, shown.size());
        if (known.second) {
            shown.push_back(ShownFile(place));
        }
        key.file = known.first->second;
    }
    std::vector<size_t> byName(shown.size());
    for (size_t i = 0; i < byName.size(); ++i) {
        byName[i] = i;
    }
    std::sort(byName.begin(), byName.end(), [&](size_t a, size_t b) { return shown[a] < shown[b]; });
    std::vector<size_t> rank(shown.size());
    for (size_t i = 0; i < byName.size(); ++i) {
        bool same = i > 0 && shown[byName[i]] == shown[byName[i - 1]];
        rank[byName[i]] = same ? rank[byName[i - 1]] : i;
    }
    for (SortKey& key : keys) {
        key.shown = rank[key.file];
    }
    return keys;
}

}  // namespace

void SortFindings(std::vector<Finding>* findings)
{
    // Their order is found first, from small keys, and the findings moved
    // once: a help file may have tens of thousands.
    std::vector<SortKey> keys = SortKeys(*findings);
    std::vector<size_t> order(findings->size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t i, size_t j) {
        const SortKey& a = keys[i];
        const SortKey& b = keys[j];
        if (a.file != b.file) {
            return a.shown < b.shown;
        }
        if (a.line != b.line) {
            return a.line < b.line;
        }
        if (a.column != b.column) {
            return a.column < b.column;
        }
        if (a.rule != b.rule) {
            return a.rule < b.rule;
        }
        // Findings of one place and rule, from texts the cores checked in
        // whatever order (two pages that run one script file): by what they say.
        const Finding& x = (*findings)[i];
        const Finding& y = (*findings)[j];
        return std::tie(x.message, x.program, x.parameters) < std::tie(y.message, y.program, y.parameters);
    });
    size_t moved = 0;
    while (moved < order.size() && order[moved] == moved) {
        ++moved;
    }
    if (moved == order.size()) {
        return;  // already in order
    }
    std::vector<Finding> sorted;
    sorted.reserve(findings->size());
    for (size_t i : order) {
        sorted.push_back(std::move((*findings)[i]));
    }
    findings->swap(sorted);
}

size_t CountSeverity(const CheckResults& results, Severity severity)
{
    size_t count = 0;
    for (const Finding& finding : results.findings) {
        count += Counts(finding) && RuleOf(finding.rule).severity == severity;
    }
    return count;
}

bool RunFails(const CheckResults& results)
{
    for (const Finding& finding : results.findings) {
        Severity severity = RuleOf(finding.rule).severity;
        if (Counts(finding) && (severity == SeverityError || (severity == SeverityWarning && finding.strict))) {
            return true;
        }
    }
    return false;
}

bool InputFailed(const CheckResults& results)
{
    for (const Finding& finding : results.findings) {
        if (finding.rule == RuleUnreadableInput) {
            return true;
        }
    }
    return false;
}

namespace {

// A finding is one line, for the tools that read them: line ends that a
// value or a name holds are written as \r and \n. A field ends at a NUL, as
// a C string does. Gives whether the text was written to its end.
bool AppendOneLine(const std::string& text, std::string* line)
{
    // The NUL and the line ends are looked for sixteen bytes at a time: a
    // run may write tens of thousands of lines, and its end waits for them.
    const char* nul = static_cast<const char*>(memchr(text.data(), '\0', text.size()));
    size_t size = nul ? static_cast<size_t>(nul - text.data()) : text.size();
    size_t run = 0;
    AnyOfTwo(text.data(), size, '\r', '\n', [&](size_t at) {
        line->append(text, run, at - run);
        line->append(text[at] == '\r' ? "\\r" : "\\n");
        run = at + 1;
        return false;
    });
    line->append(text, run, size - run);
    return !nul;
}

// A separator and a number appended in place, without a string of its own.
void AppendNumber(char separator, size_t number, std::string* line)
{
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    line->push_back(separator);
    line->append(digits, static_cast<size_t>(end - digits));
}

}  // namespace

void WriteTextReport(FILE* out, const CheckResults& results)
{
    // Each line is put together in one buffer, written as it fills: a run
    // may have tens of thousands.
    std::string lines;
    for (const Finding& finding : results.findings) {
        if (!Counts(finding)) {
            continue;  // silenced, or in the baseline: SARIF keeps them
        }
        const Rule& rule = RuleOf(finding.rule);
        if (AppendOneLine(finding.place.file, &lines) && !finding.place.member.empty()) {
            lines += "::";
            AppendOneLine(finding.place.member, &lines);
        }
        if (finding.place.line) {
            AppendNumber(':', finding.place.line, &lines);
            AppendNumber(':', finding.place.column, &lines);
        }
        lines += ": ";
        lines += LevelName(rule.severity);
        lines += ": ";
        AppendOneLine(finding.message, &lines);
        lines += " [";
        lines += rule.id;
        lines += "]\n";
        if (lines.size() >= 65536) {
            fwrite(lines.data(), 1, lines.size(), out);
            lines.clear();
        }
    }
    fwrite(lines.data(), 1, lines.size(), out);
}

void WriteSummary(FILE* out, const CheckResults& results, double seconds)
{
    size_t errors = CountSeverity(results, SeverityError);
    size_t warnings = CountSeverity(results, SeverityWarning);
    size_t suppressed = 0;
    size_t unchanged = 0;
    for (const Finding& finding : results.findings) {
        suppressed += finding.suppression != NotSuppressed;
        unchanged += finding.suppression == NotSuppressed && finding.unchanged;
    }
    std::string silenced = suppressed ? ", " + std::to_string(suppressed) + " suppressed" : "";
    std::string known = unchanged ? ", " + std::to_string(unchanged) + " in the baseline" : "";
    known += results.baselineFixed ? ", " + std::to_string(results.baselineFixed) + " fixed since the baseline" : "";
    fprintf(out, "tipstart-check: %zu link%s in %zu file%s: %zu error%s, %zu warning%s%s%s (%.2f s)\n", results.links,
            results.links == 1 ? "" : "s", results.files, results.files == 1 ? "" : "s", errors, errors == 1 ? "" : "s", warnings,
            warnings == 1 ? "" : "s", silenced.c_str(), known.c_str(), seconds);
    // A baseline that matches nothing while findings are new was likely
    // written for other files: the run says so rather than fail quietly.
    if (results.baseline && results.baselineMatched == 0 && results.baselineFixed > 0 && errors + warnings > 0) {
        fprintf(out, "tipstart-check: the baseline matches none of this run's findings: it was written for other "
                     "files, or every finding it holds was fixed\n");
    }
}

void WriteStatistics(FILE* out, const CheckResults& results)
{
    size_t counts[RuleCount] = {};
    for (const Finding& finding : results.findings) {
        counts[finding.rule] += Counts(finding);
    }
    std::vector<size_t> order;
    for (size_t i = 0; i < RuleCount; ++i) {
        if (counts[i]) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&counts](size_t a, size_t b) { return counts[a] > counts[b]; });
    for (size_t i : order) {
        fprintf(out, "%6zu  %-22s %s\n", counts[i], Rules[i].id, LevelName(Rules[i].severity));
    }
}

namespace {

std::string JsonNumberOrNull(size_t value)
{
    return value ? std::to_string(value) : "null";
}

std::string JsonTextOrNull(const std::string& text)
{
    return text.empty() ? "null" : JsonText(text);
}

// The fields of a finding that are not its place: of its link, if any.
std::string LinkFields(const Finding& finding)
{
    bool link = !finding.program.empty() || !finding.parameters.empty();
    return "\"program\": " + (link ? JsonText(finding.program) : "null") +
           ", \"parameters\": " + (link ? JsonText(finding.parameters) : "null") +
           ", \"document\": " + (link ? JsonTextOrNull(finding.document) : "null") +
           ", \"autorun\": " + (finding.autorun ? "true" : "false");
}

std::string SuppressionKind(Suppression suppression)
{
    return suppression == SuppressedInSource ? "inSource" : "external";
}

std::string JsonFinding(const Finding& finding, bool withBaseline)
{
    const Place& place = finding.place;
    const Rule& rule = RuleOf(finding.rule);
    std::string end = place.endLine ? "{\"line\": " + std::to_string(place.endLine) + ", \"column\": " +
                                          std::to_string(place.endColumn) + "}"
                                    : "null";
    std::string suppressed =
        finding.suppression == NotSuppressed
            ? "null"
            : "{\"kind\": \"" + SuppressionKind(finding.suppression) + "\", \"justification\": " +
                  JsonText(finding.justification) + "}";
    std::string baseline = !withBaseline ? "null" : finding.unchanged ? "\"unchanged\"" : "\"new\"";
    return "{\"file\": " + JsonText(place.file) + ", \"member\": " + JsonTextOrNull(place.member) +
           ", \"line\": " + JsonNumberOrNull(place.line) + ", \"column\": " + JsonNumberOrNull(place.column) +
           ", \"end\": " + end + ", \"rule\": " + JsonText(rule.id) + ", \"level\": \"" + LevelName(rule.severity) +
           "\", \"message\": " + JsonText(finding.message) + ", " + LinkFields(finding) +
           ", \"suppressed\": " + suppressed + ", \"baseline\": " + baseline +
           ", \"fingerprint\": " + JsonText(finding.fingerprint) + "}";
}

}  // namespace

void WriteJsonReport(FILE* out, const CheckResults& results, const char* version)
{
    size_t suppressed = 0;
    size_t unchanged = 0;
    for (const Finding& finding : results.findings) {
        suppressed += finding.suppression != NotSuppressed;
        unchanged += finding.suppression == NotSuppressed && finding.unchanged;
    }
    fprintf(out, "{\n  \"schema\": \"tipstart-check/json/1\",\n  \"tool\": {\"name\": \"tipstart-check\", \"version\": %s},\n",
            JsonText(version).c_str());
    fprintf(out, "  \"findings\": [");
    for (size_t i = 0; i < results.findings.size(); ++i) {
        fprintf(out, "%s\n    %s", i ? "," : "", JsonFinding(results.findings[i], results.baseline).c_str());
    }
    fprintf(out, "%s],\n", results.findings.empty() ? "" : "\n  ");
    fprintf(out,
            "  \"summary\": {\"links\": %zu, \"files\": %zu, \"errors\": %zu, \"warnings\": %zu, \"notes\": %zu, "
            "\"suppressed\": %zu, \"inBaseline\": %zu, \"fixedSinceBaseline\": %zu, \"inputFailed\": %s, \"fails\": %s}\n}\n",
            results.links, results.files, CountSeverity(results, SeverityError), CountSeverity(results, SeverityWarning),
            CountSeverity(results, SeverityNote), suppressed, unchanged, results.baselineFixed,
            InputFailed(results) ? "true" : "false", RunFails(results) ? "true" : "false");
}

// What SARIF says of a result beside its place: its link's fields, its
// fingerprint, how it is silenced, and whether the baseline holds it.
std::string ResultState(const Finding& finding, bool withBaseline)
{
    std::string state = ", \"partialFingerprints\": {" + JsonText(FingerprintName) + ": " + JsonText(finding.fingerprint) + "}";
    if (finding.suppression != NotSuppressed) {
        std::string kind = SuppressionKind(finding.suppression);
        std::string reason = finding.justification.empty() ? "" : ", \"justification\": " + JsonText(finding.justification);
        state += ", \"suppressions\": [{\"kind\": \"" + kind + "\"" + reason + "}]";
    }
    if (withBaseline) {
        state += std::string(", \"baselineState\": \"") + (finding.unchanged ? "unchanged" : "new") + "\"";
    }
    return state + ", \"properties\": {" + LinkFields(finding) + ", \"fingerprintFile\": " + JsonText(finding.fingerprintFile) + "}";
}

void WriteSarifReport(FILE* out, const CheckResults& results, const char* version, const std::string& workingFolder,
                      bool withBaseline)
{
    fprintf(out, "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
                 "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n"
                 "          \"name\": \"tipstart-check\",\n          \"version\": %s,\n"
                 "          \"semanticVersion\": %s,\n          \"rules\": [\n",
            JsonText(version).c_str(), JsonText(version).c_str());
    for (size_t i = 0; i < RuleCount; ++i) {
        const Rule& rule = Rules[i];
        std::string page = RulePage(static_cast<RuleId>(i));
        fprintf(out,
                "            {\"id\": %s, \"shortDescription\": {\"text\": %s}, \"fullDescription\": {\"text\": %s}, "
                "\"help\": {\"text\": %s, \"markdown\": %s}, \"defaultConfiguration\": {\"level\": \"%s\"}}%s\n",
                JsonText(rule.id).c_str(), JsonText(std::string(rule.shortDescription) + ".").c_str(),
                JsonText(rule.fullDescription).c_str(), JsonText(rule.fullDescription).c_str(), JsonText(page).c_str(),
                LevelName(rule.severity), i + 1 < RuleCount ? "," : "");
    }
    fprintf(out, "          ]\n        }\n      },\n");
    std::string base = workingFolder;
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    fprintf(out, "      \"originalUriBaseIds\": {\"SRCROOT\": {\"uri\": %s}},\n",
            JsonText(ArtifactUri(base)).c_str());
    fprintf(out, "      \"columnKind\": \"unicodeCodePoints\",\n");
    fprintf(out, "      \"invocations\": [{\"executionSuccessful\": %s}],\n", InputFailed(results) ? "false" : "true");
    Artifacts artifacts;
    fprintf(out, "      \"results\": [");
    for (size_t i = 0; i < results.findings.size(); ++i) {
        const Finding& finding = results.findings[i];
        const Rule& rule = RuleOf(finding.rule);
        std::string region;
        if (finding.place.line) {
            region = ", \"region\": {\"startLine\": " + std::to_string(finding.place.line) +
                     ", \"startColumn\": " + std::to_string(finding.place.column) +
                     (finding.place.endLine ? ", \"endLine\": " + std::to_string(finding.place.endLine) +
                                                  ", \"endColumn\": " + std::to_string(finding.place.endColumn)
                                            : std::string()) +
                     "}";
        }
        fprintf(out,
                "%s\n        {\"ruleId\": %s, \"ruleIndex\": %zu, \"level\": \"%s\", \"message\": {\"text\": %s}, "
                "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": %s%s}}]%s}",
                i ? "," : "", JsonText(rule.id).c_str(), static_cast<size_t>(finding.rule), LevelName(rule.severity),
                JsonText(finding.message).c_str(), artifacts.Location(finding.place).c_str(), region.c_str(),
                ResultState(finding, withBaseline).c_str());
    }
    for (size_t i = 0; i < results.baselineAbsent.size(); ++i) {
        fprintf(out, "%s\n        %s", i || !results.findings.empty() ? "," : "", results.baselineAbsent[i].c_str());
    }
    fprintf(out, "\n      ],\n      \"artifacts\": [");
    for (size_t i = 0; i < artifacts.json.size(); ++i) {
        fprintf(out, "%s\n        %s", i ? "," : "", artifacts.json[i].c_str());
    }
    fprintf(out, "\n      ]\n    }\n  ]\n}\n");
}
