// The installation against a system whose every answer comes from the input: it always
// ends with a defined outcome, keeps the order of its steps, and acts on a printer only
// once the printer exists.

#include <memory>
#include <optional>

#include "core/install_sequence.h"
#include "core/printer_name_record.h"
#include "core/serial_tables.h"
#include "fuzz/fuzz_comm_store.h"
#include "fuzz/fuzz_input.h"

namespace {

enum class Call {
    Debug,
    Load,
    Exists,
    FindEntryPoint,
    RunCommand,
    Architecture,
    RunProgram,
    AddPrinter,
    WriteFile,
    SetDefault,
    CommRead,
    CommWrite,
    Free,
};

constexpr const char* kCallNames[] = {
    "Debug",      "Load",      "Exists",     "FindEntryPoint", "RunCommand", "Architecture", "RunProgram",
    "AddPrinter", "WriteFile", "SetDefault", "CommRead",       "CommWrite",  "Free",
};

const char* NameOf(Call call) {
    return kCallNames[static_cast<std::size_t>(call)];
}

struct Event {
    Call call;
    std::wstring text;
    std::string bytes;  // what a file write handed over
};

// Answers from the input; records every call in order.
class FuzzSystem final : public PrinterSetup,
                         public Spooler,
                         public SystemInfo,
                         public ProgramRunner,
                         public DebugOutput,
                         public FileWriter {
public:
    bool hasLibrary = false;
    bool hasEntryPoint = false;
    bool everyNameTaken = false;
    std::uint32_t takenNames = 0;  // otherwise this many names in a row exist
    bool createdByRundll32 = false;
    bool addPrinterSucceeds = false;
    std::uint16_t architecture = 0;
    FileWriter::Result fileResult = FileWriter::Result::Written;
    FuzzCommStore comm;

    std::vector<Event> events;
    std::vector<bool> existsAnswers;

    InstallSystem System() { return {*this, *this, *this, *this, *this, *this, orderedComm_}; }

    std::unique_ptr<PrinterSetupLibrary> Load() override {
        events.push_back({Call::Load, L"printui.dll", {}});
        if (!hasLibrary) return nullptr;
        return std::make_unique<Library>(*this);
    }

    bool PrinterExists(const std::wstring& name) override {
        events.push_back({Call::Exists, name, {}});
        // The name search asks first; after rundll32 the spooler is asked once more.
        const bool exists = runRundll32_ ? createdByRundll32 : everyNameTaken || existsAnswers.size() < takenNames;
        existsAnswers.push_back(exists);
        return exists;
    }

    bool AddPrinter(const PrinterDescription& printer) override {
        events.push_back(
            {Call::AddPrinter,
             printer.printerName + L"|" + printer.portName + L"|" + printer.driverName + L"|" + printer.printProcessor,
             {}});
        return addPrinterSucceeds;
    }

    void SetDefaultPrinter(const std::wstring& name) override { events.push_back({Call::SetDefault, name, {}}); }

    std::uint16_t NativeProcessorArchitecture() override {
        events.push_back({Call::Architecture, {}, {}});
        return architecture;
    }

    bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) override {
        events.push_back({Call::RunProgram, program + L"|" + commandLine, {}});
        runRundll32_ = true;
        return true;
    }

    void Write(const std::wstring& message) override { events.push_back({Call::Debug, message, {}}); }

    Result WriteFile(const std::string& name, std::string_view bytes) override {
        events.push_back({Call::WriteFile, std::wstring(name.begin(), name.end()), std::string(bytes)});
        return fileResult;
    }

private:
    class Library final : public PrinterSetupLibrary {
    public:
        explicit Library(FuzzSystem& system) : system_(system) {}
        ~Library() override { system_.events.push_back({Call::Free, L"printui.dll", {}}); }
        bool FindEntryPoint() override {
            system_.events.push_back({Call::FindEntryPoint, L"PrintUIEntryW", {}});
            return system_.hasEntryPoint;
        }
        void RunCommand(const std::wstring& command) override {
            system_.events.push_back({Call::RunCommand, command, {}});
        }

    private:
        FuzzSystem& system_;
    };

    // Puts the port's calls into the same record as everything else.
    class OrderedComm final : public CommConfigStore {
    public:
        explicit OrderedComm(FuzzSystem& system) : system_(system) {}
        bool GetDefaultConfig(const std::wstring& port, std::span<std::byte> config, std::uint32_t& size) override {
            system_.events.push_back({Call::CommRead, port, {}});
            return system_.comm.GetDefaultConfig(port, config, size);
        }
        bool SetDefaultConfig(const std::wstring& port, std::span<const std::byte> config,
                              std::uint32_t size) override {
            system_.events.push_back({Call::CommWrite, port, {}});
            return system_.comm.SetDefaultConfig(port, config, size);
        }
        std::uint32_t LastError() override { return system_.comm.LastError(); }

