#include "runner.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/exit_code.h"
#include "core/languages.h"
#include "tests/support/machine_ports.h"
#include "tests/support/test_constants.h"
#include "tests/support/utility.h"
#include "win/platform/installation_lock_name.h"

namespace {

constexpr DWORD kPageTimeout = 20000;
constexpr DWORD kExitTimeout = 60000;
constexpr UINT kKilledExitCode = 99;  // a program ended from outside, by `kill` and `killed-runs`

// Shows control characters and the ends of a text, so that a leading space or a line
// break is visible in a failure message.
std::wstring Visible(std::wstring_view text) {
    std::wstring result = L"|";
    for (const wchar_t c : text) {
        if (c < 0x20) {
            wchar_t escaped[8];
            swprintf(escaped, 8, L"\\x%02x", static_cast<unsigned>(c));
            result += escaped;
        } else {
            result += c;
        }
    }
    return result + L"|";
}

// Record-file bytes as text: each byte is the code unit of the same value.
std::wstring BytesAsLatin1(std::string_view bytes) {
    std::wstring result;
    for (const char b : bytes) result += static_cast<wchar_t>(static_cast<unsigned char>(b));
    return result;
}

// Text as bytes, one byte per character: how a scenario writes a file's contents.
std::string Bytes(std::wstring_view text) {
    std::string result;
    for (const wchar_t c : text) result += static_cast<char>(c & 0xFF);
    return result;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::vector<std::wstring> DescribeState(const SystemState& state) {
    std::vector<std::wstring> lines;
    for (const Printer& p : state.printers) {
        lines.push_back(L"printer " + Visible(p.name) + L" port " + Visible(p.port) + L" driver " + Visible(p.driver));
    }
    if (state.printers.empty()) lines.push_back(L"printer: none");
    lines.push_back(L"default printer " + (state.defaultPrinter ? Visible(*state.defaultPrinter) : L"none"));
    lines.push_back(L"record file " + (state.record ? Visible(BytesAsLatin1(*state.record)) + L" (" +
                                                          std::to_wstring(state.record->size()) + L" bytes)"
                                                    : L"absent"));
    for (const CommSettings& c : state.comm) lines.push_back(L"port " + c.Describe());
    return lines;
}

std::wstring Join(const std::vector<std::wstring>& items) {
    std::wstring result;
    for (const std::wstring& item : items) result += (result.empty() ? L"" : L", ") + Visible(item);
    return result.empty() ? L"(none)" : result;
}

bool IsProgram64Bit(const std::wstring& path) {
    DWORD type = 0;
    return GetBinaryTypeW(path.c_str(), &type) && type == SCS_64BIT_BINARY;
}

// The arguments from `first` on, joined with single spaces: bare words lose their
// spacing, |raw text| keeps its own.
std::wstring Joined(const Step& step, std::size_t first) {
    std::wstring rest;
    for (std::size_t i = first; i < step.args.size(); ++i) rest += (rest.empty() ? L"" : L" ") + step.args[i];
    return rest;
}

// A message box that asks Yes or No: its text and its two buttons.
HWND FindQuestion(DWORD processId) {
    for (const HWND window : VisibleWindows(processId)) {
        if (ClassName(window) == L"#32770" && GetDlgItem(window, IDYES) && GetDlgItem(window, IDNO) &&
            GetDlgItem(window, 0xFFFF)) {
            return window;
        }
    }
    return nullptr;
}

std::wstring TrimmedLeft(const std::wstring& line) {
    const std::size_t start = line.find_first_not_of(L' ');
    return start == std::wstring::npos ? std::wstring() : line.substr(start);
}

}  // namespace

Runner::Runner(Places places) : places_(std::move(places)) {
    Install();
}

void Runner::Install() {
    // The program is copied rather than run from the build: scenarios plant files beside
    // it and remove its libraries.
    std::filesystem::create_directories(std::filesystem::path(places_.app));
    std::vector<std::wstring> files = {L"kestrin.exe"};
    for (const Language& language : kLanguages) files.push_back(language.LibraryFile());
    for (const std::wstring& file : files) {
        if (!CopyAnew(places_.build + L"\\" + file, InApp(file))) {
            throw std::runtime_error("cannot copy " + ToUtf8(file) + " from " + ToUtf8(places_.build));
        }
    }
    programIs64Bit_ = IsProgram64Bit(InApp(L"kestrin.exe"));
    std::filesystem::copy(std::filesystem::path(places_.samples), std::filesystem::path(InApp(L"driver")),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

std::wstring Runner::InApp(const std::wstring& path) const {
    if (path.size() > 1 && (path[1] == L':' || path[0] == L'\\')) return path;
    return places_.app + L"\\" + path;
}

std::wstring Runner::SystemDirectoryOfProgram() const {
    // A 32-bit program asking for system32 gets syswow64.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + (programIs64Bit_ ? L"\\system32" : L"\\syswow64");
}

std::wstring Runner::Expand(const std::wstring& text) const {
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"{args}", places_.args},  // first: a caller's command line may name the others
        {L"{app}", places_.app},
        {L"{build}", places_.build},
        {L"{fixtures}", places_.fixtures},
        {L"{inf}", places_.app + L"\\driver\\tavik"},
        {L"{sys}", SystemDirectoryOfProgram()},
    };
    std::wstring result = text;
    for (const auto& [name, value] : variables) {
        const std::wstring key = name;
        for (std::size_t at = result.find(key); at != std::wstring::npos; at = result.find(key, at + value.size())) {
            result.replace(at, key.size(), value);
        }
    }
    return result;
}

std::wstring Runner::Expected(const std::wstring& text) {
    // @N is text N of the language library named by `strings`: the pages must show
    // exactly what the library holds.
    if (text.size() < 2 || text[0] != L'@') return Expand(text);
    if (!strings_) throw std::runtime_error("@" + ToUtf8(text.substr(1)) + " used before `strings`");
    const UINT id = static_cast<UINT>(std::stoul(text.substr(1)));
    const wchar_t* resource = nullptr;
    const int length = LoadStringW(strings_.get(), id, reinterpret_cast<wchar_t*>(&resource), 0);
    if (length <= 0) throw std::runtime_error("text " + std::to_string(id) + " missing from " + ToUtf8(stringsPath_));
    return {resource, static_cast<std::size_t>(length)};
}

std::wstring Runner::ExpectedFilled(const Step& step, std::size_t argument) {
    std::wstring text = Expected(step.args[argument]);
    if (step.args.size() > argument + 1) {
        const std::size_t at = text.find(L"{0}");
        if (at == std::wstring::npos) throw ScriptError(step.line, "the text has no {0} to fill");
        text.replace(at, 3, Expand(step.args[argument + 1]));
    }
    return text;
}

void Runner::NeedArguments(const Step& step, std::size_t count) const {
    if (step.args.size() < count) {
        throw ScriptError(step.line, ToUtf8(step.verb) + " needs " + std::to_string(count) + " arguments");
    }
}

int Runner::Number(const Step& step, std::size_t argument) const {
    NeedArguments(step, argument + 1);
    try {
        return std::stoi(step.args[argument], nullptr, 0);
    } catch (const std::exception&) {
        throw ScriptError(step.line, "not a number: " + ToUtf8(step.args[argument]));
    }
}

void Runner::Fail(const Step& step, const std::wstring& message) {
    ++failures_;
    Print(L"FAIL line " + std::to_wstring(step.line) + L" (" + step.verb + L"): " + message);
}

void Runner::Expect(const Step& step, bool holds, const std::wstring& message) {
    if (!holds) Fail(step, message);
}

template <typename Predicate>
bool Runner::Eventually(Predicate predicate, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (true) {
        if (predicate()) return true;
        if (GetTickCount64() > deadline) return false;
        WatchWindows();
        Sleep(10);
    }
}

void Runner::WatchWindows() {
    if (!run_) return;
    for (const HWND window : VisibleWindows(run_->ProcessId())) {
        if (!seenWindows_.count(window)) seenWindows_[window] = ClassName(window) + L" " + Visible(WindowText(window));
    }
}

int Runner::Play(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        try {
            Execute(step);
        } catch (const Failure&) {
            if (run_) run_->Terminate();
            Print(L"scenario stopped at line " + std::to_wstring(step.line));
            return failures_ ? failures_ : 1;
        }
    }
    if (run_ && !ended_) {
        Fail(steps.back(), L"the scenario ends before the program does: say how it ends with `exit`");
        run_->Terminate();
    }
    return failures_;
}

