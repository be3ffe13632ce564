#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/serial_port.h"
#include "fuzz/fuzz_input.h"

// A port whose every answer comes from the fuzz input, and which keeps what the routine
// handed it so that the properties can be checked afterwards.
class FuzzCommStore final : public CommConfigStore {
public:
    struct Read {
        std::wstring port;
        std::size_t offered;  // bytes of room the caller gave
        std::uint32_t sizeIn;
        bool ok;
        std::uint32_t sizeOut;
        std::vector<std::byte> after;  // the caller's buffer once the read is done
    };
    struct Write {
        std::wstring port;
        std::uint32_t size;
        std::vector<std::byte> bytes;  // the first `size` bytes handed over
        bool ok;
    };

    // How the port behaves, taken from the input in this order.
    void TakeBehaviour(FuzzInput& input) {
        const auto flags = input.Take<std::uint8_t>();
        failingReads_ = flags & 3u;  // bit 0: the first read fails, bit 1: the second
        writeFails_ = (flags & 4u) != 0;
        misreportsSize_ = (flags & 8u) != 0;
        errorCode_ = input.Take<std::uint32_t>();
        requiredSize_ = input.Take<std::uint32_t>();
        reportedSize_ = input.Take<std::uint32_t>();
    }
    void SetStored(std::vector<std::byte> stored) { stored_ = std::move(stored); }

    std::uint32_t errorCode() const { return errorCode_; }
    std::uint32_t requiredSize() const { return requiredSize_; }
    const std::vector<Read>& reads() const { return reads_; }
    const std::vector<Write>& writes() const { return writes_; }

    bool GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config, std::uint32_t& size) override {
        // The system fills as many bytes as it is told the buffer holds.
        FUZZ_CHECK(size <= config.size());
        Read read{portName, config.size(), size, false, 0, {}};
        if ((failingReads_ >> std::min<std::size_t>(reads_.size(), 8)) & 1u) {
            lastError_ = errorCode_;
        } else if (size < requiredSize_) {
            size = requiredSize_;
            lastError_ = kErrorInsufficientBuffer;
        } else {
            std::copy_n(stored_.begin(), std::min<std::size_t>(stored_.size(), size), config.begin());
            size = misreportsSize_ ? reportedSize_ : requiredSize_;
            read.ok = true;
        }
        read.sizeOut = size;
        read.after.assign(config.begin(), config.end());
        reads_.push_back(std::move(read));
        return reads_.back().ok;
    }

    bool SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config,
                          std::uint32_t size) override {
        // The system reads as many bytes as it is told the buffer holds.
        FUZZ_CHECK(size <= config.size());
        const auto handed = config.first(size);
        writes_.push_back({portName, size, {handed.begin(), handed.end()}, !writeFails_});
        if (writeFails_) lastError_ = errorCode_;
        return !writeFails_;
    }

    std::uint32_t LastError() override { return lastError_; }

private:
    std::vector<std::byte> stored_;
    unsigned failingReads_ = 0;
    bool writeFails_ = false;
    bool misreportsSize_ = false;
    std::uint32_t errorCode_ = 0;
    std::uint32_t requiredSize_ = 0;
    std::uint32_t reportedSize_ = 0;
    std::uint32_t lastError_ = 0;
    std::vector<Read> reads_;
    std::vector<Write> writes_;
};
