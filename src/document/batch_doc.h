// The batch document: the list of files chosen together in the Open dialog, shown as a numbered
// log by its views. It reads, changes and saves nothing, so closing it never asks anything.
#pragma once

#include "document/document.h"

#include <QList>
#include <QPointer>
#include <QStringList>

class CBatchView;

class CBatchDoc : public CDocument {
    Q_OBJECT
public:
    CBatchDoc();
    ~CBatchDoc() override;

    // Replaces the list and refills the log of every view, in the order the views were added.
    void SetFileList(const QStringList& files);
    void AddView(CBatchView* view);
    QList<CBatchView*> Views() const;

    QStringList m_fileList; // full paths, in the order the Open dialog gave them
private:
    QList<QPointer<CBatchView>> m_views;
};