// clang-format off
const Runner::Verb Runner::kVerbs[] = {
    // Preparing, before a run.
    {L"remove",             Needs::Nothing,        &Runner::Remove},
    {L"plant",              Needs::Nothing,        &Runner::Plant},
    {L"package",            Needs::Nothing,        &Runner::Package},
    {L"write",              Needs::Nothing,        &Runner::Write},
    {L"copy-samples",       Needs::Nothing,        &Runner::CopySamples},
    {L"unregister-driver",  Needs::Nothing,        &Runner::UnregisterDriver},
    {L"stand-in-rundll32",  Needs::Nothing,        &Runner::StandInRundll32},
    {L"hanging-rundll32",   Needs::Nothing,        &Runner::StandInRundll32},
    {L"recording-printui",  Needs::Nothing,        &Runner::RecordingPrintUi},
    {L"override",           Needs::Nothing,        &Runner::Override},
    {L"strings",            Needs::Nothing,        &Runner::Strings},
    {L"mkdir",              Needs::Nothing,        &Runner::MakeFolder},
    {L"link",               Needs::Nothing,        &Runner::Link},
    {L"undo",               Needs::Nothing,        &Runner::Undo},
    {L"register-driver",    Needs::Nothing,        &Runner::RegisterDriver},
    {L"add-printer",        Needs::Nothing,        &Runner::MakePrinter},
    {L"add-port",           Needs::Nothing,        &Runner::ChangePort},
    {L"remove-port",        Needs::Nothing,        &Runner::ChangePort},
    {L"usb-printer",        Needs::Nothing,        &Runner::RegisterUsbPrinter},
    {L"hold",               Needs::Nothing,        &Runner::Hold},
    {L"symlink",            Needs::Nothing,        &Runner::SymbolicLink},
    {L"station",            Needs::Nothing,        &Runner::Station},
    {L"hold-lock",          Needs::Nothing,        &Runner::HoldInstallationLock},
    {L"squat-lock",         Needs::Nothing,        &Runner::SquatInstallationLock},
    {L"examples",           Needs::Nothing,        &Runner::CountExamples},
    // Running.
    {L"run",                Needs::Nothing,        &Runner::StartRun},
    {L"run-as-typed",       Needs::Nothing,        &Runner::StartRun},
    {L"example",            Needs::Nothing,        &Runner::RunExample},
    {L"parallel",           Needs::Nothing,        &Runner::StartParallel},
    {L"exit",               Needs::Nothing,        &Runner::EndRun},
    {L"wait",               Needs::Nothing,        &Runner::EndRun},
    {L"started",            Needs::RunningProgram, &Runner::WaitForChild},
    {L"kill",               Needs::RunningProgram, &Runner::Kill},
    {L"release-lock",       Needs::Nothing,        &Runner::HoldInstallationLock},
    {L"killed-runs",        Needs::Nothing,        &Runner::KilledRuns},
    // On the pages.
    {L"page",               Needs::RunningProgram, &Runner::WaitForPage},
    {L"click",              Needs::RunningProgram, &Runner::ClickOn},
    {L"choose",             Needs::RunningProgram, &Runner::ChooseItem},
    {L"tick",               Needs::RunningProgram, &Runner::Tick},
    {L"untick",             Needs::RunningProgram, &Runner::Tick},
    {L"key",                Needs::RunningProgram, &Runner::Key},
    {L"close",              Needs::RunningProgram, &Runner::Close},
    {L"post",               Needs::RunningProgram, &Runner::Post},
    {L"shot",               Needs::RunningProgram, &Runner::Shot},
    {L"text",               Needs::RunningProgram, &Runner::ExpectText},
    {L"text-has",           Needs::RunningProgram, &Runner::ExpectTextHas},
    {L"checked",            Needs::RunningProgram, &Runner::ExpectChecked},
    {L"unchecked",          Needs::RunningProgram, &Runner::ExpectChecked},
    {L"enabled",            Needs::RunningProgram, &Runner::ExpectEnabled},
    {L"disabled",           Needs::RunningProgram, &Runner::ExpectEnabled},
    {L"selected",           Needs::RunningProgram, &Runner::ExpectSelected},
    {L"focused",            Needs::RunningProgram, &Runner::ExpectFocused},
    {L"items",              Needs::RunningProgram, &Runner::ExpectItems},
    // After the run.
    {L"nothing-installed",  Needs::EndedProgram,   &Runner::NothingInstalled},
    {L"printui",            Needs::EndedProgram,   &Runner::PrintUi},
    {L"no-window",          Needs::EndedProgram,   &Runner::NoWindow},
    {L"debug",              Needs::EndedProgram,   &Runner::Debug},
    {L"debug-has",          Needs::EndedProgram,   &Runner::DebugHas},
    {L"debug-lacks",        Needs::EndedProgram,   &Runner::DebugHas},
    {L"printer",            Needs::EndedProgram,   &Runner::PrinterIs},
    {L"no-printer",         Needs::EndedProgram,   &Runner::NoPrinter},
    {L"printers-unchanged", Needs::EndedProgram,   &Runner::PrintersUnchanged},
    {L"default",            Needs::EndedProgram,   &Runner::DefaultIs},
    {L"default-unchanged",  Needs::EndedProgram,   &Runner::DefaultUnchanged},
    {L"record",             Needs::EndedProgram,   &Runner::Record},
    {L"no-record",          Needs::EndedProgram,   &Runner::NoRecord},
    {L"record-unchanged",   Needs::EndedProgram,   &Runner::RecordUnchanged},
    {L"comm",               Needs::EndedProgram,   &Runner::Comm},
    {L"comm-unchanged",     Needs::EndedProgram,   &Runner::CommUnchanged},
    {L"children",           Needs::EndedProgram,   &Runner::Children},
    {L"no-file",            Needs::EndedProgram,   &Runner::NoFile},
    {L"file",               Needs::EndedProgram,   &Runner::File},
    {L"log",                Needs::EndedProgram,   &Runner::Log},
    {L"print",              Needs::EndedProgram,   &Runner::Log},
    {L"log-has",            Needs::EndedProgram,   &Runner::LogHas},
    {L"log-lacks",          Needs::EndedProgram,   &Runner::LogHas},
    {L"effects",            Needs::EndedProgram,   &Runner::RememberEffects},
    {L"same-effects",       Needs::EndedProgram,   &Runner::SameEffects},
    {L"lasted",             Needs::EndedProgram,   &Runner::Lasted},
    {L"driver",             Needs::Nothing,        &Runner::DriverInstalled},
    {L"no-driver",          Needs::Nothing,        &Runner::DriverInstalled},
};
// clang-format on

