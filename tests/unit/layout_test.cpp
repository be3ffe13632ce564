// The source tree keeps its layers apart: each folder includes only from the layers
// below it, and the portable core knows nothing of Windows. Also: the C++ language
// table and the build's language list name the same languages.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/exit_code.h"
#include "core/languages.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = KESTRIN_SOURCE_DIR;

struct Layer {
    const char* folder;
    std::vector<std::string> forbidden;  // include prefixes this layer must not use
};

// Windows headers the core must not see; a Win32 type in it would need one of them.
const std::vector<std::string> kWindowsHeaders = {"windows.h",  "winspool.h", "winbase.h", "winuser.h",  "winnt.h",
                                                  "windef.h",   "winreg.h",   "wingdi.h",  "shellapi.h", "shlobj.h",
                                                  "commctrl.h", "objbase.h",  "tchar.h",   "win/"};

const Layer kLayers[] = {
    {"core", kWindowsHeaders},
    {"win/framework", {"win/platform/", "win/pages/", "win/kestrin_app.h"}},
    {"win/platform", {"win/framework/", "win/pages/", "win/kestrin_app.h"}},
    {"win/pages", {"win/kestrin_app.h"}},
};

void PrintTo(const Layer& layer, std::ostream* out) {
    *out << layer.folder;
}

// The file each #include line names, between its quotes or angle brackets.
std::vector<std::string> Includes(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> found;
    for (std::string line; std::getline(in, line);) {
        const auto hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line[hash] != '#') continue;
        const auto directive = line.find_first_not_of(" \t", hash + 1);
        if (directive == std::string::npos || line.compare(directive, 7, "include") != 0) continue;
        const auto open = line.find_first_of("<\"", directive + 7);
        const auto close = open == std::string::npos ? open : line.find_first_of(">\"", open + 1);
        if (close != std::string::npos) found.push_back(line.substr(open + 1, close - open - 1));
    }
    return found;
}

class LayerTest : public testing::TestWithParam<Layer> {};

TEST_P(LayerTest, IncludesOnlyFromTheLayersBelow) {
    const fs::path folder = kSource / GetParam().folder;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        ++files;
        for (const std::string& included : Includes(entry.path())) {
            for (const std::string& forbidden : GetParam().forbidden) {
                EXPECT_NE(included.rfind(forbidden, 0), 0u) << entry.path() << " includes " << included;
            }
        }
    }
    EXPECT_GT(files, 0) << "no sources in " << folder;
}

INSTANTIATE_TEST_SUITE_P(Folders, LayerTest, testing::ValuesIn(kLayers), [](const auto& param) {
    std::string name = param.param.folder;
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return name;
});

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The classes a header defines ("class Name" not followed by ';').
std::vector<std::string> DefinedClasses(const fs::path& header) {
    std::vector<std::string> names;
    std::istringstream lines(ReadAll(header));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("class ", 0) != 0) continue;
        const auto end = line.find_first_of(" ;:{", 6);
        if (end == std::string::npos || line[end] == ';') continue;
        names.push_back(line.substr(6, end - 6));
    }
    return names;
}

std::string SnakeCase(const std::string& name) {
    std::string snake;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool upper = name[i] >= 'A' && name[i] <= 'Z';
        if (upper && i > 0) snake += '_';
        snake += upper ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
    }
    return snake;
}

TEST(Layout, EveryInterfaceTheCoreAsksTheSystemThroughIsInOneHeader) {
    for (const auto& entry : fs::directory_iterator(kSource / "core")) {
        if (entry.path().filename() == "install_system.h") continue;
        EXPECT_EQ(ReadAll(entry.path()).find(") = 0;"), std::string::npos)
            << entry.path() << " declares an interface outside core/install_system.h";
    }
    EXPECT_NE(ReadAll(kSource / "core" / "install_system.h").find(") = 0;"), std::string::npos);
}

// A platform file is named after a class it holds (Win32Spooler in win32_spooler.h), or
// holds none.
TEST(Layout, PlatformFilesAreNamedAfterTheClassTheyHold) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kSource / "win" / "platform")) {
        if (entry.path().extension() != ".h") continue;
        const std::string stem = entry.path().stem().string();
        const std::vector<std::string> classes = DefinedClasses(entry.path());
        bool named = classes.empty() && stem.rfind("win32_", 0) != 0;
        for (const std::string& name : classes) named = named || SnakeCase(name) == stem;
        EXPECT_TRUE(named) << entry.path() << " holds " << testing::PrintToString(classes);
        checked += static_cast<int>(classes.size());
    }
    EXPECT_GT(checked, 0);
}

TEST(Languages, TheTableTheBuildListAndTheResourceScriptsAgree) {
    std::vector<std::string> table;
    for (const Language& language : kLanguages) {
        std::string code(language.code.begin(), language.code.end());
        EXPECT_TRUE(fs::exists(kSource / "res" / "lang" / ("rc_" + code + ".rc"))) << code;
        table.push_back(code);
    }
    std::vector<std::string> build;
    std::istringstream list(KESTRIN_LANGUAGE_LIST);
    for (std::string code; std::getline(list, code, ',');) build.push_back(code);
    EXPECT_EQ(table, build);
}

TEST(Readme, TellsEachExitCodeAsTheProgramLogsIt) {
    const std::string text = ReadAll(kSource / "README.md");
    for (int code = 0; code <= static_cast<int>(kLastExitCode); ++code) {
        const std::wstring_view meaning = ExitCodeMeaning(static_cast<ExitCode>(code));
        const std::string row =
            "| " + std::to_string(code) + " | " + std::string(meaning.begin(), meaning.end()) + " |";
        EXPECT_NE(text.find(row), std::string::npos) << "README lacks the row " << row;
    }
}

}  // namespace
