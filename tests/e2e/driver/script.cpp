#include "script.h"

#include "tests/support/utility.h"

namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r';
}

std::vector<std::wstring> Tokenise(const std::wstring& line, int number) {
    std::vector<std::wstring> tokens;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        if (i == line.size() || line[i] == L'#') break;
        if (line[i] == L'|') {
            const std::size_t last = line.rfind(L'|');
            if (last == i) throw ScriptError(number, "raw text without its closing bar");
            tokens.push_back(line.substr(i + 1, last - i - 1));
            i = last + 1;
            while (i < line.size() && IsSpace(line[i])) ++i;
            if (i != line.size()) throw ScriptError(number, "text after the closing bar");
            break;
        }
        if (line[i] == L'"') {
            const std::size_t close = line.find(L'"', i + 1);
            if (close == std::wstring::npos) throw ScriptError(number, "quoted text without its closing quote");
            tokens.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsSpace(line[i])) ++i;
        tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

}  // namespace

ScriptError::ScriptError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message) {}

std::vector<Step> ParseScript(const std::wstring& text) {
    std::vector<Step> steps;
    Step* block = nullptr;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++number;

        std::vector<std::wstring> tokens = Tokenise(line, number);
        if (tokens.empty()) continue;
        if (block) {
            if (tokens.size() == 1 && tokens[0] == L"end") {
                block = nullptr;
                continue;
            }
            if (tokens.size() != 1) throw ScriptError(number, "a line of a block must be one argument: quote it");
            block->args.push_back(tokens[0]);
            continue;
        }
        Step step{number, tokens[0], {tokens.begin() + 1, tokens.end()}};
        steps.push_back(std::move(step));
        // `debug` and `printui` alone, and `log FILE`, open a block of expected lines.
        const Step& last = steps.back();
        const bool blockVerb = last.verb == L"debug" || last.verb == L"printui";
        if ((blockVerb && last.args.empty()) || (last.verb == L"log" && last.args.size() == 1)) block = &steps.back();
    }
    if (block) throw ScriptError(block->line, "block without end");
    return steps;
}
