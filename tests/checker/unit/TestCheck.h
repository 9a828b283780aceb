// What the checker's tests share: a ShortCut object, the reports as text,
// and a run of the checker over a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "checker/Run.h"
#include "checker/report/Report.h"
#include "checker/core/Rules.h"
#include "tests/checker/unit/TestFolder.h"

// An HTML Help ShortCut object on one line; its parameters start after 141
// characters (when the program takes 12).
inline std::string ShortCut(const std::string& item1)
{
    return "<OBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">"
           "<PARAM name=\"Command\" value=\"ShortCut\"><PARAM name=\"Item1\" value=\"" +
           item1 + "\"></OBJECT>";
}

inline std::string ShortCutLine(const std::string& item1)
{
    return ShortCut(item1) + "\n";
}

// What write writes to a stream.
template <typename Write>
std::string Written(Write write)
{
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    write(out);
    fclose(out);
    std::string written(text, size);
    free(text);
    return written;
}

inline std::string TextReport(const CheckResults& results)
{
    return Written([&](FILE* out) { WriteTextReport(out, results); });
}

// A run of the checker with the folder as the folder it runs in. The folder
// is a repository's root (a worktree's .git file), where the checker's
// upward searches stop.
class Checking : public ::testing::Test {
protected:
    Checking()
    {
        folder_.File(".git", "gitdir: elsewhere\n");
        options_.folders.workingFolder = folder_.Path();
        Restart();
    }

    // A new run with options_.
    void Restart() { run_.reset(new CheckRun(options_)); }
    CheckResults& Results() { return run_->results; }

    // The rule ids of the findings, in order, for the paths given.
    std::string Check(std::initializer_list<std::string> paths)
    {
        for (const std::string& path : paths) {
            CheckPath(folder_.Path(path), run_.get());
        }
        SortFindings(&Results().findings);
        std::string ids;
        for (const Finding& finding : run_->results.findings) {
            ids += (ids.empty() ? "" : " ") + std::string(RuleOf(finding.rule).id);
        }
        return ids;
    }

    std::string Messages() const
    {
        std::string all;
        for (const Finding& finding : run_->results.findings) {
            all += ShownFile(finding.place) + ": " + finding.message + "\n";
        }
        return all;
    }

    // The text report of the paths given, with the folder's own path left out.
    std::string Lines(std::initializer_list<std::string> paths)
    {
        Check(paths);
        std::string text = TextReport(Results());
        std::string root = folder_.Path() + "/";
        for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
            text.erase(at, root.size());
        }
        return text;
    }

    TestFolder folder_;
    CheckOptions options_;
    std::unique_ptr<CheckRun> run_;
};
