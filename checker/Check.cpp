#include "checker/Check.h"

#include <system_error>

#include "checker/FileCheck.h"
#include "checker/Walk.h"

namespace fs = std::filesystem;

CheckRun::CheckRun(const CheckOptions& runOptions) : options(runOptions)
{
    PackageStart(options.installFolder, &caches.package);
}

void CheckPath(const std::string& given, CheckRun* run)
{
    fs::path path = fs::u8path(given);
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        AddUnreadable({given, "", 0, 0},
                      error && error != std::errc::no_such_file_or_directory ? "cannot be read: " + error.message()
                                                                             : std::string("does not exist"),
                      &run->results);
        return;
    }
    fs::path limit = SearchLimit(path, run->options.folders);
    if (fs::is_directory(status)) {
        WalkTree(path, limit, run);
        return;
    }
    InputKind kind = KindOfName(path.filename().u8string());
    if (kind == InputOther) {
        AddUnreadable({given, "", 0, 0},
                      std::string("is not a page (.htm .html .hhc .hhk), a compiled help file (.chm), a help "
                                  "project (.hhp) or a link list (") +
                          ListExtension + "); not checked",
                      &run->results);
        return;
    }
    CheckFile(path, kind, limit, run);
}
