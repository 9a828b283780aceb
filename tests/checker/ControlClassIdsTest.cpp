// The class ids the checker takes for the HTML Help control held against the
// Windows they were generated from (Wine on the win64 tier): every class
// whose InprocServer32 is hhctrl.ocx is in the table, and only those.
#include <windows.h>

#include <stdio.h>

#include <set>
#include <string>

namespace {

const char* const TableClassIds[] = {
#include "checker/system/tables/ControlClassIds.inc"
};

std::string Lower(const wchar_t* text)
{
    std::string out;
    for (; *text; ++text) {
        wchar_t c = *text;
        out += static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
    }
    return out;
}

// The default value of HKCR\CLSID\{id}\InprocServer32, lower case.
std::string ServerOf(HKEY classes, const wchar_t* id)
{
    std::wstring path = std::wstring(id) + L"\\InprocServer32";
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(classes, path.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                     value, &size) != ERROR_SUCCESS) {
        return std::string();
    }
    return Lower(value);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main()
{
    HKEY classes = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &classes) != ERROR_SUCCESS) {
        printf("FAIL: no HKCR\\CLSID\n");
        return 1;
    }
    std::set<std::string> registered;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(classes, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        std::string server = ServerOf(classes, name);
        if (EndsWith(server, "\\hhctrl.ocx") || server == "hhctrl.ocx") {
            std::string id = Lower(name);
            registered.insert(id.size() == 38 ? id.substr(1, 36) : id);
        }
    }
    RegCloseKey(classes);
    std::set<std::string> table(TableClassIds, TableClassIds + sizeof TableClassIds / sizeof TableClassIds[0]);
    int failures = 0;
    for (const std::string& id : registered) {
        if (!table.count(id)) {
            printf("FAIL: {%s} is registered for hhctrl.ocx but not in the table\n", id.c_str());
            ++failures;
        }
    }
    for (const std::string& id : table) {
        if (!registered.count(id)) {
            printf("FAIL: {%s} is in the table but not registered for hhctrl.ocx\n", id.c_str());
            ++failures;
        }
    }
    printf("%zu class ids of the HTML Help control, %d failures\n", registered.size(), failures);
    return failures ? 1 : 0;
}
