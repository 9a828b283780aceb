// Reads the built executables the way Windows does: PE headers and import
// tables from the file, resources through the Win32 resource API.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#ifndef SHIPPED_EXE
#error "SHIPPED_EXE must name the PE32 Tipstart.exe"
#endif
#ifndef PROJECT_VERSION_TEXT
#error "PROJECT_VERSION_TEXT must give the project's version"
#endif
#ifndef WIN64_EXE
#error "WIN64_EXE must name the PE32+ Tipstart.exe"
#endif

namespace {

std::string HostPath(const char* path)
{
    std::string converted = path[0] == '/' ? std::string("Z:") + path : std::string(path);
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

struct PeFile {
    std::vector<unsigned char> bytes;
    WORD machine = 0;
    WORD magic = 0;
    WORD subsystem = 0;
    std::vector<IMAGE_SECTION_HEADER> sections;
    IMAGE_DATA_DIRECTORY imports = {};
    IMAGE_DATA_DIRECTORY delayImports = {};
};

template <typename T>
T At(const PeFile& pe, size_t offset)
{
    T value;
    if (offset + sizeof value > pe.bytes.size()) {
        throw std::runtime_error("read past the end of the file");
    }
    memcpy(&value, pe.bytes.data() + offset, sizeof value);
    return value;
}

size_t OffsetOf(const PeFile& pe, DWORD rva)
{
    for (const IMAGE_SECTION_HEADER& section : pe.sections) {
        DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
            return rva - section.VirtualAddress + section.PointerToRawData;
        }
    }
    throw std::runtime_error("address outside every section");
}

PeFile ReadPe(const std::string& path)
{
    PeFile pe;
    std::ifstream file(path, std::ios::binary);
    pe.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (pe.bytes.size() < 512) {
        throw std::runtime_error("cannot read " + path);
    }
    size_t nt = At<LONG>(pe, offsetof(IMAGE_DOS_HEADER, e_lfanew));
    IMAGE_FILE_HEADER header = At<IMAGE_FILE_HEADER>(pe, nt + 4);
    pe.machine = header.Machine;
    size_t optional = nt + 4 + sizeof header;
    pe.magic = At<WORD>(pe, optional);
    if (pe.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 h = At<IMAGE_OPTIONAL_HEADER32>(pe, optional);
        pe.subsystem = h.Subsystem;
        pe.imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        pe.delayImports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    } else {
        IMAGE_OPTIONAL_HEADER64 h = At<IMAGE_OPTIONAL_HEADER64>(pe, optional);
        pe.subsystem = h.Subsystem;
        pe.imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        pe.delayImports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    }
    size_t first = optional + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        pe.sections.push_back(At<IMAGE_SECTION_HEADER>(pe, first + i * sizeof(IMAGE_SECTION_HEADER)));
    }
    return pe;
}

std::string NameAt(const PeFile& pe, DWORD rva)
{
    std::string name;
    for (size_t offset = OffsetOf(pe, rva); offset < pe.bytes.size() && pe.bytes[offset]; ++offset) {
        name += static_cast<char>(pe.bytes[offset]);
    }
    return Lower(name);
}

std::set<std::string> ImportedDlls(const PeFile& pe)
{
    std::set<std::string> dlls;
    if (!pe.imports.VirtualAddress) {
        return dlls;
    }
    for (size_t entry = OffsetOf(pe, pe.imports.VirtualAddress);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(pe, entry);
        if (!descriptor.Name) {
            return dlls;
        }
        dlls.insert(NameAt(pe, descriptor.Name));
    }
}

