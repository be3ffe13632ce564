#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command tail into arguments as the receiving program does, by the Windows rules
// (CommandLineToArgvW and the Microsoft C runtime): spaces and tabs outside quotes separate
// arguments; 2n backslashes and a quote give n backslashes, and the quote opens or closes a
// quoted part; 2n+1 give n backslashes and a literal quote; other backslashes are literal.
// "" inside a quoted part is a literal quote and the part stays quoted, as in the C runtime
// since 2008 (CommandLineToArgvW ends the part there). There is no program path to skip:
// the first argument follows the same rules.
inline std::vector<std::wstring> ReceivedArguments(std::wstring_view line) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    const auto atBlank = [&] { return i < line.size() && (line[i] == L' ' || line[i] == L'\t'); };
    while (true) {
        while (atBlank()) ++i;
        if (i == line.size()) return arguments;
        std::wstring argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !atBlank())) {
            std::size_t backslashes = 0;
            for (; i < line.size() && line[i] == L'\\'; ++i) ++backslashes;
            if (i == line.size() || line[i] != L'"') {
                argument.append(backslashes, L'\\');
                if (backslashes == 0) argument += line[i++];
                continue;
            }
            argument.append(backslashes / 2, L'\\');
            ++i;
            if (backslashes % 2 == 1) {
                argument += L'"';
            } else if (quoted && i < line.size() && line[i] == L'"') {
                argument += L'"';
                ++i;
            } else {
                quoted = !quoted;
            }
        }
        arguments.push_back(std::move(argument));
    }
}
