#pragma once

#include <cstdint>

#include "core/exit_code.h"

// The kind of token the process runs with, as the system reports it from Vista on.
enum class TokenKind {
    Ordinary,  // a user without administrator rights, or a system without split tokens
    Full,      // all the rights of its user: an elevated administrator, or SYSTEM
    Limited,   // an administrator's token with those rights filtered out
};

// Whether the wizard starts itself again with the administrator's full token: only an
// administrator's limited token on Vista and later (major version 6 on) can be elevated,
// and without it the installation cannot create the printer.
constexpr bool ShouldRelaunchElevated(std::uint32_t majorVersion, TokenKind token) {
    return majorVersion >= 6 && token == TokenKind::Limited;
}

// Whether the end of a run says that the installer must be run as administrator: an
// installation that failed in a process without the administrators' rights.
constexpr bool NeedsAdministratorHint(ExitCode outcome, bool elevated) {
    return IsFailedInstallation(outcome) && !elevated;
}
