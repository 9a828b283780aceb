#include "checker/LinkFinder.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "checker/Markup.h"
#include "checker/TextTools.h"

namespace {

// Parameters longer than this are kept only in part: no command line
// Tipstart takes comes near it, and a page may hold megabytes in one value.
const size_t KeptValueSize = 65536;

const char* const ShortCutClassIds[] = {"adb880a6-d8ff-11cf-9377-00aa003b7a11",
                                        "52a2aaae-085d-4187-97ea-8c30db990436"};

bool AnyWithin(const std::vector<size_t>* offsets, size_t start, size_t end)
{
    if (!offsets) {
        return false;
    }
    auto first = std::lower_bound(offsets->begin(), offsets->end(), start);
    return first != offsets->end() && *first < end;
}

bool IsShortCutClass(std::string classId)
{
    size_t first = classId.find_first_not_of(" \t");
    classId = first == std::string::npos ? std::string() : classId.substr(first);
    if (classId.size() < 6 || !EqualsNoCase(classId.substr(0, 6), "clsid:")) {
        return false;
    }
    std::string id = classId.substr(6);
    while (!id.empty() && IsBlank(id.back())) {
        id.pop_back();
    }
    for (const char* known : ShortCutClassIds) {
        if (EqualsNoCase(id, known)) {
            return true;
        }
    }
    return false;
}

// One OBJECT element while its PARAMs are read.
struct OpenObject {
    bool open = false;
    bool shortCutClass = false;
    bool shortCutCommand = false;
    bool hasItem1 = false;
    std::string item1;         // at most KeptValueSize bytes of it
    size_t item1Length = 0;    // decoded, in bytes
    Attribute item1Value;
    std::vector<ReferenceRemark> remarks;  // kept only when the object is a link
};

// The directives waiting for a link are for the one just found.
void AimDirectives(PageScan* scan)
{
    for (Directive& directive : scan->directives) {
        if (!directive.wholeFile && directive.link == NoLink) {
            directive.link = scan->links.size() - 1;
        }
    }
}

class PageScanner {
public:
    PageScanner(const char* bytes, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
        : bytes_(bytes), size_(size), undecodable_(undecodable), scan_(scan)
    {
    }

    void Run()
    {
        size_t at = 0;
        while (at < size_) {
            const char* open = static_cast<const char*>(memchr(bytes_ + at, '<', size_ - at));
            if (!open) {
                break;
            }
            at = Tag(static_cast<size_t>(open - bytes_));
        }
        FinishObject();
        for (const ReferenceRemark& remark : remarks_) {
            scan_->remarks.push_back({remark.offset, 0, RuleCharacterReference, remark.message});
        }
        PlaceFindings();
    }

private:
    // The tag at "<"; gives the offset after it.
    size_t Tag(size_t at)
    {
        if (StartsWithNoCase(bytes_, size_, at, "<!--")) {
            size_t end = FindNoCase(bytes_, size_, at + 4, "-->");
            Directive directive;
            if (ReadDirective(std::string(bytes_ + at + 4, std::min(end, size_) - (at + 4)), &directive)) {
                directive.line = at;  // an offset until PlaceFindings
                scan_->directives.push_back(directive);
            }
            return end >= size_ ? size_ : end + 3;
        }
        size_t p = at + 1;
        bool closing = p < size_ && bytes_[p] == '/';
        if (closing) {
            ++p;
        }
        std::string name;
        while (p < size_ && name.size() < 16 && ((bytes_[p] >= 'a' && bytes_[p] <= 'z') ||
                                                (bytes_[p] >= 'A' && bytes_[p] <= 'Z') ||
                                                (bytes_[p] >= '0' && bytes_[p] <= '9'))) {
            name += AsciiLower(bytes_[p++]);
        }
        if (name.empty()) {
            return at + 1;
        }
        size_t after = ParseAttributes(bytes_, size_, p, &attributes_);
        if (closing) {
            if (name == "object") {
                FinishObject();
            }
            return after;
        }
        if (name == "script" || name == "style") {
            size_t end = FindNoCase(bytes_, size_, after, name == "script" ? "</script" : "</style");
            return end;
        }
        if (name == "object") {
            StartObject();
        } else if (name == "param" && object_.open) {
            Param();
        }
        return after;
    }

    void StartObject()
    {
        FinishObject();
        object_ = OpenObject();
        object_.open = true;
        const Attribute* classId = FindAttribute(attributes_, "classid");
        if (classId) {
            std::string value;
            DecodeValue(bytes_, *classId, &value, &object_.remarks);
            object_.shortCutClass = IsShortCutClass(value);
        }
    }

    void Param()
    {
        const Attribute* name = FindAttribute(attributes_, "name");
        const Attribute* value = FindAttribute(attributes_, "value");
        if (!name || !value) {
            return;
        }
        std::string decodedName;
        DecodeValue(bytes_, *name, &decodedName, &object_.remarks);
        decodedName = Trim(decodedName);
        if (EqualsNoCase(decodedName, "command")) {
            std::string command;
            DecodeValue(bytes_, *value, &command, &object_.remarks);
            object_.shortCutCommand = EqualsNoCase(Trim(command), "shortcut");
        } else if (EqualsNoCase(decodedName, "item1")) {
            object_.hasItem1 = true;
            object_.item1Value = *value;
            object_.item1Length = DecodeValue(bytes_, *value, &object_.item1, &object_.remarks, KeptValueSize);
        }
    }

    // Item1 is ",PROGRAM,PARAMETERS": a window class (empty), the program and
    // the text after it, commas and all.
    void FinishObject()
    {
        if (!object_.open) {
            return;
        }
        object_.open = false;
        if (!object_.shortCutClass || !object_.shortCutCommand || !object_.hasItem1) {
            return;
        }
        std::string& item = object_.item1;
        size_t first = item.find(',');
        size_t programStart = first == std::string::npos ? item.size() : first + 1;
        size_t second = item.find(',', programStart);
        size_t parametersStart = second == std::string::npos ? item.size() : second + 1;
        std::string program = Trim(item.substr(programStart, (second == std::string::npos ? item.size() : second) -
                                                                       programStart));
        bool tipstart = NamesTipstart(program);
        if (tipstart) {
            remarks_.insert(remarks_.end(), object_.remarks.begin(), object_.remarks.end());
        }
        size_t origin = OriginOf(bytes_, object_.item1Value, parametersStart);
        bool undecodable = AnyWithin(undecodable_, origin, object_.item1Value.valueEnd);
        // The parameters take the value's own storage: a long value is not copied.
        item.erase(0, parametersStart);
        // The line holds the offset until PlaceFindings turns it into a place.
        size_t parametersLength = object_.item1Length - parametersStart;
        scan_->links.push_back({origin, 0, program, std::move(item), parametersLength, tipstart, undecodable});
        AimDirectives(scan_);
        object_ = OpenObject();
    }

    // Turns the offsets kept in the line fields into lines and columns, in
    // one pass over the page.
    void PlaceFindings()
    {
        typedef std::pair<size_t*, size_t*> Place;  // line (holding the offset), column
        std::vector<Place> places;
        for (FoundLink& link : scan_->links) {
            places.push_back(Place(&link.line, &link.column));
        }
        for (PageRemark& remark : scan_->remarks) {
            places.push_back(Place(&remark.line, &remark.column));
        }
        for (Directive& directive : scan_->directives) {
            places.push_back(Place(&directive.line, &directive.column));
        }
        std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return *a.first < *b.first; });
        TextCursor cursor(bytes_, size_);
        for (const Place& place : places) {
            cursor.MoveTo(*place.first);
            *place.first = cursor.line;
            *place.second = cursor.column;
        }
    }

