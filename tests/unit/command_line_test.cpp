#include "core/command_line.h"

#include <gtest/gtest.h>

namespace {

using Outcome = CommandLine::Outcome;

struct SplitCase {
    const wchar_t* line;
    Outcome outcome;
    int languageIndex;
    const wchar_t* baseName;
    const wchar_t* infPath;
};

constexpr wchar_t kProgram[] = L"\"C:\\Tools\\kestrin.exe\"";

std::wstring WithProgram(const wchar_t* rest) {
    return std::wstring(kProgram) + rest;
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, YieldsLanguageNameAndPath) {
    const SplitCase& c = GetParam();
    const CommandLine result = SplitCommandLine(c.line);
    EXPECT_EQ(result.outcome, c.outcome);
    if (c.outcome == Outcome::UnknownLanguage) return;
    EXPECT_EQ(result.languageIndex, c.languageIndex);
    EXPECT_EQ(result.basePrinterName, c.baseName);
    EXPECT_EQ(result.infBasePath, c.infPath);
}

const SplitCase kSplitCases[] = {
    // The documented examples.
    {L"\"C:\\k.exe\" eng Kiosk1 C:\\drivers\\model", Outcome::Complete, 0, L"Kiosk1", L"C:\\drivers\\model"},
    {L"\"C:\\k.exe\" chi Kiosk1 C:\\Program Files\\drv\\model", Outcome::Complete, 1, L"Kiosk1",
     L"C:\\Program Files\\drv\\model"},
    {L"\"C:\\k.exe\" esp Kiosk1 C:\\drivers\\model   ", Outcome::Complete, 2, L"Kiosk1", L"C:\\drivers\\model"},
    {L"\"C:\\k.exe\" ENG Kiosk1 C:\\drivers\\model", Outcome::UnknownLanguage, 0, L"", L""},
    // Two spaces before the code leave the code empty.
    {L"\"C:\\k.exe\"  eng Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    // No space after the quote: the code still starts right after it.
    {L"\"C:\\k.exe\"eng Kiosk1 C:\\d\\m", Outcome::Complete, 0, L"Kiosk1", L"C:\\d\\m"},
    // No closing quote: the first token is the program path itself.
    {L"\"C:\\k.exe eng Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    {L"eng Kiosk1 C:\\d\\m", Outcome::Complete, 0, L"Kiosk1", L"C:\\d\\m"},
    // A tab separates nothing here, but would for the printer-setup commands.
    {L"\"C:\\k.exe\" eng Kiosk\t1 C:\\d\\m", Outcome::RefusedArgument, 0, L"Kiosk\t1", L"C:\\d\\m"},
    {L"\"C:\\k.exe\" eng\tKiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    // Spaces inside the path stay; those around it go.
    {L"\"C:\\k.exe\" eng Kiosk1    C:\\My  Drivers\\m o d   ", Outcome::Complete, 0, L"Kiosk1",
     L"C:\\My  Drivers\\m o d"},
    // A quoted path is kept with its quotes.
    {L"\"C:\\k.exe\" eng Kiosk1 \"C:\\Program Files\\drv\\model\"", Outcome::Complete, 0, L"Kiosk1",
     L"\"C:\\Program Files\\drv\\model\""},
    // Non-Latin names and paths.
    {L"\"C:\\k.exe\" chi 收银台 C:\\驱动\\型号", Outcome::Complete, 1, L"收银台", L"C:\\驱动\\型号"},
    {L"\"C:\\k.exe\" esp Caja\u00f1o D:\\controladores\\se\u00f1al", Outcome::Complete, 2, L"Caja\u00f1o",
     L"D:\\controladores\\se\u00f1al"},
    // A known code with an argument missing never reaches the wizard.
    {L"\"C:\\k.exe\" eng", Outcome::MissingArgument, 0, L"", L""},
    {L"\"C:\\k.exe\" chi Kiosk1", Outcome::MissingArgument, 1, L"Kiosk1", L""},
    {L"\"C:\\k.exe\" eng Kiosk1   ", Outcome::MissingArgument, 0, L"Kiosk1", L""},
    // Two spaces after the code: the name is empty and moves into the path.
    {L"\"C:\\k.exe\" eng  Kiosk1 C:\\d\\m", Outcome::MissingArgument, 0, L"", L"Kiosk1 C:\\d\\m"},
    {L"\"C:\\k.exe\" esp ", Outcome::MissingArgument, 2, L"", L""},
    // Codes are compared whole.
    {L"\"C:\\k.exe\" en Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    {L"\"C:\\k.exe\" engl Kiosk1 C:\\d\\m", Outcome::UnknownLanguage, 0, L"", L""},
    {L"", Outcome::UnknownLanguage, 0, L"", L""},
    {L"\"", Outcome::UnknownLanguage, 0, L"", L""},
    {L"\"\"", Outcome::UnknownLanguage, 0, L"", L""},
};

INSTANTIATE_TEST_SUITE_P(Lines, SplitTest, testing::ValuesIn(kSplitCases));

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
constexpr RefusedArgument Name(wchar_t c) {
    return {Which::BaseName, c};
}
constexpr RefusedArgument Path(wchar_t c) {
    return {Which::InfPath, c};
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
        RefusalCase{L"Kiosk1", L"C:\\drivers\\", std::nullopt}, RefusalCase{L"Kiosk1", L"\"\"", std::nullopt}));

TEST(SplitCommandLine, ARefusedArgumentKeepsWhatWasSplitAndSaysWhy) {
    const CommandLine result = SplitCommandLine(WithProgram(L" eng Kiosk\\ C:\\d\\m /q"));
    EXPECT_EQ(result.outcome, Outcome::RefusedArgument);
    EXPECT_EQ(result.basePrinterName, L"Kiosk\\");
    ASSERT_TRUE(result.refused.has_value());
    EXPECT_EQ(RefusalMessage(*result.refused),
              L"the base name holds U+005C \"\\\", which the printer-setup commands cannot carry");
    EXPECT_EQ(RefusalMessage(Path(L'\t')), L"the INF path holds U+0009, which the printer-setup commands cannot carry");
}

}  // namespace
