#pragma once

#include <optional>

#include "core/install_settings.h"
#include "core/os_version.h"

// What the system's version query reports; nothing when neither form of it answers.
std::optional<OsVersion> QueryOsVersion();

// The operating-system choice for the running system, from its version query.
OsChoice DetectOsIndex();