void Runner::Execute(const Step& step) {
    const auto verb =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return step.verb == v.name; });
    if (verb == std::end(kVerbs)) throw ScriptError(step.line, "unknown step " + ToUtf8(step.verb));
    if (verb->needs == Needs::RunningProgram && (!run_ || ended_)) {
        throw ScriptError(step.line, ToUtf8(step.verb) + " needs a running program");
    }
    if (verb->needs == Needs::EndedProgram && (!run_ || !ended_)) {
        throw ScriptError(step.line, ToUtf8(step.verb) + " needs an ended program: `exit` first");
    }
    (this->*verb->does)(step);
}

void Runner::Remove(const Step& step) {
    NeedArguments(step, 1);
    const std::wstring path = InApp(Expand(step.args[0]));
    if (!DeleteFileW(path.c_str())) Fail(step, L"cannot remove " + path);
}

void Runner::Plant(const Step& step) {
    NeedArguments(step, 1);
    const std::wstring target = InApp(step.args.size() > 1 ? Expand(step.args[1]) : step.args[0]);
    if (!CopyAnew(places_.fixtures + L"\\" + step.args[0], target)) {
        Fail(step, L"cannot plant " + step.args[0] + L" as " + target);
        throw Failure{};
    }
}

void Runner::Package(const Step& step) {
    if (places_.package.empty()) throw ScriptError(step.line, "`package` needs the unpacked archive: --package DIR");
    // The programs as shipped replace the build's, the 64-bit one in x64\ included.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::copy(fs::path(places_.package), fs::path(places_.app),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
        Fail(step, L"cannot copy " + places_.package + L" to " + places_.app + L": " + FromUtf8(error.message()));
        throw Failure{};
    }
}

void Runner::Write(const Step& step) {
    NeedArguments(step, 2);
    const std::wstring path = InApp(Expand(step.args[0]));
    DeleteFileW(path.c_str());
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file << Bytes(Expand(step.args[1]));
    if (!file) Fail(step, L"cannot write " + path);
}

void Runner::CopySamples(const Step& step) {
    NeedArguments(step, 1);
    std::filesystem::path target(Expand(step.args[0]));
    std::filesystem::create_directories(target);
    std::filesystem::copy(std::filesystem::path(places_.samples), target,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

void Runner::UnregisterDriver(const Step& step) {
    for (const wchar_t* environment : {L"Windows x64", L"Windows NT x86"}) {
        const std::wstring key = std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Environments\\") +
                                 environment + L"\\Drivers\\Version-3\\" + kDriverModel;
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(step, L"cannot remove " + key);
    }
}

void Runner::StandInRundll32(const Step& step) {
    // Wine runs a rundll32.exe of our own from system32 only when told to prefer it. The
    // hanging one never ends, nor does the process it starts.
    const std::wstring target = SystemDirectoryOfProgram() + L"\\rundll32.exe";
    const std::wstring source = step.verb == L"hanging-rundll32" ? L"\\hanging\\rundll32.exe" : L"\\rundll32.exe";
    if (!CopyAnew(places_.fixtures + source, target) ||
        !SetRegistryText(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"rundll32.exe", L"native")) {
        Fail(step, L"cannot put the stand-in rundll32.exe into " + target);
        throw Failure{};
    }
}

void Runner::RecordingPrintUi(const Step& step) {
    const std::wstring target = SystemDirectoryOfProgram() + L"\\printui.dll";
    if (!CopyAnew(places_.fixtures + L"\\system\\printui.dll", target) ||
        !SetRegistryText(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"printui", L"native")) {
        Fail(step, L"cannot put the recording printui.dll into " + target);
        throw Failure{};
    }
}

void Runner::Override(const Step& step) {
    NeedArguments(step, 3);
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + step.args[0] + L"\\DllOverrides";
    if (!SetRegistryText(HKEY_CURRENT_USER, key, step.args[1], step.args[2])) Fail(step, L"cannot set " + key);
}

void Runner::MakeFolder(const Step& step) {
    NeedArguments(step, 1);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(InApp(Expand(step.args[0]))), error);
    if (error) Fail(step, L"cannot make the folder " + step.args[0]);
}

void Runner::Link(const Step& step) {
    NeedArguments(step, 2);
    const std::wstring link = InApp(Expand(step.args[0]));
    const std::wstring target = InApp(Expand(step.args[1]));
    DeleteFileW(link.c_str());
    if (!CreateHardLinkW(link.c_str(), target.c_str(), nullptr)) {
        Fail(step, L"cannot make " + link + L" a link to " + target);
        throw Failure{};
    }
}

void Runner::Undo(const Step& step) {
    if (!run_ || !ended_) throw ScriptError(step.line, "`undo` needs an ended run");
    for (const std::wstring& failure : RestoreState(before_, after_, InApp(kRecordFile))) Fail(step, failure);
}

void Runner::RegisterDriver(const Step& step) {
    NeedArguments(step, 1);
    // As the prepared prefix registers the sample's driver, for 64-bit and 32-bit programs:
    // its key, with the user-interface library that gives each new printer its data type.
    for (const wchar_t* environment : {L"Windows x64", L"Windows NT x86"}) {
        const std::wstring key = std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Environments\\") +
                                 environment + L"\\Drivers\\Version-3\\" + step.args[0];
        for (const wchar_t* file : {L"Driver", L"Data File", L"Configuration File"}) {
            if (!SetRegistryText(HKEY_LOCAL_MACHINE, key, file, L"kestrin_tavik_ui.dll")) {
                Fail(step, L"cannot register " + key);
                throw Failure{};
            }
        }
    }
}

void Runner::MakePrinter(const Step& step) {
    NeedArguments(step, 3);
    // Wine adds one printer per process: each comes from a process of its own.
    const Printer printer{Expand(step.args[0]), Expand(step.args[1]), Expand(step.args[2])};
    const std::wstring command = L"\"" + ThisProgram() + L"\" --add-printer \"" + printer.name + L"\" \"" +
                                 printer.port + L"\" \"" + printer.driver + L"\"";
    const std::optional<DWORD> code = RunProcess(command, kExitTimeout);
    if (code != 0u || PrinterIfItOpens(printer.name) != printer) {
        Fail(step, L"cannot add the printer " + Visible(printer.name));
        throw Failure{};
    }
}

void Runner::ChangePort(const Step& step) {
    NeedArguments(step, 1);
    const bool adding = step.verb == L"add-port";
    if (!(adding ? machine_ports::AddPort(step.args[0]) : machine_ports::RemovePort(step.args[0]))) {
        Fail(step, L"cannot " + std::wstring(adding ? L"add " : L"remove ") + Visible(step.args[0]));
        throw Failure{};
    }
}

void Runner::RegisterUsbPrinter(const Step& step) {
    NeedArguments(step, 2);
    // In decimal, also with leading zeros: "010" is port USB010.
    const std::wstring& number = step.args[0];
    if (number.empty() || number.size() > 4 || number.find_first_not_of(L"0123456789") != std::wstring::npos) {
        throw ScriptError(step.line, "not a port number: " + ToUtf8(number));
    }
    try {
        machine_ports::RegisterUsbPrinter(static_cast<unsigned>(std::stoul(number)),
                                          {step.args.begin() + 1, step.args.end()});
    } catch (const std::runtime_error& failure) {
        Fail(step, L"cannot register the USB printer: " + FromUtf8(failure.what()));
        throw Failure{};
    }
}

void Runner::Hold(const Step& step) {
    NeedArguments(step, 2);
    // As a program that reads the file holds it open: one that opens it with fopen shares
    // reading and writing; a stricter one shares reading only.
    const std::wstring path = InApp(Expand(step.args[0]));
    DWORD share = FILE_SHARE_READ;
    if (step.args[1] == L"readwrite") {
        share |= FILE_SHARE_WRITE;
    } else if (step.args[1] != L"read") {
        throw ScriptError(step.line, "hold FILE readwrite|read");
    }
    held_.reset(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held_) {
        Fail(step, L"cannot open " + path);
        throw Failure{};
    }
}

void Runner::SymbolicLink(const Step& step) {
    NeedArguments(step, 2);
    // Wine's CreateSymbolicLinkW makes nothing; a Unix symbolic link inside the prefix's
    // drive is what Windows programs there see as a reparse point.
    const std::wstring link = InApp(Expand(step.args[0]));
    const std::wstring target = InApp(Expand(step.args[1]));
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto unixFileName = ProcAddress<UnixFileName>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!unixFileName) throw ScriptError(step.line, "symlink needs Wine");
    auto unixPath = [&](const std::wstring& path) {
        char* name = unixFileName(path.c_str());
        const std::wstring result = name ? FromUtf8(name) : L"";
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    };
    // `start /wait` cannot wait for a Unix program: the link is there a moment later.
    RunProcess(L"start.exe /wait /unix /bin/ln -s \"" + unixPath(target) + L"\" \"" + unixPath(link) + L"\"",
               kExitTimeout);
    const bool made = Eventually([&] {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    });
    if (!made) {
        Fail(step, L"cannot make " + link + L" a symbolic link to " + target);
        throw Failure{};
    }
}

