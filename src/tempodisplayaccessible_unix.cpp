// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "tempodisplayaccessible.h"

// Nothing more: Orca speaks the shown notification, and the AT-SPI bridge
// would warn of a value change from an object that has no value.
void TempoDisplayAccessible::announceTempoToPlatform(QLCDNumber *) {}
