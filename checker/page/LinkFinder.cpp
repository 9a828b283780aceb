#include "checker/page/LinkFinder.h"

#include <string.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

#include "checker/page/Markup.h"
#include "checker/page/PageText.h"
#include "checker/script/ScriptEngine.h"
#include "checker/script/ScriptReader.h"
#include "checker/core/ByteScan.h"
#include "checker/core/TextTools.h"

namespace {

// Parameters longer than this are kept only in part: no command line
// Tipstart takes comes near it, and a page may hold megabytes in one value.
const size_t KeptValueSize = 65536;

// Every class id Windows registers for the HTML Help control.
const char* const ShortCutClassIds[] = {
#include "checker/system/tables/ControlClassIds.inc"
};

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
    size_t origin = 0;   // the page offset of its parameters (or of the value without a comma)
    bool undecodable = false;
    bool written = false;  // a script wrote it
    size_t end = 0;        // the page offset just after the value; 0 when a script wrote it
};

struct OpenObject {
    size_t start = 0;  // of its tag
    bool shortCutClass = false;
    bool shortCutCommand = false;
    // The command names of its Command PARAMs, as written, each once.
    std::vector<std::string> commands;
    std::string id;            // its id attribute, decoded
    // Each of its Item1 PARAMs: which of several the control reads is not
    // documented, so each is a link.
    std::vector<Item1> items;
    std::vector<ReferenceRemark> remarks;  // kept only when the object is a link, at page offsets
    long element = -1;                     // its element in the page's script engine
    bool namedOn = false;  // opened by a start tag whose name goes on ("<object:x>"): its own end tag ends it
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

// The word a directive starts with.
const char* const DirectiveName = "tipstart-check";

// An event handler's attribute: its name starts with "on".
bool IsHandlerName(const char* bytes, const Attribute& attribute)
{
    return StartsWithNoCase(bytes, attribute.nameEnd, attribute.nameStart, "on");
}

// "javascript:", the longer of the prefixes that name a handler's language.
const size_t LongestLanguagePrefix = 11;

// Markup that a script writes may hold a script that writes markup: so
// deep, and no deeper, is it read.
const int MostScriptDepth = 8;

// Whether the attribute name that ends at end is word (a load-time
// event's): after a blank, a quote or "/".
bool AttributeNameBefore(const char* bytes, size_t end, std::string_view word)
{
    size_t length = word.size();
    if (end <= length) {
        return false;
    }
    size_t start = end - length;
    char before = bytes[start - 1];
    return (IsBlank(before) || before == '"' || before == '\'' || before == '/') &&
           StartsWithNoCase(bytes, end, start, word);
}

// Whether an attribute named for an event of the page's load ends before
// the "=" at bytes[at], blanks between.
bool LoadHandlerBefore(const char* bytes, size_t at)
{
    size_t end = at;
    while (end > 0 && IsBlank(bytes[end - 1])) {
        --end;
    }
    // The names end in "d", "r" or "e": any other letter is none of them.
    char last = end > 0 ? AsciiLower(bytes[end - 1]) : '\0';
    return (last == 'd' && AttributeNameBefore(bytes, end, "onload")) ||
           (last == 'r' && AttributeNameBefore(bytes, end, "onerror")) ||
           (last == 'e' && AttributeNameBefore(bytes, end, "onreadystatechange"));
}

// Whether a page may run script: it has a script element ("<script" anywhere),
// or a handler of an event of its load. A page without either gets no engine.
bool MayRunScripts(const char* bytes, size_t size)
{
    return AnyOfTwo(bytes, size, '<', '=', [bytes, size](size_t at) {
        return bytes[at] == '<' ? StartsWithNoCase(bytes, size, at + 1, "script") : LoadHandlerBefore(bytes, at);
    });
}

// JScript takes "<!--" and "-->" at a line's start as a comment's start:
// written as "//", in place, for an engine that does not.
std::string WithoutMarkupComments(const char* text, size_t size)
{
    std::string code(text, size);
    bool lineStart = true;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '\n' || c == '\r') {
            lineStart = true;
        } else if (lineStart && c != ' ' && c != '\t') {
            lineStart = false;
            if (code.compare(i, 4, "<!--") == 0 || code.compare(i, 3, "-->") == 0) {
                code[i] = '/';
                code[i + 1] = '/';
                code[i + 2] = ' ';
            }
        }
    }
    return code;
}

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

// A script that could not be read to its end.
struct UnfinishedScript {
    size_t script;  // where the script stands
    size_t stop;    // where it stopped
    std::string reason;
};

