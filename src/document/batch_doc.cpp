#include "document/batch_doc.h"

CBatchDoc::CBatchDoc() = default;
CBatchDoc::~CBatchDoc() = default;

void CBatchDoc::SetFileList(const QStringList& files) {
    m_fileList = files;
    emit FileListChanged();
}
