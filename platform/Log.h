#pragma once
// Logging categories: the program's debug output. Enable with QT_LOGGING_RULES="sorlin.*=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcMedia)
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
// What the main window's display shows, each time it changes.
Q_DECLARE_LOGGING_CATEGORY(lcDisplay)
