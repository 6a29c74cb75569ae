// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"
#include "serial/LineFormat.h"

#include <QString>

class MSComm;
class PropertiesModel;
class SettingsStore;
struct AppState;

// What the Properties dialog hands back on OK besides the model's values: the port's choices.
struct PortChoices
{
    int port = 0;      // 1 to 16; 0 when no port is selected
    LineFormat format; // with the flow-control option chosen
    Failure refused;   // why the fields make no format; the port says so in its turn
    bool echo = false; // the echo option chosen
};

// The dialog's OK: local echo first (kept whatever follows); then the port number (an open port
// is closed, switched and reopened; on failure the old number comes back and the port stays
// closed; a closed port's new device is asked whether it could take the format, and a refusal
// puts the old number back too), then the format with its flow control. Only when the port took all of them are the
// thirteen keys stored. The first failure comes back (a store that could not keep them too); nothing after
// it is applied.
Failure applyProperties(const PortChoices &choices, MSComm &comm, AppState &app, SettingsStore &store,
                        PropertiesModel &model);

// The choices that keep the port as it is, with another port number: the main window's port list.
PortChoices currentChoices(const MSComm &comm, const AppState &app, int port);
