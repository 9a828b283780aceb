#include "checker/report/Suppression.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "checker/system/FileBytes.h"
#include "checker/input/FolderChoice.h"
#include "checker/report/Report.h"
#include "checker/core/Rules.h"
#include "checker/core/TextTools.h"

namespace fs = std::filesystem;

namespace {

// Notes that say what a link does: --list shows them whatever is silenced.
bool CanBeSilenced(RuleId rule)
{
    return rule != RuleLinkAction && rule != RuleThisMachine;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

void Silence(Finding* finding, Suppression kind, const std::string& reason)
{
    finding->suppression = kind;
    finding->justification = reason;
}

// The file a finding is in, as an [[ignore]] entry's file names it: below
// the configuration's folder, "/" between folders, and a page inside a
// compiled file after "::".
std::string FileAsConfigured(const Place& place, const Configuration& configuration)
{
    std::error_code error;
    fs::path file = fs::absolute(fs::u8path(place.file), error).lexically_normal();
    std::string relative = file.lexically_relative(configuration.folder).generic_u8string();
    return (relative.empty() ? file.generic_u8string() : relative) + (place.member.empty() ? "" : "::" + place.member);
}

std::string WithSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool Matches(const IgnoreEntry& entry, const Finding& finding, const Configuration& configuration)
{
    if (entry.rule != finding.rule) {
        return false;
    }
    if (!entry.file.empty() && !GlobMatches(entry.file, FileAsConfigured(finding.place, configuration), false)) {
        return false;
    }
    if (!entry.program.empty() && (finding.program.empty() || !GlobMatches(entry.program, finding.program, true))) {
        return false;
    }
    return entry.document.empty() ||
           (!finding.document.empty() &&
            GlobMatches(WithSlashes(entry.document), WithSlashes(finding.document), true));
}

bool Holds(const std::vector<RuleId>& rules, RuleId rule)
{
    return std::find(rules.begin(), rules.end(), rule) != rules.end();
}

// FNV-1a: the same text gives the same fingerprint on every build.
std::string Hash(const std::string& text)
{
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char hex[17];
    snprintf(hex, sizeof hex, "%016llx", hash);
    return hex;
}

// The folder a file's fingerprint names it from: its repository's root,
// else its configuration's folder; empty for none (the path stays
// absolute). So a baseline matches wherever the checker runs, in a clone
// elsewhere too, and a configuration added later changes nothing.
fs::path FingerprintRoot(const std::string& file, const Settling& settling)
{
    fs::path root = RepositoryRoot(AbsolutePath(fs::u8path(file), settling.folders), settling.folders, settling.choice);
    auto known = settling.configurationOf.find(file);
    int index = known != settling.configurationOf.end() ? known->second : settling.givenConfiguration;
    return !root.empty() || index < 0 ? root : settling.configurations[index].folder;
}

// The name of a shown file in fingerprints, found once per file.
const std::string& FileInFingerprints(const std::string& shown, const Settling& settling,
                                   std::unordered_map<std::string, std::string>* named)
{
    auto known = named->find(shown);
    if (known == named->end()) {
        fs::path file = AbsolutePath(fs::u8path(shown), settling.folders);
        fs::path root = FingerprintRoot(shown, settling).lexically_normal();
        std::string name = root.empty() ? file.generic_u8string() : file.lexically_relative(root).generic_u8string();
        known = named->emplace(shown, name).first;
    }
    return known->second;
}

// Its rule, its file and its link's text, not its line (nor a message,
// which may name a path of this machine), and whether the link runs as the
// page opens, so that a baseline does not hide a link that has come to; the
// same link twice in a file is told apart by its turn.
void GiveFingerprints(const Settling& settling, std::vector<Finding>* findings,
                      std::unordered_map<std::string, std::string>* named)
{
    std::unordered_map<std::string, size_t> seen;
    for (Finding& finding : *findings) {
        Place place = finding.place;
        place.file = FileInFingerprints(place.file, settling, named);
        finding.fingerprintFile = place.file;
        std::string about = finding.program.empty() && finding.parameters.empty() ? std::string()
                                                                                   : finding.program + "," + finding.parameters;
        about += finding.autorun ? "\nruns as the page opens" : "";
        std::string hash = Hash(std::string(RuleOf(finding.rule).id) + "\n" + ShownFile(place) + "\n" + about);
        finding.fingerprint = hash + ":" + std::to_string(++seen[hash]);
    }
}

}  // namespace

namespace {

std::string FingerprintKey()
{
    return std::string("\"") + FingerprintName + "\": \"";
}

// The fingerprint a line of a SARIF log gives, or empty.
std::string FingerprintOf(const std::string& line)
{
    size_t at = line.find(FingerprintKey());
    size_t end = at == std::string::npos ? at : line.find('"', at + FingerprintKey().size());
    return end == std::string::npos ? std::string() : line.substr(at + FingerprintKey().size(), end - at - FingerprintKey().size());
}

// The file a line of a SARIF log names in its fingerprintFile property,
// its JSON escapes read; false when it names none.
bool FileOf(const std::string& line, std::string* file)
{
    const std::string key = "\"fingerprintFile\": \"";
    size_t at = line.find(key);
    if (at == std::string::npos) {
        return false;
    }
    file->clear();
    for (at += key.size(); at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
            if (line[at] == 'u' && at + 4 < line.size()) {
                AppendUtf8(static_cast<char32_t>(strtoul(line.substr(at + 1, 4).c_str(), nullptr, 16)), file);
                at += 4;
                continue;
            }
        }
        *file += line[at];
    }
    return true;
}

// Removes ", "key": VALUE" from a JSON object's text, VALUE a number or a
// string without quotes inside.
void RemoveField(const std::string& key, std::string* object)
{
    size_t at = object->find(", \"" + key + "\": ");
    if (at == std::string::npos) {
        return;
    }
    size_t value = at + key.size() + 6;
    size_t end = (*object)[value] == '"' ? object->find('"', value + 1) + 1 : object->find_first_of(",}", value);
    object->erase(at, end - at);
}

// A result of the baseline's log as this run lists it: its rule's index and
// artifact's index are the old log's, so they go, and so does the place of
// a page inside a compiled help file, which only the old log's artifacts
// tie to its file; it is "absent".
std::string AbsentResult(std::string line)
{
    size_t start = line.find('{');
    size_t end = line.rfind('}');
    std::string object = start == std::string::npos || end == std::string::npos ? std::string("{}")
                                                                                : line.substr(start, end - start + 1);
    RemoveField("ruleIndex", &object);
    RemoveField("index", &object);
    size_t locations = object.find(", \"locations\": ");
    size_t after = object.find(", \"partialFingerprints\": ");
    bool ownFile = object.find("\"uriBaseId\": ") != std::string::npos || object.find("\"uri\": \"file:") != std::string::npos;
    if (!ownFile && locations != std::string::npos && after != std::string::npos && locations < after) {
        object.erase(locations, after - locations);
    }
    RemoveField("baselineState", &object);
    object.insert(object.size() - 1, ", \"baselineState\": \"absent\"");
    return object;
}

}  // namespace

