// Compiled help files through the system's own CHM storage (itss.dll, which
// Windows' help viewer uses and Wine implements), so the Windows build needs
// no library of its own.
#include <windows.h>
#include <stdio.h>
#include <objbase.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "checker/input/chm/ChmStorage.h"

// The ITSS storage interface; no SDK header declares it. Outside the
// anonymous namespace: a class no other unit could implement would let the
// compiler resolve its calls to the pure virtual stubs.
struct ItStorage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorageOnILockBytes(ILockBytes*, IStorage*, DWORD, SNB, DWORD,
                                                                 IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgSetTimes(const WCHAR*, const FILETIME*, const FILETIME*, const FILETIME*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetControlData(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE DefaultControlData(void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compact(const WCHAR*, int) = 0;
};

namespace {

const CLSID ItStorageClass = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID ItStorageInterface = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

std::wstring Wide(const char* text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], length);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

std::string Utf8(const WCHAR* wide)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    return text;
}

struct Reader {
    size_t pageLimit;
    ChmPageVisitor visit;
    void* context;
    unsigned long long budget;  // bytes a hostile file may make us read
    int depth;
    ChmFailure* failure;
    std::unordered_set<std::string> listed;  // read once, however often the directory lists them
    std::vector<std::string> navigation;     // the contents and index files #SYSTEM names
    const std::vector<std::string>* only;    // the only members read, when given
};

// The contents and index files the help file's #SYSTEM names.
std::vector<std::string> ReadNavigation(IStorage* root)
{
    IStream* stream = nullptr;
    if (FAILED(root->OpenStream(L"#SYSTEM", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)) &&
        FAILED(root->OpenStream(L"/#SYSTEM", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        return {};
    }
    std::vector<unsigned char> bytes(ChmSystemLimit);
    ULONG done = 0;
    HRESULT result = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &done);
    stream->Release();
    return SUCCEEDED(result) ? ChmSystemNavigation(bytes.data(), done) : std::vector<std::string>();
}

// The system's message for a result, with its number.
std::string ResultText(HRESULT result)
{
    char text[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(result), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    char number[16];
    snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(result));
    return length ? std::string(text) + " (" + number + ")" : std::string(number);
}

bool Fail(Reader* reader, const std::string& page, const std::string& reason)
{
    reader->failure->library = "ITSS";
    reader->failure->page = page;
    reader->failure->reason = reason;
    return false;
}

// Counts a member the directory lists (once each); whether it is read.
bool ListMember(const std::string& path, Reader* reader)
{
    reader->failure->members.push_back("/" + path);
    return ChmIsReadMember(path.c_str(), reader->navigation, reader->only);
}

// A stream by its path from the root; Wine's storage opens only that way, as
// it names the entries of a folder by their whole path.
IStream* OpenPage(IStorage* root, IStorage* folder, const std::wstring& path, const WCHAR* name)
{
    IStream* stream = nullptr;
    if (FAILED(root->OpenStream(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)) &&
        FAILED(folder->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        return nullptr;
    }
    return stream;
}

bool ReadPage(IStream* stream, const std::string& shown, unsigned long long size, Reader* reader)
{
    if (size > reader->pageLimit) {
        reader->visit(reader->context, shown.c_str(), nullptr, static_cast<size_t>(size));
        return true;
    }
    if (size > reader->budget) {
        return Fail(reader, shown, "expands past the expansion budget");
    }
    reader->budget -= size;
    std::string bytes(static_cast<size_t>(size), '\0');
    ULONG done = 0;
    HRESULT result = size ? stream->Read(&bytes[0], static_cast<ULONG>(size), &done) : S_OK;
    if (FAILED(result)) {
        return Fail(reader, shown, ResultText(result));
    }
    if (done != size) {
        return Fail(reader, shown, "shorter than its entry");
    }
    reader->visit(reader->context, shown.c_str(), &bytes, bytes.size());
    return true;
}

// folderPath is the folder's path from the root without a leading "/", and
// with a trailing one unless it is the root.
bool ReadFolder(IStorage* root, IStorage* folder, const std::string& folderPath, Reader* reader)
{
    if (++reader->depth > 64) {
        return Fail(reader, "/" + folderPath, "folders nested too deep");
    }
    IEnumSTATSTG* entries = nullptr;
    HRESULT listed = folder->EnumElements(0, nullptr, 0, &entries);
    if (FAILED(listed)) {
        return Fail(reader, "/" + folderPath, ResultText(listed));
    }
    bool ok = true;
    STATSTG entry;
    ULONG fetched = 0;
    while (ok && entries->Next(1, &entry, &fetched) == S_OK && fetched == 1) {
        std::string name = Utf8(entry.pwcsName);
        std::string path = name.find('/') == std::string::npos ? folderPath + name : name;
        if (!path.empty() && path[0] == '/') {
            path.erase(0, 1);
        }
        if (entry.type == STGTY_STORAGE) {
            // By its whole path from the root, as streams are: Wine names a
            // folder's entries by their whole path, and a folder opened by
            // that name from its parent lists nothing.
            IStorage* inner = nullptr;
            HRESULT opened = root->OpenStorage(Wide(path.c_str()).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                               nullptr, 0, &inner);
            if (FAILED(opened)) {
                opened = folder->OpenStorage(entry.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                             &inner);
            }
            ok = SUCCEEDED(opened) || Fail(reader, "/" + path, ResultText(opened));
            if (ok) {
                ok = ReadFolder(root, inner, path + "/", reader);
                inner->Release();
            }
        } else if (entry.type == STGTY_STREAM && ChmIsMemberName(("/" + path).c_str()) &&
                   reader->listed.insert(path).second && ListMember(path, reader)) {
            IStream* stream = OpenPage(root, folder, Wide(path.c_str()), entry.pwcsName);
            ok = stream ? ReadPage(stream, "/" + path, entry.cbSize.QuadPart, reader)
                        : Fail(reader, "/" + path, "the page cannot be opened");
            if (stream) {
                stream->Release();
            }
        }
        CoTaskMemFree(entry.pwcsName);
    }
    entries->Release();
    --reader->depth;
    return ok;
}

// A copy of the file with the mends made, in the temporary folder; empty
// when it cannot be written.
std::wstring MendedCopy(const std::wstring& path, const ChmMend* mends, unsigned count)
{
    WCHAR folder[MAX_PATH + 1] = {};
    WCHAR copy[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"tsc", 0, copy)) {
        return std::wstring();
    }
    HANDLE from = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE to = CreateFileW(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    bool ok = from != INVALID_HANDLE_VALUE && to != INVALID_HANDLE_VALUE;
    std::vector<unsigned char> block(65536);
    unsigned long long offset = 0;
    DWORD got = 0;
    while (ok && ReadFile(from, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
        ChmApplyMends(mends, count, offset, block.data(), got);
        DWORD written = 0;
        ok = WriteFile(to, block.data(), got, &written, nullptr) && written == got;
        offset += got;
    }
    if (from != INVALID_HANDLE_VALUE) {
        CloseHandle(from);
    }
    if (to != INVALID_HANDLE_VALUE) {
        CloseHandle(to);
    }
    if (!ok) {
        DeleteFileW(copy);
        return std::wstring();
    }
    return copy;
}

}  // namespace

ChmStatus ChmReadPages(const char* path, size_t pageLimit, ChmPageVisitor visit, void* context, ChmFailure* failure,
                       const std::vector<std::string>* only, unsigned long long)
{
    std::wstring widePath = Wide(path);
    HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failure->reason = ResultText(HRESULT_FROM_WIN32(GetLastError()));
        return ChmUnreadable;
    }
    std::vector<unsigned char> header(ChmPrefixSize);
    DWORD headerSize = 0;
    LARGE_INTEGER size = {};
    bool read = ReadFile(file, header.data(), ChmPrefixSize, &headerSize, nullptr) && GetFileSizeEx(file, &size);
    DWORD readError = read ? 0 : GetLastError();
    CloseHandle(file);
    if (!read) {
        failure->reason = ResultText(HRESULT_FROM_WIN32(readError));
        return ChmUnreadable;
    }
    ChmStatus status = ChmCheckHeader(header.data(), headerSize, static_cast<unsigned long long>(size.QuadPart));
    if (status != ChmRead) {
        return status;
    }
    ChmMend mends[ChmMendCapacity];
    unsigned mendCount = ChmFindMends(header.data(), headerSize, mends);
    std::wstring copy;
    if (mendCount) {
        copy = MendedCopy(widePath, mends, mendCount);
        if (copy.empty()) {
            failure->reason = "a mended copy cannot be written to the temporary folder";
            return ChmUnreadable;
        }
        widePath = copy;
    }
    bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ItStorage* storage = nullptr;
    IStorage* root = nullptr;
    status = ChmCorrupt;
    HRESULT created = CoCreateInstance(ItStorageClass, nullptr, CLSCTX_INPROC_SERVER, ItStorageInterface,
                                       reinterpret_cast<void**>(&storage));
    HRESULT opened = E_FAIL;
    if (FAILED(created)) {
        failure->library = "ITSS";
        failure->reason = ResultText(created);
        status = ChmUnreadable;
    } else if (SUCCEEDED(opened = storage->StgOpenStorage(widePath.c_str(), nullptr,
                                                          STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root))) {
        Reader reader = {pageLimit, visit, context,
                         ChmExpansionBudget(static_cast<unsigned long long>(size.QuadPart)), 0, failure, {},
                         ReadNavigation(root), only};
        status = ReadFolder(root, root, "", &reader) ? ChmRead : ChmCorrupt;
        root->Release();
    } else {
        failure->library = "ITSS";
        failure->reason = ResultText(opened);
    }
    if (storage) {
        storage->Release();
    }
    if (initialised) {
        CoUninitialize();
    }
    if (!copy.empty()) {
        DeleteFileW(copy.c_str());
    }
    return status;
}
