#include "core/run_log.h"

namespace {

class Held {
public:
    explicit Held(OutputLock* lock) : lock_(lock) {
        if (lock_ != nullptr) lock_->Lock();
    }
    ~Held() {
        if (lock_ != nullptr) lock_->Unlock();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    OutputLock* lock_;
};

}  // namespace

void RunOutput::Write(const std::wstring& line) {
    const Held held(lock_);
    debugger_.Write(line);
    if (log_ != nullptr) log_->Append(line);
}

void RunOutput::Note(const std::wstring& line) {
    const Held held(lock_);
    if (log_ != nullptr) log_->Append(line);
}

void RunOutput::Finish(ExitCode code) {
    Note(L"exit code " + std::to_wstring(static_cast<int>(code)) + L": " + std::wstring(ExitCodeMeaning(code)));
}

namespace {

std::wstring_view StepName(RunStep step) {
    switch (step) {
        case RunStep::Starting:
            return L"the start";
        case RunStep::WaitingForAnotherInstallation:
            return L"waiting for another installation";
        case RunStep::NameSearch:
            return L"the name search";
        case RunStep::DriverInstallation:
            return L"the driver installation";
        case RunStep::PrinterCreation:
            return L"the printer creation";
        case RunStep::RecordFile:
            return L"the record file";
        case RunStep::DefaultPrinter:
            return L"the default printer";
        case RunStep::ComPortConfiguration:
            return L"the COM port configuration";
        case RunStep::TestPage:
            return L"the test page";
        case RunStep::RecordReading:
            return L"the reading of the record file";
        case RunStep::PrinterRemoval:
            return L"the printer's removal";
        case RunStep::DriverRemoval:
            return L"the driver's removal";
        case RunStep::RecordRemoval:
            return L"the record file's removal";
    }
    return L"an unknown step";
}

void AppendUtf8(std::string& out, char32_t c) {
    auto byte = [&](unsigned value) { out.push_back(static_cast<char>(static_cast<unsigned char>(value))); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

// Characters that would break a line, or end it, in the file or in a reader, or reorder
// what a reader shows of it: each is written as \uXXXX, so that one debugger line is
// always one log line, shown as it was written.
bool Escaped(char32_t c) {
    const bool c0 = c < 0x20 || c == 0x7F;
    const bool c1 = c >= 0x80 && c <= 0x9F;
    const bool bidi = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    return c0 || c1 || c == 0x2028 || c == 0x2029 || bidi;
}

void AppendEscaped(std::string& out, char32_t c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(c >> shift) & 0xF];
}

}  // namespace

std::wstring TimeLimitLine(std::int32_t seconds, RunStep step) {
    return L"the time limit of " + std::to_wstring(seconds) + L" s ran out during " + std::wstring(StepName(step));
}

std::string LogLineBytes(const LogTime& time, std::wstring_view text) {
    auto digits = [](int value, std::size_t width) {
        const std::string number = std::to_string(value);
        return std::string(number.size() < width ? width - number.size() : 0, '0') + number;
    };
    std::string line = digits(time.year, 4) + '-' + digits(time.month, 2) + '-' + digits(time.day, 2) + ' ' +
                       digits(time.hour, 2) + ':' + digits(time.minute, 2) + ':' + digits(time.second, 2) + ' ';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(text[i]));
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size()) {
            const auto next = static_cast<char32_t>(static_cast<std::uint16_t>(text[i + 1]));
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(line, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        if (Escaped(unit)) {
            AppendEscaped(line, unit);
        } else {
            AppendUtf8(line, high || low ? char32_t{0xFFFD} : unit);
        }
    }
    return line + "\r\n";
}