void SilenceByDirectives(const std::vector<Directive>& directives, const std::vector<FindingSpan>& spans,
                         size_t pageStart, const Place& where, std::vector<Finding>* findings,
                         std::vector<ReferenceDirective>* pending)
{
    size_t pageEnd = findings->size();
    for (const Directive& directive : directives) {
        Place place = {where.file, where.member, directive.line, directive.column};
        if (directive.malformed) {
            findings->push_back({place, RuleMalformedDirective,
                                 "this comment starts with tipstart-check but is no directive it can read, so it "
                                 "silences nothing: write \"tipstart-check disable=RULE[,RULE...] -- reason\" for the "
                                 "next link, or disable-file= for the whole page"});
            continue;
        }
        std::vector<RuleId> rules;
        std::vector<std::string> known;
        for (const std::string& name : directive.rules) {
            RuleId rule;
            if (FindRule(name, &rule)) {
                rules.push_back(rule);
                known.push_back(name);
            } else {
                findings->push_back({place, RuleUnknownRule,
                                     "\"" + name + "\" is no rule of tipstart-check: the directive silences nothing "
                                                   "for it" + DidYouMean(name, RuleIds())});
            }
        }
        if (rules.empty()) {
            continue;
        }
        FindingSpan span = directive.wholeFile ? FindingSpan{pageStart, pageEnd}
                           : directive.link != NoLink ? spans[directive.link]
                                                      : FindingSpan{0, 0};
        bool used = false;
        for (size_t i = span.first; i < span.end; ++i) {
            Finding& finding = (*findings)[i];
            if (finding.suppression == NotSuppressed && CanBeSilenced(finding.rule) && Holds(rules, finding.rule)) {
                Silence(&finding, SuppressedInSource, directive.reason);
                used = true;
            }
        }
        if (!directive.wholeFile && directive.referenceLine) {
            Place reference = {where.file, where.member, directive.referenceLine, directive.referenceColumn};
            pending->push_back({place, reference, rules, known, directive.reason, used, directive.link != NoLink});
            continue;  // settled with the reference's findings
        }
        if (!used) {
            std::string which = directive.wholeFile ? "the page has no " + Joined(known) + " finding"
                                : directive.link == NoLink
                                    ? std::string("no ShortCut object follows it")
                                    : "the next ShortCut object has no " + Joined(known) + " finding";
            findings->push_back({place, RuleUnusedSuppression, "this directive silences nothing: " + which});
        }
    }
}

