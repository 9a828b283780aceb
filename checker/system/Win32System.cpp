// The checker's system on Windows: the upcase mapping and code pages of the
// Win32 API.
#include <windows.h>

#include <mlang.h>
#include <process.h>

#include <filesystem>

#include "checker/system/System.h"

#include "checker/system/EncodingTables.h"

namespace {

void AppendUtf8(const wchar_t* text, int length, std::string* out)
{
    if (length <= 0) {
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    size_t at = out->size();
    out->resize(at + static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, length, &(*out)[at], bytes, nullptr, nullptr);
}

// MB_ERR_INVALID_CHARS is refused for UTF-7 (ERROR_INVALID_FLAGS).
DWORD DecodeFlags(unsigned codePage)
{
    return codePage == CP_UTF7 ? 0 : MB_ERR_INVALID_CHARS;
}

// Decodes bytes that hold at least one undecodable sequence: the longest
// sequence of at most four bytes that decodes, or one byte as U+FFFD.
void DecodeByCharacter(unsigned codePage, const char* bytes, size_t size, std::string* out,
                       std::vector<size_t>* undecodable)
{
    size_t at = 0;
    while (at < size) {
        wchar_t wide[4];
        int length = 0;
        size_t used = 1;
        for (; used <= 4 && at + used <= size; ++used) {
            length = MultiByteToWideChar(codePage, DecodeFlags(codePage), bytes + at, static_cast<int>(used), wide, 4);
            if (length > 0) {
                break;
            }
        }
        if (length > 0) {
            AppendUtf8(wide, length, out);
            at += used;
        } else {
            undecodable->push_back(out->size());
            *out += "\xEF\xBF\xBD";
            ++at;
        }
    }
}

// The wide form of UTF-8 text; empty when it is not UTF-8.
std::wstring Wide(const std::string& text)
{
    int length = text.size() < 0x10000 ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                              static_cast<int>(text.size()), nullptr, 0)
                                       : 0;
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// A value of a label's key in the charset database: the DWORD
// InternetEncoding, or the text AliasForCharset.
bool CharsetValue(HKEY key, const wchar_t* name, DWORD type, void* value, DWORD size)
{
    DWORD found = 0;
    return RegQueryValueExW(key, name, nullptr, &found, static_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
           found == type;
}

}  // namespace

std::string SystemEntryName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    std::string written = path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::wstring wide = Wide(path);
    WIN32_FIND_DATAW found;
    HANDLE search = wide.empty() || wide.find_first_of(L"*?") != std::wstring::npos
                        ? INVALID_HANDLE_VALUE
                        : FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return written;
    }
    FindClose(search);
    std::string name;
    AppendUtf8(found.cFileName, static_cast<int>(wcslen(found.cFileName)), &name);
    return name;
}

bool SystemListFolder(const std::string& folder, std::vector<SystemEntry>* entries, std::error_code* error)
{
    // The listing's own answers (FindNextFile's), through the library.
    namespace fs = std::filesystem;
    fs::directory_iterator iterator(fs::u8path(folder), *error);
    for (; !*error && iterator != fs::directory_iterator(); iterator.increment(*error)) {
        std::error_code kindError;
        SystemEntryKind kind = iterator->is_symlink(kindError) ? SystemEntryLink : SystemEntryOther;
        if (kindError) {
            kind = SystemEntryLinkError;
        } else if (kind != SystemEntryLink && iterator->is_regular_file(kindError)) {
            kind = SystemEntryFile;
        } else if (kind != SystemEntryLink && !kindError && iterator->is_directory(kindError)) {
            kind = SystemEntryFolder;
        }
        entries->push_back({iterator->path().filename().u8string(), kind});
    }
    return !*error;
}

bool SystemDecode(unsigned codePage, const char* bytes, size_t size, std::string* out,
                  std::vector<size_t>* undecodable)
{
    if (!IsValidCodePage(codePage)) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    int length = size <= 0x7FFFFFFF ? MultiByteToWideChar(codePage, DecodeFlags(codePage), bytes,
                                                          static_cast<int>(size), nullptr, 0)
                                    : 0;
    if (length <= 0) {
        DecodeByCharacter(codePage, bytes, size, out, undecodable);
        return true;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, DecodeFlags(codePage), bytes, static_cast<int>(size), &wide[0], length);
    AppendUtf8(wide.data(), length, out);
    return true;
}

