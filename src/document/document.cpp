#include "document/document.h"

#include <QFileInfo>

CDocument::~CDocument() = default;

void CDocument::SetPathName(const QString& path) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
}

void CDocument::SetTitle(const QString& title) {
    if (title == m_strTitle)
        return;
    m_strTitle = title;
    emit TitleChanged(title);
}
