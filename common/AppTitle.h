#pragma once

#include <QString>

// The program's name, as captions, message boxes and the settings store spell it.
inline const QString kAppTitle = QStringLiteral("Tavro Terminal");