unsigned SystemLanguageCodePage(unsigned lcid)
{
    unsigned language = lcid & 0xFFFF;
    DWORD codePage = 0;
    if (IsMachineLanguage(language) ||
        !GetLocaleInfoW(language, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(wchar_t))) {
        return 0;
    }
    return codePage;
}

// A charset name MLang knows of its own, beside the database: the code page
// its GetCharsetInfo reads it in; 0 when it knows none.
unsigned MlangCharsetCodePage(const std::wstring& name)
{
    static const IID multiLanguage2 = {0xdccfc164, 0x2b38, 0x11d2, {0xb7, 0xec, 0x00, 0xc0, 0x4f, 0x8f, 0x5d, 0x9a}};
    bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IMultiLanguage2* languages = nullptr;
    unsigned codePage = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, multiLanguage2,
                                   reinterpret_cast<void**>(&languages)))) {
        BSTR text = SysAllocString(name.c_str());
        MIMECSETINFO info = {};
        if (text && SUCCEEDED(languages->GetCharsetInfo(text, &info))) {
            codePage = info.uiInternetEncoding;
        }
        SysFreeString(text);
        languages->Release();
    }
    if (initialised) {
        CoUninitialize();
    }
    return codePage;
}

// The charset database as MLang reads it on Windows: the label's key, its
// InternetEncoding, an AliasForCharset followed (a few times at most, so a
// loop ends); a label the database lacks, as MLang itself names its code
// pages. Wine's MLang answers only 33 of its database's 156 labels as the
// database does: the database comes first (docs/checker.md, "Where Wine and the
// documentation differ").
unsigned SystemCharsetCodePage(const std::string& label)
{
    std::wstring name = Wide(label);
    for (int hop = 0; hop < 8 && !name.empty() && name.find(L'\\') == std::wstring::npos; ++hop) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"MIME\\Database\\Charset\\" + name).c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
            return hop == 0 ? MlangCharsetCodePage(name) : 0;
        }
        DWORD codePage = 0;
        wchar_t alias[128] = {};
        bool encoded = CharsetValue(key, L"InternetEncoding", REG_DWORD, &codePage, sizeof codePage);
        bool aliased = !encoded && CharsetValue(key, L"AliasForCharset", REG_SZ, alias, sizeof alias - sizeof(wchar_t));
        RegCloseKey(key);
        if (encoded) {
            return codePage;
        }
        name = aliased ? alias : L"";
    }
    return 0;
}

unsigned SystemCores()
{
    SYSTEM_INFO facts;
    GetSystemInfo(&facts);
    return facts.dwNumberOfProcessors > 0 ? facts.dwNumberOfProcessors : 1;
}

struct SystemLock::Parts {
    SRWLOCK lock = SRWLOCK_INIT;
};

SystemLock::SystemLock() : parts(new Parts) {}

SystemLock::~SystemLock() = default;

void SystemLock::Lock()
{
    AcquireSRWLockExclusive(&parts->lock);
}

void SystemLock::Unlock()
{
    ReleaseSRWLockExclusive(&parts->lock);
}

struct SystemWorker::Parts {
    HANDLE thread = nullptr;
    void (*work)(void*) = nullptr;
    void* context = nullptr;
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE signal = CONDITION_VARIABLE_INIT;
};

namespace {

// Started by the C runtime, which then keeps the thread's own data.
unsigned __stdcall RunWork(void* parameter)
{
    SystemWorker::Parts* parts = static_cast<SystemWorker::Parts*>(parameter);
    parts->work(parts->context);
    return 0;
}

}  // namespace

SystemWorker::SystemWorker() : parts(new Parts) {}

SystemWorker::~SystemWorker() = default;

bool SystemWorker::Start(void (*work)(void* context), void* context)
{
    parts->work = work;
    parts->context = context;
    parts->thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunWork, parts.get(), 0, nullptr));
    return parts->thread != nullptr;
}

void SystemWorker::Join()
{
    if (parts->thread) {
        WaitForSingleObject(parts->thread, INFINITE);
        CloseHandle(parts->thread);
        parts->thread = nullptr;
    }
}

void SystemWorker::Lock()
{
    AcquireSRWLockExclusive(&parts->lock);
}

void SystemWorker::Unlock()
{
    ReleaseSRWLockExclusive(&parts->lock);
}

void SystemWorker::Wait()
{
    SleepConditionVariableSRW(&parts->signal, &parts->lock, INFINITE, 0);
}

void SystemWorker::Signal()
{
    WakeAllConditionVariable(&parts->signal);
}
