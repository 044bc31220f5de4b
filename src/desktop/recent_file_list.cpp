#include "desktop/recent_file_list.h"

#include "settings/ini_text.h"
#include "settings/settings_keys.h"

#include <QFileInfo>

namespace {
QByteArray Key(int i) {
    return "File" + QByteArray::number(i + 1);
}
} // namespace

void CRecentFileList::Add(const QString& path) {
    const QString abs = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(abs);
    m_files.prepend(abs);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_files.size())
        m_files.removeAt(index);
}

void CRecentFileList::ReadList(const IniText& settings) {
    m_files.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QByteArray key = Key(i);
        const QString path = ReadText(settings, {settings::kRecentFileSection, key.constData()});
        if (!path.isEmpty() && !m_files.contains(path))
            m_files << path;
    }
}

void CRecentFileList::WriteList(IniText& settings) const {
    for (int i = 0; i < m_nSize; ++i) {
        const QByteArray key = Key(i);
        const QString path = i < m_files.size() ? m_files[i] : QString();
        // A name that cannot stand on one line is left out.
        if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
            settings.RemoveKey(settings::kRecentFileSection, key);
        else
            WriteText(settings, {settings::kRecentFileSection, key.constData(), SettingType::Text},
                      path);
    }
}