class PageScanner : public ScriptPage {
public:
    PageScanner(const char* bytes, size_t size, const std::vector<size_t>* undecodable, const ScriptBudget& budget,
                PageScan* scan)
        : bytes_(bytes), size_(size), undecodable_(undecodable), budget_(budget), scan_(scan)
    {
    }

    void Run(ScriptFiles* files, int documentMode)
    {
        files_ = files;
        nextBase_ = size_ + 1;
        mode_ = documentMode ? documentMode : FindDocumentMode(bytes_, size_);
        if (MayRunScripts(bytes_, size_)) {
            engine_.reset(new ScriptEngine(budget_, this));
        }
        Markup();
        FinishObjects();
        if (engine_) {
            engine_->RunLoad();
            FinishObjects();
        }
        Finish();
    }

    // A script file runs as the page that loads it opens.
    void RunScript(ScriptLanguage language)
    {
        if (language == ScriptJScript) {
            engine_.reset(new ScriptEngine(budget_, this));
            RunJScript(bytes_, size_, nullptr, 0);
            FinishObjects();
            engine_->RunLoad();
            FinishObjects();
        } else {
            ScriptText(bytes_, size_, nullptr, 0, true);
        }
        Finish();
    }

    void ReadWritten(const std::string& markup, const std::vector<size_t>& writers) override
    {
        ReadScriptMarkup(markup, writers, true, -1);
    }

