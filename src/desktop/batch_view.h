// The batch window's view: a read-only text log with one numbered line per chosen file. The
// user can select and copy its text but not change it.
#pragma once

#include <QPlainTextEdit>

class CBatchDoc;

class CBatchView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CBatchView(CBatchDoc* doc, QWidget* parent = nullptr);

    CBatchDoc* GetDocument() const { return m_pDoc; }
    void OnInitialUpdate();
    // Appends "n: path" for every file of the document, numbering from 1.
    void FillLog();
    // Appends `text` at the end of the log and keeps the end in sight.
    void AppendText(const QString& text);

private:
    CBatchDoc* m_pDoc;
};