void Runner::Station(const Step& step) {
    NeedArguments(step, 1);
    // A window station of its own, as a service has: nothing on it reaches a screen. It
    // lives while a handle to it is open, so ours stay open.
    const HWINSTA ours = GetProcessWindowStation();
    station_ = CreateWindowStationW(step.args[0].c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station_ || !GetUserObjectInformationW(station_, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        Fail(step, L"cannot make the window station " + step.args[0]);
        throw Failure{};
    }
    if (flags.dwFlags & WSF_VISIBLE) {
        Fail(step, L"the new window station " + step.args[0] + L" says it is visible");
        throw Failure{};
    }
    SetProcessWindowStation(station_);
    stationDesktop_ = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(ours);
    if (!stationDesktop_) {
        Fail(step, L"cannot make the desktop " + step.args[0] + L"\\Default");
        throw Failure{};
    }
    desktop_ = step.args[0] + L"\\Default";
}

void Runner::HoldInstallationLock(const Step& step) {
    // The lock the program takes for its installation, opened as the program opens it and
    // held by this thread as another run would hold it; ownership is the thread's, and
    // every step runs on this one.
    if (step.verb == L"release-lock") {
        if (!lockHeld_) throw ScriptError(step.line, "`release-lock` needs `hold-lock` first");
        if (!ReleaseMutex(installationLock_.mutex())) Fail(step, L"cannot let go of the installation lock");
        installationLock_.Close();
        lockHeld_ = false;
        return;
    }
    if (lockHeld_) throw ScriptError(step.line, "the installation lock is held already");
    InstallationLock::Trouble trouble;
    const DWORD taken =
        installationLock_.Open(trouble) ? WaitForSingleObject(installationLock_.mutex(), 0) : WAIT_FAILED;
    if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
        Fail(step, L"cannot take the installation lock: error " + std::to_wstring(trouble.error) + L", distrust " +
                       std::to_wstring(static_cast<int>(trouble.distrust)));
        throw Failure{};
    }
    lockHeld_ = true;
}

void Runner::SquatInstallationLock(const Step& step) {
    // What any user can do where the lock is the global mutex: make an object of its name
    // first, with no access list, so that anyone may open it, and hold it.
    if (squatter_) throw ScriptError(step.line, "the lock's name is squatted already");
    SECURITY_DESCRIPTOR openToAll{};
    InitializeSecurityDescriptor(&openToAll, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&openToAll, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &openToAll, FALSE};
    squatter_.reset(CreateMutexW(&attributes, TRUE, kInstallationMutexName));
    if (!squatter_ || GetLastError() == ERROR_ALREADY_EXISTS) {
        Fail(step, L"cannot make " + std::wstring(kInstallationMutexName) + L" first");
        throw Failure{};
    }
}

std::vector<std::wstring> Runner::DocumentedCommands(const Step& step) const {
    NeedArguments(step, 1);
    if (places_.source.empty()) throw ScriptError(step.line, "the driver was not given the source tree (--source)");
    std::wstring file = step.args[0];
    std::replace(file.begin(), file.end(), L'/', L'\\');
    const auto bytes = FileBytes(places_.source + L"\\" + file);
    if (!bytes) throw ScriptError(step.line, "cannot read " + ToUtf8(file));
    // In Markdown only the lines of fenced code blocks are commands; elsewhere any line.
    const bool markdown = file.size() > 3 && file.compare(file.size() - 3, 3, L".md") == 0;
    bool inCode = !markdown;
    std::vector<std::wstring> commands;
    std::istringstream lines(*bytes);
    for (std::string bytesOfLine; std::getline(lines, bytesOfLine);) {
        std::wstring line = TrimmedLeft(FromUtf8(bytesOfLine));
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ')) line.pop_back();
        if (markdown && line.rfind(L"```", 0) == 0) inCode = !inCode;
        if (inCode && line.rfind(L"kestrin.exe ", 0) == 0) commands.push_back(line);
    }
    return commands;
}

