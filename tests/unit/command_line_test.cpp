#include "core/command_line.h"
#include "core/options.h"
#include "core/ports.h"

#include <gtest/gtest.h>

namespace {

using Outcome = CommandLine::Outcome;

struct SplitCase {
    const wchar_t* rest;  // what follows the program path and its separating space
    Outcome outcome;
    int languageIndex;
    const wchar_t* baseName;
    const wchar_t* infPath;
};

constexpr wchar_t kProgram[] = L"\"C:\\Tools\\kestrin.exe\"";

std::wstring WithProgram(const wchar_t* rest) {
    return std::wstring(kProgram) + rest;
}

// The program path as Windows hands it over: in quotes, or as typed at a command prompt
// or in a batch file, without them.
const std::wstring kProgramForms[] = {L"\"C:\\Program Files\\Kestrin\\kestrin.exe\" ", L"kestrin.exe ",
                                      L"C:\\Tools\\kestrin.exe\t"};

void ExpectSplit(const std::wstring& line, const SplitCase& c) {
    const CommandLine result = SplitCommandLine(line);
    EXPECT_EQ(result.outcome, c.outcome) << testing::PrintToString(line);
    if (c.outcome == Outcome::UnknownLanguage) return;
    EXPECT_EQ(result.languageIndex, c.languageIndex);
    EXPECT_EQ(result.basePrinterName, c.baseName);
    EXPECT_EQ(result.infBasePath, c.infPath);
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, YieldsLanguageNameAndPathAfterEitherFormOfTheProgramPath) {
    for (const std::wstring& program : kProgramForms) ExpectSplit(program + GetParam().rest, GetParam());
}

const SplitCase kSplitCases[] = {
    // The documented examples.
    {L"eng Kiosk1 C:\\drivers\\model", Outcome::Complete, 0, L"Kiosk1", L"C:\\drivers\\model"},
    {L"chi Kiosk1 C:\\Program Files\\drv\\model", Outcome::Complete, 1, L"Kiosk1", L"C:\\Program Files\\drv\\model"},
    {L"esp Kiosk1 C:\\drivers\\model   ", Outcome::Complete, 2, L"Kiosk1", L"C:\\drivers\\model"},
    {L"ENG Kiosk1 C:\\drivers\\model", Outcome::UnknownLanguage, 0, L"", L""},
    // A second space before the code leaves the code empty.
    {L" eng Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    // A tab separates nothing here, but would for the printer-setup commands.
    {L"eng Kiosk\t1 C:\\d\\m", Outcome::RefusedArgument, 0, L"Kiosk\t1", L"C:\\d\\m"},
    {L"eng\tKiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    // Spaces inside the path stay; those around it go.
    {L"eng Kiosk1    C:\\My  Drivers\\m o d   ", Outcome::Complete, 0, L"Kiosk1", L"C:\\My  Drivers\\m o d"},
    // A quoted path is kept with its quotes; quotes around nothing are no path.
    {L"eng Kiosk1 \"C:\\Program Files\\drv\\model\"", Outcome::Complete, 0, L"Kiosk1",
     L"\"C:\\Program Files\\drv\\model\""},
    {L"eng Kiosk1 \"\"", Outcome::MissingArgument, 0, L"Kiosk1", L"\"\""},
    // Non-Latin names and paths.
    {L"chi 收银台 C:\\驱动\\型号", Outcome::Complete, 1, L"收银台", L"C:\\驱动\\型号"},
    {L"esp Caja\u00f1o D:\\controladores\\se\u00f1al", Outcome::Complete, 2, L"Caja\u00f1o",
     L"D:\\controladores\\se\u00f1al"},
    // A known code with an argument missing never reaches the wizard.
    {L"eng", Outcome::MissingArgument, 0, L"", L""},
    {L"chi Kiosk1", Outcome::MissingArgument, 1, L"Kiosk1", L""},
    {L"eng Kiosk1   ", Outcome::MissingArgument, 0, L"Kiosk1", L""},
    // Two spaces after the code: the name is empty and moves into the path.
    {L"eng  Kiosk1 C:\\d\\m", Outcome::MissingArgument, 0, L"", L"Kiosk1 C:\\d\\m"},
    {L"esp ", Outcome::MissingArgument, 2, L"", L""},
    // Codes are compared whole.
    {L"en Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    {L"engl Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    {L"", Outcome::UnknownLanguage, 0, L"", L""},
};

INSTANTIATE_TEST_SUITE_P(Lines, SplitTest, testing::ValuesIn(kSplitCases));

// Where the two forms of the program path differ.
struct LineCase {
    const wchar_t* line;
    SplitCase split;
};

class LineTest : public testing::TestWithParam<LineCase> {};

TEST_P(LineTest, EndsTheProgramPathAsWindowsDoes) {
    ExpectSplit(GetParam().line, GetParam().split);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, LineTest,
    testing::Values(
        // No space after the closing quote: the code still starts right after it.
        LineCase{L"\"C:\\k.exe\"eng Kiosk1 C:\\d\\m", {L"", Outcome::Complete, 0, L"Kiosk1", L"C:\\d\\m"}},
        // No closing quote: the whole line is the program path.
        LineCase{L"\"C:\\k.exe eng Kiosk1 C:\\d\\m", {L"", Outcome::UnknownLanguage, 0, L"", L""}},
        // Unquoted, the path ends at the first space: one holding a space cannot be typed so.
        LineCase{L"C:\\Program Files\\kestrin.exe eng Kiosk1 C:\\d\\m", {L"", Outcome::UnknownLanguage, 0, L"", L""}},
        // A lone program path, either way.
        LineCase{L"kestrin.exe", {L"", Outcome::UnknownLanguage, 0, L"", L""}},
        LineCase{L"\"C:\\k.exe\"", {L"", Outcome::UnknownLanguage, 0, L"", L""}},
        LineCase{L"\"", {L"", Outcome::UnknownLanguage, 0, L"", L""}},
        LineCase{L"", {L"", Outcome::UnknownLanguage, 0, L"", L""}}));

TEST(SplitCommandLine, KeepsTheLanguageCodeForTheDebuggerLines) {
    const CommandLine result = SplitCommandLine(WithProgram(L" chi Kiosk1 C:\\d\\m"));
    EXPECT_EQ(result.languageCode, L"chi");
    const CommandLine missing = SplitCommandLine(WithProgram(L" esp"));
    EXPECT_EQ(missing.outcome, Outcome::MissingArgument);
    EXPECT_EQ(missing.languageCode, L"esp");
}

struct RefusalCase {
    const wchar_t* name;
    const wchar_t* path;
    std::optional<RefusedArgument> refused;
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, KeepsCharactersThatWouldMakeAnotherArgumentOut) {
    EXPECT_EQ(CheckArguments(GetParam().name, GetParam().path), GetParam().refused);
}

using Which = RefusedArgument::Which;
constexpr RefusedArgument Name(wchar_t c, bool first = false) {
    return {Which::BaseName, c, first};
}
constexpr RefusedArgument Path(wchar_t c, bool first = false) {
    return {Which::InfPath, c, first};
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RefusalTest,
    testing::Values(
        RefusalCase{L"Kiosk1", L"C:\\Program Files\\drv\\model", std::nullopt},
        RefusalCase{L"收银台&|<>%", L"\"C:\\Program Files\\drv\\model\"", std::nullopt},
        RefusalCase{L"Kiosk\"1", L"C:\\d\\m", Name(L'"')}, RefusalCase{L"Kiosk1\\", L"C:\\d\\m", Name(L'\\')},
        RefusalCase{L"Kiosk,1", L"C:\\d\\m", Name(L',')}, RefusalCase{L"Kiosk\x1f", L"C:\\d\\m", Name(L'\x1f')},
        RefusalCase{L"Kiosk1", L"C:\\d\\m\tx", Path(L'\t')}, RefusalCase{L"Kiosk1", L"C:\\d\\m\" /q", Path(L'"')},
        RefusalCase{L"Kiosk1", L"\"C:\\d\\m", Path(L'"')}, RefusalCase{L"Kiosk1", L"\"C:\\d\" \"m\"", Path(L'"')},
        RefusalCase{L"Kiosk1", L"\"C:\\my drivers\\\"", Path(L'\\')},
        RefusalCase{L"Kiosk1", L"C:\\drivers\\", std::nullopt}, RefusalCase{L"Kiosk1", L"\"\"", std::nullopt},
        // A first character that makes the argument an option of the printer-setup entry point.
        RefusalCase{L"/q", L"C:\\d\\m", Name(L'/', true)}, RefusalCase{L"-Kiosk", L"C:\\d\\m", Name(L'-', true)},
        RefusalCase{L"@list", L"C:\\d\\m", Name(L'@', true)}, RefusalCase{L"Kiosk-1/@", L"C:\\d\\m", std::nullopt},
        RefusalCase{L"Kiosk1", L"/f", Path(L'/', true)}, RefusalCase{L"Kiosk1", L"\"-x y\"", Path(L'-', true)},
        RefusalCase{L"Kiosk1", L"@C:\\d", Path(L'@', true)}, RefusalCase{L"Kiosk1", L"C:\\-d\\@m", std::nullopt}));

TEST(SplitCommandLine, ARefusedArgumentKeepsWhatWasSplitAndSaysWhy) {
    const CommandLine result = SplitCommandLine(WithProgram(L" eng Kiosk\\ C:\\d\\m /q"));
    EXPECT_EQ(result.outcome, Outcome::RefusedArgument);
    EXPECT_EQ(result.basePrinterName, L"Kiosk\\");
    ASSERT_TRUE(result.refused.has_value());
    EXPECT_EQ(RefusalMessage(*result.refused),
              L"the base name holds U+005C (\\), which the printer-setup commands cannot carry");
    EXPECT_EQ(RefusalMessage(Path(L'\t')), L"the INF path holds U+0009, which the printer-setup commands cannot carry");
    EXPECT_EQ(RefusalMessage(Name(L'/', true)),
              L"the base name begins with U+002F (/), which the printer-setup entry point reads as an option");
    EXPECT_EQ(RefusalMessage(Path(L'@', true)),
              L"the INF path begins with U+0040 (@), which the printer-setup entry point reads as a file of options");
}

// Unattended options, before the language code.

// The options that are set, in one line: "quiet port=4 log=a.log".
std::wstring Described(const UnattendedOptions& o) {
    std::wstring text;
    auto add = [&](const wchar_t* name, const auto& value) {
        if (!value) return;
        text += (text.empty() ? L"" : L" ") + std::wstring(name) + L"=" + std::to_wstring(static_cast<int>(*value));
    };
    if (o.quiet) text += L"quiet";
    if (o.passive) text += text.empty() ? L"passive" : L" passive";
    if (!o.logPath.empty()) text += (text.empty() ? L"log=" : L" log=") + o.logPath;
    add(L"os", o.os);
    if (!o.port.empty()) text += (text.empty() ? L"port=" : L" port=") + o.port;
    add(L"baud", o.baudIndex);
    add(L"bytesize", o.byteSizeIndex);
    add(L"parity", o.parityIndex);
    add(L"stopbits", o.stopBitsIndex);
    add(L"flow", o.flowControlIndex);
    if (o.noDefault) text += L" nodefault";
    if (o.testPage) text += L" testpage";
    add(L"timeout", o.timeoutSeconds);
    if (!o.recordPath.empty()) text += (text.empty() ? L"record=" : L" record=") + o.recordPath;
    if (o.remove) text += text.empty() ? L"remove" : L" remove";
    if (!o.handback.empty()) text += (text.empty() ? L"handback=" : L" handback=") + o.handback;
    return text;
}

struct OptionsCase {
    const wchar_t* rest;     // after the program path
    const wchar_t* options;  // as Described() writes them
    std::optional<OptionError> error;
};

class OptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, AreReadBeforeTheLanguageCode) {
    for (const std::wstring& program : kProgramForms) {
        const ParsedCommandLine parsed = ParseCommandLine(program + (GetParam().rest + 1));
        EXPECT_EQ(Described(parsed.options), GetParam().options) << testing::PrintToString(program);
        EXPECT_EQ(parsed.error, GetParam().error) << testing::PrintToString(program);
    }
}

using R = OptionError::Reason;

INSTANTIATE_TEST_SUITE_P(
    Lines, OptionsTest,
    testing::Values(
        OptionsCase{L" eng Kiosk1 C:\\d\\m", L"", std::nullopt},
        OptionsCase{L" /QUIET /Port:com2 /baud:9600 eng K P", L"quiet port=COM2: baud=4", std::nullopt},
        OptionsCase{L" /quiet /os:8 /port:COM1: /bytesize:7 /parity:Space /stopbits:1.5 /flow:xonxoff /nodefault "
                    L"/testpage eng K P",
                    L"quiet os=5 port=COM1: bytesize=2 parity=3 stopbits=1 flow=1 nodefault testpage", std::nullopt},
        OptionsCase{L" /quiet /os:auto /port:usb001 eng K P", L"quiet port=USB001", std::nullopt},
        // Any port of the three forms the machine may have; USB alone finds the printer's.
        OptionsCase{L" /quiet /port:com10 /baud:9600 eng K P", L"quiet port=COM10: baud=4", std::nullopt},
        OptionsCase{L" /quiet /port:LPT9: eng K P", L"quiet port=LPT9:", std::nullopt},
        OptionsCase{L" /quiet /port:USB012 eng K P", L"quiet port=USB012", std::nullopt},
        OptionsCase{L" /quiet /port:Usb eng K P", L"quiet port=USB", std::nullopt},
        OptionsCase{L" /quiet /port:USB /baud:9600 eng K P", L"quiet port=USB baud=4",
                    OptionError{R::SerialNeedsCom, L"/baud:9600"}},
        OptionsCase{L" /quiet /port:COM0 eng K P", L"quiet", OptionError{R::BadValue, L"/port:COM0"}},
        OptionsCase{L" /quiet /port:COM07 eng K P", L"quiet", OptionError{R::BadValue, L"/port:COM07"}},
        OptionsCase{L" /quiet /port:USB1 eng K P", L"quiet", OptionError{R::BadValue, L"/port:USB1"}},
        OptionsCase{L" /quiet /port:FILE: eng K P", L"quiet", OptionError{R::BadValue, L"/port:FILE:"}},
        OptionsCase{L" /quiet /port:\\\\host\\q eng K P", L"quiet", OptionError{R::BadValue, L"/port:\\\\host\\q"}},
        OptionsCase{L"  /log:\"C:\\Kiosk logs\\printer.log\"   eng K P", L"log=C:\\Kiosk logs\\printer.log",
                    std::nullopt},
        // A whole option in quotes, as some shells pass an argument that holds a space.
        OptionsCase{L" \"/log:C:\\Kiosk logs\\printer.log\" \"/quiet\" eng K P",
                    L"quiet log=C:\\Kiosk logs\\printer.log", std::nullopt},
        OptionsCase{L" \"/log:C:\\a b eng K P", L"", OptionError{R::BadValue, L"\"/log:C:\\a b eng K P"}},
        OptionsCase{L" \"/log:C:\\a\"b eng K P", L"", OptionError{R::BadValue, L"\"/log:C:\\a\"b"}},
        OptionsCase{L" \"/log:\" eng K P", L"", OptionError{R::BadValue, L"\"/log:\""}},
        OptionsCase{L" \"/colour:red\" eng K P", L"", OptionError{R::Unknown, L"\"/colour:red\""}},
        // Whatever cannot be used is named as written, the first of them.
        OptionsCase{L" /quiet /bogus /baud:1 eng K P", L"quiet", OptionError{R::Unknown, L"/bogus"}},
        OptionsCase{L" /quiet /port:COM2 /baud:9601 eng K P", L"quiet port=COM2:",
                    OptionError{R::BadValue, L"/baud:9601"}},
        OptionsCase{L" /quiet:yes eng K P", L"", OptionError{R::BadValue, L"/quiet:yes"}},
        OptionsCase{L" /quiet /port eng K P", L"quiet", OptionError{R::BadValue, L"/port"}},
        OptionsCase{L" /log: eng K P", L"", OptionError{R::BadValue, L"/log:"}},
        OptionsCase{L" /log:\"C:\\a b eng K P", L"", OptionError{R::BadValue, L"/log:\"C:\\a b eng K P"}},
        OptionsCase{L" /log:\"C:\\a\"b eng K P", L"", OptionError{R::BadValue, L"/log:\"C:\\a\"b"}},
        OptionsCase{L" /quiet /Quiet eng K P", L"quiet", OptionError{R::Repeated, L"/Quiet"}},
        OptionsCase{L" /quiet /os:auto /OS:8 eng K P", L"quiet", OptionError{R::Repeated, L"/OS:8"}},
        OptionsCase{L" /log:a.log /port:COM2 eng K P", L"log=a.log port=COM2:",
                    OptionError{R::NeedsQuiet, L"/port:COM2"}},
        OptionsCase{L" /quiet /flow:none eng K P", L"quiet flow=0", OptionError{R::SerialNeedsCom, L"/flow:none"}},
        OptionsCase{L" /quiet /port:LPT1 /stopbits:2 eng K P", L"quiet port=LPT1: stopbits=2",
                    OptionError{R::SerialNeedsCom, L"/stopbits:2"}},
        // A quiet run's time limit: a whole number of seconds, 1 to a day.
        OptionsCase{L" /quiet /timeout:1 eng K P", L"quiet timeout=1", std::nullopt},
        OptionsCase{L" /quiet /TIMEOUT:86400 eng K P", L"quiet timeout=86400", std::nullopt},
        OptionsCase{L" /quiet /timeout:86401 eng K P", L"quiet", OptionError{R::BadValue, L"/timeout:86401"}},
        OptionsCase{L" /quiet /timeout:0 eng K P", L"quiet", OptionError{R::BadValue, L"/timeout:0"}},
        OptionsCase{L" /quiet /timeout:030 eng K P", L"quiet", OptionError{R::BadValue, L"/timeout:030"}},
        OptionsCase{L" /quiet /timeout:-5 eng K P", L"quiet", OptionError{R::BadValue, L"/timeout:-5"}},
        OptionsCase{L" /timeout:60 eng K P", L"timeout=60", OptionError{R::NeedsQuiet, L"/timeout:60"}},
        // The record file and removal, with and without /quiet; not with an installation's options.
        OptionsCase{L" /record:\"C:\\Kiosk logs\\k.kestrin\" /remove eng K", L"record=C:\\Kiosk logs\\k.kestrin remove",
                    std::nullopt},
        OptionsCase{L" /quiet /remove /timeout:30 eng K P", L"quiet timeout=30 remove", std::nullopt},
        OptionsCase{L" /remove /quiet /nodefault eng K P", L"quiet nodefault remove",
                    OptionError{R::NotWithRemove, L"/nodefault"}},
        OptionsCase{L" /remove /port:COM2 eng K P", L"port=COM2: remove", OptionError{R::NotWithRemove, L"/port:COM2"}},
        OptionsCase{L" /record: eng K P", L"", OptionError{R::BadValue, L"/record:"}},
        // A run from options that shows its progress takes what /quiet takes, but not beside it.
        OptionsCase{L" /Passive /port:COM2 /baud:9600 /timeout:30 /log:a.log eng K P",
                    L"passive log=a.log port=COM2: baud=4 timeout=30", std::nullopt},
        OptionsCase{L" /passive /remove eng K", L"passive remove", std::nullopt},
        OptionsCase{L" /quiet /passive eng K P", L"quiet passive", OptionError{R::NotWithQuiet, L"/passive"}},
        OptionsCase{L" /passive /quiet /port:COM2 eng K P", L"quiet passive port=COM2:",
                    OptionError{R::NotWithQuiet, L"/passive"}},
        // Where the run started with administrator rights hands back the printer's name.
        OptionsCase{L" /passive /handback:Kestrin-0042-ab eng K P", L"passive handback=Kestrin-0042-ab", std::nullopt},
        OptionsCase{L" /passive /handback:0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef eng K P",
                    L"passive handback=0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef", std::nullopt},
        OptionsCase{
            L" /passive /handback:0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef0 eng K P",
            L"passive",
            OptionError{R::BadValue, L"/handback:0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef0"}},
        OptionsCase{L" /passive /handback:a_b eng K P", L"passive", OptionError{R::BadValue, L"/handback:a_b"}},
        OptionsCase{L" /passive /handback: eng K P", L"passive", OptionError{R::BadValue, L"/handback:"}},
        OptionsCase{L" /handback:k1 eng K P", L"handback=k1",
                    OptionError{R::NeedsPassiveInstallation, L"/handback:k1"}},
        OptionsCase{L" /quiet /handback:k1 eng K P", L"quiet handback=k1",
                    OptionError{R::NeedsPassiveInstallation, L"/handback:k1"}},
        OptionsCase{L" /passive /remove /handback:k1 eng K", L"passive remove handback=k1",
                    OptionError{R::NeedsPassiveInstallation, L"/handback:k1"}}));

TEST(ParseCommandLine, SplitsWhatFollowsTheOptionsAsEver) {
    const ParsedCommandLine withOptions = ParseCommandLine(WithProgram(L" /quiet  chi Kiosk1   C:\\My Drivers\\m "));
    EXPECT_EQ(withOptions.commandLine.outcome, Outcome::Complete);
    EXPECT_EQ(withOptions.commandLine.languageIndex, 1);
    EXPECT_EQ(withOptions.commandLine.basePrinterName, L"Kiosk1");
    EXPECT_EQ(withOptions.commandLine.infBasePath, L"C:\\My Drivers\\m");
    EXPECT_EQ(ParseCommandLine(WithProgram(L" /quiet")).commandLine.outcome, Outcome::UnknownLanguage);
    // Without options, every line is split exactly as SplitCommandLine splits it.
    for (const std::wstring& program : kProgramForms) {
        for (const SplitCase& c : kSplitCases) {
            const std::wstring line = program + c.rest;
            const CommandLine alone = SplitCommandLine(line);
            const ParsedCommandLine parsed = ParseCommandLine(line);
            EXPECT_EQ(parsed.commandLine.outcome, alone.outcome) << testing::PrintToString(line);
            EXPECT_EQ(parsed.commandLine.basePrinterName, alone.basePrinterName);
            EXPECT_EQ(parsed.commandLine.infBasePath, alone.infBasePath);
            EXPECT_EQ(Described(parsed.options), L"");
        }
    }
}

TEST(ParseCommandLine, NamesTheRefusedOptionAndWhy) {
    EXPECT_EQ(OptionErrorMessage({R::SerialNeedsCom, L"/baud:9600"}),
              L"option /baud:9600 refused: serial line values need a COM port (/port:COMn)");
    EXPECT_EQ(OptionErrorMessage({R::NeedsQuiet, L"/port:COM2"}),
              L"option /port:COM2 refused: without /quiet or /passive only /log:, /record: and /remove are taken");
    EXPECT_EQ(OptionErrorMessage({R::NotWithRemove, L"/os:8"}), L"option /os:8 refused: not with /remove");
    EXPECT_EQ(OptionErrorMessage({R::NotWithQuiet, L"/passive"}), L"option /passive refused: not with /quiet");
    EXPECT_EQ(OptionErrorMessage({R::NeedsPassiveInstallation, L"/handback:k1"}),
              L"option /handback:k1 refused: only an installation with /passive takes it");
}

TEST(SettingsFromOptions, EveryInstallationOptionHasItsEffect) {
    EXPECT_TRUE(EveryInstallationOptionFills());
}

TEST(SettingsFromOptions, AreTheWizardsDefaultsUnlessAnOptionSaysOtherwise) {
    InstallSettings expected;
    expected.osIndex = OsChoice::Windows7;
    expected.printerName = L"Kiosk1";
    const InstallSettings defaults = SettingsFromOptions({}, OsChoice::Windows7, L"Kiosk1");
    EXPECT_EQ(std::tie(defaults.osIndex, defaults.setAsDefault, defaults.printerName, defaults.portIndex,
                       defaults.baudIndex, defaults.stopBitsIndex, defaults.flowControlIndex, defaults.byteSizeIndex,
                       defaults.parityIndex, defaults.printTestPage),
              std::tie(expected.osIndex, expected.setAsDefault, expected.printerName, expected.portIndex,
                       expected.baudIndex, expected.stopBitsIndex, expected.flowControlIndex, expected.byteSizeIndex,
                       expected.parityIndex, expected.printTestPage));

    const UnattendedOptions options =
        ParseCommandLine(
            L"\"k\" /quiet /os:8 /port:COM4 /baud:300 /bytesize:6 /parity:odd /stopbits:2 /flow:none "
            L"/nodefault /testpage eng K P")
            .options;
    const InstallSettings chosen = SettingsFromOptions(options, OsChoice::Unrecognised, L"K");
    EXPECT_EQ(std::tie(chosen.osIndex, chosen.setAsDefault, chosen.portIndex, chosen.baudIndex, chosen.stopBitsIndex,
                       chosen.flowControlIndex, chosen.byteSizeIndex, chosen.parityIndex, chosen.printTestPage),
              std::make_tuple(OsChoice::Windows8, false, 6, 0, 2, 0, 1, 2, true));
    EXPECT_EQ(chosen.portName, L"COM4:");
    // A port outside the fixed list has no place in the page's list.
    const InstallSettings other =
        SettingsFromOptions(ParseCommandLine(L"k /quiet /port:COM7 eng K P").options, OsChoice::Unrecognised, L"K");
    EXPECT_EQ(std::tie(other.portIndex, other.portName), std::make_tuple(kNoListedPort, std::wstring(L"COM7:")));
    EXPECT_EQ(SettingsFromOptions({}, OsChoice::Unrecognised, L"K").osIndex, OsChoice::Unrecognised);
}

TEST(ArgumentsAfterProgram, AreWhatARelaunchPassesOn) {
    EXPECT_EQ(ArgumentsAfterProgram(L"\"C:\\k.exe\" /log:\"a b\" eng K P"), L"/log:\"a b\" eng K P");
    EXPECT_EQ(ArgumentsAfterProgram(L"kestrin.exe /log:\"a b\" eng K P"), L"/log:\"a b\" eng K P");
    EXPECT_EQ(ArgumentsAfterProgram(L"kestrin.exe\t eng K P"), L" eng K P");
    EXPECT_EQ(ArgumentsAfterProgram(L"\"C:\\k.exe\"eng K P"), L"eng K P");
    EXPECT_EQ(ArgumentsAfterProgram(L"\"C:\\k.exe eng K P"), L"");
    EXPECT_EQ(ArgumentsAfterProgram(L"kestrin.exe"), L"");
}

}  // namespace
