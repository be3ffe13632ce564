#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

// Fields are read front to back, little-endian, so that a seed can be written by hand
// (see make_seeds.py). Past the end every field reads as zero: a short input is still a
// complete case.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    template <typename T>
    T Take() {
        std::uint8_t raw[sizeof(T)] = {};
        const std::size_t n = std::min(sizeof(T), bytes_.size() - next_);
        if (n > 0) std::memcpy(raw, bytes_.data() + next_, n);
        next_ += n;
        T value{};
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

    bool TakeBool() { return (Take<std::uint8_t>() & 1u) != 0; }

    // A 16-bit unit count, then that many UTF-16 units (lone surrogates included).
    std::wstring TakeText(std::size_t maxUnits) {
        const std::size_t count = std::min<std::size_t>(Take<std::uint16_t>(), maxUnits);
        std::wstring text;
        for (std::size_t i = 0; i < count && next_ < bytes_.size(); ++i) {
            text.push_back(static_cast<wchar_t>(Take<std::uint16_t>()));
        }
        return text;
    }

    std::vector<std::byte> TakeRest() {
        std::vector<std::byte> rest(bytes_.size() - next_);
        if (!rest.empty()) std::memcpy(rest.data(), bytes_.data() + next_, rest.size());
        next_ = bytes_.size();
        return rest;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
};

// Every input turns into UTF-16 text: two bytes a unit, a trailing odd byte dropped.
inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

// A broken property is a finding like any crash: libFuzzer keeps the input that did it.
#define FUZZ_CHECK(condition)                                                                            \
    do {                                                                                                 \
        if (!(condition)) {                                                                              \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                                \
        }                                                                                                \
    } while (false)
