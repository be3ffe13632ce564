#include "core/inf_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/test_constants.h"

namespace {

using Env = DriverEnvironment;
constexpr WindowsVersion kWindows2000{5, 0, 2195, 1};
constexpr WindowsVersion kXp{5, 1, 2600, 1};
constexpr WindowsVersion kServer2003{5, 2, 3790, 3};
constexpr WindowsVersion kWindows7{6, 1, 7601, 1};
constexpr WindowsVersion kServer2008R2{6, 1, 7601, 3};
constexpr WindowsVersion kWindows10_1703{10, 0, 15063, 1};
constexpr WindowsVersion kWindows10_1709{10, 0, 16299, 1};
constexpr WindowsVersion kWindows11{10, 0, 22631, 1};

// The found line written back as "section: name = install, ids", or "" for none.
std::wstring Described(const std::optional<InfModel>& model) {
    if (!model) return L"";
    std::wstring text = model->modelsSection + L": " + model->name + L" = " + model->installSection;
    for (const std::wstring& id : model->ids) text += L", " + id;
    return text;
}

std::string Utf16WithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// One model across the Windows generations, as makers ship it.
const std::string kGenerations = R"(; Maker M1 driver
[Version]
Signature="$Windows NT$"
Provider=%Maker%

[Manufacturer]
%Maker% = Maker, NTx86.5.1, NTamd64.6.0, NTamd64.10.0...16299, NTarm64.10.0

[Maker.NTx86.5.1]
%M1% = M1_XP, USBPRINT\MakerM1A2B, MakerM1A2B

[Maker.NTamd64.6.0]
%M1% = M1_VISTA, USBPRINT\MakerM1A2B, MakerM1A2B

[Maker.NTamd64.10.0...16299]
%M1% = M1_WIN10, USBPRINT\MakerM1A2B, MakerM1A2B, WSDPRINT\MakerM1,

[MAKER.NTARM64.10.0]
%M1% = M1_ARM, USBPRINT\MakerM1A2B

[Strings]
Maker = "Maker Inc."
M1 = "Maker M1 Series"
)";

const std::string kProductTypes = R"([Manufacturer]
Maker=Maker,NT.6.0,NTx86,NTamd64.6.0,NTamd64.6.0.0x3.0x00000110
[Maker.NT.6.0]
"M1"=M1_NT6
[Maker.NTx86]
"M1"=M1_X86
[Maker.NTamd64.6.0]
"M1"=M1_WORKSTATION
[maker.ntamd64.6.0.0x3.0x00000110]
"M1"=M1_SERVER
)";

const std::string kNtAlone =
    "[Manufacturer]\nM=M,NT,NTx86,NTamd64.6.2\n[M.NT]\nM1=NT\n[M.NTx86]\nM1=X86\n[M.NTamd64.6.2]\nM1=X64";
const std::string kUndecorated = "[Manufacturer]\r\n\"Maker\"=Models\r\n[Models]\r\n\"M1\" = M1, USBPRINT\\M1\r\n";
// ARM64 sections for one build and later and for every Windows, beside an x64 one.
const std::string kArm64Builds =
    "[Manufacturer]\nM=M,NTamd64,NTarm64.10.0...22000,ntARM64\n[M.NTamd64]\nM1=X64\n"
    "[M.NTarm64.10.0...22000]\nM1=ARM_22000\n[M.ntARM64]\nM1=ARM_ANY";
const std::string kSampleLike = "[Manufacturer]\n%Maker%=Tavik,NTamd64,NTx86\n[Tavik.NTamd64]\nA=B\n[Strings]\nMaker=T";