namespace {

// Whether two findings say the same of the same place.
bool SameFinding(const Finding& a, const Finding& b)
{
    return a.place.file == b.place.file && a.place.member == b.place.member && a.place.line == b.place.line &&
           a.place.column == b.place.column && a.rule == b.rule && a.message == b.message &&
           a.program == b.program && a.parameters == b.parameters && a.suppression == b.suppression;
}

// A script file runs in every page that loads it, and on its own: what its
// code writes is said once. The findings are sorted by place and rule.
void DropRepeatedFindings(std::vector<Finding>* findings)
{
    // Kept in place, at the front: a run may have tens of thousands.
    std::vector<Finding>& all = *findings;
    size_t kept = 0;
    size_t group = 0;  // the first kept finding of the same place and rule
    for (size_t at = 0; at < all.size(); ++at) {
        Finding& finding = all[at];
        if (group < kept && !(all[group].place.file == finding.place.file &&
                              all[group].place.member == finding.place.member &&
                              all[group].place.line == finding.place.line &&
                              all[group].place.column == finding.place.column && all[group].rule == finding.rule)) {
            group = kept;
        }
        bool repeated = false;
        for (size_t i = group; i < kept && !repeated; ++i) {
            repeated = SameFinding(all[i], finding);
        }
        if (!repeated) {
            if (kept != at) {
                all[kept] = std::move(finding);
            }
            ++kept;
        }
    }
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(kept), all.end());
}

std::string PlaceKey(const Place& place)
{
    return place.file + '\0' + place.member + '\0' + std::to_string(place.line) + ':' + std::to_string(place.column);
}

// The findings at the page reference after each directive, of a rule it
// names, are silenced; a directive that silenced nothing, there or at its
// ShortCut, gets its warning now.
void SilenceAtReferences(const std::vector<ReferenceDirective>& directives, std::vector<Finding>* findings)
{
    if (directives.empty()) {
        return;  // the findings are not placed for none
    }
    std::unordered_map<std::string, std::vector<size_t>> at;  // the findings by place
    for (size_t i = 0; i < findings->size(); ++i) {
        at[PlaceKey((*findings)[i].place)].push_back(i);
    }
    std::vector<Finding> unused;
    for (const ReferenceDirective& directive : directives) {
        bool used = directive.used;
        auto found = at.find(PlaceKey(directive.reference));
        for (size_t i : found == at.end() ? std::vector<size_t>() : found->second) {
            Finding& finding = (*findings)[i];
            if (finding.suppression == NotSuppressed && CanBeSilenced(finding.rule) && Holds(directive.rules, finding.rule)) {
                Silence(&finding, SuppressedInSource, directive.reason);
                used = true;
            }
        }
        if (!used) {
            std::string which = directive.shortCutNext ? "the next ShortCut object and the next link have no "
                                                       : "the next link has no ";
            unused.push_back({directive.directive, RuleUnusedSuppression,
                              "this directive silences nothing: " + which + Joined(directive.names) + " finding"});
        }
    }
    findings->insert(findings->end(), unused.begin(), unused.end());
}

}  // namespace

