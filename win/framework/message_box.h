#pragma once

#include <windows.h>

// A modal message box over the innermost page (when that page is this thread's), with the
// program's title as caption; a warning icon unless `type` names another. Returns the
// button that closed it.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);
