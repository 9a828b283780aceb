#include "checker/LinkFinder.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "checker/Markup.h"
#include "checker/ScriptReader.h"
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
struct Item1 {
    std::string text;    // at most KeptValueSize bytes of it
    size_t length = 0;   // decoded, in bytes
    Attribute value;
};

struct OpenObject {
    bool shortCutClass = false;
    bool shortCutCommand = false;
    std::string id;            // its id attribute, decoded
    // Each of its Item1 PARAMs: which of several the control reads is not
    // documented, so each is a link.
    std::vector<Item1> items;
    std::vector<ReferenceRemark> remarks;  // kept only when the object is a link
};

// The directives of a link list waiting for a link are for the one just found.
void AimDirectives(PageScan* scan)
{
    for (Directive& directive : scan->directives) {
        if (!directive.wholeFile && directive.link == NoLink) {
            directive.link = scan->links.size() - 1;
        }
    }
}

// Markup that a script writes may hold a script that writes markup: so
// deep, and no deeper, is it read.
const int MostScriptDepth = 4;

// A class id or "ShortCut" in a script's string that is not read as
// markup: the control is built as the page runs.
bool NamesShortCutControl(const std::string& text, bool wholeMarkup)
{
    std::string lower = AsciiLower(text);
    for (const char* known : ShortCutClassIds) {
        if (lower.find(known) != std::string::npos) {
            return !wholeMarkup;
        }
    }
    if (wholeMarkup) {
        return false;
    }
    if (Trim(lower) == "shortcut") {
        return true;
    }
    // '<param name="Command" value="ShortCut">' joined to an expression.
    for (size_t at = lower.find("shortcut"); at != std::string::npos; at = lower.find("shortcut", at + 1)) {
        size_t p = at;
        while (p > 0 && (lower[p - 1] == '"' || lower[p - 1] == '\'' || IsBlank(lower[p - 1]))) {
            --p;
        }
        if (p > 0 && lower[p - 1] == '=') {
            return true;
        }
    }
    return false;
}

class PageScanner {
public:
    PageScanner(const char* bytes, size_t size, const std::vector<size_t>* undecodable, PageScan* scan)
        : bytes_(bytes), size_(size), undecodable_(undecodable), scan_(scan)
    {
    }

    void Run()
    {
        mode_ = FindDocumentMode(bytes_, size_);
        Markup();
        Finish();
    }

