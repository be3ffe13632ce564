#pragma once

#include "core/install_settings.h"

// The operating-system choice for the running system, from its version query.
OsChoice DetectOsIndex();
