// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
// Asks the meter's window for its UI Automation root, as a screen reader does
// when a window gets the focus; Qt's bridge raises nothing until then.
#include <windows.h>

int main(void)
{
    const LPARAM uiaRootObjectId = -25;
    HWND window = FindWindowW(NULL, L"Morvanta by Kestrin");
    if (!window)
        return 1;
    SendMessageW(window, WM_GETOBJECT, 0, uiaRootObjectId);
    return 0;
}