// Line syntax, in one x64 section, with the CR LF ends makers' files have.
const std::string kSyntax =
    "[Manufacturer]\r\n%Maker%=Maker,NTamd64 ; the x64 models\r\n"
    "[maker.ntAMD64]\r\n"
    "\"Maker; Quoted\" = Q, USBPRINT\\MakerQ ; a semicolon in quotes is text\r\n"
    "%Long% = LONG, \\\r\n    USBPRINT\\MakerLong, \\  ; a comment after the backslash\r\n\tMakerLong\r\n"
    "\"The \"\"Q2\"\" model\" = Q2\r\n"
    "Model 100%% = PERCENT\r\n"
    "%NoSuchString% = UNKNOWN\r\n"
    "\"%Long%\" = QUOTED_TOKEN\r\n"
    "%Spaced% = SPACED, USBPRINT\\Spaced,,\r\n"
    "\"Unclosed \\\r\nUnclosed = UNCLOSED\r\n"
    "[sTrInGs]\r\nMaker = \"Maker Inc.\"\r\nLONG = Maker Long, Wide\r\nSpaced = \" Spaced \"\r\n";

struct ModelCase {
    const char* what;
    std::string inf;
    const wchar_t* model;
    Env environment;
    WindowsVersion version;
    bool hasModels;
    const wchar_t* found;
};

class InfModelTest : public testing::TestWithParam<ModelCase> {};

TEST_P(InfModelTest, FindsTheLineOfTheSectionWindowsWouldChoose) {
    const ModelCase& c = GetParam();
    const InfFile inf = InfFile::Parse(c.inf);
    EXPECT_EQ(Described(inf.FindModel(c.model, c.environment, c.version)), c.found) << c.what;
    EXPECT_EQ(inf.HasModelsFor(c.environment, c.version), c.hasModels) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Decorations, InfModelTest,
    testing::Values(
        ModelCase{"Windows 11 x64: the 1709 section", kGenerations, L"Maker M1 Series", Env::Amd64, kWindows11, true,
                  L"Maker.NTamd64.10.0...16299: Maker M1 Series = M1_WIN10, USBPRINT\\MakerM1A2B, MakerM1A2B, "
                  L"WSDPRINT\\MakerM1"},
        ModelCase{"1703 is below the build; any case", kGenerations, L"maker m1 SERIES", Env::Amd64, kWindows10_1703,
                  true, L"Maker.NTamd64.6.0: Maker M1 Series = M1_VISTA, USBPRINT\\MakerM1A2B, MakerM1A2B"},
        ModelCase{"exactly the build", kGenerations, L"Maker M1 Series", Env::Amd64, kWindows10_1709, true,
                  L"Maker.NTamd64.10.0...16299: Maker M1 Series = M1_WIN10, USBPRINT\\MakerM1A2B, MakerM1A2B, "
                  L"WSDPRINT\\MakerM1"},
        ModelCase{"x64 older than every section", kGenerations, L"Maker M1 Series", Env::Amd64, kServer2003, false,
                  L""},
        ModelCase{"x86 XP", kGenerations, L"Maker M1 Series", Env::X86, kXp, true,
                  L"Maker.NTx86.5.1: Maker M1 Series = M1_XP, USBPRINT\\MakerM1A2B, MakerM1A2B"},
        ModelCase{"x86 2000, no undecorated section", kGenerations, L"Maker M1 Series", Env::X86, kWindows2000, false,
                  L""},
        ModelCase{"ARM64 with its section", kGenerations, L"Maker M1 Series", Env::Arm64, kWindows11, true,
                  L"MAKER.NTARM64.10.0: Maker M1 Series = M1_ARM, USBPRINT\\MakerM1A2B"},
        ModelCase{"a model the section lacks", kGenerations, L"Maker M2", Env::Amd64, kWindows11, true, L""},
        ModelCase{"ARM64 without a section", kSampleLike, L"A", Env::Arm64, kWindows11, false, L""},
        ModelCase{"x86: the higher version over the architecture", kProductTypes, L"M1", Env::X86, kWindows7, true,
                  L"Maker.NT.6.0: M1 = M1_NT6"},
        ModelCase{"x86: NTx86 below NT.6.0", kProductTypes, L"M1", Env::X86, kXp, true, L"Maker.NTx86: M1 = M1_X86"},
        ModelCase{"x64 server: its product type", kProductTypes, L"M1", Env::Amd64, kServer2008R2, true,
                  L"maker.ntamd64.6.0.0x3.0x00000110: M1 = M1_SERVER"},
        ModelCase{"x64 workstation", kProductTypes, L"M1", Env::Amd64, kWindows7, true,
                  L"Maker.NTamd64.6.0: M1 = M1_WORKSTATION"},
        ModelCase{"x86: the architecture over NT alone", kNtAlone, L"M1", Env::X86, kXp, true, L"M.NTx86: M1 = X86"},
        ModelCase{"x64 reads no NT-only section", kNtAlone, L"M1", Env::Amd64, kWindows7, false, L""},
        ModelCase{"undecorated on x86", kUndecorated, L"M1", Env::X86, kWindows7, true,
                  L"Models: M1 = M1, USBPRINT\\M1"},
        ModelCase{"undecorated only, x64", kUndecorated, L"M1", Env::Amd64, kWindows11, false, L""},
        ModelCase{"undecorated only, ARM64", kUndecorated, L"M1", Env::Arm64, kWindows11, false, L""},
        ModelCase{"ARM64: the build's section", kArm64Builds, L"M1", Env::Arm64, kWindows11, true,
                  L"M.NTarm64.10.0...22000: M1 = ARM_22000"},
        ModelCase{"ARM64 below the build: any case", kArm64Builds, L"M1", Env::Arm64, kWindows10_1709, true,
                  L"M.ntARM64: M1 = ARM_ANY"},
        ModelCase{"x64 beside ARM64", kArm64Builds, L"M1", Env::Amd64, kWindows11, true, L"M.NTamd64: M1 = X64"},
        ModelCase{"x86 reads no ARM64 section", kArm64Builds, L"M1", Env::X86, kWindows11, false, L""},
        ModelCase{"ARM64 as the version query reports 10.0", kGenerations, L"Maker M1 Series", Env::Arm64,
                  WindowsVersion{6, 2, 9200, 1}, false, L""},
        ModelCase{"a bare models name", "[MANUFACTURER]\nModels\n[models]\nM1=I", L"M1", Env::X86, kXp, true,
                  L"models: M1 = I"},
        ModelCase{"a section given twice is one", "[Manufacturer]\nM=M,NTamd64\n[M.NTamd64]\nA=1\n[m.ntamd64]\nM1=I",
                  L"M1", Env::Amd64, kWindows7, true, L"M.NTamd64: M1 = I"},
        ModelCase{"the decoration that applies has no section", "[Manufacturer]\nM=M,NTx86\n[M]\nM1=I", L"M1", Env::X86,
                  kXp, false, L""}));