std::set<std::string> DelayImportedDlls(const PeFile& pe)
{
    std::set<std::string> dlls;
    if (!pe.delayImports.VirtualAddress) {
        return dlls;
    }
    for (size_t entry = OffsetOf(pe, pe.delayImports.VirtualAddress);; entry += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        IMAGE_DELAYLOAD_DESCRIPTOR descriptor = At<IMAGE_DELAYLOAD_DESCRIPTOR>(pe, entry);
        if (!descriptor.DllNameRVA) {
            return dlls;
        }
        dlls.insert(NameAt(pe, descriptor.DllNameRVA));
    }
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct IconImage {
    int width;
    int height;
    int colours;
    int bitCount;
    int bitmapBitCount;  // from the RT_ICON image itself
};

const WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::vector<IconImage> IconGroup(HMODULE module, int id)
{
    std::vector<IconImage> images;
    HRSRC group = FindResourceExA(module, RT_GROUP_ICON, MAKEINTRESOURCEA(id), English);
    if (!group) {
        return images;
    }
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    WORD count = *reinterpret_cast<const WORD*>(data + 4);
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, data + 6 + i * sizeof entry, sizeof entry);
        IconImage image = {entry.width, entry.height, entry.colours, entry.bitCount, -1};
        HRSRC icon = FindResourceExA(module, RT_ICON, MAKEINTRESOURCEA(entry.id), English);
        if (icon) {
            const BITMAPINFOHEADER* bitmap =
                static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, icon)));
            image.bitmapBitCount = bitmap->biBitCount;
        }
        images.push_back(image);
    }
    return images;
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::string VersionString(const std::string& path, const char* name)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> data(size ? size : 1);
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
        return "<none>";
    }
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return "<none>";
    }
    return value;
}

class Executable : public ::testing::TestWithParam<const char*> {
protected:
    std::string Path() const { return HostPath(GetParam()); }
};

TEST_P(Executable, IsAGuiProgramForItsMachine)
{
    PeFile pe = ReadPe(Path());
    bool shipped = std::string(GetParam()) == SHIPPED_EXE;
    EXPECT_EQ(pe.machine, shipped ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(pe.magic, shipped ? IMAGE_NT_OPTIONAL_HDR32_MAGIC : IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_P(Executable, ImportsOnlyWindowsOwnDllsAndTheCRuntime)
{
    PeFile pe = ReadPe(Path());
    std::set<std::string> expected = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"};
    EXPECT_EQ(ImportedDlls(pe), expected);
    // The common dialogs come in only when the chooser is shown.
    std::set<std::string> delayed = DelayImportedDlls(pe);
    for (const std::string& dll : delayed) {
        EXPECT_EQ(dll, "comdlg32.dll");
    }
}

TEST_P(Executable, CarriesFiveEnglishIconGroups)
{
    HMODULE module = LoadLibraryExA(Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << GetLastError();
    int groups = 0;
    EnumResourceNamesA(module, RT_GROUP_ICON, CountName, reinterpret_cast<LONG_PTR>(&groups));
    EXPECT_EQ(groups, 5);

    auto describe = [](const std::vector<IconImage>& images) {
        std::string text;
        for (const IconImage& i : images) {
            text += std::to_string(i.width) + "x" + std::to_string(i.height) + "/" + std::to_string(i.colours) + "c/" +
                    std::to_string(i.bitCount) + "b/" + std::to_string(i.bitmapBitCount) + "b ";
        }
        return text;
    };
    EXPECT_EQ(describe(IconGroup(module, 100)), "32x32/0c/32b/32b ");
    EXPECT_EQ(describe(IconGroup(module, 101)), "32x32/16c/4b/4b ");
    EXPECT_EQ(describe(IconGroup(module, 102)), "32x32/16c/4b/4b ");
    EXPECT_EQ(describe(IconGroup(module, 103)), "16x16/16c/4b/4b 32x32/16c/4b/4b ");
    EXPECT_EQ(describe(IconGroup(module, 104)), "32x32/16c/4b/4b ");
    FreeLibrary(module);
}

TEST_P(Executable, NamesItselfAsksForNoElevationAndSpeaksUtf8)
{
    EXPECT_EQ(VersionString(Path(), "OriginalFilename"), "Tipstart.exe");
    EXPECT_EQ(VersionString(Path(), "FileVersion"), PROJECT_VERSION_TEXT);
    EXPECT_EQ(VersionString(Path(), "ProductVersion"), PROJECT_VERSION_TEXT);

    HMODULE module = LoadLibraryExA(Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), English);
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                         SizeofResource(module, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"" PROJECT_VERSION_TEXT "\""), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(Builds, Executable, ::testing::Values(SHIPPED_EXE, WIN64_EXE),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == SHIPPED_EXE ? "Pe32" : "Pe32Plus";
                         });

}  // namespace
