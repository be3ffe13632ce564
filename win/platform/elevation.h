#pragma once

#include <windows.h>

#include <string>

#include "core/elevation.h"

// The kind of token this process runs with. Systems before Vista know no split tokens:
// there every token counts as ordinary.
TokenKind CurrentTokenKind();

// Whether the process holds the administrators' rights now (an elevated administrator,
// or one on a system without split tokens).
bool IsElevated();

struct RelaunchResult {
    enum class Outcome {
        Ended,       // it ran, and ended with `exitCode`
        Declined,    // the person at the screen said no to the elevation prompt
        NotStarted,  // it could not be started for another reason (`error`)
    };

    Outcome outcome = Outcome::NotStarted;
    DWORD exitCode = 0;
    DWORD error = 0;
};

// Starts `program` again through the shell's "runas" verb, which asks for the
// administrator's full token, with `arguments` and `directory`, and waits for it to end.
RelaunchResult RelaunchElevated(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& directory);