INSTANTIATE_TEST_SUITE_P(
    Syntax, InfModelTest,
    testing::Values(
        ModelCase{"semicolon in quotes", kSyntax, L"Maker; Quoted", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: Maker; Quoted = Q, USBPRINT\\MakerQ"},
        ModelCase{"continued lines", kSyntax, L"Maker Long, Wide", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: Maker Long, Wide = LONG, USBPRINT\\MakerLong, MakerLong"},
        ModelCase{"doubled quotes", kSyntax, L"The \"Q2\" model", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: The \"Q2\" model = Q2"},
        ModelCase{"a backslash in quotes joins nothing", kSyntax, L"Unclosed", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: Unclosed = UNCLOSED"},
        ModelCase{"%%", kSyntax, L"Model 100%", Env::Amd64, kWindows11, true, L"maker.ntAMD64: Model 100% = PERCENT"},
        ModelCase{"an unknown token", kSyntax, L"%NoSuchString%", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: %NoSuchString% = UNKNOWN"},
        ModelCase{"a token in quotes", kSyntax, L"%Long%", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64: %Long% = QUOTED_TOKEN"},
        ModelCase{"quoted blanks, trailing commas", kSyntax, L" Spaced ", Env::Amd64, kWindows11, true,
                  L"maker.ntAMD64:  Spaced  = SPACED, USBPRINT\\Spaced"},
        ModelCase{"UTF-16 with a byte-order mark",
                  Utf16WithBom(u"[Manufacturer]\r\nM=M,NTamd64\r\n[M.NTamd64]\r\n"
                               u"\"收银台 \U0001F5A8\" = R, USBPRINT\\R\r\n"),
                  L"收银台 \xD83D\xDDA8", Env::Amd64, kWindows11, true,
                  L"M.NTamd64: 收银台 \xD83D\xDDA8 = R, USBPRINT\\R"},
        ModelCase{"UTF-8 with a byte-order mark",
                  "\xEF\xBB\xBF[Manufacturer]\nM=M,NTamd64\n[M.NTamd64]\n\"\xE6\x94\xB6 \xF0\x9F\x96\xA8\" = R\n",
                  L"收 \xD83D\xDDA8", Env::Amd64, kWindows11, true, L"M.NTamd64: 收 \xD83D\xDDA8 = R"},
        ModelCase{"ANSI", "[Manufacturer]\nM=M,NTamd64\n[M.NTamd64]\nCaf\xE9 M1 = R\n", L"Café M1", Env::Amd64,
                  kWindows11, true, L"M.NTamd64: Café M1 = R"}));

// Whatever the bytes, reading ends and finds nothing that is not there.
TEST(InfRobustness, TruncatedOrHostileFilesFindNothingFalse) {
    const std::wstring full = L"maker.ntAMD64: Maker Long, Wide = LONG, USBPRINT\\MakerLong, MakerLong";
    const std::string utf16 = Utf16WithBom(std::u16string(kSyntax.begin(), kSyntax.end()));
    std::wstring previous;
    for (std::size_t size = 0; size <= utf16.size(); ++size) {
        const InfFile inf = InfFile::Parse(std::string_view(utf16).substr(0, size));
        const std::wstring found = Described(inf.FindModel(L"Maker Long, Wide", Env::Amd64, kWindows11));
        // An odd last byte is dropped, so it changes nothing.
        if (size % 2 == 1) {
            EXPECT_EQ(found, previous) << size;
        }
        // The strings come last: without all of them the model cannot be named.
        if (!found.empty()) {
            EXPECT_EQ(found, full) << size;
        }
        previous = found;
    }
    EXPECT_EQ(previous, full);

    // A string of 4000 characters 100 times over makes a line far longer than any real one.
    std::string bomb = "[Manufacturer]\nM=M,NTamd64\n[Strings]\nA=\"" + std::string(4000, 'a') + "\"\n[M.NTamd64]\nX=";
    for (int i = 0; i < 100; ++i) bomb += "%A%,";
    const std::string hostile[] = {"\xFF\xFE[\xD8",
                                   "\xEF\xBB\xBF\xF0\x9F\xC0\xAF",
                                   "[",
                                   "[Manufacturer]\n%",
                                   "[Manufacturer]\nM=M,NT.99999999999\n[M.NT.99999999999]\nX=Y",
                                   "[Manufacturer]\nM=M,NTamd64.6.0.1.2.3.4\n[M.NTamd64.6.0.1.2.3.4]\nX=Y",
                                   "[Manufacturer]\nM=M,NTia64,NTarm\n[M.NTia64]\nX=Y\n[M.NTarm]\nX=Y",
                                   bomb};
    for (const std::string& bytes : hostile) {
        const InfFile inf = InfFile::Parse(bytes);
        for (const Env environment : {Env::X86, Env::Amd64, Env::Arm64}) {
            EXPECT_EQ(Described(inf.FindModel(L"X", environment, kWindows11)), L"") << testing::PrintToString(bytes);
        }
    }
}

#ifndef _WIN32
// Only the native build can read the source tree.
TEST(InfSample, OffersTheProgramsModelWithItsUsbHardwareIdOnBothEnvironments) {
    std::ifstream in(std::string(KESTRIN_SOURCE_DIR) + "/samples/tavik/tavik.inf", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const InfFile inf = InfFile::Parse(bytes);
    for (const Env environment : {Env::X86, Env::Amd64}) {
        const std::optional<InfModel> model = inf.FindModel(kDriverModel, environment, kWindows11);
        ASSERT_TRUE(model.has_value());
        EXPECT_EQ(model->installSection, L"TAVIK10");
        EXPECT_EQ(model->ids, (std::vector<std::wstring>{L"USBPRINT\\TavikTavik10", L"TavikTavik10"}));
    }
    EXPECT_FALSE(inf.HasModelsFor(Env::Arm64, kWindows11));
}
#endif

}  // namespace