    // A script file runs as the page that loads it opens.
    void RunScript(ScriptLanguage language)
    {
        ScriptText(bytes_, size_, nullptr, 0, language, true);
        Finish();
    }

private:
    void Finish()
    {
        std::vector<size_t> order(scan_->links.size());
        for (size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        // Objects close inner first, and scripts write theirs later: the
        // links go in the order of their places.
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return scan_->links[a].line < scan_->links[b].line; });
        // The scripts are read for clicks only when an object has an id.
        std::vector<ScriptSource> scripts;
        bool named = std::any_of(linkIds_.begin(), linkIds_.end(), [](const std::string& id) { return !id.empty(); });
        for (size_t i = 0; named && i < openingScripts_.size(); ++i) {
            const OpeningScript& script = openingScripts_[i];
            scripts.push_back({script.text.data(), script.text.size(), script.language});
        }
        OpeningCode opening(scripts);
        std::vector<FoundLink> links;
        for (size_t i : order) {
            links.push_back(std::move(scan_->links[i]));
            links.back().clickedByPage = opening.Clicks(linkIds_[i]);
        }
        scan_->links = std::move(links);
        std::stable_sort(scan_->references.begin(), scan_->references.end(),
                         [](const PageReference& a, const PageReference& b) { return a.offset < b.offset; });
        AimDirectivesByPlace();
        for (const ReferenceRemark& remark : remarks_) {
            scan_->remarks.push_back({remark.offset, 0, RuleCharacterReference, remark.message});
        }
        PlaceFindings();
    }

    // The markup of bytes_, to its end.
    void Markup()
    {
        size_t at = 0;
        while (at < size_) {
            const char* open = static_cast<const char*>(memchr(bytes_ + at, '<', size_ - at));
            if (!open) {
                break;
            }
            at = Tag(static_cast<size_t>(open - bytes_));
        }
        while (!objects_.empty()) {
            FinishObject();
        }
    }

    // The page offset of bytes_[at]: in markup a script writes, the place in
    // the script's literal it comes from.
    size_t PageOffset(size_t at) const
    {
        if (!origins_) {
            return at;
        }
        return at < origins_->size() ? (*origins_)[at] : origins_->empty() ? 0 : origins_->back() + 1;
    }

    // The tag at "<"; gives the offset after it.
    size_t Tag(size_t at)
    {
        if (StartsWithNoCase(bytes_, size_, at, "<!--")) {
            Comment comment;
            size_t end = ReadComment(bytes_, size_, at, mode_, &comment);
            Directive directive;
            if (!origins_ && !comment.live &&
                ReadDirective(std::string(bytes_ + comment.textStart, comment.textEnd - comment.textStart),
                              &directive)) {
                directive.line = at;  // an offset until PlaceFindings
                scan_->directives.push_back(directive);
            }
            return end;
        }
        if (StartsWithNoCase(bytes_, size_, at, "<![if")) {
            return ReadRevealedCondition(bytes_, size_, at, mode_);
        }
        std::string name;
        bool closing;
        size_t p = ReadTagName(bytes_, size_, at, &name, &closing);
        if (name.empty()) {
            return at + 1;
        }
        size_t after = ParseAttributes(bytes_, size_, p, &attributes_);
        if (closing) {
            if (name == "object" && !objects_.empty()) {
                FinishObject();
            }
            return after;
        }
        HandlerScripts();
        Reference(name);
        if (name == "script") {
            size_t end = TextElementEnd(bytes_, size_, after, name);
            // A script without its end tag holds the rest of the page: no
            // script the engine can run.
            if (end < size_) {
                Script(after, end, ScriptLanguageOfTag());
            }
            return end;
        }
        if (IsTextElement(name)) {
            return TextElementEnd(bytes_, size_, after, name);
        }
        if (name == "object") {
            StartObject();
        } else if (name == "param" && !objects_.empty()) {
            Param();
        }
        return after;
    }

    // A page the tag names, and the page's base.
    void Reference(const std::string& name)
    {
        bool gathered;
        const char* referring = ReferringAttribute(name, &gathered);
        const Attribute* attribute = referring                                             ? FindAttribute(attributes_, referring)
                                     : name == "param" && IsLocalParam(bytes_, attributes_) ? FindAttribute(attributes_, "value")
                                     : name == "base" && !baseFound_                       ? FindAttribute(attributes_, "href")
                                                                                           : nullptr;
        if (!attribute || attribute->valueStart == attribute->valueEnd) {
            return;
        }
        std::string value;
        std::vector<ReferenceRemark> ignored;  // said of the page's links
        DecodeValue(bytes_, *attribute, &value, &ignored);
        if (name == "base") {
            baseFound_ = true;
            scan_->base = value;
        } else {
            scan_->references.push_back({PageOffset(attribute->valueStart), value});
        }
    }

    ScriptLanguage ScriptLanguageOfTag()
    {
        std::string value;
        std::vector<ReferenceRemark> ignored;
        const Attribute* language = FindAttribute(attributes_, "language");
        if (!language) {
            language = FindAttribute(attributes_, "type");
        }
        if (language) {
            DecodeValue(bytes_, *language, &value, &ignored);
        }
        return ScriptLanguageOf(value);
    }

    // The event handlers among the tag's attributes, each a script.
    void HandlerScripts()
    {
        if (std::none_of(attributes_.begin(), attributes_.end(),
                         [](const Attribute& attribute) { return attribute.name.compare(0, 2, "on") == 0; })) {
            return;
        }
        std::vector<Attribute> attributes = attributes_;  // a script's markup reads its own
        ScriptLanguage language = ScriptLanguageOfTag();
        for (const Attribute& attribute : attributes) {
            if (attribute.name.compare(0, 2, "on") != 0 || attribute.valueStart == attribute.valueEnd) {
                continue;
            }
            std::string text;
            std::vector<size_t> origins;
            DecodeValueOrigins(bytes_, attribute, &text, &origins);
            for (size_t& origin : origins) {
                origin = PageOffset(origin);
            }
            ScriptLanguage own = StartsWithNoCase(text.data(), text.size(), 0, "vbscript:") ? ScriptVBScript
                                 : StartsWithNoCase(text.data(), text.size(), 0, "javascript:") ? ScriptJScript
                                                                                                 : language;
            bool asPageOpens = attribute.name == "onload" || attribute.name == "onreadystatechange";
            ScriptText(text.data(), text.size(), &origins, 0, own, asPageOpens);
        }
        attributes_ = attributes;
    }

    void Script(size_t start, size_t end, ScriptLanguage language)
    {
        if (origins_) {
            std::vector<size_t> origins(end - start);
            for (size_t i = 0; i < origins.size(); ++i) {
                origins[i] = PageOffset(start + i);
            }
            ScriptText(bytes_ + start, end - start, &origins, 0, language, true);
        } else {
            ScriptText(bytes_ + start, end - start, nullptr, start, language, true);
        }
    }

    // A script: the markup its strings hold is read, and a control it builds
    // otherwise is said once, at the first string that shows it.
    void ScriptText(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                    ScriptLanguage language, bool runsAsPageOpens)
    {
        if (runsAsPageOpens) {
            openingScripts_.push_back({std::string(text, size), language});
        }
        if (depth_ >= MostScriptDepth) {
            return;
        }
        std::vector<ScriptString> strings;
        ReadScriptStrings(text, size, origins, base, language, &strings);
        bool said = false;
        for (const ScriptString& string : strings) {
            bool markup = string.text.find('<') != std::string::npos;
            if (!said && !string.text.empty() && NamesShortCutControl(string.text, markup && !string.joinedToExpression)) {
                said = true;
                scan_->remarks.push_back({string.start, 0, RuleScriptedShortcut,
                                          "this script builds an HTML Help ShortCut control in a way that cannot "
                                          "be read as text; what it starts is decided as the page runs"});
            }
            // Joined to an expression, the markup is only known as the page
            // runs: what it builds is said above, not guessed.
            if (markup && !string.joinedToExpression) {
                WrittenMarkup(string);
            }
        }
    }

    // The markup a script's string holds, read as the page's own.
    void WrittenMarkup(const ScriptString& string)
    {
        const char* bytes = bytes_;
        size_t size = size_;
        const std::vector<size_t>* origins = origins_;
        std::vector<OpenObject> objects;
        objects.swap(objects_);
        bytes_ = string.text.data();
        size_ = string.text.size();
        origins_ = &string.origins;
        ++depth_;
        Markup();
        --depth_;
        bytes_ = bytes;
        size_ = size;
        origins_ = origins;
        objects_.swap(objects);
    }

    // A PARAM belongs to the innermost open object.
    void StartObject()
    {
        objects_.push_back(OpenObject());
        OpenObject& object = objects_.back();
        std::string value;
        const Attribute* classId = FindAttribute(attributes_, "classid");
        if (classId) {
            DecodeValue(bytes_, *classId, &value, &object.remarks);
            object.shortCutClass = IsShortCutClass(value);
        }
        // Scripts reach an object by its id, or by its name.
        const Attribute* id = FindAttribute(attributes_, "id");
        if (!id) {
            id = FindAttribute(attributes_, "name");
        }
        if (id) {
            DecodeValue(bytes_, *id, &value, &object.remarks);
            object.id = Trim(value);
        }
    }

    void Param()
    {
        OpenObject& object = objects_.back();
        const Attribute* name = FindAttribute(attributes_, "name");
        const Attribute* value = FindAttribute(attributes_, "value");
        if (!name || !value) {
            return;
        }
        std::string decodedName;
        DecodeValue(bytes_, *name, &decodedName, &object.remarks);
        decodedName = Trim(decodedName);
        if (EqualsNoCase(decodedName, "command")) {
            std::string command;
            DecodeValue(bytes_, *value, &command, &object.remarks);
            object.shortCutCommand = EqualsNoCase(Trim(command), "shortcut");
        } else if (EqualsNoCase(decodedName, "item1")) {
            object.items.emplace_back();
            Item1& item = object.items.back();
            item.value = *value;
            item.length = DecodeValue(bytes_, *value, &item.text, &object.remarks, KeptValueSize);
        }
    }

    // The innermost object ends. Item1 is ",PROGRAM,PARAMETERS": a window
    // class (empty), the program and the text after it, commas and all.
    void FinishObject()
    {
        OpenObject object = std::move(objects_.back());
        objects_.pop_back();
        if (!object.shortCutClass || !object.shortCutCommand) {
            return;
        }
        for (Item1& item : object.items) {
            ItemLink(&item, object.id, &object.remarks);
        }
    }

    // The link of one Item1 of a ShortCut object. The object's malformed
    // references are said once, with the first that starts Tipstart.
    void ItemLink(Item1* item1, const std::string& id, std::vector<ReferenceRemark>* remarks)
    {
        std::string& item = item1->text;
        size_t first = item.find(',');
        size_t programStart = first == std::string::npos ? item.size() : first + 1;
        size_t second = item.find(',', programStart);
        size_t parametersStart = second == std::string::npos ? item.size() : second + 1;
        std::string program = Trim(item.substr(programStart, (second == std::string::npos ? item.size() : second) -
                                                                       programStart));
        bool tipstart = NamesTipstart(program);
        if (tipstart) {
            for (ReferenceRemark& remark : *remarks) {
                remark.offset = PageOffset(remark.offset);
                remarks_.push_back(remark);
            }
            remarks->clear();
        }
        // Without a comma the value names nothing: it is placed where it starts.
        size_t origin = first == std::string::npos ? item1->value.valueStart
                                                   : OriginOf(bytes_, item1->value, parametersStart);
        bool undecodable = AnyWithin(undecodable_, PageOffset(origin), PageOffset(item1->value.valueEnd));
        std::string firstField = Trim(item.substr(0, first == std::string::npos ? 0 : first));
        // The parameters take the value's own storage: a long value is not copied.
        item.erase(0, parametersStart);
        // The line holds the offset until PlaceFindings turns it into a place.
        size_t parametersLength = item1->length - parametersStart;
        scan_->links.push_back(
            {PageOffset(origin), 0, program, std::move(item), parametersLength, tipstart, undecodable});
        scan_->links.back().firstField = firstField;
        scan_->links.back().endLine = origins_ ? 0 : item1->value.valueEnd;  // an offset until PlaceFindings
        linkIds_.push_back(id);
    }

    // A directive is for the first ShortCut after it, and the first page
    // reference after it.
    void AimDirectivesByPlace()
    {
        std::vector<size_t> references;
        for (const PageReference& reference : scan_->references) {
            references.push_back(reference.offset);
        }
        std::sort(references.begin(), references.end());
        for (Directive& directive : scan_->directives) {
            if (directive.wholeFile) {
                continue;
            }
            auto next = std::upper_bound(scan_->links.begin(), scan_->links.end(), directive.line,
                                         [](size_t offset, const FoundLink& link) { return offset < link.line; });
            directive.link = next == scan_->links.end() ? NoLink : static_cast<size_t>(next - scan_->links.begin());
            auto reference = std::upper_bound(references.begin(), references.end(), directive.line);
            directive.referenceLine = reference == references.end() ? 0 : *reference;  // an offset until PlaceFindings
        }
    }

    // Turns the offsets kept in the line fields into lines and columns, in
    // one pass over the page.
    void PlaceFindings()
    {
        typedef std::pair<size_t*, size_t*> Place;  // line (holding the offset), column
        std::vector<Place> places;
        for (FoundLink& link : scan_->links) {
            places.push_back(Place(&link.line, &link.column));
            if (link.endLine) {
                places.push_back(Place(&link.endLine, &link.endColumn));
            }
        }
        for (PageRemark& remark : scan_->remarks) {
            places.push_back(Place(&remark.line, &remark.column));
        }
        for (Directive& directive : scan_->directives) {
            places.push_back(Place(&directive.line, &directive.column));
            if (directive.referenceLine) {
                places.push_back(Place(&directive.referenceLine, &directive.referenceColumn));
            }
        }
        std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return *a.first < *b.first; });
        TextCursor cursor(bytes_, size_);
        for (const Place& place : places) {
            cursor.MoveTo(*place.first);
            *place.first = cursor.line;
            *place.second = cursor.column;
        }
    }

    struct OpeningScript {
        std::string text;
        ScriptLanguage language;
    };

    const char* bytes_;
    size_t size_;
    const std::vector<size_t>* undecodable_;
    PageScan* scan_;
    const std::vector<size_t>* origins_ = nullptr;  // in markup a script writes
    int mode_ = 7;
    int depth_ = 0;
    bool baseFound_ = false;
    std::vector<Attribute> attributes_;
    std::vector<ReferenceRemark> remarks_;
    std::vector<OpenObject> objects_;
    std::vector<std::string> linkIds_;  // the object id of each link, in the order found
    std::vector<OpeningScript> openingScripts_;
};

}  // namespace

