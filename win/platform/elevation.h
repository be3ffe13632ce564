#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/elevation.h"

// The kind of token this process runs with. Systems before Vista know no split tokens:
// there every token counts as ordinary.
TokenKind CurrentTokenKind();

// The user of this process's token, as a SID string; empty when it cannot be read.
std::wstring TokenUserSid();

// Whether the process runs as the system account (its token's user is S-1-5-18).
bool RunsAsSystemAccount();

// Whether the process holds the administrators' rights now (an elevated administrator,
// or one on a system without split tokens).
bool IsElevated();

// Starts `program` again through the shell's "runas" verb, which asks for the
// administrator's full token, with `arguments` and `directory`, and waits for it to end.
// `owner`, when given, is the window that owns the elevation prompt; its thread's
// windows are kept drawn while the program runs.
RelaunchResult RelaunchElevated(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& directory, HWND owner = nullptr);

// The network share ("\\server\share") that a drive letter of this session is mapped
// to, from the network provider library in the system directory; nothing for a local
// drive, or when it cannot be told.
std::optional<std::wstring> MappedNetworkShare(wchar_t drive);
