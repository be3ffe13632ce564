#pragma once

#include <cstdint>

// What the program must use, written once for every test that checks it. Tests take
// these, never the program's own constants: an expected value taken from the code under
// test cannot show that the code has it wrong.

// The file, in the current directory, that holds the created printer's name.
inline constexpr char kRecordFileName[] = "TollvekPrintName5249";
inline constexpr wchar_t kRecordFile[] = L"TollvekPrintName5249";

// What the printer is created with.
inline constexpr wchar_t kDriverModel[] = L"Tavik 10.0.0.11";
inline constexpr wchar_t kPrintProcessorName[] = L"WinPrint";

// Processor architectures as the system reports them.
inline constexpr std::uint16_t kX86 = 0;
inline constexpr std::uint16_t kIa64 = 6;
inline constexpr std::uint16_t kAmd64 = 9;
inline constexpr std::uint16_t kArm64 = 12;

// The highest exit code the program has (the printer could not be removed).
inline constexpr int kHighestExitCode = 9;

// The name search's last candidate is "<base>(copy of 9999)".
inline constexpr int kHighestCopy = 9999;
