// Times start-to-exit of two command lines, alternating them run by run, and
// prints each one's median and their ratio.
//   StartTimer RUNS PROGRAM_A "COMMAND_LINE_A" PROGRAM_B "COMMAND_LINE_B"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double RunOnce(const std::string& program, const std::string& commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "cannot start %s\n", program.c_str());
        exit(1);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: StartTimer RUNS PROGRAM_A LINE_A PROGRAM_B LINE_B\n");
        return 2;
    }
    int runs = atoi(argv[1]);
    std::vector<double> a, b;
    RunOnce(argv[2], argv[3]);  // warm the caches once for each
    RunOnce(argv[4], argv[5]);
    for (int i = 0; i < runs; ++i) {
        if (i % 2) {
            a.push_back(RunOnce(argv[2], argv[3]));
            b.push_back(RunOnce(argv[4], argv[5]));
        } else {
            b.push_back(RunOnce(argv[4], argv[5]));
            a.push_back(RunOnce(argv[2], argv[3]));
        }
    }
    double medianA = Median(a), medianB = Median(b);
    printf("runs each:          %d\n", runs);
    printf("Tipstart.exe median: %.1f ms (min %.1f, max %.1f)\n", medianA, *std::min_element(a.begin(), a.end()),
           *std::max_element(a.begin(), a.end()));
    printf("minimal median:      %.1f ms (min %.1f, max %.1f)\n", medianB, *std::min_element(b.begin(), b.end()),
           *std::max_element(b.begin(), b.end()));
    printf("ratio:               %.3f (target <= 1.10)\n", medianA / medianB);
    return 0;
}