    private:
        FuzzSystem& system_;
    };

    bool runRundll32_ = false;
    OrderedComm orderedComm_{*this};
};

// Walks the recorded calls in the one order the installation may make them.
class CallOrder {
public:
    explicit CallOrder(const std::vector<Event>& events) : events_(events) {}

    const Event& Next(Call call) { return Take(call, nullptr); }
    void Next(Call call, const std::wstring& text) { Take(call, &text); }
    bool NextIs(Call call) const { return next_ < events_.size() && events_[next_].call == call; }
    void End() const { FUZZ_CHECK(next_ == events_.size()); }

private:
    const Event& Take(Call call, const std::wstring* text) {
        const bool matches =
            next_ < events_.size() && events_[next_].call == call && (text == nullptr || events_[next_].text == *text);
        if (!matches) Report(call, text == nullptr ? L"" : *text);
        FUZZ_CHECK(matches);
        return events_[next_++];
    }

    // What was expected and what came, so that a finding can be read without a debugger.
    void Report(Call call, const std::wstring& text) const {
        std::fprintf(stderr, "unexpected call %zu: expected %s \"%s\"", next_, NameOf(call), Printable(text).c_str());
        if (next_ < events_.size()) {
            std::fprintf(stderr, ", got %s \"%s\"\n", NameOf(events_[next_].call),
                         Printable(events_[next_].text).c_str());
        } else {
            std::fprintf(stderr, ", got nothing more\n");
        }
    }

    static std::string Printable(const std::wstring& text) {
        std::string out;
        for (const wchar_t unit : text.substr(0, 200)) {
            if (unit >= 0x20 && unit < 0x7F) {
                out.push_back(static_cast<char>(unit));
            } else {
                char escaped[12];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
                out += escaped;
            }
        }
        return out;
    }

    const std::vector<Event>& events_;
    std::size_t next_ = 0;
};

bool IsDefinedOutcome(ExitCode code) {
    switch (code) {
        case ExitCode::Installed:
        case ExitCode::PrinterSetupMissing:
        case ExitCode::PrinterNotCreated:
        case ExitCode::RecordFileIncomplete:
        case ExitCode::SerialPortNotConfigured:
            return true;
        default:
            return false;
    }
}

std::wstring Candidate(const std::wstring& base, int copy) {
    return copy == 0 ? base : base + L"(copy of " + std::to_wstring(copy) + L")";
}

struct Case {
    InstallSettings settings;
    std::wstring baseName;
    std::wstring infPath;
};

