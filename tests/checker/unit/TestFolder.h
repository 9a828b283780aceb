// A scratch folder for a test, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class TestFolder {
public:
    TestFolder()
    {
        char name[] = "/tmp/tipstart-check-unit.XXXXXX";
        root_ = mkdtemp(name);
    }
    ~TestFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }

    // A file with contents at path below the folder, its folders made.
    std::string File(const std::string& path, const std::string& contents = "document\r\n") const
    {
        std::filesystem::path full = root_ / std::filesystem::u8path(path);
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << contents;
        return full.u8string();
    }

    std::string Folder(const std::string& path) const
    {
        std::filesystem::path full = root_ / std::filesystem::u8path(path);
        std::filesystem::create_directories(full);
        return full.u8string();
    }

    std::string Path(const std::string& path = std::string()) const
    {
        return (path.empty() ? root_ : root_ / std::filesystem::u8path(path)).u8string();
    }

private:
    std::filesystem::path root_;
};
