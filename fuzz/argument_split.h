#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command line into arguments the way the receiving program will: the Windows
// rules of CommandLineToArgvW and the Microsoft C runtime. Arguments are separated by
// spaces and tabs outside quotes; 2n backslashes before a quote give n backslashes and the
// quote opens or closes a quoted part; 2n+1 give n backslashes and a literal quote;
// backslashes before anything else are literal. For "" inside a quoted part this follows
// the C runtime (2008 and later): a literal quote, and the part stays quoted;
// CommandLineToArgvW ends the quoted part there instead. Every argument, the first too,
// follows these rules: the program-path rule for the first argument does not apply to a
// command tail, which is what is split here.
inline std::vector<std::wstring> SplitArguments(std::wstring_view line) {
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