Case TakeCase(FuzzInput& input, FuzzSystem& system) {
    Case c;
    const auto flags = input.Take<std::uint8_t>();
    system.hasLibrary = (flags & 1u) != 0;
    system.hasEntryPoint = (flags & 2u) != 0;
    c.settings.setAsDefault = (flags & 4u) != 0;
    c.settings.printTestPage = (flags & 8u) != 0;
    system.addPrinterSucceeds = (flags & 16u) != 0;
    system.createdByRundll32 = (flags & 32u) != 0;
    system.fileResult = static_cast<FileWriter::Result>(input.Take<std::uint8_t>() % 3);
    system.architecture = input.Take<std::uint16_t>();
    // 0xFF stands for a spooler that knows every name: rare, since such a run is slow.
    system.takenNames = input.Take<std::uint8_t>();
    system.everyNameTaken = system.takenNames == 0xFF;
    c.settings.osIndex = static_cast<OsChoice>(input.Take<std::int32_t>());
    c.settings.portIndex = input.Take<std::int32_t>();
    c.settings.baudIndex = input.Take<std::int32_t>();
    c.settings.stopBitsIndex = input.Take<std::int32_t>();
    c.settings.flowControlIndex = input.Take<std::int32_t>();
    c.settings.byteSizeIndex = input.Take<std::int32_t>();
    c.settings.parityIndex = input.Take<std::int32_t>();
    c.baseName = input.TakeText(300);
    c.infPath = input.TakeText(300);
    system.comm.TakeBehaviour(input);
    system.comm.SetStored(input.TakeRest());
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    FuzzSystem system;
    const Case c = TakeCase(input, system);
    const InstallSettings& s = c.settings;

    const ExitCode outcome = RunInstallation(s, c.baseName, c.infPath, system.System());
    FUZZ_CHECK(IsDefinedOutcome(outcome));

    CallOrder calls(system.events);
    const auto port = TableEntry(PortNameTable, s.portIndex);
    const bool comPort = port && port->substr(0, 3) == L"COM";
    const bool serialInTables = TableEntry(BaudRateTable, s.baudIndex) && TableEntry(ByteSizeTable, s.byteSizeIndex) &&
                                TableEntry(ParityTable, s.parityIndex) && TableEntry(StopBitsTable, s.stopBitsIndex) &&
                                TableEntry(FlowControlTable, s.flowControlIndex);

    // A record pointing outside the tables touches nothing but the debugger output.
    if (!port || (comPort && !serialInTables)) {
        while (calls.NextIs(Call::Debug)) calls.Next(Call::Debug);
        calls.End();
        FUZZ_CHECK(outcome == ExitCode::PrinterNotCreated);
        return 0;
    }

    calls.Next(Call::Load, L"printui.dll");
    if (!system.hasLibrary) {
        calls.End();
        FUZZ_CHECK(outcome == ExitCode::PrinterSetupMissing);
        return 0;
    }

    // The name search: the first free candidate, and never more than the bounded count.
    std::optional<std::wstring> name;
    for (int copy = 0; !name; ++copy) {
        FUZZ_CHECK(copy <= kMaxPrinterCopies);
        const std::wstring candidate = Candidate(c.baseName, copy);
        calls.Next(Call::Exists, candidate);
        if (!system.existsAnswers.at(static_cast<std::size_t>(copy))) {
            calls.Next(Call::Debug, L"打开打印机失败！");
            name = candidate;
            break;
        }
        calls.Next(Call::Debug, L"打开打印机成功！");
        if (copy == kMaxPrinterCopies) {
            calls.Next(Call::Debug);  // why the search gave up
            calls.Next(Call::Free, L"printui.dll");
            calls.End();
            FUZZ_CHECK(outcome == ExitCode::PrinterNotCreated);
            return 0;
        }
    }

    calls.Next(Call::FindEntryPoint, L"PrintUIEntryW");
    const std::wstring driverCommand = DriverCommand(c.infPath);
    calls.Next(Call::Debug, driverCommand);
    if (!system.hasEntryPoint) {
        calls.Next(Call::Free, L"printui.dll");
        calls.End();
        FUZZ_CHECK(outcome == ExitCode::PrinterSetupMissing);
        return 0;
    }
    calls.Next(Call::RunCommand, driverCommand);
    const std::wstring printerCommand = PrinterCommand(*name, c.infPath, std::wstring(*port));
    calls.Next(Call::Debug, printerCommand);
    calls.Next(Call::Architecture);

    // Exactly one way of creating the printer, tried once.
    const bool commandRoute = (system.architecture == 9 || system.architecture == 6) && s.osIndex == OsChoice::Windows8;
    bool created = false;
    if (commandRoute) {
        calls.Next(Call::RunProgram, L"rundll32.exe|" + printerCommand);
        calls.Next(Call::Exists, *name);
        created = system.createdByRundll32;
    } else {
        calls.Next(Call::Debug, L"it's 32 bit system!");
        calls.Next(Call::AddPrinter, *name + L"|" + std::wstring(*port) + L"|Tavik 10.0.0.11|WinPrint");
        created = system.addPrinterSucceeds;
    }
    if (!created) {
        calls.Next(Call::Debug, L"出现错误，退出！");
        calls.Next(Call::Free, L"printui.dll");
        calls.End();
        FUZZ_CHECK(outcome == ExitCode::PrinterNotCreated);
        return 0;
    }

    // The printer exists: record, default printer, test page, port, in this order.
    const Event& record = calls.Next(Call::WriteFile);
    FUZZ_CHECK(record.text == L"TollvekPrintName5249");
    bool whole = true;
    for (std::size_t i = 0; i < name->size(); ++i) {
        const auto unit = static_cast<std::uint32_t>((*name)[i]);
        if (unit > 0xFF) {
            whole = false;
            FUZZ_CHECK(record.bytes.size() == i);
            break;
        }
        FUZZ_CHECK(i < record.bytes.size() && static_cast<unsigned char>(record.bytes[i]) == unit);
    }
    if (whole) FUZZ_CHECK(record.bytes.size() == name->size());

    if (s.setAsDefault) calls.Next(Call::SetDefault, *name);
    if (s.printTestPage) calls.Next(Call::RunCommand, TestPageCommand(*name));
    if (comPort) {
        // "COM3" for "COM3:", the device name the configuration calls expect.
        const std::wstring device(port->substr(0, 4));
        calls.Next(Call::CommRead, device);
        while (calls.NextIs(Call::CommRead) || calls.NextIs(Call::CommWrite)) {
            FUZZ_CHECK(calls.Next(calls.NextIs(Call::CommRead) ? Call::CommRead : Call::CommWrite).text == device);
        }
    }
    calls.Next(Call::Free, L"printui.dll");
    calls.End();

    const auto& commWrites = system.comm.writes();
    const bool recordComplete = whole && system.fileResult == FileWriter::Result::Written;
    const bool portWritten = !comPort || (commWrites.size() == 1 && commWrites[0].ok);
    const ExitCode expected = !recordComplete ? ExitCode::RecordFileIncomplete
                              : !portWritten  ? ExitCode::SerialPortNotConfigured
                                              : ExitCode::Installed;
    FUZZ_CHECK(outcome == expected);
    return 0;
}
