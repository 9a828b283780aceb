#include "checker/Report.h"

#include <algorithm>
#include <map>
#include <string>

#include "checker/Names.h"

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

// The artifacts of the results: each file once; a page inside a compiled
// help file is nested in it.
struct Artifacts {
    std::vector<std::string> json;
    std::map<std::string, size_t> indexes;

    size_t Add(const std::string& shown)
    {
        auto known = indexes.find(shown);
        if (known != indexes.end()) {
            return known->second;
        }
        size_t inner = shown.find("::/");
        std::string location;
        if (inner == std::string::npos) {
            location = "{\"location\": {\"uri\": " + JsonText(ArtifactUri(shown)) +
                       (IsAbsolute(shown) ? "" : ", \"uriBaseId\": \"SRCROOT\"") + "}}";
        } else {
            size_t parent = Add(shown.substr(0, inner));
            location = "{\"location\": {\"uri\": " + JsonText(UriOf(shown.substr(inner + 3))) +
                       "}, \"parentIndex\": " + std::to_string(parent) + "}";
        }
        json.push_back(location);
        indexes[shown] = json.size() - 1;
        return json.size() - 1;
    }

    std::string Location(const std::string& shown)
    {
        size_t index = Add(shown);
        size_t inner = shown.find("::/");
        if (inner != std::string::npos) {
            return "{\"uri\": " + JsonText(UriOf(shown.substr(inner + 3))) + ", \"index\": " + std::to_string(index) +
                   "}";
        }
        return "{\"uri\": " + JsonText(ArtifactUri(shown)) +
               (IsAbsolute(shown) ? "" : ", \"uriBaseId\": \"SRCROOT\"") + ", \"index\": " + std::to_string(index) +
               "}";
    }
};

size_t RuleIndex(const Rule* rule)
{
    return static_cast<size_t>(rule - Rules);
}

}  // namespace

void SortFindings(std::vector<Finding>* findings)
{
    std::stable_sort(findings->begin(), findings->end(), [](const Finding& a, const Finding& b) {
        if (a.file != b.file) {
            return a.file < b.file;
        }
        if (a.line != b.line) {
            return a.line < b.line;
        }
        if (a.column != b.column) {
            return a.column < b.column;
        }
        return RuleIndex(a.rule) < RuleIndex(b.rule);
    });
}

size_t CountSeverity(const CheckRun& run, Severity severity)
{
    size_t count = 0;
    for (const Finding& finding : run.findings) {
        count += finding.rule->severity == severity;
    }
    return count;
}

void WriteTextReport(FILE* out, const CheckRun& run)
{
    for (const Finding& finding : run.findings) {
        if (finding.line) {
            fprintf(out, "%s:%zu:%zu: %s: %s [%s]\n", finding.file.c_str(), finding.line, finding.column,
                    LevelName(finding.rule->severity), finding.message.c_str(), finding.rule->id);
        } else {
            fprintf(out, "%s: %s: %s [%s]\n", finding.file.c_str(), LevelName(finding.rule->severity),
                    finding.message.c_str(), finding.rule->id);
        }
    }
}

void WriteSummary(FILE* out, const CheckRun& run, double seconds)
{
    size_t errors = CountSeverity(run, SeverityError);
    size_t warnings = CountSeverity(run, SeverityWarning);
    fprintf(out, "tipstart-check: %zu link%s in %zu file%s: %zu error%s, %zu warning%s (%.2f s)\n", run.links,
            run.links == 1 ? "" : "s", run.files, run.files == 1 ? "" : "s", errors, errors == 1 ? "" : "s", warnings,
            warnings == 1 ? "" : "s", seconds);
}

void WriteSarifReport(FILE* out, const CheckRun& run, const char* version, const std::string& workingFolder)
{
    fprintf(out, "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
                 "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n"
                 "          \"name\": \"tipstart-check\",\n          \"version\": %s,\n"
                 "          \"semanticVersion\": %s,\n          \"rules\": [\n",
            JsonText(version).c_str(), JsonText(version).c_str());
    for (size_t i = 0; i < RuleCount; ++i) {
        const Rule& rule = Rules[i];
        fprintf(out,
                "            {\"id\": %s, \"shortDescription\": {\"text\": %s}, \"fullDescription\": {\"text\": %s}, "
                "\"defaultConfiguration\": {\"level\": \"%s\"}}%s\n",
                JsonText(rule.id).c_str(), JsonText(std::string(rule.shortDescription) + ".").c_str(),
                JsonText(rule.fullDescription).c_str(), LevelName(rule.severity), i + 1 < RuleCount ? "," : "");
    }
    fprintf(out, "          ]\n        }\n      },\n");
    std::string base = workingFolder;
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    fprintf(out, "      \"originalUriBaseIds\": {\"SRCROOT\": {\"uri\": %s}},\n",
            JsonText(ArtifactUri(base)).c_str());
    fprintf(out, "      \"columnKind\": \"unicodeCodePoints\",\n");
    fprintf(out, "      \"invocations\": [{\"executionSuccessful\": %s}],\n", run.inputFailed ? "false" : "true");
    Artifacts artifacts;
    fprintf(out, "      \"results\": [");
    for (size_t i = 0; i < run.findings.size(); ++i) {
        const Finding& finding = run.findings[i];
        std::string region;
        if (finding.line) {
            region = ", \"region\": {\"startLine\": " + std::to_string(finding.line) +
                     ", \"startColumn\": " + std::to_string(finding.column) + "}";
        }
        fprintf(out,
                "%s\n        {\"ruleId\": %s, \"ruleIndex\": %zu, \"level\": \"%s\", \"message\": {\"text\": %s}, "
                "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": %s%s}}]}",
                i ? "," : "", JsonText(finding.rule->id).c_str(), RuleIndex(finding.rule), LevelName(finding.rule->severity),
                JsonText(finding.message).c_str(), artifacts.Location(finding.file).c_str(), region.c_str());
    }
    fprintf(out, "\n      ],\n      \"artifacts\": [");
    for (size_t i = 0; i < artifacts.json.size(); ++i) {
        fprintf(out, "%s\n        %s", i ? "," : "", artifacts.json[i].c_str());
    }
    fprintf(out, "\n      ]\n    }\n  ]\n}\n");
}