void Runner::CountExamples(const Step& step) {
    const int expected = Number(step, 1);
    const std::vector<std::wstring> commands = DocumentedCommands(step);
    Expect(step, commands.size() == static_cast<std::size_t>(expected),
           step.args[0] + L" shows " + std::to_wstring(commands.size()) + L" commands: " + Join(commands));
}

void Runner::Strings(const Step& step) {
    NeedArguments(step, 1);
    stringsPath_ = InApp(Expand(step.args[0]));
    strings_.reset(
        LoadLibraryExW(stringsPath_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!strings_) {
        Fail(step, L"cannot load " + stringsPath_);
        throw Failure{};
    }
}

void Runner::StartRun(const Step& step) {
    // `run` names the program by its full path in quotes, as Explorer does; `run-as-typed`
    // as a person types it at a prompt in its folder, without quotes.
    const std::wstring program = InApp(L"kestrin.exe");
    const std::wstring name = step.verb == L"run-as-typed" ? L"kestrin.exe" : L"\"" + program + L"\"";
    Launch(step, program, name + L" " + Expand(Joined(step, 0)));
}

void Runner::RunExample(const Step& step) {
    NeedArguments(step, 2);
    const std::vector<std::wstring> commands = DocumentedCommands(step);
    const int number = Number(step, 1);
    if (number < 1 || static_cast<std::size_t>(number) > commands.size()) {
        throw ScriptError(step.line, ToUtf8(step.args[0]) + " has no command " + std::to_string(number));
    }
    // As an administrator's batch file runs it: the line as written, by the command
    // interpreter, in the program's folder.
    const std::wstring batch = InApp(L"example.bat");
    std::ofstream file(std::filesystem::path(batch), std::ios::binary);
    file << "@echo off\r\n" << ToUtf8(commands[static_cast<std::size_t>(number) - 1]) << "\r\nexit /b %errorlevel%\r\n";
    file.close();
    if (!file) {
        Fail(step, L"cannot write " + batch);
        throw Failure{};
    }
    Print(L"== " + step.args[0] + L", command " + std::to_wstring(number) + L": " +
          Visible(commands[static_cast<std::size_t>(number) - 1]));
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    Launch(step, std::wstring(system) + L"\\cmd.exe", L"cmd /c example.bat");
}

void Runner::StartParallel(const Step& step) {
    const int count = Number(step, 0);
    const std::wstring program = InApp(L"kestrin.exe");
    const std::wstring commandLine = L"\"" + program + L"\" " + Expand(Joined(step, 1));
    Launch(step, program, commandLine);
    for (int i = 1; i < count; ++i) {
        alongside_.push_back(std::make_unique<Debuggee>(program, commandLine, places_.app, desktop_));
        if (!alongside_.back()->WaitStarted()) {
            Fail(step, L"cannot start " + program);
            throw Failure{};
        }
    }
}

void Runner::Launch(const Step& step, const std::wstring& program, const std::wstring& commandLine) {
    if (run_ && !ended_) throw ScriptError(step.line, "the previous run has not ended: `exit` first");
    Print(L"== run " + Visible(commandLine));

    // Wine starts its desktop process for the first program that needs it: let that be
    // us, not the program, whose children a scenario counts.
    GetDesktopWindow();
    before_ = ReadSystemState(InApp(kRecordFile));
    DeleteFileW(PrintUiLog().c_str());  // each run's commands are its own
    page_ = nullptr;
    seenWindows_.clear();
    ended_ = false;
    run_.reset();
    alongside_.clear();
    startTick_ = GetTickCount64();
    run_ = std::make_unique<Debuggee>(program, commandLine, places_.app, desktop_);
    if (!run_->WaitStarted()) {
        Fail(step, L"cannot start " + program);
        run_.reset();
        throw Failure{};
    }
}

void Runner::EndRun(const Step& step) {
    if (!run_ || ended_) throw ScriptError(step.line, "`exit` needs a running program");
    // `wait` is for a person at the wizard: no time limit, and any end will do.
    const bool anyCode = step.verb == L"wait" || (!step.args.empty() && step.args[0] == L"any");
    const int expected = anyCode ? 0 : Number(step, 0);
    std::vector<Debuggee*> runs = {run_.get()};
    for (const auto& run : alongside_) runs.push_back(run.get());
    const bool ended =
        Eventually([&] { return std::all_of(runs.begin(), runs.end(), [](auto r) { return r->Ended(); }); },
                   step.verb == L"wait" ? INFINITE : kExitTimeout);
    if (!ended) {
        std::wstring shown;
        for (const HWND window : VisibleWindows(run_->ProcessId())) {
            shown += L" " + Visible(WindowText(window));
        }
        Fail(step, L"the program did not end; its windows:" + (shown.empty() ? L" none" : shown));
        for (Debuggee* run : runs) {
            if (!run->Ended()) ReportRun(*run);
            run->Terminate();
            run->WaitEnded(kExitTimeout);
        }
        throw Failure{};
    }
    held_.reset();
    ended_ = true;
    page_ = nullptr;
    after_ = ReadSystemState(InApp(kRecordFile));
    for (Debuggee* run : runs) {
        ReportRun(*run);
        if (const auto crash = run->Crash()) {
            wchar_t code[16];
            swprintf(code, 16, L"0x%08lx", static_cast<unsigned long>(*crash));
            Fail(step, L"the program crashed with exception " + std::wstring(code));
        }
        Expect(step, anyCode || run->ExitCode() == static_cast<DWORD>(expected),
               L"exit code " + std::to_wstring(run->ExitCode()) + L", expected " + std::to_wstring(expected));
    }
    Report();
}

void Runner::ReportRun(Debuggee& run) {
    if (run.Ended()) {
        const DWORD code = run.ExitCode();
        const std::wstring_view meaning =
            code <= static_cast<DWORD>(kHighestExitCode) ? ExitCodeMeaning(static_cast<ExitCode>(code)) : L"";
        Print(L"exit code " + std::to_wstring(code) + (meaning.empty() ? L"" : L" (" + std::wstring(meaning) + L")"));
    }
    for (const Debuggee::Line& line : run.AllLines()) {
        Print((line.processId == run.ProcessId() ? L"debugger: " : L"debugger (child): ") + Visible(line.text));
    }
    for (const std::wstring& child : run.Children()) Print(L"child process " + child);
}

void Runner::WaitForChild(const Step& step) {
    NeedArguments(step, 1);
    const std::wstring path = Expand(step.args[0]);
    const auto wanted = static_cast<std::ptrdiff_t>(step.args.size() > 1 ? Number(step, 1) : 1);
    auto started = [&] {
        const std::vector<std::wstring> children = run_->Children();
        return std::count_if(children.begin(), children.end(),
                             [&](const std::wstring& child) { return EqualsIgnoringCase(child, path); }) >= wanted;
    };
    if (!Eventually(started, kPageTimeout)) {
        Fail(step, L"the program did not start " + path + L"; it started " + Join(run_->Children()));
        throw Failure{};
    }
}

void Runner::Kill(const Step& step) {
    // As the task manager ends a process: at once, and that process alone.
    const UniqueProcessHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, run_->ProcessId()));
    if (!process || !TerminateProcess(process.get(), kKilledExitCode)) Fail(step, L"cannot end the program");
}