bool ReadDirective(const std::string& comment, Directive* directive)
{
    std::string text = Trim(comment);
    const char* const name = "tipstart-check";
    size_t nameLength = strlen(name);
    if (text.compare(0, nameLength, name) != 0 ||
        (text.size() > nameLength && !IsBlank(text[nameLength]) && text[nameLength] != ':')) {
        return false;
    }
    directive->line = 0;
    directive->column = 0;
    directive->link = NoLink;
    directive->referenceLine = 0;
    directive->referenceColumn = 0;
    directive->rules.clear();
    std::string rest = Trim(text.substr(nameLength));
    size_t reason = rest.find("--");
    std::string command = Trim(rest.substr(0, reason));
    directive->reason = reason == std::string::npos ? std::string() : Trim(rest.substr(reason + 2));
    directive->wholeFile = command.compare(0, 13, "disable-file=") == 0;
    directive->malformed = text[nameLength] == ':' || (!directive->wholeFile && command.compare(0, 8, "disable=") != 0);
    if (directive->malformed) {
        return true;
    }
    std::string list = command.substr(command.find('=') + 1);
    for (size_t at = 0; at <= list.size();) {
        size_t comma = list.find(',', at);
        std::string rule = Trim(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (!rule.empty()) {
            directive->rules.push_back(rule);
        }
        at = comma == std::string::npos ? list.size() + 1 : comma + 1;
    }
    directive->malformed = directive->rules.empty();
    return true;
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

void FindScriptLinks(const char* text, size_t size, ScriptLanguage language, const std::vector<size_t>* undecodable,
                     PageScan* scan)
{
    PageScanner(text, size, undecodable, scan).RunScript(language);
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
            cursor.MoveTo(end);
            scan->links.back().endLine = cursor.line;
            scan->links.back().endColumn = cursor.column;
            AimDirectives(scan);
        }
        at = next;
    }
}
