// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "settings/Properties.h"

class MSComm;
class PropertiesModel;
class SettingsStore;
struct AppState;

// The dialog's OK: local echo first (kept whatever follows); then the port number (an open port
// is closed, switched and reopened; on failure the old number comes back and the port stays
// closed; a closed port's new device is asked whether it could take the format, and a refusal
// puts the old number back too), then the format with its flow control. Only when the port took
// all of them are the thirteen keys stored. The first failure comes back (a store that could not
// keep them too); nothing after it is applied.
Failure applyProperties(const Properties &chosen, MSComm &comm, AppState &app, SettingsStore &store);

// The port, the echo and the values as they are now, as the dialog shows them.
Properties currentProperties(const MSComm &comm, const AppState &app, PropertiesModel &model);