void Runner::Report() {
    for (const std::wstring& command : PrintUiCommands()) Print(L"printer-setup command " + Visible(command));
    for (const std::wstring& line : DescribeState(after_)) Print(line);
}

HWND Runner::Control(const Step& step, std::size_t argument) {
    if (!page_) throw ScriptError(step.line, "no page yet: wait for one with `page`");
    const int id = Number(step, argument);
    if (id == 0) return page_;
    const HWND control = GetDlgItem(page_, id);
    if (!control) {
        Fail(step, L"the page has no control " + std::to_wstring(id));
        throw Failure{};
    }
    return control;
}

bool Runner::Usable(HWND control) {
    // A user waits for a control to become usable: an earlier choice may still be on its
    // way through the program's message queue.
    return Eventually([&] { return IsWindowEnabled(control) && IsWindowVisible(control); });
}

void Runner::WaitForPage(const Step& step) {
    NeedArguments(step, 1);
    const bool question = step.args[0] == L"question";
    const auto kind = PageKindFromName(step.args[0]);
    if (!kind && !question) throw ScriptError(step.line, "unknown page " + ToUtf8(step.args[0]));
    // On any process of the run (the program may be a command interpreter's child), and
    // not the page the scenario is on: a message box just answered may not be gone yet.
    auto find = [&] {
        for (const DWORD process : run_->ProcessIds()) {
            const HWND page = question ? FindQuestion(process) : FindPage(process, *kind);
            if (page && page != page_) return page;
        }
        return HWND{};
    };
    HWND found = nullptr;
    Eventually([&] { return (found = find()) != nullptr || run_->Ended(); }, kPageTimeout);
    if (!found) {
        Fail(step, L"no " + step.args[0] + L" page appeared" +
                       (run_->Ended() ? L"; the program ended with " + std::to_wstring(run_->ExitCode()) : L""));
        if (run_->Ended()) {
            after_ = ReadSystemState(InApp(kRecordFile));
            ReportRun(*run_);
            Report();
        }
        throw Failure{};
    }
    page_ = found;
}

void Runner::ClickOn(const Step& step) {
    const HWND control = Control(step, 0);
    if (!Usable(control)) {
        Fail(step, L"control " + step.args[0] + L" cannot be clicked: it is disabled or hidden");
        throw Failure{};
    }
    Click(control);
}

void Runner::ChooseItem(const Step& step) {
    NeedArguments(step, 2);
    const HWND combo = Control(step, 0);
    const std::wstring item = Expected(step.args[1]);
    if (!Usable(combo) || !Choose(page_, Number(step, 0), item)) {
        Fail(step,
             L"cannot choose " + Visible(item) + L" in " + step.args[0] + L"; its items: " + Join(ComboItems(combo)));
        throw Failure{};
    }
}

void Runner::Tick(const Step& step) {
    const HWND box = Control(step, 0);
    const bool wanted = step.verb == L"tick";
    if (IsChecked(box) != wanted) {
        Click(box);
        Expect(step, Eventually([&] { return IsChecked(box) == wanted; }), L"the check box did not change");
    }
}

void Runner::Key(const Step& step) {
    NeedArguments(step, 1);
    const WORD key = step.args[0] == L"escape" ? VK_ESCAPE : step.args[0] == L"enter" ? VK_RETURN : 0;
    if (!key) throw ScriptError(step.line, "keys are escape and enter");
    if (!PressKey(run_->ThreadId(), key)) Fail(step, L"no window of the program has the keyboard focus");
}

void Runner::Close(const Step&) {
    SystemCommand(page_, SC_CLOSE);
}

void Runner::Post(const Step& step) {
    PostMessageW(page_, static_cast<UINT>(Number(step, 0)), 0, 0);
}

void Runner::Shot(const Step& step) {
    NeedArguments(step, 1);
    if (places_.shots.empty()) return;
    // Let the page finish painting before the screen is read.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(page_, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &ignored);
    RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageTimeoutW(page_, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &ignored);
    const std::wstring path = places_.shots + L"\\" + step.args[0] + L".bmp";
    if (!SaveScreenshot(page_, path)) Fail(step, L"cannot save " + path);
}

void Runner::ExpectText(const Step& step) {
    NeedArguments(step, 2);
    const HWND control = Control(step, 0);
    const std::wstring expected = ExpectedFilled(step, 1);
    Expect(step, Eventually([&] { return WindowText(control) == expected; }),
           L"control " + step.args[0] + L" shows " + Visible(WindowText(control)) + L", expected " + Visible(expected));
}

void Runner::ExpectTextHas(const Step& step) {
    NeedArguments(step, 2);
    const HWND control = Control(step, 0);
    const std::wstring expected = ExpectedFilled(step, 1);
    Expect(
        step, Eventually([&] { return WindowText(control).find(expected) != std::wstring::npos; }),
        L"control " + step.args[0] + L" shows " + Visible(WindowText(control)) + L", which lacks " + Visible(expected));
}

void Runner::ExpectChecked(const Step& step) {
    const HWND box = Control(step, 0);
    const bool wanted = step.verb == L"checked";
    Expect(step, Eventually([&] { return IsChecked(box) == wanted; }),
           L"control " + step.args[0] + L" is not " + step.verb);
}

void Runner::ExpectEnabled(const Step& step) {
    for (std::size_t i = 0; i < step.args.size(); ++i) {
        const HWND control = Control(step, i);
        const bool wanted = step.verb == L"enabled";
        Expect(step, Eventually([&] { return (IsWindowEnabled(control) != FALSE) == wanted; }),
               L"control " + step.args[i] + L" is not " + step.verb);
    }
}

void Runner::ExpectSelected(const Step& step) {
    NeedArguments(step, 2);
    const HWND combo = Control(step, 0);
    const std::wstring expected = Expected(step.args[1]);
    Expect(step, Eventually([&] { return SelectedItem(combo) == expected; }),
           L"control " + step.args[0] + L" has selected " + Visible(SelectedItem(combo).value_or(L"(nothing)")) +
               L", expected " + Visible(expected));
}

void Runner::ExpectFocused(const Step& step) {
    const HWND control = Control(step, 0);
    Expect(step, Eventually([&] { return FocusedWindow(run_->ThreadId()) == control; }),
           L"the keyboard focus is on " + Describe(FocusedWindow(run_->ThreadId())));
}

void Runner::ExpectItems(const Step& step) {
    const HWND combo = Control(step, 0);
    std::vector<std::wstring> expected;
    for (std::size_t i = 1; i < step.args.size(); ++i) expected.push_back(Expected(step.args[i]));
    Expect(step, ComboItems(combo) == expected,
           L"control " + step.args[0] + L" lists " + Join(ComboItems(combo)) + L", expected " + Join(expected));
}

