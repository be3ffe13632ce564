#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/serial_port.h"

// A comm-configuration store in memory: ports map to their stored bytes.
class FakeCommConfigStore final : public CommConfigStore {
public:
    std::map<std::wstring, std::vector<std::byte>> ports;
    std::optional<std::uint32_t> readError;                 // every read fails with this
    std::optional<std::uint32_t> writeError;                // every write fails with this
    std::uint32_t requiredSize = comm_layout::kConfigSize;  // bytes a read needs
    int reads = 0;
    int writes = 0;
    std::uint32_t lastWriteSize = 0;

    bool GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config, std::uint32_t& size) override {
        ++reads;
        if (readError) return Fail(*readError);
        const auto port = ports.find(portName);
        if (port == ports.end()) return Fail(1010);  // ERROR_BADKEY
        if (size < requiredSize) {
            size = requiredSize;
            return Fail(kErrorInsufficientBuffer);
        }
        std::copy_n(port->second.begin(), std::min(port->second.size(), config.size()), config.begin());
        size = static_cast<std::uint32_t>(port->second.size());
        return true;
    }

    bool SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config,
                          std::uint32_t size) override {
        ++writes;
        lastWriteSize = size;
        if (writeError) return Fail(*writeError);
        const auto stored = config.first(std::min<std::size_t>(size, config.size()));
        ports[portName].assign(stored.begin(), stored.end());
        return true;
    }

    std::uint32_t LastError() override { return lastError_; }

private:
    bool Fail(std::uint32_t error) {
        lastError_ = error;
        return false;
    }
    std::uint32_t lastError_ = 0;
};

using comm_layout::ReadField;
using comm_layout::WriteField;