void SettleFindings(const Settling& settling, CheckResults* results)
{
    SilenceAtReferences(settling.referenceDirectives, &results->findings);
    // Those kept are moved to the front, in place: a run may have tens of
    // thousands.
    std::vector<Finding>& all = results->findings;
    size_t kept = 0;
    std::string lastFile;  // most findings follow one of the same file
    Configuration* configuration = nullptr;
    for (size_t at = 0; at < all.size(); ++at) {
        Finding& finding = all[at];
        if (at == 0 || lastFile != finding.place.file) {
            auto known = settling.configurationOf.find(finding.place.file);
            int index = known != settling.configurationOf.end() ? known->second : settling.givenConfiguration;
            configuration = index >= 0 ? &settling.configurations[index] : nullptr;
            lastFile = finding.place.file;
        }
        if (Holds(settling.disabled, finding.rule) || (configuration && Holds(configuration->disabled, finding.rule))) {
            continue;
        }
        finding.strict = settling.warningsAsErrors || (configuration && configuration->warningsAsErrors);
        if (configuration && finding.suppression == NotSuppressed && CanBeSilenced(finding.rule)) {
            for (IgnoreEntry& entry : configuration->ignores) {
                if (Matches(entry, finding, *configuration)) {
                    Silence(&finding, SuppressedExternally, entry.reason);
                    entry.used = true;
                    break;
                }
            }
        }
        if (kept != at) {
            all[kept] = std::move(finding);
        }
        ++kept;
    }
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(kept), all.end());
    for (const Configuration& configuration : settling.configurations) {
        for (const IgnoreEntry& entry : configuration.ignores) {
            if (!entry.used && !Holds(settling.disabled, RuleUnusedSuppression)) {
                all.push_back({{configuration.shown, "", entry.line, 1},
                               RuleUnusedSuppression,
                               std::string("this [[ignore]] entry silences nothing: no ") + RuleOf(entry.rule).id +
                                   " finding matches it"});
                all.back().strict = settling.warningsAsErrors || configuration.warningsAsErrors;
            }
        }
    }
    SortFindings(&results->findings);
    DropRepeatedFindings(&results->findings);
    std::unordered_map<std::string, std::string> named;
    if (settling.fingerprints || settling.baseline) {
        GiveFingerprints(settling, &results->findings, &named);
    }
    if (settling.baseline) {
        // A baseline's result is gone only when its file was read in this
        // run; one that names no file (an older log) is held as read.
        std::unordered_set<std::string> read;
        for (const std::string& file : results->checkedFiles) {
            read.insert(FileInFingerprints(file, settling, &named));
        }
        std::unordered_set<std::string> matched;
        for (Finding& finding : results->findings) {
            finding.unchanged = settling.baseline->count(finding.fingerprint) > 0;
            if (finding.unchanged) {
                matched.insert(finding.fingerprint);
            }
        }
        results->baseline = true;
        results->baselineMatched = matched.size();
        for (const std::string& result : settling.baselineResults) {
            std::string file;
            if (!matched.count(FingerprintOf(result)) && (!FileOf(result, &file) || read.count(file))) {
                results->baselineAbsent.push_back(AbsentResult(result));
            }
        }
        results->baselineFixed = results->baselineAbsent.size();
    }
}

bool ReadBaseline(const std::string& path, std::unordered_set<std::string>* fingerprints,
                  std::vector<std::string>* results, std::string* error)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes, error)) {
        return false;
    }
    if (bytes.find("\"runs\"") == std::string::npos) {
        *error = "is not a SARIF log";
        return false;
    }
    for (size_t at = bytes.find(FingerprintKey()); at != std::string::npos; at = bytes.find(FingerprintKey(), at)) {
        size_t start = bytes.rfind('\n', at);
        size_t end = bytes.find('\n', at);
        std::string line = bytes.substr(start == std::string::npos ? 0 : start + 1,
                                        end == std::string::npos ? std::string::npos : end - start - 1);
        std::string fingerprint = FingerprintOf(line);
        if (fingerprint.empty()) {
            break;
        }
        fingerprints->insert(fingerprint);
        results->push_back(line);
        at = end == std::string::npos ? bytes.size() : end;
    }
    return true;
}
