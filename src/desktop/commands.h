// The commands of the main window: menu text, status-bar prompt and tool tip, keys and icon.
// One table, so menus, tool bar and tests agree on every text.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

struct CommandInfo {
    const char* name; // the action's object name
    QString text;     // menu text, with the accelerator after a tab
    QString prompt;   // "status prompt" or "status prompt\ntool tip", as stored
    QList<QKeySequence> keys;
    const char* theme; // icon of the desktop's theme, "" for none
};

const QList<CommandInfo>& CommandTable();

// The status prompt and the tool tip of a stored prompt text.
QString PromptOf(const QString& stored);
QString TipOf(const QString& stored);
