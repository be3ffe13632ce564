#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/install_system.h"
#include "win/platform/held_folder.h"

// The record file, in its folder as the run holds it (see held_folder.h): every file is
// reached relative to the held folder, never by path. It is replaced without ever opening
// the file of that name: the bytes go to a new file of a random name beside it, which then
// takes the name over. A hard or symbolic link planted under the name is replaced, never
// written through, and a write that fails leaves the earlier file as it was. Only while
// another program holds the file open, so that it cannot be replaced, is it written in
// place, and only a plain file with one name whose owner the run trusts (see
// TrustedOwner). It is read, and deleted, as a plain file too, and read only when its
// owner is trusted: another user's record could name any printer for a removal.
class Win32Files final : public Files {
public:
    // `folder` holds the record's folder; null when there is none to hold (a removal then
    // finds nothing, an installation writes nothing). With `administratorsOwn`, a new
    // record is owned by the administrators' group rather than by whoever runs this.
    Win32Files(const HeldFolder* folder, bool administratorsOwn)
        : folder_(folder), administratorsOwn_(administratorsOwn) {}

    Outcome WriteFile(const std::wstring& path, std::string_view bytes) override;
    std::optional<std::string> ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) override;
    SystemError RemoveFile(const std::wstring& path) override;
    std::optional<std::string> ReadInf(const std::wstring& path, std::size_t limit, SystemError& error) override;

private:
    // The name of `path` in the held folder; nothing, with the error, when it is not in it.
    std::optional<std::wstring> NameIn(const std::wstring& path, DWORD& error) const;
    bool ReadOnly(const std::wstring& name) const;
    bool WriteInPlace(const std::wstring& name, std::string_view bytes, DWORD& error) const;

    const HeldFolder* folder_;
    bool administratorsOwn_;
};

// Whether the open `file`'s owner is one the run trusts: the administrators, the system,
// TrustedInstaller, or the user this process runs as. ERROR_INVALID_OWNER in `error` when
// it is another.
bool OwnerTrusted(HANDLE file, DWORD& error);
