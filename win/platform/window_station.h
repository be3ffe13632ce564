#pragma once

// Whether this process's window station has a display anyone can see. Services, and
// every program in session 0 from Vista on, run on one that has none: a window there
// waits for a person who cannot see it. True when the system cannot tell.
bool WindowStationVisible();