void Runner::NothingInstalled(const Step& step) {
    for (const wchar_t* part : {L"printers-unchanged", L"default-unchanged", L"record-unchanged", L"comm-unchanged"}) {
        Execute(Step{step.line, part, {}});
    }
}

void Runner::PrintUi(const Step& step) {
    CheckLines(step, L"printer-setup commands", PrintUiCommands());
}

void Runner::NoWindow(const Step& step) {
    std::wstring seen;
    for (const auto& [window, description] : seenWindows_) seen += L" " + description;
    Expect(step, seenWindows_.empty(), L"the program showed windows:" + seen);
}

void Runner::Debug(const Step& step) {
    CheckLines(step, L"debugger lines", run_->ProgramLines());
}

void Runner::DebugHas(const Step& step) {
    NeedArguments(step, 1);
    CheckHas(step, L"the debugger output", run_->ProgramLines(), step.args[0], step.verb == L"debug-has");
}

void Runner::PrinterIs(const Step& step) {
    NeedArguments(step, 3);
    const Printer expected{Expand(step.args[0]), Expand(step.args[1]), Expand(step.args[2])};
    const auto actual = PrinterIfItOpens(expected.name);
    Expect(step, actual == expected,
           actual ? L"printer " + Visible(actual->name) + L" has port " + Visible(actual->port) + L" and driver " +
                        Visible(actual->driver)
                  : L"no printer " + Visible(expected.name) + L" can be opened");
}

void Runner::NoPrinter(const Step& step) {
    NeedArguments(step, 1);
    Expect(step, !PrinterIfItOpens(Expand(step.args[0])), L"printer " + Visible(step.args[0]) + L" exists");
}

void Runner::PrintersUnchanged(const Step& step) {
    Expect(step, after_.printers == before_.printers, L"the printers changed");
}

void Runner::DefaultIs(const Step& step) {
    NeedArguments(step, 1);
    Expect(step, after_.defaultPrinter == Expand(step.args[0]),
           L"the default printer is " + Visible(after_.defaultPrinter.value_or(L"(none)")));
}

void Runner::DefaultUnchanged(const Step& step) {
    Expect(step, after_.defaultPrinter == before_.defaultPrinter,
           L"the default printer changed to " + Visible(after_.defaultPrinter.value_or(L"(none)")));
}

void Runner::Record(const Step& step) {
    NeedArguments(step, 1);
    Expect(step, after_.record == Bytes(Expand(step.args[0])),
           after_.record ? L"the record file holds " + Visible(BytesAsLatin1(*after_.record))
                         : L"there is no record file");
}

void Runner::NoRecord(const Step& step) {
    Expect(step, !after_.record, L"there is a record file");
}

void Runner::RecordUnchanged(const Step& step) {
    Expect(step, after_.record == before_.record, L"the record file changed");
}

void Runner::Comm(const Step& step) {
    NeedArguments(step, 6);
    const CommSettings expected{
        step.args[0], std::stoul(step.args[1]), std::stoi(step.args[2]), step.args[3], step.args[4], step.args[5], {}};
    const auto actual = ReadCommSettings(step.args[0]);
    Expect(
        step, actual == expected,
        L"port settings are " + (actual ? actual->Describe() : L"unreadable") + L", expected " + expected.Describe());
}

void Runner::CommUnchanged(const Step& step) {
    // All four ports, or only those named.
    for (std::size_t i = 0; i < before_.comm.size() && i < after_.comm.size(); ++i) {
        const std::wstring& port = before_.comm[i].port;
        const bool named = step.args.empty() || std::find(step.args.begin(), step.args.end(), port) != step.args.end();
        if (named) {
            Expect(step, after_.comm[i] == before_.comm[i],
                   L"port settings changed from " + before_.comm[i].Describe() + L" to " + after_.comm[i].Describe());
        }
    }
    Expect(step, after_.comm.size() == before_.comm.size(), L"a COM port can no longer be read");
}

void Runner::Children(const Step& step) {
    std::vector<std::wstring> expected;
    for (const std::wstring& path : step.args) expected.push_back(Expand(path));
    const std::vector<std::wstring> actual = run_->Children();
    const bool same = std::equal(actual.begin(), actual.end(), expected.begin(), expected.end(),
                                 [](const auto& a, const auto& b) { return EqualsIgnoringCase(a, b); });
    Expect(step, same, L"child processes " + Join(actual) + L", expected " + Join(expected));
}

void Runner::NoFile(const Step& step) {
    NeedArguments(step, 1);
    const std::wstring path = InApp(Expand(step.args[0]));
    Expect(step, !FileExists(path), L"there is a file " + path);
}

void Runner::File(const Step& step) {
    NeedArguments(step, 2);
    const std::wstring path = InApp(Expand(step.args[0]));
    const auto actual = FileBytes(path);
    Expect(step, actual == Bytes(Expand(step.args[1])),
           actual ? path + L" holds " + Visible(BytesAsLatin1(*actual)) : L"there is no file " + path);
}

std::optional<std::vector<std::wstring>> Runner::LogLines(const Step& step, bool print) {
    NeedArguments(step, 1);
    const std::wstring path = InApp(Expand(step.args[0]));
    const auto bytes = FileBytes(path);
    if (!bytes) {
        Fail(step, L"there is no file " + path);
        return std::nullopt;
    }
    if (print) Print(L"== " + path);
    // Each line: the local time, "2026-12-08 14:03:07", a space, the text; CR LF after it.
    std::vector<std::wstring> lines;
    std::istringstream in(*bytes);
    for (std::string line; std::getline(in, line);) {
        const bool stamped = line.size() >= 21 && line[4] == '-' && line[7] == '-' && line[10] == ' ' &&
                             line[13] == ':' && line[16] == ':' && line[19] == ' ';
        const bool crlf = !line.empty() && line.back() == '\r';
        if (print) {
            Print(FromUtf8(line.substr(0, line.size() - (crlf ? 1 : 0))));
            continue;
        }
        Expect(step, stamped && crlf, L"a line without its time or its CR LF: " + Visible(FromUtf8(line)));
        lines.push_back(FromUtf8(line.substr(stamped ? 20 : 0, line.size() - (stamped ? 20 : 0) - (crlf ? 1 : 0))));
    }
    return lines;
}

void Runner::Log(const Step& step) {
    const bool print = step.verb == L"print";
    const auto lines = LogLines(step, print);
    // The block's lines follow the file's name.
    if (lines && !print)
        CheckLines(Step{step.line, step.verb, {step.args.begin() + 1, step.args.end()}}, L"log lines", *lines);
}

void Runner::LogHas(const Step& step) {
    NeedArguments(step, 2);
    const auto lines = LogLines(step, false);
    if (lines) CheckHas(step, L"the log", *lines, step.args[1], step.verb == L"log-has");
}

void Runner::Lasted(const Step& step) {
    const int least = Number(step, 0);
    const int most = Number(step, 1);
    const ULONGLONG milliseconds = run_->EndTick() - startTick_;
    Print(L"== the run lasted " + std::to_wstring(milliseconds) + L" ms");
    Expect(step,
           milliseconds >= static_cast<ULONGLONG>(least) * 1000 && milliseconds <= static_cast<ULONGLONG>(most) * 1000,
           L"the run lasted " + std::to_wstring(milliseconds) + L" ms");
}

