#include "desktop/batch_view.h"

#include "document/batch_doc.h"

#include <QScrollBar>
#include <QTextCursor>

CBatchView::CBatchView(CBatchDoc* doc, QWidget* parent) : QPlainTextEdit(parent), m_pDoc(doc) {
    setObjectName(QStringLiteral("batchView"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    if (m_pDoc)
        connect(m_pDoc, &CBatchDoc::FileListChanged, this, &CBatchView::FillLog);
}

void CBatchView::OnInitialUpdate() {
    setReadOnly(true);
}

void CBatchView::FillLog() {
    if (!m_pDoc)
        return;
    // One repaint for the whole list instead of one per line.
    setUpdatesEnabled(false);
    int number = 1;
    for (const QString& path : m_pDoc->m_fileList)
        AppendText(QStringLiteral("%1: %2\r\n").arg(number++).arg(path));
    setUpdatesEnabled(true);
    viewport()->update();
}

void CBatchView::AppendText(const QString& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}
