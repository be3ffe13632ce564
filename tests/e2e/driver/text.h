#pragma once

#include <string>
#include <string_view>

// Conversions between the driver's UTF-16 text and the UTF-8 of scripts and reports.
std::wstring FromUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);

// Text in the system's ANSI code page, as Wine hands debugger output over.
std::wstring FromAnsi(std::string_view text);

// A report line: UTF-8 on standard output, flushed so that it interleaves with Wine's.
void Print(std::wstring_view line);

// Shows control characters and the ends of a text, so that a leading space or a line
// break is visible in a failure message.
std::wstring Visible(std::wstring_view text);

// Record-file bytes as text: each byte is the code unit of the same value.
std::wstring BytesAsLatin1(std::string_view bytes);

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
