// Shared pieces of the desktop tests: a recorder that takes the place of message boxes, beeps
// and modal dialogs, and helpers for files and the settings file.
#pragma once

#include "desktop/user_notice.h"
#include "desktop/ver_res.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// Records every message, beep and modal dialog instead of showing it; dialogs are accepted.
class NoticeRecorder {
public:
    NoticeRecorder();
    ~NoticeRecorder();
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;

    QStringList Messages() const;
    QStringList Dialogs() const { return m_dialogs; } // object names of the dialogs run
    void Clear();

private:
    QList<Notice> m_notices;
    QStringList m_dialogs;
};

// Writes `bytes` to `path` and gives the path.
QString WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Replaces the settings file with the given "Section/key" values.
void WriteSettingsFile(const QVariantMap& values);
QVariant ReadSetting(const QString& key);
