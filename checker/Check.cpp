#include "checker/Check.h"

#include <system_error>

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
        std::string reason = error && error != std::errc::no_such_file_or_directory ? "cannot be read: " + error.message()
                                                                                    : std::string("does not exist");
        Place place = {given, std::string(), 0, 0};
        run->results.findings.push_back({place, RuleUnreadableInput, reason});
        return;
    }
    WalkTree(path, fs::is_directory(status), given, run);
}
