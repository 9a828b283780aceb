#include "checker/Ahead.h"

#include <algorithm>

#include "checker/system/FileBytes.h"
#include "checker/system/System.h"

namespace {

// Texts are handed over until this many are held, or this many bytes; and
// the other core reads on until the texts it has read and the run has not
// taken hold this many bytes: enough to keep it busy, little beside a
// page's own memory. Fewer texts held leave the run reading more of them
// itself while the other core ends the oldest, which costs it more than
// the wait.
const size_t HeldTexts = 64;
const size_t HeldBytes = 8 * 1024 * 1024;

// The files a text's scripts load, asked for on the other core: none is
// answered there, and the asking is noted so that the run finds the text again.
class FilesNotAtHand : public ScriptFiles {
public:
    explicit FilesNotAtHand(TextRead* text) : text_(text) {}
    bool Read(const std::string& src, std::string*, Place*) override
    {
        Ask(src);
        return false;
    }
    bool Holds(const std::string& src) override
    {
        Ask(src);
        return false;
    }

private:
    void Ask(const std::string& src)
    {
        text_->asksFiles = true;
        text_->asked.push_back(src);
    }
    TextRead* text_;
};

enum EntryState { EntryWaiting, EntryReading, EntryRead };

// What a text read holds, roughly.
size_t TextBytes(const TextRead& text)
{
    return text.bytes.size() + text.page.decoded.size() + text.page.ownBytes.size();
}

// A text read away from the run: its files' questions are not answered.
void ReadAway(TextRead* text, const ScriptBudget& budget, TargetResolutions* resolutions)
{
    text->asked.clear();
    FilesNotAtHand files(text);
    ReadAndFind(text, budget, &files, resolutions);
}

// A page read holds in its scan all that its check asks: its bytes go as
// soon as it is read, not when the run takes it. One whose scripts asked
// for files is read again, and a script's text is kept for the pages that
// load it.
void LetBytesGo(TextRead* text)
{
    if (!text->read || text->asksFiles || text->kind != TextPage) {
        return;
    }
    std::string().swap(text->bytes);
    std::string().swap(text->page.decoded);
    std::string().swap(text->page.ownBytes);
    std::string().swap(text->page.utf8Reading);
    std::vector<size_t>().swap(text->page.undecodable);
    text->page.text = nullptr;
    text->page.size = 0;
}

}  // namespace

struct TextsAhead::Entry {
    std::unique_ptr<TextRead> text;
    EntryState state = EntryWaiting;
    size_t given = 0;  // its bytes as handed over
    size_t read = 0;   // its text's, once read on the other core
};

void FindInText(TextRead* text, const ScriptBudget& budget, ScriptFiles* files, TargetResolutions* resolutions)
{
    text->scan = PageScan();
    text->utf8 = PageScan();
    text->targets.clear();
    FindTextLinks(text->page, text->kind, budget, files, &text->scan, &text->utf8);
    if (text->kind != TextPage) {
        return;
    }
    const HoldsPage* holds = text->holds ? &text->holds : nullptr;
    text->targetsHeld = holds != nullptr;
    FindPageTargets(text->page, text->scan, text->in, text->place, holds, resolutions, &text->targets);
    text->missing.clear();
    if (text->targetsHeld) {
        ReportPageTargets(text->targets, text->in, &text->missing);
    }
}

void ReadAndFind(TextRead* text, const ScriptBudget& budget, ScriptFiles* files, TargetResolutions* resolutions)
{
    bool isList = text->kind == TextList;
    if (text->path.empty()) {
        text->read = ReadTextBytes(text->bytes.data(), text->bytes.size(), isList, text->codePage, &text->page,
                                   &text->reason);
    } else {
        // A file on disk stands in its own folder, named from the working
        // folder, which in.shownFrom gives.
        text->in = PageOnDiskIn(text->path, text->in.shownFrom);
        text->read = ReadFileBytes(text->path, &text->bytes, &text->reason);
        text->head = text->bytes.substr(0, 4);
        text->read = text->read &&
                     ReadTextFile(text->path, &text->bytes, isList, text->codePage, &text->page, &text->reason);
    }
    if (text->read) {
        FindInText(text, budget, files, resolutions);
    }
}

