// The end-to-end driver: plays a scenario against kestrin.exe as a user would, or times
// how long a program takes to show its first window.
//
//   kestrin_e2e.exe --build DIR --fixtures DIR --samples DIR [--app DIR] [--shots DIR]
//                   [--args TEXT] [--source DIR] [--package DIR] SCENARIO
//   kestrin_e2e.exe --bench RUNS PROGRAM [ARGUMENTS...]
//   kestrin_e2e.exe --add-printer NAME PORT DRIVER
//
// Paths may be given as Unix paths; they are reached through Wine's drive Z:.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "runner.h"
#include "script.h"
#include "tests/support/desktop.h"
#include "tests/support/test_constants.h"
#include "tests/support/utility.h"

namespace {

std::wstring ReadUtf8File(const std::wstring& path) {
    const auto bytes = FileBytes(path);
    if (!bytes) throw std::runtime_error("cannot read " + ToUtf8(path));
    return FromUtf8(*bytes);
}

std::wstring Quote(const std::wstring& text) {
    return text.find(L' ') == std::wstring::npos ? text : L"\"" + text + L"\"";
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// From process creation to its first visible window, over several runs.
int Bench(int runs, const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const std::wstring& a : arguments) commandLine += L" " + Quote(a);
    GetDesktopWindow();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, shown;
        QueryPerformanceCounter(&start);
        const auto started = StartProcess(program.c_str(), commandLine, 0, nullptr);
        if (!started) return 2;
        const HANDLE process = started->process.get();
        HWND window = nullptr;
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (GetTickCount64() < deadline) {
            const std::vector<HWND> windows = VisibleWindows(started->processId);
            if (!windows.empty()) {
                window = windows.front();
                break;
            }
            if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) break;
        }
        QueryPerformanceCounter(&shown);
        if (!window) {
            Print(L"no window from " + program);
            TerminateProcess(process, 1);
            return 1;
        }
        times.push_back(Milliseconds(start, shown));
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        wchar_t text[64];
        swprintf(text, 64, L"run %d: %.1f ms", i + 1, times.back());
        Print(text);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median =
        sorted.size() % 2 ? sorted[sorted.size() / 2] : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
    wchar_t text[160];
    swprintf(text, 160, L"summary runs %zu median %.1f mean %.1f min %.1f max %.1f", times.size(), median, mean,
             sorted.front(), sorted.back());
    Print(text);
    return 0;
}

// A printer for a scenario to start from. Wine refuses a second AddPrinterW in one
// process, so the driver adds each from a process of its own.
int MakePrinter(std::wstring name, std::wstring port, std::wstring driver) {
    std::wstring processor = kPrintProcessorName;
    PRINTER_INFO_2W info{};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    const HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!printer) {
        Print(L"cannot add the printer " + name + L": error " + std::to_wstring(GetLastError()));
        return 1;
    }
    ClosePrinter(printer);
    return 0;
}

int Usage() {
    Print(
        L"usage: kestrin_e2e --build DIR --fixtures DIR --samples DIR [--app DIR] [--shots DIR] [--args TEXT] "
        L"[--source DIR] [--package DIR] SCENARIO\n       kestrin_e2e --bench RUNS PROGRAM [ARGUMENTS...]\n"
        L"       kestrin_e2e --add-printer NAME PORT DRIVER");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 3 && args[0] == L"--bench") {
            return Bench(std::stoi(args[1]), WindowsPath(args[2]), {args.begin() + 3, args.end()});
        }
        if (args.size() == 4 && args[0] == L"--add-printer") return MakePrinter(args[1], args[2], args[3]);
        Places places;
        places.app = L"C:\\Kestrin";
        places.args = L"eng Kiosk1 {inf}";
        const std::pair<const wchar_t*, std::wstring Places::*> options[] = {
            {L"--build", &Places::build},   {L"--fixtures", &Places::fixtures}, {L"--samples", &Places::samples},
            {L"--app", &Places::app},       {L"--shots", &Places::shots},       {L"--args", &Places::args},
            {L"--source", &Places::source}, {L"--package", &Places::package}};
        std::wstring scenario;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const auto option =
                std::find_if(std::begin(options), std::end(options), [&](const auto& o) { return args[i] == o.first; });
            if (option != std::end(options) && i + 1 < args.size()) {
                ++i;  // paths may be a Unix system's; --args is a command line
                places.*option->second = option->second == &Places::args ? args[i] : WindowsPath(args[i]);
            } else if (option == std::end(options) && scenario.empty()) {
                scenario = WindowsPath(args[i]);
            } else {
                return Usage();
            }
        }
        if (scenario.empty() || places.build.empty() || places.samples.empty()) return Usage();

        const std::vector<Step> steps = ParseScript(ReadUtf8File(scenario));
        Runner runner(places);
        const int failures = runner.Play(steps);
        Print(failures ? L"FAILED: " + std::to_wstring(failures) + L" expectation(s)" : L"PASSED");
        return failures ? 1 : 0;
    } catch (const std::exception& e) {
        Print(L"ERROR: " + FromUtf8(e.what()));
        return 2;
    }
}
