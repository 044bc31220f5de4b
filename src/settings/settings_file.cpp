#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ProgramFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString SettingsFilePath() {
    const QString portable = ProgramFolder() + QStringLiteral("xkorvo.ini");
    if (QFileInfo::exists(portable))
        return portable;
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("xkorvo/xkorvo.ini"));
}