TextsAhead::TextsAhead(const ScriptBudget& budget, unsigned cores) : budget_(budget)
{
    if (cores < 2) {
        return;
    }
    worker_.reset(new SystemWorker);
    if (!worker_->Start(Work, this)) {
        worker_.reset();
    }
}

TextsAhead::~TextsAhead()
{
    if (!worker_) {
        return;
    }
    worker_->Lock();
    stopping_ = true;
    worker_->Signal();
    worker_->Unlock();
    // Each thread lets its own answers go, both at once: a large help
    // file's are many, and the run's end waits for them.
    resolvedHere_.LetGo();
    worker_->Join();
}

void TextsAhead::Add(std::unique_ptr<TextRead> text)
{
    std::unique_ptr<Entry> entry(new Entry);
    entry->given = text->bytes.size();
    entry->text = std::move(text);
    givenBytes_ += entry->given;
    if (!worker_) {
        entries_.push_back(std::move(entry));
        return;
    }
    worker_->Lock();
    entries_.push_back(std::move(entry));
    worker_->Signal();
    worker_->Unlock();
}

bool TextsAhead::Full() const
{
    // Without the lock: only the run's thread adds and takes.
    return entries_.size() >= HeldTexts || givenBytes_ >= HeldBytes;
}

bool TextsAhead::Empty() const
{
    return entries_.empty();
}

// Reads a text on the calling thread, with that thread's resolutions: with
// the lock held, let go meanwhile.
void TextsAhead::ReadEntry(Entry* entry, TargetResolutions* resolutions)
{
    entry->state = EntryReading;
    worker_->Unlock();
    TextRead* text = entry->text.get();
    ReadAway(text, budget_, resolutions);
    LetBytesGo(text);
    size_t read = TextBytes(*text);
    worker_->Lock();
    entry->state = EntryRead;
    entry->read = read;
    readBytes_ += read;
    worker_->Signal();
}

// The oldest text, taken out; read here when wanted and the other core has
// not begun it. While the other core reads it, the newest text neither has
// begun is read here, unless the texts read hold enough bytes: pages of
// many megabytes each are then read one by one on each side.
std::unique_ptr<TextRead> TextsAhead::Oldest(bool wanted)
{
    Entry* oldest = entries_.front().get();
    if (worker_) {
        worker_->Lock();
        while (oldest->state == EntryReading) {
            Entry* newest = wanted && readBytes_ < HeldBytes ? NewestWaiting() : nullptr;
            if (newest) {
                ReadEntry(newest, &resolvedHere_);
            } else {
                worker_->Wait();
            }
        }
        readBytes_ -= oldest->read;
        worker_->Signal();  // it may have stopped for the bytes held
    }
    bool here = oldest->state == EntryWaiting;
    oldest->state = EntryRead;  // the other core passes it by
    std::unique_ptr<TextRead> text = std::move(oldest->text);
    givenBytes_ -= oldest->given;
    entries_.pop_front();
    if (worker_) {
        worker_->Unlock();
    }
    if (here && wanted) {
        ReadAway(text.get(), budget_, &resolvedHere_);
    }
    return text;
}

std::unique_ptr<TextRead> TextsAhead::TakeOldest()
{
    return Oldest(true);
}

void TextsAhead::DropOldest()
{
    Oldest(false);
}

void TextsAhead::Work(void* self)
{
    static_cast<TextsAhead*>(self)->RunWaiting();
}

TextsAhead::Entry* TextsAhead::NewestWaiting()
{
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if ((*entry)->state == EntryWaiting) {
            return entry->get();
        }
    }
    return nullptr;
}

// The first text the run has not taken nor the other core read; none while
// the texts read and not taken hold enough bytes.
TextsAhead::Entry* TextsAhead::NextToRead()
{
    if (readBytes_ >= HeldBytes) {
        return nullptr;
    }
    for (const std::unique_ptr<Entry>& entry : entries_) {
        if (entry->state == EntryWaiting) {
            return entry.get();
        }
    }
    return nullptr;
}

// The other core's work: each text in turn, until the run ends it.
void TextsAhead::RunWaiting()
{
    worker_->Lock();
    while (!stopping_) {
        Entry* next = NextToRead();
        if (!next) {
            worker_->Wait();
            continue;
        }
        ReadEntry(next, &resolvedAway_);
    }
    worker_->Unlock();
    resolvedAway_.LetGo();
}