    const char* bytes_;
    size_t size_;
    const std::vector<size_t>* undecodable_;
    PageScan* scan_;
    std::vector<Attribute> attributes_;
    std::vector<ReferenceRemark> remarks_;
    OpenObject object_;
};

}  // namespace

bool ReadDirective(const std::string& comment, Directive* directive)
{
    std::string text = Trim(comment);
    const char* const name = "tipstart-check";
    size_t nameLength = strlen(name);
    if (text.compare(0, nameLength, name) != 0 || text.size() == nameLength || !IsBlank(text[nameLength])) {
        return false;
    }
    std::string rest = Trim(text.substr(nameLength));
    size_t reason = rest.find("--");
    std::string command = Trim(rest.substr(0, reason));
    directive->reason = reason == std::string::npos ? std::string() : Trim(rest.substr(reason + 2));
    directive->wholeFile = command.compare(0, 13, "disable-file=") == 0;
    if (!directive->wholeFile && command.compare(0, 8, "disable=") != 0) {
        return false;
    }
    std::string list = command.substr(command.find('=') + 1);
    directive->rules.clear();
    for (size_t at = 0; at <= list.size();) {
        size_t comma = list.find(',', at);
        std::string rule = Trim(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (!rule.empty()) {
            directive->rules.push_back(rule);
        }
        at = comma == std::string::npos ? list.size() + 1 : comma + 1;
    }
    directive->line = 0;
    directive->column = 0;
    directive->link = NoLink;
    return !directive->rules.empty();
}

std::string ProgramFileName(const std::string& program)
{
    size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

std::string ShellProgram(const std::string& program)
{
    bool quoted = program.size() >= 2 && program.front() == '"' && program.back() == '"';
    return quoted ? program.substr(1, program.size() - 2) : program;
}

bool NamesTipstart(const std::string& program)
{
    return EqualsNoCase(ProgramFileName(ShellProgram(program)), "tipstart.exe");
}

void FindPageLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
{
    PageScanner(text, size, undecodable, scan).Run();
}

void FindListLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
{
    TextCursor cursor(text, size);
    size_t at = 0;
    while (at < size) {
        size_t end = at;
        while (end < size && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        size_t next = end + (end + 1 < size && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
        size_t p = at;
        while (p < end && (text[p] == ' ' || text[p] == '\t')) {
            ++p;
        }
        Directive directive;
        if (p < end && text[p] == '#' && ReadDirective(std::string(text + p + 1, end - p - 1), &directive)) {
            cursor.MoveTo(p);
            directive.line = cursor.line;
            directive.column = cursor.column;
            scan->directives.push_back(directive);
        }
        if (p < end && text[p] != '#') {
            size_t programStart = p;
            size_t programEnd;
            if (text[p] == '"') {
                const char* close = static_cast<const char*>(memchr(text + p + 1, '"', end - p - 1));
                programStart = p + 1;
                programEnd = close ? static_cast<size_t>(close - text) : end;
                p = close ? programEnd + 1 : end;
            } else {
                while (p < end && text[p] != ' ' && text[p] != '\t') {
                    ++p;
                }
                programEnd = p;
            }
            while (p < end && (text[p] == ' ' || text[p] == '\t')) {
                ++p;
            }
            cursor.MoveTo(p);
            size_t length = end - p;
            scan->links.push_back({cursor.line, cursor.column, std::string(text + programStart, programEnd - programStart),
                                   std::string(text + p, std::min(length, KeptValueSize)), length, true,
                                   AnyWithin(undecodable, p, end)});
            AimDirectives(scan);
        }
        at = next;
    }
}
