// The recently used files of the File menu: newest first, at most 10, no path twice. Kept in
// the settings file's "Recent File List" section as File1..File10.
#pragma once

#include <QStringList>

class IniText;

class CRecentFileList {
public:
    explicit CRecentFileList(int size = 10) : m_nSize(size) {}

    void Add(const QString& path);
    void Remove(int index);
    const QStringList& Files() const { return m_files; }

    void ReadList(const IniText& settings);
    void WriteList(IniText& settings) const;

private:
    int m_nSize;
    QStringList m_files;
};
