#include "win/platform/window_station.h"

#include <windows.h>

bool WindowStationVisible() {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    const HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr || !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
