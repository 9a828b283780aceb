#include "checker/LinkFinder.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "checker/Names.h"

namespace {

const char* const ShortCutClassIds[] = {"adb880a6-d8ff-11cf-9377-00aa003b7a11",
                                        "52a2aaae-085d-4187-97ea-8c30db990436"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EqualsNoCase(const std::string& text, const char* word)
{
    size_t length = strlen(word);
    if (text.size() != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(word[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(const char* bytes, size_t size, size_t at, const char* word)
{
    size_t length = strlen(word);
    if (size - at < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(bytes[at + i]) != word[i]) {
            return false;
        }
    }
    return true;
}

size_t FindNoCase(const char* bytes, size_t size, size_t from, const char* word)
{
    char upper = word[0] >= 'a' && word[0] <= 'z' ? static_cast<char>(word[0] - 'a' + 'A') : word[0];
    for (size_t at = from; at < size; ++at) {
        const void* next = memchr(bytes + at, word[0], size - at);
        const void* nextUpper = memchr(bytes + at, upper, size - at);
        const char* first = static_cast<const char*>(next);
        if (!first || (nextUpper && nextUpper < next)) {
            first = static_cast<const char*>(nextUpper);
        }
        if (!first) {
            return size;
        }
        at = static_cast<size_t>(first - bytes);
        if (StartsWithNoCase(bytes, size, at, word)) {
            return at;
        }
    }
    return size;
}

// Length of the UTF-8 sequence at bytes, or 1 for a byte that starts none
// (text in the Windows code page counts a character a byte).
size_t CharacterLength(const unsigned char* bytes, size_t available)
{
    unsigned char c = bytes[0];
    size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    if (length > available || c >= 0xF5) {
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

// Line and column of byte offsets that only grow. LF, CRLF and a lone CR
// each end a line.
struct Cursor {
    const char* bytes;
    size_t size;
    size_t offset;
    size_t line;
    size_t column;

    void MoveTo(size_t target)
    {
        while (offset < target && offset < size) {
            char c = bytes[offset];
            if (c == '\n' || c == '\r') {
                offset += c == '\r' && offset + 1 < size && bytes[offset + 1] == '\n' ? 2 : 1;
                ++line;
                column = 1;
            } else {
                offset += CharacterLength(reinterpret_cast<const unsigned char*>(bytes + offset), size - offset);
                ++column;
            }
        }
    }
};

bool AnyWithin(const std::vector<size_t>* offsets, size_t start, size_t end)
{
    if (!offsets) {
        return false;
    }
    auto first = std::lower_bound(offsets->begin(), offsets->end(), start);
    return first != offsets->end() && *first < end;
}

struct Attribute {
    std::string name;  // lower case
    size_t valueStart;
    size_t valueEnd;
};

// Attributes from at up to the tag's ">"; gives the offset after it.
size_t ParseAttributes(const char* bytes, size_t size, size_t at, std::vector<Attribute>* attributes)
{
    attributes->clear();
    while (at < size) {
        while (at < size && (IsBlank(bytes[at]) || bytes[at] == '/')) {
            ++at;
        }
        if (at >= size || bytes[at] == '>') {
            return at + 1;
        }
        Attribute attribute = {std::string(), 0, 0};
        while (at < size && !IsBlank(bytes[at]) && bytes[at] != '>' && bytes[at] != '=' && bytes[at] != '/') {
            attribute.name += AsciiLower(bytes[at++]);
        }
        while (at < size && IsBlank(bytes[at])) {
            ++at;
        }
        if (at < size && bytes[at] == '=') {
            ++at;
            while (at < size && IsBlank(bytes[at])) {
                ++at;
            }
            if (at < size && (bytes[at] == '"' || bytes[at] == '\'')) {
                char quote = bytes[at++];
                const char* close = static_cast<const char*>(memchr(bytes + at, quote, size - at));
                size_t end = close ? static_cast<size_t>(close - bytes) : size;
                attribute.valueStart = at;
                attribute.valueEnd = end;
                at = close ? end + 1 : size;
            } else {
                attribute.valueStart = at;
                while (at < size && !IsBlank(bytes[at]) && bytes[at] != '>') {
                    ++at;
                }
                attribute.valueEnd = at;
            }
        } else {
            attribute.valueStart = attribute.valueEnd = at;
        }
        if (attribute.name.empty()) {
            ++at;  // a stray "=" or quote
            continue;
        }
        attributes->push_back(attribute);
    }
    return size;
}

struct NamedReference {
    const char* name;
    unsigned long code;
};

const NamedReference NamedReferences[] = {{"amp", '&'},  {"lt", '<'},     {"gt", '>'},
                                          {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};

struct ReferenceRemark {
    size_t offset;
    std::string message;
};

// A character reference at bytes[at] ("&"); gives the offset after it, or at
// when it is a plain "&".
size_t DecodeReference(const char* bytes, size_t end, size_t at, std::string* out,
                       std::vector<ReferenceRemark>* remarks)
{
    size_t p = at + 1;
    std::string written;
    if (p < end && bytes[p] == '#') {
        bool hex = p + 1 < end && AsciiLower(bytes[p + 1]) == 'x';
        size_t digits = p + (hex ? 2 : 1);
        size_t q = digits;
        unsigned long code = 0;
        bool overflow = false;
        while (q < end && (hex ? strchr("0123456789abcdefABCDEF", bytes[q]) != nullptr && bytes[q]
                               : bytes[q] >= '0' && bytes[q] <= '9')) {
            char c = AsciiLower(bytes[q]);
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(c <= '9' ? c - '0' : c - 'a' + 10);
            overflow = overflow || code > 0x10FFFF;
            ++q;
        }
        written.assign(bytes + at, (q < end && bytes[q] == ';' ? q + 1 : q) - at);
        if (q == digits) {
            remarks->push_back({at, "malformed character reference \"" + written + "\": no digits; kept as written"});
            *out += written;
            return at + written.size();
        }
        bool terminated = q < end && bytes[q] == ';';
        if (overflow || code == 0 || (code >= 0xD800 && code <= 0xDFFF)) {
            remarks->push_back(
                {at, "malformed character reference \"" + written + "\": no such character; read as U+FFFD"});
            code = 0xFFFD;
        } else if (!terminated) {
            remarks->push_back({at, "character reference \"" + written + "\" lacks its \";\""});
        }
        AppendUtf8(static_cast<char32_t>(code), out);
        return terminated ? q + 1 : q;
    }
    size_t q = p;
    while (q < end && q - p < 32 && ((bytes[q] >= 'a' && bytes[q] <= 'z') || (bytes[q] >= 'A' && bytes[q] <= 'Z') ||
                                     (bytes[q] >= '0' && bytes[q] <= '9'))) {
        ++q;
    }
    std::string name(bytes + p, q - p);
    bool terminated = q < end && bytes[q] == ';';
    for (const NamedReference& known : NamedReferences) {
        if (name == known.name) {
            if (!terminated) {
                remarks->push_back({at, "character reference \"&" + name + "\" lacks its \";\""});
            }
            AppendUtf8(static_cast<char32_t>(known.code), out);
            return terminated ? q + 1 : q;
        }
    }
    if (!name.empty() && terminated) {
        remarks->push_back({at, "unknown character reference \"&" + name + ";\"; kept as written"});
    }
    *out += '&';
    return at + 1;
}

// Parameters longer than this are kept only in part: no command line
// Tipstart takes comes near it, and a page may hold megabytes in one value.
const size_t KeptValueSize = 65536;

// The value with its character references decoded, up to limit bytes; gives
// the length of the whole decoded value.
size_t DecodeValue(const char* bytes, const Attribute& attribute, std::string* value,
                   std::vector<ReferenceRemark>* remarks, size_t limit = static_cast<size_t>(-1))
{
    value->clear();
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd && value->size() < limit) {
        size_t before = value->size();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, value, remarks) : at + 1;
        if (next == at + 1 && value->size() == before) {
            *value += bytes[at];
        }
        at = next;
    }
    // Past the limit only the length counts.
    size_t length = value->size();
    std::string piece;
    std::vector<ReferenceRemark> ignored;
    while (at < attribute.valueEnd) {
        piece.clear();
        ignored.clear();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, &piece, &ignored) : at + 1;
        length += next == at + 1 && piece.empty() ? 1 : piece.size();
        at = next;
    }
    return length;
}

// The page offset that the decoded value's byte at index comes from, found
// by decoding again up to it: no offset is kept per byte of a long value.
size_t OriginOf(const char* bytes, const Attribute& attribute, size_t index)
{
    size_t produced = 0;
    std::string piece;
    std::vector<ReferenceRemark> ignored;
    size_t at = attribute.valueStart;
    while (at < attribute.valueEnd) {
        piece.clear();
        ignored.clear();
        size_t next = bytes[at] == '&' ? DecodeReference(bytes, attribute.valueEnd, at, &piece, &ignored) : at + 1;
        if (next == at + 1 && piece.empty()) {
            piece += bytes[at];
        }
        produced += piece.size();
        if (produced > index) {
            return at;
        }
        at = next;
    }
    return attribute.valueEnd;
}

const Attribute* FindAttribute(const std::vector<Attribute>& attributes, const char* name)
{
    for (const Attribute& attribute : attributes) {
        if (attribute.name == name) {
            return &attribute;
        }
    }
    return nullptr;
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

std::string TrimBlanks(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
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
            scan_->remarks.push_back({remark.offset, 0, remark.message});
        }
        PlaceFindings();
    }

private:
    // The tag at "<"; gives the offset after it.
    size_t Tag(size_t at)
    {
        if (StartsWithNoCase(bytes_, size_, at, "<!--")) {
            size_t end = FindNoCase(bytes_, size_, at + 4, "-->");
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
        decodedName = TrimBlanks(decodedName);
        if (EqualsNoCase(decodedName, "command")) {
            std::string command;
            DecodeValue(bytes_, *value, &command, &object_.remarks);
            object_.shortCutCommand = EqualsNoCase(TrimBlanks(command), "shortcut");
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
        std::string program = TrimBlanks(item.substr(programStart, (second == std::string::npos ? item.size() : second) -
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
        std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return *a.first < *b.first; });
        Cursor cursor = {bytes_, size_, 0, 1, 1};
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

std::string ProgramFileName(const std::string& program)
{
    size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

bool NamesTipstart(const std::string& program)
{
    return EqualsNoCase(ProgramFileName(program), "tipstart.exe");
}

void FindPageLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
{
    PageScanner(text, size, undecodable, scan).Run();
}

void FindListLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
{
    Cursor cursor = {text, size, 0, 1, 1};
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
        }
        at = next;
    }
}

std::string FindDeclaredCharset(const char* bytes, size_t size)
{
    std::vector<Attribute> attributes;
    // Only the head declares: the search ends where the body starts.
    size = FindNoCase(bytes, size, 0, "<body");
    size_t at = 0;
    while (at < size) {
        size_t meta = FindNoCase(bytes, size, at, "<meta");
        if (meta >= size) {
            return std::string();
        }
        at = ParseAttributes(bytes, size, meta + 5, &attributes);
        std::vector<ReferenceRemark> ignored;
        std::string value;
        const Attribute* charset = FindAttribute(attributes, "charset");
        if (charset) {
            DecodeValue(bytes, *charset, &value, &ignored);
            return TrimBlanks(value);
        }
        const Attribute* equiv = FindAttribute(attributes, "http-equiv");
        const Attribute* content = FindAttribute(attributes, "content");
        if (!equiv || !content) {
            continue;
        }
        DecodeValue(bytes, *equiv, &value, &ignored);
        if (!EqualsNoCase(TrimBlanks(value), "content-type")) {
            continue;
        }
        DecodeValue(bytes, *content, &value, &ignored);
        std::string lower = AsciiLower(value);
        size_t key = lower.find("charset=");
        if (key == std::string::npos) {
            continue;
        }
        size_t start = key + 8;
        size_t end = lower.find_first_of("; \t\"'", start);
        return value.substr(start, (end == std::string::npos ? value.size() : end) - start);
    }
    return std::string();
}
