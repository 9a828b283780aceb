// Fuzzes the text operations with arbitrary texts, patterns, starts and
// counts, checking what each operation promises rather than just surviving.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "text/Text.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", what);
        abort();
    }
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

void CheckFind(const std::string& text, const std::string& pattern, int start)
{
    int found = TextFind(text.c_str(), pattern.c_str(), start);
    Check(found >= 0 && static_cast<size_t>(found) <= text.size(), "find stays inside the text");
    size_t from = start > 0 ? static_cast<size_t>(start) - 1 : 0;
    size_t expected = pattern.empty() || (start > 0 && static_cast<size_t>(start) > text.size())
                          ? std::string::npos
                          : text.find(pattern, from);
    Check(found == (expected == std::string::npos ? 0 : static_cast<int>(expected) + 1), "find gives the first match");
}

void CheckBeforeAfter(const std::string& text, const std::string& pattern)
{
    size_t at = text.find(pattern);
    std::string before = TextBefore(text.c_str(), pattern.c_str());
    Check(before == (at == std::string::npos ? text : text.substr(0, at)), "before cuts at the first match");
    const char* after = TextAfter(text.c_str(), pattern.c_str());
    Check(after >= text.c_str() && after <= text.c_str() + text.size(), "after points inside its argument");
    Check(after == text.c_str() + (at == std::string::npos ? 0 : at + pattern.size()), "after follows the match");
}

void CheckMid(const std::string& text, int start, int count)
{
    std::string mid = TextMid(text.c_str(), start, count);
    if (start < 1 || static_cast<size_t>(start) > text.size()) {
        Check(mid.empty(), "mid outside the text is empty");
        return;
    }
    size_t wanted = count < 0 ? std::string::npos : static_cast<size_t>(count);
    Check(mid == text.substr(start - 1, wanted), "mid takes count characters from start");
}

void CheckTrim(const std::string& text)
{
    std::string trimmed = TextTrim(text.c_str());
    if (!trimmed.empty()) {
        Check(!TextIsBlank(trimmed.front()) && !TextIsBlank(trimmed.back()), "trim leaves no blank edge");
    }
    Check(text.find(trimmed) != std::string::npos, "trim keeps the middle as it was");
}

void CheckReverseAndRemove(const std::string& text, const std::string& pattern)
{
    Check(std::string(TextReverse(TextReverse(text.c_str()))) == text, "reverse twice is the text");
    std::string removed = TextRemoveAll(text.c_str(), pattern.c_str());
    Check(removed.size() <= text.size(), "remove never grows");
    if (!pattern.empty()) {
        Check(removed.find(pattern) == std::string::npos, "remove leaves no occurrence");
    } else {
        Check(removed == text, "empty pattern removes nothing");
    }
}

void CheckCompare(const std::string& a, const std::string& b)
{
    int forward = TextCompare(a.c_str(), b.c_str());
    Check(forward == -TextCompare(b.c_str(), a.c_str()), "compare is antisymmetric");
    Check(forward == Sign(strcmp(a.c_str(), b.c_str())), "compare ranks bytes as unsigned");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    int start = input.ConsumeIntegral<int>();
    int count = input.ConsumeIntegral<int>();
    int codes[10];
    for (int& code : codes) {
        code = input.ConsumeIntegral<int>();
    }
    std::string pattern = input.ConsumeRandomLengthString(64);
    std::string text = input.ConsumeRemainingBytesAsString();
    text = text.c_str();  // texts end at their first NUL
    pattern = pattern.c_str();

    CheckFind(text, pattern, start);
    CheckBeforeAfter(text, pattern);
    CheckMid(text, start, count);
    CheckMid(text, start % 64, count % 64);
    CheckTrim(text);
    CheckReverseAndRemove(text, pattern);
    CheckCompare(text, pattern);
    std::string chars = TextOfChars(codes[0], codes[1], codes[2], codes[3], codes[4], codes[5], codes[6], codes[7],
                                    codes[8], codes[9]);
    Check(chars.size() <= 10, "text of chars holds at most ten");
    return 0;
}
