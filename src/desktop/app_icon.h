// Icons drawn by the program itself: the application icon, and tool-bar icons for commands the
// desktop's icon theme has nothing fitting for.
#pragma once

#include <QIcon>
#include <QString>

QIcon AppIcon();

// The theme's icon `themeName` when the theme has one, else a small drawn icon for `command`
// (an action's object name).
QIcon CommandIcon(const QString& themeName, const QString& command);
