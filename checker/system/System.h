// system/, the system as the checker meets it. In: paths, names, code pages.
// Out: files' bytes, folder listings, and Windows' answers on names and code pages.
//
// What the checker asks of the system it runs on, each answered by that
// system's own library: glibc and iconv on Linux, the Win32 API on Windows.
#pragma once

#include <stddef.h>

#include <memory>
#include <string>
#include <system_error>
#include <vector>

// The name, as the folder holds it, of the existing file or folder at path
// (UTF-8): on Windows its own letter case, whatever the path's; elsewhere
// the path's last part.
std::string SystemEntryName(const std::string& path);

// What a folder's listing tells of an entry without a look at the entry
// itself: linkError when the system could not say whether it is a link.
enum SystemEntryKind { SystemEntryFile, SystemEntryFolder, SystemEntryLink, SystemEntryOther, SystemEntryLinkError };

struct SystemEntry {
    std::string name;  // UTF-8
    SystemEntryKind kind;
};

// The entries of folder (UTF-8) in the system's order, without "." and "..".
// False, with error set, when the folder cannot be read to its end; the
// entries read until then are kept.
bool SystemListFolder(const std::string& folder, std::vector<SystemEntry>* entries, std::error_code* error);

// Decodes bytes written in codePage (a Windows code page number) into UTF-8,
// appended to out. Each byte that does not decode becomes U+FFFD, and that
// character's offset in out is added to undecodable. False when the system
// knows no such code page; out is then as it was.
bool SystemDecode(unsigned codePage, const char* bytes, size_t size, std::string* out,
                  std::vector<size_t>* undecodable);

// The ANSI code page of a Windows language identifier (LCID), by its
// language id (sort ignored); 0 when unknown, for a language without one,
// and for the ids that stand for the machine's own locale.
unsigned SystemLanguageCodePage(unsigned lcid);

// The code page the help viewer's charset database (MLang's) gives an
// encoding label, in any letter case; 0 for a label outside it.
unsigned SystemCharsetCodePage(const std::string& label);

// The number of threads the machine runs at once; 1 when it does not say.
unsigned SystemCores();

// A lock that threads take in turn.
class SystemLock {
public:
    SystemLock();
    ~SystemLock();
    void Lock();
    void Unlock();
    struct Parts;  // each system's own

private:
    std::unique_ptr<Parts> parts;
};

// A second thread of the run's, with the lock and the signal it shares with
// the run's own: work that needs nothing but its input goes on beside it.
class SystemWorker {
public:
    SystemWorker();
    ~SystemWorker();  // the thread must have been joined
    // Runs work(context) on the new thread; false when the system gives none.
    bool Start(void (*work)(void* context), void* context);
    void Join();  // waits for the work to end, when it was started
    void Lock();
    void Unlock();
    void Wait();    // with the lock held: lets it go until a signal, then holds it again
    void Signal();  // wakes every thread waiting
    struct Parts;   // each system's own

private:
    std::unique_ptr<Parts> parts;
};
