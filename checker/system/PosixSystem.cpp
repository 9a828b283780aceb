// The checker's system on Linux: iconv, and readdir for folder listings.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "checker/system/System.h"

#include "checker/system/EncodingTables.h"

namespace {

// iconv's name for a Windows code page.
std::string IconvName(unsigned codePage)
{
    switch (codePage) {
    case 65001: return "UTF-8";
    case 65000: return "UTF-7";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: case 51932: return "EUC-JP";
    case 50220: return "ISO-2022-JP";
    case 54936: return "GB18030";
    case 10000: return "MACINTOSH";
    default: break;
    }
    char name[16];
    if (codePage >= 28591 && codePage <= 28605) {
        snprintf(name, sizeof name, "ISO-8859-%u", codePage - 28590);
    } else {
        snprintf(name, sizeof name, "CP%u", codePage);
    }
    return name;
}

// Windows (and Wine) give each byte from 0x80 to 0x9F that windows-1250 to
// windows-1258 leave undefined (windows-1252's 0x81, 0x8D, 0x8F, 0x90, 0x9D,
// windows-1251's 0x98...) the C1 control of the same number; glibc's tables
// refuse them.
bool IsWindowsC1Hole(unsigned codePage, unsigned char c)
{
    return codePage >= 1250 && codePage <= 1258 && c >= 0x80 && c <= 0x9F;
}

void AppendReplacement(std::string* out, std::vector<size_t>* undecodable)
{
    undecodable->push_back(out->size());
    *out += "\xEF\xBF\xBD";
}

// Each thread's converters, by code page, opened once: opening one costs
// more than decoding a page.
struct Converters {
    std::unordered_map<unsigned, iconv_t> open;
    ~Converters()
    {
        for (const auto& converter : open) {
            if (converter.second != reinterpret_cast<iconv_t>(-1)) {
                iconv_close(converter.second);
            }
        }
    }
};

// The thread's converter from codePage to UTF-8, in its initial state;
// (iconv_t) -1 when iconv knows no such code page.
iconv_t ConverterFrom(unsigned codePage)
{
    thread_local Converters converters;
    auto found = converters.open.find(codePage);
    if (found == converters.open.end()) {
        found = converters.open.emplace(codePage, iconv_open("UTF-8", IconvName(codePage).c_str())).first;
    }
    if (found->second != reinterpret_cast<iconv_t>(-1)) {
        iconv(found->second, nullptr, nullptr, nullptr, nullptr);
    }
    return found->second;
}

}  // namespace

std::string SystemEntryName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

namespace {

// What an entry is, from the listing's d_type; asked of the entry itself
// (not followed) when the file system's listing does not say.
SystemEntryKind KindOfEntry(DIR* folder, const struct dirent* entry)
{
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (fstatat(dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return SystemEntryLinkError;
        }
        return S_ISLNK(status.st_mode) ? SystemEntryLink
               : S_ISREG(status.st_mode) ? SystemEntryFile
               : S_ISDIR(status.st_mode) ? SystemEntryFolder
                                         : SystemEntryOther;
    }
    return type == DT_LNK ? SystemEntryLink : type == DT_REG ? SystemEntryFile : type == DT_DIR ? SystemEntryFolder
                                                                                                 : SystemEntryOther;
}

}  // namespace

bool SystemListFolder(const std::string& folder, std::vector<SystemEntry>* entries, std::error_code* error)
{
    error->clear();
    DIR* listing = opendir(folder.c_str());
    if (!listing) {
        *error = std::error_code(errno, std::generic_category());
        return false;
    }
    for (;;) {
        errno = 0;
        const struct dirent* entry = readdir(listing);
        if (!entry) {
            if (errno != 0) {
                *error = std::error_code(errno, std::generic_category());
            }
            break;
        }
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        entries->push_back({entry->d_name, KindOfEntry(listing, entry)});
    }
    closedir(listing);
    return !*error;
}

bool SystemDecode(unsigned codePage, const char* bytes, size_t size, std::string* out,
                  std::vector<size_t>* undecodable)
{
    iconv_t converter = ConverterFrom(codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    char* in = const_cast<char*>(bytes);
    size_t inLeft = size;
    char block[16384];
    while (inLeft > 0) {
        char* next = block;
        size_t room = sizeof block;
        size_t result = iconv(converter, &in, &inLeft, &next, &room);
        int error = result == static_cast<size_t>(-1) ? errno : 0;
        out->append(block, static_cast<size_t>(next - block));
        if ((error == EILSEQ || error == EINVAL) && IsWindowsC1Hole(codePage, static_cast<unsigned char>(*in))) {
            *out += '\xC2';
            *out += *in;
            ++in;
            --inLeft;
        } else if (error == EILSEQ || error == EINVAL) {
            // The byte that starts no character stands for itself, once.
            AppendReplacement(out, undecodable);
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        } else if (error && error != E2BIG) {
            break;
        }
    }
    return true;
}

// No library on Linux knows Windows' language identifiers nor its charset
// database: the tables generated from Wine's answers.
unsigned SystemLanguageCodePage(unsigned lcid)
{
    unsigned language = lcid & 0xFFFF;
    return IsMachineLanguage(language) ? 0 : TableLanguageCodePage(language);
}

unsigned SystemCharsetCodePage(const std::string& label)
{
    return TableCharsetCodePage(label);
}

unsigned SystemCores()
{
    unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

struct SystemLock::Parts {
    std::mutex lock;
};

SystemLock::SystemLock() : parts(new Parts) {}

SystemLock::~SystemLock() = default;

void SystemLock::Lock()
{
    parts->lock.lock();
}

void SystemLock::Unlock()
{
    parts->lock.unlock();
}

struct SystemWorker::Parts {
    std::thread thread;
    std::mutex lock;
    std::condition_variable signal;
};

SystemWorker::SystemWorker() : parts(new Parts) {}

SystemWorker::~SystemWorker() = default;

bool SystemWorker::Start(void (*work)(void* context), void* context)
{
    try {
        parts->thread = std::thread(work, context);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SystemWorker::Join()
{
    if (parts->thread.joinable()) {
        parts->thread.join();
    }
}

void SystemWorker::Lock()
{
    parts->lock.lock();
}

void SystemWorker::Unlock()
{
    parts->lock.unlock();
}

void SystemWorker::Wait()
{
    // The lock is held by this thread, not by the unique_lock: adopt it for the wait.
    std::unique_lock<std::mutex> held(parts->lock, std::adopt_lock);
    parts->signal.wait(held);
    held.release();
}

void SystemWorker::Signal()
{
    parts->signal.notify_all();
}
