// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
// Stands in for Windows' UIAutomationCore.dll in a window test under Wine,
// with what Qt's bridge looks up: a client is always listening, and each
// request and event goes to the file UIA_EVENTS names, a line each.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#define EXPORTED __declspec(dllexport)

static HRESULT note(const char *format, ...)
{
    // Binary, so that lines end in a bare LF, as the test reads them.
    FILE *events = fopen(getenv("UIA_EVENTS"), "ab");
    if (events) {
        va_list arguments;
        va_start(arguments, format);
        vfprintf(events, format, arguments);
        va_end(arguments);
        fclose(events);
    }
    return S_OK;
}

EXPORTED BOOL WINAPI UiaClientsAreListening(void) { return TRUE; }
EXPORTED HRESULT WINAPI UiaHostProviderFromHwnd(HWND, void **provider) { *provider = NULL; return S_OK; }
EXPORTED HRESULT WINAPI UiaRaiseAutomationEvent(void *, int event) { return note("event %d\n", event); }

EXPORTED LRESULT WINAPI UiaReturnRawElementProvider(HWND, WPARAM, LPARAM, void *)
{
    note("root asked for\n");
    return 0;
}

EXPORTED HRESULT WINAPI UiaRaiseAutomationPropertyChangedEvent(void *, int property, VARIANT, VARIANT)
{
    return note("property %d changed\n", property);
}

EXPORTED HRESULT WINAPI UiaRaiseNotificationEvent(void *, int kind, int processing, BSTR text, BSTR)
{
    static const char *const kinds[] = {"item-added", "item-removed", "action-completed", "action-aborted",
                                        "other"};
    static const char *const processings[] = {"important-all", "important-most-recent", "all", "most-recent",
                                              "current-then-most-recent"};
    return note("notification %s %s %ls\n", kinds[kind], processings[processing], text);
}