    void ReadBuilt(const std::string& markup, size_t writer, long built) override
    {
        ReadScriptMarkup(markup, std::vector<size_t>(markup.size(), writer), false, built);
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
            scripts.push_back({openingScripts_[i].data(), openingScripts_[i].size()});
        }
        OpeningCode opening(scripts);
        std::vector<FoundLink> links;
        for (size_t i : order) {
            links.push_back(std::move(scan_->links[i]));
            links.back().clickedByPage =
                (engine_ && engine_->Clicked(linkElements_[i])) || opening.Clicks(linkIds_[i]);
        }
        SayUnfinishedScripts();
        scan_->links = std::move(links);
        for (PageReference& reference : scan_->references) {
            size_t file = FileOf(reference.offset);
            reference.offset = file == 0 ? reference.offset : loaded_[file - 1].tag;
        }
        // Found in the order of the page, unless scripts wrote some or files loaded them.
        auto byOffset = [](const PageReference& a, const PageReference& b) { return a.offset < b.offset; };
        if (!std::is_sorted(scan_->references.begin(), scan_->references.end(), byOffset)) {
            std::stable_sort(scan_->references.begin(), scan_->references.end(), byOffset);
        }
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
            size_t tag = FindByte(bytes_, size_, at, '<');
            if (BuildsElements() && tag > at) {
                DomText(at, tag);
            }
            if (tag == size_) {
                break;
            }
            at = Tag(tag);
        }
    }

    void FinishObjects()
    {
        while (!objects_.empty()) {
            FinishObject();
        }
    }

    // Whether the markup read makes the elements of the page's scripts: not
    // for markup a script built from elements it made itself.
    bool BuildsElements() const
    {
        return engine_ && built_ < 0;
    }

    // Text between tags, for innerText.
    void DomText(size_t from, size_t to)
    {
        size_t p = from;
        while (p < to && (IsBlank(bytes_[p]) || bytes_[p] == '\n' || bytes_[p] == '\r')) {
            ++p;
        }
        if (p == to) {
            return;
        }
        std::string text;
        std::vector<ReferenceRemark> ignored;
        DecodeValue(bytes_, Attribute{from, from, from, to}, &text, &ignored);
        engine_->Text(text);
    }

    // The element a start tag opens, made for the page's scripts.
    long DomElement(std::string_view name, size_t contentStart, size_t contentEnd, bool text)
    {
        std::vector<ScriptAttribute> attributes;
        std::vector<ReferenceRemark> ignored;
        for (const Attribute& attribute : attributes_) {
            attributes.push_back({AttributeName(bytes_, attribute), std::string()});
            DecodeValue(bytes_, attribute, &attributes.back().value, &ignored);
        }
        if (!text) {
            return engine_->OpenElement(std::string(name), attributes, nullptr);
        }
        std::string content;
        if (IsName(name, "textarea") || IsName(name, "title")) {
            DecodeValue(bytes_, Attribute{contentStart, contentStart, contentStart, contentEnd}, &content, &ignored);
        } else {
            content.assign(bytes_ + contentStart, contentEnd - contentStart);
        }
        return engine_->OpenElement(std::string(name), attributes, &content);
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

    // Whether a comment's text starts, after blanks, as a directive does:
    // the others are not copied to be read.
    bool MayBeDirective(const Comment& comment) const
    {
        size_t p = comment.textStart;
        while (p < comment.textEnd && IsBlank(bytes_[p])) {
            ++p;
        }
        return StartsWithBytes(p, comment.textEnd, DirectiveName);
    }

    bool StartsWithBytes(size_t at, size_t end, std::string_view word) const
    {
        return at <= end && end - at >= word.size() && memcmp(bytes_ + at, word.data(), word.size()) == 0;
    }

    // A comment of any kind at "<"; gives the offset after it, or at for none.
    size_t TagComment(size_t at)
    {
        if (StartsWithNoCase(bytes_, size_, at, "<!--")) {
            Comment comment;
            size_t end = ReadComment(bytes_, size_, at, mode_, &comment, &searches_);
            Directive directive;
            if (!origins_ && !comment.live && MayBeDirective(comment) &&
                ReadDirective(std::string(bytes_ + comment.textStart, comment.textEnd - comment.textStart),
                              &directive)) {
                directive.line = at;  // an offset until PlaceFindings
                scan_->directives.push_back(directive);
            }
            return end;
        }
        if (StartsRevealedCondition(bytes_, size_, at)) {
            return ReadRevealedCondition(bytes_, size_, at, mode_, &searches_);
        }
        return ReadBogusComment(bytes_, size_, at);
    }

    // The tag at "<"; gives the offset after it.
    size_t Tag(size_t at)
    {
        if (MayStartComment(bytes_, size_, at)) {
            size_t end = TagComment(at);
            if (end != at) {
                return end;
            }
        }
        TagName name;
        bool closing;
        size_t p = ReadTagName(bytes_, size_, at, &name, &closing);
        if (name.empty()) {
            return at + 1;
        }
        size_t after = ParseAttributes(bytes_, size_, p, &attributes_);
        if (closing) {
            if (BuildsElements()) {
                engine_->CloseElement(std::string(name));
            }
            // "</object:x>" ends only an object "<object:x>" opened.
            bool ends = IsName(name, "object") || (IsName(name, "object+") && !objects_.empty() && objects_.back().namedOn);
            if (ends && !objects_.empty()) {
                FinishObject();
            }
            return after;
        }
        bool text = IsTextElement(name);
        size_t end = text ? TextElementEnd(bytes_, size_, after, name) : after;
        long element = BuildsElements() ? DomElement(name, after, end, text) : built_;
        if (!attributes_.empty()) {
            HandlerScripts(name, element);
        }
        Reference(name);
        if (IsName(name, "script")) {
            // A script without its end tag holds the rest of the page: no
            // script the engine can run.
            if (end < size_) {
                Script(after, end, ScriptLanguageOfTag());
            }
            return end;
        }
        if (text) {
            return end;
        }
        // "<OBJECT:x ...>" is read as an object where it may find a link:
        // alone, or with a class of its own. Inside another without one, it
        // is the other element HTML5 names so, and the PARAMs after it stay
        // the open object's.
        bool namedOn = !TagNameEnds(bytes_, size_, p);
        if (IsName(name, "object") && (!namedOn || objects_.empty() || FindAttribute(bytes_, attributes_, "classid"))) {
            StartObject(at, element);
            objects_.back().namedOn = namedOn;
        } else if (IsName(name, "param") && !objects_.empty()) {
            Param();
        }
        return after;
    }

    // A page the tag names, and the page's base.
    void Reference(std::string_view name)
    {
        bool gathered;
        std::string_view referring = ReferringAttribute(name, &gathered);
        const Attribute* attribute = !referring.empty() ? FindAttribute(bytes_, attributes_, referring)
                                     : IsName(name, "param") && IsLocalParam(bytes_, attributes_)
                                         ? FindAttribute(bytes_, attributes_, "value")
                                     : IsName(name, "base") && !baseFound_ ? FindAttribute(bytes_, attributes_, "href")
                                                                           : nullptr;
        if (!attribute || attribute->valueStart == attribute->valueEnd) {
            return;
        }
        std::string value;
        std::vector<ReferenceRemark> ignored;  // said of the page's links
        DecodeValue(bytes_, *attribute, &value, &ignored);
        if (IsName(name, "base")) {
            baseFound_ = true;
            scan_->base = value;
        } else {
            PageReference reference;
            reference.offset = PageOffset(attribute->valueStart);
            reference.value = std::move(value);
            reference.loadsScript = IsName(name, "script");
            reference.language = reference.loadsScript ? ScriptLanguageOfTag() : ScriptJScript;
            scan_->references.push_back(std::move(reference));
        }
    }

    ScriptLanguage ScriptLanguageOfTag()
    {
        const Attribute* language = FindAttribute(bytes_, attributes_, "language");
        if (!language) {
            language = FindAttribute(bytes_, attributes_, "type");
        }
        if (!language) {
            return ScriptLanguageOf(std::string());
        }
        std::string value;
        std::vector<ReferenceRemark> ignored;
        DecodeValue(bytes_, *language, &value, &ignored);
        return ScriptLanguageOf(value);
    }

    // The event handlers among the tag's attributes, each a script. JScript
    // runs the handlers of the page's load (a body's onload, an image's
    // onerror, onreadystatechange) as it loads; those of the reader's actions
    // wait for the reader, and do not run.
    void HandlerScripts(std::string_view name, long element)
    {
        const char* bytes = bytes_;
        auto isHandler = [bytes](const Attribute& attribute) { return IsHandlerName(bytes, attribute); };
        if (std::none_of(attributes_.begin(), attributes_.end(), isHandler)) {
            return;
        }
        // A script's markup reads its own attributes: the tag's are kept
        // aside once a handler is read as a script.
        std::vector<Attribute> saved;
        const std::vector<Attribute>* attributes = &attributes_;
        ScriptLanguage language = ScriptLanguageOfTag();
        for (size_t i = 0; i < attributes->size(); ++i) {
            const Attribute& handler = (*attributes)[i];
            if (!IsHandlerName(bytes_, handler) || handler.valueStart == handler.valueEnd) {
                continue;
            }
            bool onLoad = AttributeIs(bytes_, handler, "onload");
            bool onError = AttributeIs(bytes_, handler, "onerror");
            bool onReadyStateChange = AttributeIs(bytes_, handler, "onreadystatechange");
            // A handler of the reader's actions is read only in VBScript: in a
            // tag of JScript, one whose first byte cannot start "vbscript:",
            // nor a reference that spells it, is passed by undecoded.
            char first = bytes_[handler.valueStart];
            if (!onLoad && !onError && !onReadyStateChange && language != ScriptVBScript && first != 'v' &&
                first != 'V' && first != '&') {
                continue;
            }
            // Its language shows in its first bytes: the rest is decoded
            // only for a handler that is read.
            std::string text;
            DecodeValueStart(bytes_, handler, LongestLanguagePrefix, &text);
            ScriptLanguage own = StartsWithNoCase(text.data(), text.size(), 0, "vbscript:") ? ScriptVBScript
                                 : StartsWithNoCase(text.data(), text.size(), 0, "javascript:") ? ScriptJScript
                                                                                                 : language;
            bool asPageOpens = onLoad || onReadyStateChange;
            bool loadTime = own != ScriptVBScript &&
                            ((onLoad && (IsName(name, "body") || IsName(name, "frameset"))) ||
                             (onError && IsName(name, "img") && !ImageThere(*attributes)) || onReadyStateChange);
            if (own != ScriptVBScript && !(loadTime && engine_ && built_ < 0)) {
                continue;  // a JScript handler of the reader's actions: never run
            }
            if (attributes == &attributes_) {
                saved = attributes_;
                attributes = &saved;
            }
            // Where each of its characters stands: only for a handler read.
            std::vector<size_t> origins;
            DecodeValueOrigins(bytes_, (*attributes)[i], &text, &origins);
            for (size_t& origin : origins) {
                origin = PageOffset(origin);
            }
            if (own == ScriptVBScript) {
                ScriptText(text.data(), text.size(), &origins, 0, asPageOpens);
                continue;
            }
            size_t skip = StartsWithNoCase(text.data(), text.size(), 0, "javascript:") ? 11 : 0;
            text.replace(0, skip, std::string(skip, ' '));
            engine_->AddLoadHandler(element, WithoutMarkupComments(text.data(), text.size()),
                                    LinesOfCode(text.data(), text.size(), &origins, 0));
        }
        if (attributes != &attributes_) {
            attributes_ = saved;
        }
    }

    // Whether the image of an img tag is there (unknown: not), by the tag's
    // own attributes: markup its handlers write has attributes of its own.
    bool ImageThere(const std::vector<Attribute>& attributes)
    {
        const Attribute* src = FindAttribute(bytes_, attributes, "src");
        std::string name;
        std::vector<ReferenceRemark> ignored;
        if (!files_ || !src) {
            return false;
        }
        DecodeValue(bytes_, *src, &name, &ignored);
        return !Trim(name).empty() && files_->Holds(Trim(name));
    }

    // A <SCRIPT FOR=... EVENT=...> is a handler: of the window's load it runs
    // as the page loads; of anything else it waits for the reader.
    bool EventScript(size_t start, size_t end, ScriptLanguage language)
    {
        const Attribute* target = FindAttribute(bytes_, attributes_, "for");
        const Attribute* event = FindAttribute(bytes_, attributes_, "event");
        if (!target || !event || origins_) {
            return false;
        }
        std::string targetName;
        std::string eventName;
        std::vector<ReferenceRemark> ignored;
        DecodeValue(bytes_, *target, &targetName, &ignored);
        DecodeValue(bytes_, *event, &eventName, &ignored);
        eventName = AsciiLower(Trim(eventName));
        eventName = eventName.substr(0, eventName.find('('));
        bool load = (eventName == "onload" && EqualsNoCase(Trim(targetName), "window")) ||
                    eventName == "onreadystatechange";
        if (language == ScriptVBScript) {
            ScriptText(bytes_ + start, end - start, nullptr, start, load);
        } else if (load && engine_ && built_ < 0 && !building_) {
            engine_->AddLoadHandler(-1, WithoutMarkupComments(bytes_ + start, end - start),
                                    LinesOfCode(bytes_ + start, end - start, nullptr, start));
        }
        return true;
    }

    void Script(size_t start, size_t end, ScriptLanguage language)
    {
        if (EventScript(start, end, language)) {
            return;
        }
        const Attribute* src = FindAttribute(bytes_, attributes_, "src");
        if (language == ScriptJScript && src && src->valueStart < src->valueEnd) {
            LoadScript(*src);
            return;
        }
        if (language == ScriptJScript) {
            std::vector<size_t> origins;
            if (origins_) {
                for (size_t i = start; i < end; ++i) {
                    origins.push_back(PageOffset(i));
                }
            }
            RunJScript(bytes_ + start, end - start, origins_ ? &origins : nullptr, start);
            return;
        }
        if (origins_) {
            std::vector<size_t> origins(end - start);
            for (size_t i = 0; i < origins.size(); ++i) {
                origins[i] = PageOffset(start + i);
            }
            ScriptText(bytes_ + start, end - start, &origins, 0, true);
        } else {
            ScriptText(bytes_ + start, end - start, nullptr, start, true);
        }
    }

    // A script element's src: the file runs in the page's engine, whatever
    // its extension, in its own place, instead of the element's text. A file
    // the page's check cannot read runs nothing, as in the viewer.
    void LoadScript(const Attribute& src)
    {
        std::string name;
        std::vector<ReferenceRemark> ignored;
        DecodeValue(bytes_, src, &name, &ignored);
        if (!files_ || !engine_ || building_ || built_ >= 0) {
            return;
        }
        loaded_.emplace_back();
        LoadedScript& script = loaded_.back();
        if (!files_->Read(name, &script.text, &script.place)) {
            loaded_.pop_back();
            return;
        }
        script.tag = PageOffset(src.valueStart);
        script.base = nextBase_;
        nextBase_ += script.text.size() + 1;
        RunJScript(script.text.data(), script.text.size(), nullptr, script.base);
    }

    // A JScript runs in the page's engine, where it stands; what it writes
    // is read right after it.
    void RunJScript(const char* text, size_t size, const std::vector<size_t>* origins, size_t base)
    {
        ScriptLines lines = LinesOfCode(text, size, origins, base);
        if (!engine_ || built_ >= 0 || building_ || lines.empty()) {
            return;  // markup set as innerHTML runs no script
        }
        if (depth_ >= MostScriptDepth) {
            unfinished_.push_back({lines[0], lines[0],
                                   "scripts that write scripts go deeper than " + std::to_string(MostScriptDepth)});
            return;
        }
        // The script stands where its code starts.
        size_t first = 0;
        while (first < size && (IsBlank(text[first]) || text[first] == '\n' || text[first] == '\r')) {
            ++first;
        }
        size_t place = first == size ? lines[0] : origins ? (*origins)[first] : base + first;
        engine_->Run(WithoutMarkupComments(text, size), lines, place);
    }

    // A VBScript, read, not run: its writes of literals are read as markup at
    // its place, one stream; a write of anything else is said; a control
    // built otherwise is said once, at the first string that shows it.
    void ScriptText(const char* text, size_t size, const std::vector<size_t>* origins, size_t base,
                    bool runsAsPageOpens)
    {
        if (runsAsPageOpens) {
            openingScripts_.push_back(std::string(text, size));
        }
        if (depth_ >= MostScriptDepth || size == 0) {
            return;
        }
        std::vector<ScriptString> strings;
        ReadScriptStrings(text, size, origins, base, &strings);
        for (const ScriptString& string : strings) {
            bool markup = string.text.find('<') != std::string::npos;
            if (!string.text.empty() && NamesShortCutControl(string.text, markup && !string.joinedToExpression)) {
                scan_->remarks.push_back({string.start, 0, RuleScriptedShortcut,
                                          "this script builds an HTML Help ShortCut control in a way that cannot "
                                          "be read as text; what it starts is decided as the page runs"});
                break;
            }
        }
        ScriptString stream = {std::string(), std::vector<size_t>(), 0, false};
        std::vector<size_t> others;
        ReadVbScriptWrites(text, size, origins, base, &stream, &others);
        if (!others.empty()) {
            size_t first = 0;  // the script stands where its code starts
            while (first + 1 < size && (IsBlank(text[first]) || text[first] == '\n' || text[first] == '\r')) {
                ++first;
            }
            size_t script = origins ? (*origins)[first] : base + first;
            unfinished_.push_back({script, others[0],
                                   "VBScript is read, not run, and this writes markup made of more than literals"});
        }
        if (!stream.text.empty()) {
            ReadScriptMarkup(stream.text, stream.origins, true, -1);
        }
    }

    // Markup a script wrote, read as the page's own where the script stands:
    // what it leaves open stays open for the page's markup after it (shared).
    // Markup it built is read apart: its elements are the one it built
    // (built), or made anew.
    void ReadScriptMarkup(const std::string& markup, const std::vector<size_t>& origins, bool shared, long built)
    {
        const char* bytes = bytes_;
        size_t size = size_;
        const std::vector<size_t>* savedOrigins = origins_;
        long savedBuilt = built_;
        bool savedBuilding = building_;
        std::vector<OpenObject> objects;
        if (!shared) {
            objects.swap(objects_);
        }
        MarkupSearches searches = searches_;  // over the page's bytes
        searches_ = MarkupSearches();
        bytes_ = markup.data();
        size_ = markup.size();
        origins_ = &origins;
        built_ = built;
        building_ = !shared;
        ++depth_;
        Markup();
        --depth_;
        if (!shared) {
            FinishObjects();
            objects_.swap(objects);
        }
        bytes_ = bytes;
        size_ = size;
        origins_ = savedOrigins;
        built_ = savedBuilt;
        building_ = savedBuilding;
        searches_ = searches;
    }

    // The scripts that stopped, each said at the script, with the line where
    // it stopped.
    void SayUnfinishedScripts()
    {
        std::vector<UnfinishedScript> stops = unfinished_;
        if (engine_) {
            for (const ScriptStop& stop : engine_->Stops()) {
                stops.push_back({stop.script, stop.offset, stop.reason});
            }
        }
        for (const UnfinishedScript& stop : stops) {
            TextCursor cursor = CursorOf(stop.stop);
            cursor.MoveTo(stop.stop - BaseOf(stop.stop));
            scan_->remarks.push_back({stop.script, 0, RuleUnfinishedScript,
                                      "the script stopped at line " + std::to_string(cursor.line) + ": " + stop.reason +
                                          "; what it writes after that is not checked"});
        }
    }

    // A value decoded, its malformed references placed in the page.
    void Decode(const Attribute& attribute, std::string* value, std::vector<ReferenceRemark>* remarks,
                size_t limit = static_cast<size_t>(-1), size_t* length = nullptr)
    {
        size_t before = remarks->size();
        size_t decoded = DecodeValue(bytes_, attribute, value, remarks, limit);
        if (length) {
            *length = decoded;
        }
        for (size_t i = before; i < remarks->size(); ++i) {
            (*remarks)[i].offset = PageOffset((*remarks)[i].offset);
        }
    }

    // A PARAM belongs to the innermost open object.
    void StartObject(size_t start, long element)
    {
        objects_.push_back(OpenObject());
        OpenObject& object = objects_.back();
        object.start = start;
        object.element = element;
        std::string value;
        const Attribute* classId = FindAttribute(bytes_, attributes_, "classid");
        if (classId) {
            Decode(*classId, &value, &object.remarks);
            object.shortCutClass = IsShortCutClass(value);
        }
        // Scripts reach an object by its id, or by its name.
        const Attribute* id = FindAttribute(bytes_, attributes_, "id");
        if (!id) {
            id = FindAttribute(bytes_, attributes_, "name");
        }
        if (id) {
            Decode(*id, &value, &object.remarks);
            object.id = Trim(value);
        }
    }

    void Param()
    {
        OpenObject& object = objects_.back();
        const Attribute* name = FindAttribute(bytes_, attributes_, "name");
        const Attribute* value = FindAttribute(bytes_, attributes_, "value");
        if (!name || !value) {
            return;
        }
        std::string decodedName;
        Decode(*name, &decodedName, &object.remarks);
        decodedName = Trim(decodedName);
        if (EqualsNoCase(decodedName, "command")) {
            std::string command;
            Decode(*value, &command, &object.remarks);
            // The command's name comes before its options: "ShortCut,MENU".
            command = Trim(command.substr(0, command.find(',')));
            object.shortCutCommand = object.shortCutCommand || EqualsNoCase(command, "shortcut");
            if (std::none_of(object.commands.begin(), object.commands.end(),
                             [&](const std::string& known) { return EqualsNoCase(known, command.c_str()); })) {
                object.commands.push_back(command);
            }
        } else if (EqualsNoCase(decodedName, "item1")) {
            object.items.emplace_back();
            Item1& item = object.items.back();
            Decode(*value, &item.text, &object.remarks, KeptValueSize, &item.length);
            // Placed now: the object may end in other markup than its PARAM's.
            size_t first = item.text.find(',');
            size_t second = first == std::string::npos ? std::string::npos : item.text.find(',', first + 1);
            size_t parametersStart = second == std::string::npos ? item.text.size() : second + 1;
            // Without a comma the value names nothing: it is placed where it starts.
            size_t origin = first == std::string::npos ? value->valueStart : OriginOf(bytes_, *value, parametersStart);
            item.origin = PageOffset(origin);
            item.undecodable = AnyWithin(undecodable_, item.origin, PageOffset(value->valueEnd));
            item.written = origins_ != nullptr;
            item.end = item.written ? 0 : PageOffset(value->valueEnd);
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
        if (object.commands.size() > 1) {
            SeveralCommands(object);
        }
        for (Item1& item : object.items) {
            ItemLink(&item, object, &object.remarks);
        }
    }

    // Which of several Command PARAMs the control reads is not documented:
    // the object is said, and its links checked as a ShortCut's.
    void SeveralCommands(const OpenObject& object)
    {
        std::string names;
        for (const std::string& command : object.commands) {
            names += (names.empty() ? "\"" : ", \"") + command + "\"";
        }
        scan_->remarks.push_back({PageOffset(object.start), 0, RuleSeveralCommands,
                                  "this HTML Help control has several Command PARAMs (" + names +
                                      "): which one the control reads is not documented; its Item1 PARAMs are "
                                      "checked as a ShortCut's"});
    }

    // The link of one Item1 of a ShortCut object. The object's malformed
    // references are said once, with the first that starts Tipstart.
    void ItemLink(Item1* item1, const OpenObject& object, std::vector<ReferenceRemark>* remarks)
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
            remarks_.insert(remarks_.end(), remarks->begin(), remarks->end());
            remarks->clear();
        }
        std::string firstField = Trim(item.substr(0, first == std::string::npos ? 0 : first));
        // The parameters take the value's own storage: a long value is not copied.
        item.erase(0, parametersStart);
        // The line holds the offset until PlaceFindings turns it into a place.
        size_t parametersLength = item1->length - parametersStart;
        scan_->links.push_back(
            {item1->origin, 0, program, std::move(item), parametersLength, tipstart, item1->undecodable});
        scan_->links.back().writtenByScript = item1->written;
        scan_->links.back().firstField = firstField;
        scan_->links.back().endLine = item1->end;  // an offset until PlaceFindings
        linkIds_.push_back(object.id);
        linkElements_.push_back(object.element);
    }

    // A directive is for the first ShortCut after it, and the first page
    // reference after it.
    void AimDirectivesByPlace()
    {
        if (scan_->directives.empty()) {
            return;
        }
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
        struct Spot {
            size_t* line;  // holding the offset
            size_t* column;
            size_t* file;  // null for a directive, always in the page
        };
        std::vector<Spot> places;
        for (FoundLink& link : scan_->links) {
            places.push_back({&link.line, &link.column, &link.file});
            if (link.endLine) {
                places.push_back({&link.endLine, &link.endColumn, nullptr});
            }
        }
        for (PageRemark& remark : scan_->remarks) {
            places.push_back({&remark.line, &remark.column, &remark.file});
        }
        for (Directive& directive : scan_->directives) {
            places.push_back({&directive.line, &directive.column, nullptr});
            if (directive.referenceLine) {
                places.push_back({&directive.referenceLine, &directive.referenceColumn, nullptr});
            }
        }
        std::stable_sort(places.begin(), places.end(), [](const Spot& a, const Spot& b) { return *a.line < *b.line; });
        // The script files' offsets follow the page's, each file's after the one before.
        std::vector<size_t> shown(loaded_.size() + 1, 0);
        size_t file = 0;
        TextCursor cursor(bytes_, size_);
        for (const Spot& place : places) {
            size_t offset = *place.line;
            size_t own = FileOf(offset);
            if (own != file) {
                file = own;
                cursor = CursorOf(offset);
            }
            cursor.MoveTo(offset - BaseOf(offset));
            *place.line = cursor.line;
            *place.column = cursor.column;
            if (place.file) {
                *place.file = file == 0 ? 0 : ShownFile(file, &shown);
            }
        }
    }

    // Which file an offset is in: 0 for the page, k for loaded_[k - 1].
    size_t FileOf(size_t offset) const
    {
        size_t file = 0;
        while (file < loaded_.size() && offset >= loaded_[file].base) {
            ++file;
        }
        return file;
    }

    size_t BaseOf(size_t offset) const
    {
        size_t file = FileOf(offset);
        return file == 0 ? 0 : loaded_[file - 1].base;
    }

    TextCursor CursorOf(size_t offset) const
    {
        size_t file = FileOf(offset);
        return file == 0 ? TextCursor(bytes_, size_)
                         : TextCursor(loaded_[file - 1].text.data(), loaded_[file - 1].text.size());
    }

    // The index in scan_->scriptFiles, plus one, of a loaded file that holds
    // a finding; shown keeps those given.
    size_t ShownFile(size_t file, std::vector<size_t>* shown)
    {
        if ((*shown)[file] == 0) {
            scan_->scriptFiles.push_back(loaded_[file - 1].place);
            (*shown)[file] = scan_->scriptFiles.size();
        }
        return (*shown)[file];
    }

    // A script file the page loads, and where its bytes' offsets start.
    struct LoadedScript {
        std::string text;
        Place place;
        size_t tag = 0;   // the page offset of the src that loads it
        size_t base = 0;
    };

    const char* bytes_;
    size_t size_;
    const std::vector<size_t>* undecodable_;
    ScriptBudget budget_;
    PageScan* scan_;
    std::unique_ptr<ScriptEngine> engine_;  // only for a page that may run script
    ScriptFiles* files_ = nullptr;
    std::deque<LoadedScript> loaded_;
    size_t nextBase_ = static_cast<size_t>(-1);
    long built_ = -1;        // reading markup a script built of its own elements: the element
    bool building_ = false;  // reading markup a script set (innerHTML): its scripts do not run
    std::vector<UnfinishedScript> unfinished_;
    std::vector<long> linkElements_;  // the object element of each link in the engine, -1 for none
    const std::vector<size_t>* origins_ = nullptr;  // in markup a script writes
    int mode_ = 7;
    int depth_ = 0;
    bool baseFound_ = false;
    std::vector<Attribute> attributes_;
    MarkupSearches searches_;  // over bytes_
    std::vector<ReferenceRemark> remarks_;
    std::vector<OpenObject> objects_;
    std::vector<std::string> linkIds_;  // the object id of each link, in the order found
    std::vector<std::string> openingScripts_;  // the VBScripts that run as the page opens
};

}  // namespace

