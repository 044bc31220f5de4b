#include "desktop/recent_file_list.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString kSection = QStringLiteral("Recent File List");
QString Key(int i) {
    return kSection + QStringLiteral("/File%1").arg(i + 1);
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

void CRecentFileList::ReadList(QSettings& settings) {
    m_files.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path))
            m_files << path;
    }
}

void CRecentFileList::WriteList(QSettings& settings) const {
    settings.remove(kSection);
    for (int i = 0; i < m_files.size(); ++i)
        settings.setValue(Key(i), m_files[i]);
}
