#include "app_test_support.h"

#include "desktop/ver_res.h"
#include "settings/settings_file.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

NoticeRecorder::NoticeRecorder() {
    SetNoticeSink([this](const Notice& n) { m_notices << n; });
    SetModalDialogRunner([this](QDialog& dlg) {
        m_dialogs << dlg.objectName();
        return int(QDialog::Accepted);
    });
}

NoticeRecorder::~NoticeRecorder() {
    SetNoticeSink({});
    SetModalDialogRunner({});
}

QStringList NoticeRecorder::Messages() const {
    QStringList out;
    for (const Notice& n : m_notices)
        if (n.kind == Notice::Kind::Message)
            out << n.text;
    return out;
}

void NoticeRecorder::Clear() {
    m_notices.clear();
    m_dialogs.clear();
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteSettingsFile(const QVariantMap& values) {
    const QString path = SettingsFilePath();
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings s(path, QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
}

QVariant ReadSetting(const QString& key) {
    QSettings s(SettingsFilePath(), QSettings::IniFormat);
    return s.value(key);
}
