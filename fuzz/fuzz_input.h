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

#include "tests/support/fake_system.h"

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

// How the fake's COM port answers, in this order: flags (bits 0 and 1: the first and the
// second read fail, bit 2: the write fails, bit 3: a good read misreports its size), the
// error code of a failure, the size a read needs, the size misreported; the rest of the
// input is what the port stores.
inline void TakePortAnswers(FuzzInput& input, FakeSystem& fake, const std::wstring& port) {
    const auto flags = input.Take<std::uint8_t>();
    fake.failingReads = flags & 3u;
    fake.writeFails = (flags & 4u) != 0;
    fake.commError = input.Take<std::uint32_t>();
    fake.requiredSize = input.Take<std::uint32_t>();
    const auto reported = input.Take<std::uint32_t>();
    if ((flags & 8u) != 0) fake.reportedSize = reported;
    fake.ports[port] = input.TakeRest();
}

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
