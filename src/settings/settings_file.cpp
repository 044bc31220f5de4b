#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SettingsFileText Refused(const QString& reason) {
    return {SettingsFileText::State::Refused, {}, reason};
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

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

SettingsFileText ReadSettingsFile() {
    const QByteArray path = QFile::encodeName(SettingsFilePath());
    // Looked at before it is opened: opening a FIFO or a device could block or act on it.
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return Refused(SystemError(errno));
    }
    if (!S_ISREG(info.st_mode))
        return Refused(QStringLiteral("not a regular file"));
    // Non-blocking, and checked again once open, in case the path was replaced meanwhile.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Refused(SystemError(errno));
    SettingsFileText result{SettingsFileText::State::Read, {}, {}};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = Refused(QStringLiteral("not a regular file"));
    } else if (info.st_size > kSettingsFileLimit) {
        result = Refused(QStringLiteral("larger than 1 MiB"));
    } else {
        // One byte more than the size tells a file that grew since: read up to the limit only.
        result.text.resize(qsizetype(info.st_size) + 1);
        qsizetype got = 0;
        for (;;) {
            if (got == result.text.size()) {
                if (got > kSettingsFileLimit)
                    break;
                result.text.resize(std::min(got * 2, qsizetype(kSettingsFileLimit) + 1));
            }
            const ssize_t n =
                ::read(fd, result.text.data() + got, std::size_t(result.text.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n < 0)
                    result = Refused(SystemError(errno));
                break;
            }
            got += n;
        }
        if (got > kSettingsFileLimit)
            result = Refused(QStringLiteral("larger than 1 MiB"));
        else if (result.state == SettingsFileText::State::Read)
            result.text.truncate(got);
    }
    ::close(fd);
    return result;
}

bool ReplaceSettingsFile(const QByteArray& text) {
    QString path = SettingsFilePath();
    // The file a link points to is replaced, and the link kept.
    for (int depth = 0; depth < 40 && QFileInfo(path).isSymLink(); ++depth)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return false;
    QDir().mkpath(target.absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text);
    return out.commit();
}

QString SettingsRefusalText(const SettingsFileText& file) {
    return QStringLiteral("settings file %1 could not be read (%2)")
        .arg(SettingsFilePath(), file.reason);
}