MembersAside::~MembersAside()
{
    if (worker_) {
        worker_->Join();
    }
}

void MembersAside::Start(const std::string& path, const std::vector<std::string>& names, MakeText make)
{
    path_ = path;
    names_ = names;
    make_ = std::move(make);
    started_ = true;
    worker_.reset(new SystemWorker);
    if (!worker_->Start(Work, this)) {
        worker_.reset();
        Work(this);  // no thread: read here, now
    }
}

void MembersAside::Work(void* self)
{
    MembersAside* aside = static_cast<MembersAside*>(self);
    ChmFailure failure;
    ChmStatus status = ChmReadPages(aside->path_.c_str(), PageLimit, Visit, aside, &failure, &aside->names_);
    aside->resolutions_.LetGo();  // let go here, not at the run's end
    aside->Hold([&]() {
        aside->status_ = status;
        aside->failure_ = std::move(failure);
        aside->ended_ = true;
    });
}

void MembersAside::Visit(void* self, const char* name, std::string* bytes, size_t)
{
    MembersAside* aside = static_cast<MembersAside*>(self);
    // The reader finds the names in any letter case: a member named as one
    // of them in another case is the run's.
    const std::vector<std::string>& names = aside->names_;
    if (!bytes || std::find(names.begin(), names.end(), std::string(name)) == names.end()) {
        return;  // none is larger than a page can be: only those were left aside
    }
    std::unique_ptr<TextRead> text = aside->make_(std::string(name[0] == '/' ? "" : "/") + name, bytes);
    ReadAway(text.get(), aside->budget_, &aside->resolutions_);
    LetBytesGo(text.get());
    aside->Hold([&]() { aside->read_.push_back(std::move(text)); });
}

// Runs change with the lock held, and wakes the run.
void MembersAside::Hold(const std::function<void()>& change)
{
    if (!worker_) {
        change();
        return;
    }
    worker_->Lock();
    change();
    worker_->Signal();
    worker_->Unlock();
}

std::vector<std::unique_ptr<TextRead>> MembersAside::Take(bool wait)
{
    std::vector<std::unique_ptr<TextRead>> taken;
    if (!worker_) {
        taken.swap(read_);
        return taken;
    }
    worker_->Lock();
    while (wait && !ended_) {
        worker_->Wait();
    }
    taken.swap(read_);
    worker_->Unlock();
    return taken;
}

FilesAhead::FilesAhead(const ScriptBudget& budget, const std::string& working, FilesOnDisk* onDisk)
    : texts_(budget), working_(working), onDisk_(onDisk)
{
}

void FilesAhead::Coming(const std::vector<std::string>& paths)
{
    if (paths.empty()) {
        while (!reading_.empty()) {
            texts_.DropOldest();
            reading_.pop_front();
        }
        coming_.clear();
        return;
    }
    coming_.insert(coming_.end(), paths.begin(), paths.end());
    TopUp();
}

void FilesAhead::TopUp()
{
    while (!coming_.empty() && !texts_.Full()) {
        std::unique_ptr<TextRead> text(new TextRead);
        text->path = std::move(coming_.front());
        coming_.pop_front();
        text->kind = TextKindOfName(text->path);
        text->codePage = codePage_;
        text->place = {text->path, std::string(), 0, 0};
        text->in.shownFrom = working_;
        text->holds = onDisk_->Holds();
        reading_.push_back(text->path);
        texts_.Add(std::move(text));
    }
}

std::unique_ptr<TextRead> FilesAhead::Take(const std::string& path)
{
    auto at = std::find(reading_.begin(), reading_.end(), path);
    if (at == reading_.end()) {
        return nullptr;
    }
    for (size_t passed = static_cast<size_t>(at - reading_.begin()); passed > 0; --passed) {
        texts_.DropOldest();
        reading_.pop_front();
    }
    std::unique_ptr<TextRead> text = texts_.TakeOldest();
    reading_.pop_front();
    TopUp();
    return text;
}

void FilesAhead::ReadIn(unsigned codePage)
{
    codePage_ = codePage;
}
