#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// One line of a scenario: a verb and its arguments, after tokenising.
//
// Arguments are bare words, "quoted text" (no escapes; it cannot hold a double quote)
// or |raw text| as the last argument, which runs to the last bar of the line and may
// hold anything, quotes and outer spaces included. A line holding only `debug` or
// `printui` opens a block that runs to `end`; each of its lines is one argument.
struct Step {
    int line = 0;
    std::wstring verb;
    std::vector<std::wstring> args;
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& message);
};

std::vector<Step> ParseScript(const std::wstring& text);
