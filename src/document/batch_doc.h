// The batch document: the list of files chosen together in the Open dialog, shown as a numbered
// log by its views. It changes and saves nothing, so closing it never asks anything; while a
// batch run converts its files, its window stays open.
#pragma once

#include "document/document.h"

#include <QStringList>

class CBatchDoc : public CDocument {
    Q_OBJECT
public:
    CBatchDoc();
    ~CBatchDoc() override;

    // Replaces the list; every view refills its log (FileListChanged), in the order the views
    // were connected.
    void SetFileList(const QStringList& files);

    QStringList m_fileList; // full paths, in the order the Open dialog gave them

signals:
    void FileListChanged();
};
