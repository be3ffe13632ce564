#include "win/platform/win32_printer_setup.h"

#include <vector>

#include "win/platform/system_paths.h"

namespace {

// The entry point has the shape rundll32 calls: window, instance, command, show state.
using PrintUIEntryFunction = DWORD(WINAPI*)(HWND, HINSTANCE, LPCWSTR, DWORD);

class Win32PrinterSetupLibrary final : public PrinterSetupLibrary {
public:
    explicit Win32PrinterSetupLibrary(UniqueModule module) : module_(std::move(module)) {}

    bool FindEntryPoint() override {
        entryPoint_ = ProcAddress<PrintUIEntryFunction>(module_.get(), "PrintUIEntryW");
        return entryPoint_ != nullptr;
    }

    void RunCommand(const std::wstring& command) override {
        if (entryPoint_ == nullptr) return;
        // Entry points of this kind take the command as a writable string: it gets a copy.
        std::vector<wchar_t> text(command.begin(), command.end());
        text.push_back(L'\0');
        entryPoint_(nullptr, module_.get(), text.data(), 0);
    }

private:
    UniqueModule module_;
    PrintUIEntryFunction entryPoint_ = nullptr;
};

}  // namespace

std::unique_ptr<PrinterSetupLibrary> Win32PrinterSetup::Load() {
    UniqueModule module = LoadSystemLibrary(L"printui.dll");
    if (!module) return nullptr;
    return std::make_unique<Win32PrinterSetupLibrary>(std::move(module));
}
