#include "text.h"

#include <windows.h>

#include <cstdio>

namespace {

std::wstring Decode(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), units);
    return result;
}

}  // namespace

std::wstring FromUtf8(std::string_view text) {
    return Decode(CP_UTF8, text);
}

std::wstring FromAnsi(std::string_view text) {
    return Decode(CP_ACP, text);
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

void Print(std::wstring_view line) {
    const std::string bytes = ToUtf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::wstring Visible(std::wstring_view text) {
    std::wstring result = L"|";
    for (const wchar_t c : text) {
        if (c < 0x20) {
            wchar_t escaped[8];
            swprintf(escaped, 8, L"\\x%02x", static_cast<unsigned>(c));
            result += escaped;
        } else {
            result += c;
        }
    }
    return result + L"|";
}

std::wstring BytesAsLatin1(std::string_view bytes) {
    std::wstring result;
    for (const char b : bytes) result += static_cast<wchar_t>(static_cast<unsigned char>(b));
    return result;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}
