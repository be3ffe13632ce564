#pragma once

#include <cstdint>

// What a page's modal run returns. Besides these, the dialog manager's own codes can
// come back: 1 from the default accept command, 2 from the default cancel command and
// -1 when a page could not be created.
inline constexpr std::intptr_t PAGE_BACK = 101;
inline constexpr std::intptr_t PAGE_NEXT = 102;
inline constexpr std::intptr_t WIZARD_CANCEL = 110;
inline constexpr std::intptr_t WIZARD_FINISH = 111;

inline constexpr std::intptr_t kDefaultAccept = 1;
inline constexpr std::intptr_t kDefaultCancel = 2;
inline constexpr std::intptr_t kPageNotCreated = -1;