void Runner::DriverInstalled(const Step& step) {
    NeedArguments(step, 1);
    const std::wstring environment = programIs64Bit_ ? L"Windows x64" : L"Windows NT x86";
    const std::wstring name = Expand(step.args[0]);
    const std::vector<std::wstring> drivers = InstalledDrivers(environment);
    const bool installed = std::find(drivers.begin(), drivers.end(), name) != drivers.end();
    Expect(step, installed == (step.verb == L"driver"), L"the drivers for " + environment + L" are " + Join(drivers));
}

void Runner::RememberEffects(const Step& step) {
    NeedArguments(step, 1);
    remembered_[step.args[0]] = EffectsOfRun();
}

void Runner::SameEffects(const Step& step) {
    NeedArguments(step, 1);
    const auto remembered = remembered_.find(step.args[0]);
    if (remembered == remembered_.end()) throw ScriptError(step.line, "no effects remembered as that");
    Effects expected = remembered->second;
    // `quiet`: a quiet run against the wizard's, whose printer-setup commands end with
    // the entry point's quiet switch.
    if (step.args.size() > 1 && step.args[1] == L"quiet") {
        for (std::vector<std::wstring>* texts : {&expected.lines, &expected.commands}) {
            for (std::wstring& text : *texts) {
                const bool command = text.rfind(L" /dd ", 0) == 0 || text.rfind(L" /k ", 0) == 0 ||
                                     text.rfind(L"rundll32 printui.dll,PrintUIEntry ", 0) == 0;
                if (command) text += L" /q";
            }
        }
    }
    CompareEffects(step, expected, EffectsOfRun());
}

Runner::Effects Runner::EffectsOfRun() const {
    return {run_->ProgramLines(), run_->Children(), PrintUiCommands(), after_};
}

void Runner::CompareEffects(const Step& step, const Effects& expected, const Effects& actual) {
    auto same = [&](const std::wstring& what, const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
        Expect(step, a == b, what + L" differ: " + Join(b) + L", remembered " + Join(a));
    };
    same(L"debugger lines", expected.lines, actual.lines);
    same(L"child processes", expected.children, actual.children);
    same(L"printer-setup commands", expected.commands, actual.commands);
    same(L"printers, default printer, record file and COM ports", DescribeState(expected.after),
         DescribeState(actual.after));
}

void Runner::KilledRuns(const Step& step) {
    const int runs = Number(step, 0);
    const std::wstring program = InApp(L"kestrin.exe");
    const std::wstring commandLine = L"\"" + program + L"\" " + Expand(Joined(step, 1));
    // One run goes to its end first, to learn how long a run takes; then each is ended at
    // a random moment of that length. The seed is printed, so that a series of kills that
    // failed can be replayed exactly.
    auto start = [&] {
        if (auto started = StartProcess(program.c_str(), commandLine, 0, places_.app.c_str()))
            return std::move(*started);
        Fail(step, L"cannot start " + program);
        throw Failure{};
    };
    const ULONGLONG before = GetTickCount64();
    WaitForSingleObject(start().process.get(), kExitTimeout);
    const auto duration = static_cast<unsigned>(GetTickCount64() - before);
    const unsigned seed = static_cast<unsigned>(GetTickCount64());
    Print(L"== killed runs: one takes " + std::to_wstring(duration) + L" ms; seed " + std::to_wstring(seed));
    unsigned random = seed;
    int ended = 0;
    int recorded = 0;
    for (int i = 0; i < runs; ++i) {
        const std::optional<std::string> earlier = FileBytes(InApp(kRecordFile));
        random = random * 1103515245u + 12345u;
        const DWORD delay = (random >> 8) % (duration + 1);
        const StartedProcess started = start();
        if (WaitForSingleObject(started.process.get(), delay) == WAIT_OBJECT_0) {
            ++ended;
        } else {
            TerminateProcess(started.process.get(), kKilledExitCode);
            WaitForSingleObject(started.process.get(), kExitTimeout);
        }
        // Either the earlier record, or the whole name of a printer that is there now.
        const std::optional<std::string> record = FileBytes(InApp(kRecordFile));
        const bool whole = record && PrinterIfItOpens(BytesAsLatin1(*record)).has_value();
        if (record != earlier) ++recorded;
        Expect(step, record == earlier || whole,
               L"after a run ended at " + std::to_wstring(delay) + L" ms the record file holds " +
                   (record ? Visible(BytesAsLatin1(*record)) : L"nothing") + L", before " +
                   (earlier ? Visible(BytesAsLatin1(*earlier)) : L"nothing"));
    }
    Print(L"== killed runs: " + std::to_wstring(runs - ended) + L" ended early, " + std::to_wstring(ended) +
          L" ran to their end; " + std::to_wstring(recorded) + L" left a new record");
}

// A line marked {32-bit} is the 32-bit program's only: what it adds under WOW64.
constexpr std::wstring_view k32BitOnly = L"{32-bit}";

void Runner::CheckHas(const Step& step, const std::wstring& what, const std::vector<std::wstring>& actual,
                      const std::wstring& expected, bool wanted) {
    const bool only32Bit = expected.rfind(k32BitOnly, 0) == 0;
    const std::wstring line = Expand(only32Bit ? expected.substr(k32BitOnly.size()) : expected);
    if (only32Bit && programIs64Bit_) wanted = !wanted;
    const bool has = std::find(actual.begin(), actual.end(), line) != actual.end();
    Expect(step, has == wanted, what + (has ? L" has " : L" lacks ") + Visible(line));
}

void Runner::CheckLines(const Step& step, const std::wstring& what, const std::vector<std::wstring>& actual) {
    std::vector<std::wstring> expected;
    for (const std::wstring& line : step.args) {
        const bool only32Bit = line.rfind(k32BitOnly, 0) == 0;
        if (only32Bit && programIs64Bit_) continue;
        expected.push_back(Expand(only32Bit ? line.substr(k32BitOnly.size()) : line));
    }
    if (actual == expected) return;
    Fail(step, what + L" differ");
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::wstring a = i < actual.size() ? Visible(actual[i]) : L"(none)";
        const std::wstring e = i < expected.size() ? Visible(expected[i]) : L"(none)";
        Print((a == e ? L"   " : L" ! ") + std::to_wstring(i + 1) + L" got      " + a);
        if (a != e) Print(L"   " + std::to_wstring(i + 1) + L" expected " + e);
    }
}

std::wstring Runner::PrintUiLog() const {
    return SystemDirectoryOfProgram() + L"\\printui-commands.txt";
}

std::vector<std::wstring> Runner::PrintUiCommands() const {
    std::vector<std::wstring> commands;
    std::istringstream lines(FileBytes(PrintUiLog()).value_or(""));
    for (std::string line; std::getline(lines, line);) commands.push_back(FromUtf8(line));
    return commands;
}
