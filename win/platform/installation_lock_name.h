#pragma once

// The named mutex that keeps installations apart (see Win32InstallationLock), in the
// global namespace that every session shares.
inline constexpr wchar_t kInstallationMutexName[] = L"Global\\KestrinInstallation";
