#include "win/run_messages.h"

#include <windows.h>

#include "core/failure_advice.h"
#include "res/resource_ids.h"

namespace {

// The text with {0} (and {1}) replaced.
std::wstring Filled(std::wstring text, const std::wstring& first, const std::wstring& second = {}) {
    for (const auto& [mark, value] : {std::pair{L"{0}", first}, std::pair{L"{1}", second}}) {
        if (const auto at = text.find(mark); at != std::wstring::npos) text.replace(at, 3, value);
    }
    return text;
}

std::wstring ExitCodeLine(ExitCode code, const LanguageLibrary& language) {
    return Filled(language.Text(IDS_FAILED_EXIT_CODE), std::to_wstring(static_cast<int>(code)));
}

UINT AdviceText(FailureAdvice advice) {
    switch (advice) {
        case FailureAdvice::PortMissing:
            return IDS_WHY_PORT_MISSING;
        case FailureAdvice::DriverMissing:
            return IDS_WHY_DRIVER_MISSING;
        case FailureAdvice::AccessDenied:
            return IDS_WHY_ACCESS_DENIED;
        case FailureAdvice::ComPortMissing:
            return IDS_WHY_NO_COM_PORT;
        case FailureAdvice::None:
        case FailureAdvice::SystemText:
            break;
    }
    return 0;
}

void AddParagraph(std::wstring& message, const std::wstring& paragraph) {
    if (!paragraph.empty()) message += L"\n\n" + paragraph;
}

}  // namespace

std::wstring SystemErrorText(SystemError error) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    ::LocalFree(buffer);
    // One line: the system ends its texts with a line break.
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    while (!text.empty() && text.back() == L' ') text.pop_back();
    return text;
}

std::wstring WhyItFailed(ExitCode code, SystemError error, const LanguageLibrary& language) {
    const FailureAdvice advice = AdviceFor(code, error);
    if (advice == FailureAdvice::None) return {};
    const UINT words = AdviceText(advice);
    return Filled(language.Text(IDS_WINDOWS_ERROR), std::to_wstring(error),
                  words != 0 ? language.Text(words) : SystemErrorText(error));
}

std::wstring PortProblemText(const PortProblem& problem, const LanguageLibrary& language) {
    switch (problem.kind) {
        case PortProblem::Kind::Missing:
            return Filled(language.Text(IDS_WHY_NO_SUCH_PORT), problem.port, problem.listing);
        case PortProblem::Kind::NoUsbPrinter:
            return Filled(language.Text(IDS_WHY_NO_USB_PRINTER), problem.listing);
        case PortProblem::Kind::SeveralUsbPrinters:
            return Filled(language.Text(IDS_WHY_SEVERAL_USB_PRINTERS), problem.listing);
        case PortProblem::Kind::None:
            break;
    }
    return {};
}

std::wstring InstallWhy(const InstallResult& result, const LanguageLibrary& language) {
    if (result.port.kind != PortProblem::Kind::None) return PortProblemText(result.port, language);
    if (result.code == ExitCode::PrinterNotCreated && result.missingDriver == MissingDriver::NoArm64Models) {
        return language.Text(IDS_WHY_NO_ARM64_DRIVER);
    }
    if (result.code == ExitCode::PrinterNotCreated && result.driverInstalled == false &&
        result.missingDriver == MissingDriver::NotTrusted) {
        const std::wstring words = language.Text(IDS_WHY_DRIVER_NOT_TRUSTED);
        return result.error == 0 ? words
                                 : Filled(language.Text(IDS_WINDOWS_ERROR), std::to_wstring(result.error), words);
    }
    return WhyItFailed(result.code, result.error, language);
}

std::wstring InstallFailureMessage(const InstallResult& result, const std::wstring& recordPath,
                                   const LanguageLibrary& language, const FailureHints& hints) {
    UINT what = IDS_FAILED_NOT_CREATED;
    if (result.code == ExitCode::PrinterSetupMissing) what = IDS_FAILED_SETUP_MISSING;
    if (result.code == ExitCode::RecordFileIncomplete) what = IDS_FAILED_RECORD_FILE;
    if (result.code == ExitCode::SerialPortNotConfigured) what = IDS_FAILED_SERIAL_PORT;
    std::wstring message = Filled(language.Text(what), recordPath);
    AddParagraph(message, InstallWhy(result, language));
    AddParagraph(message, ExitCodeLine(result.code, language));
    if (hints.use64BitProgram) AddParagraph(message, language.Text(IDS_USE_64BIT_PROGRAM));
    if (hints.runAsAdministrator) AddParagraph(message, language.Text(IDS_RUN_AS_ADMINISTRATOR));
    return message;
}

std::wstring RemovalQuestion(const std::wstring& printerName, const LanguageLibrary& language) {
    return Filled(language.Text(IDS_REMOVE_QUESTION), printerName);
}

std::wstring RemovalMessage(const RemovalResult& result, const std::wstring& recordPath,
                            const LanguageLibrary& language) {
    using Outcome = RemovalResult::Outcome;
    using Reason = RemovalResult::Reason;
    switch (result.outcome) {
        case Outcome::Removed:
            return Filled(language.Text(IDS_REMOVED), result.printerName);
        case Outcome::NothingFound:
            return Filled(language.Text(IDS_NOTHING_TO_REMOVE), recordPath);
        case Outcome::Declined:
        case Outcome::NotRemoved:
            break;
    }
    std::wstring message = Filled(language.Text(IDS_NOT_REMOVED), result.printerName);
    if (result.reason == Reason::NotThisBaseName) AddParagraph(message, language.Text(IDS_WHY_OTHER_BASE_NAME));
    if (result.reason == Reason::OtherDriver) AddParagraph(message, language.Text(IDS_WHY_OTHER_DRIVER));
    if (result.reason == Reason::RecordNotDeleted) AddParagraph(message, language.Text(IDS_WHY_RECORD_STAYS));
    AddParagraph(message, WhyItFailed(result.code, result.error, language));
    AddParagraph(message, ExitCodeLine(result.code, language));
    return message;
}
