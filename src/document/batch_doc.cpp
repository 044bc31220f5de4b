#include "document/batch_doc.h"

#include "desktop/batch_view.h"

CBatchDoc::CBatchDoc() = default;
CBatchDoc::~CBatchDoc() = default;

void CBatchDoc::SetFileList(const QStringList& files) {
    m_fileList = files;
    for (CBatchView* view : Views())
        view->FillLog();
}

void CBatchDoc::AddView(CBatchView* view) {
    m_views.append(view);
}

QList<CBatchView*> CBatchDoc::Views() const {
    QList<CBatchView*> views;
    for (const QPointer<CBatchView>& view : m_views)
        if (view)
            views.append(view.data());
    return views;
}