bool ReadDirective(const std::string& comment, Directive* directive)
{
    std::string text = Trim(comment);
    const char* const name = DirectiveName;
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

void FindPageLinks(const char* text, size_t size, const std::vector<size_t>* undecodable, PageScan* scan,
                   const ScriptBudget& budget, ScriptFiles* files, int documentMode)
{
    PageScanner scanner(text, size, undecodable, budget, scan);
    scanner.Run(files, documentMode);
}

void FindScriptLinks(const char* text, size_t size, ScriptLanguage language, const std::vector<size_t>* undecodable,
                     PageScan* scan, const ScriptBudget& budget)
{
    PageScanner(text, size, undecodable, budget, scan).RunScript(language);
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

TextKind TextKindOfName(const std::string& name)
{
    size_t length = name.size();
    return EndsWithNoCase(name.c_str(), length, ".js")    ? TextJScript
           : EndsWithNoCase(name.c_str(), length, ".vbs") ? TextVBScript
                                                          : TextPage;
}

void FindTextLinks(const PageText& page, TextKind kind, const ScriptBudget& budget, ScriptFiles* files,
                   PageScan* scan, PageScan* utf8)
{
    ScriptLanguage language = kind == TextVBScript ? ScriptVBScript : ScriptJScript;
    std::vector<size_t> none;
    // A list is read as UTF-8 when it looks like it: it has one reading.
    struct Reading {
        const char* text;
        size_t size;
        const std::vector<size_t>* undecodable;
        PageScan* scan;
    } readings[2] = {{page.text, page.size, &page.undecodable, scan},
                     {page.utf8Reading.data(), page.utf8Reading.size(), &none, utf8}};
    for (const Reading& reading : readings) {
        if (kind == TextList) {
            FindListLinks(reading.text, reading.size, reading.undecodable, reading.scan);
        } else if (kind == TextPage) {
            int mode = reading.text == page.text ? page.documentMode : 0;
            FindPageLinks(reading.text, reading.size, reading.undecodable, reading.scan, budget, files, mode);
        } else {
            FindScriptLinks(reading.text, reading.size, language, reading.undecodable, reading.scan, budget);
        }
        if (!page.undeclaredUtf8) {
            break;
        }
    }
}
