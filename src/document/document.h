// The document side of the desktop program: a document holds what one MDI window shows and
// names it. Image documents and batch documents derive from it; a child frame owns its
// document, so closing the window ends the document.
#pragma once

#include <QObject>
#include <QString>

class CDocument : public QObject {
    Q_OBJECT
public:
    ~CDocument() override;

    // The full path the document was read from; setting it makes the file name the title.
    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path);
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);

    // False while the document must stay open (a run reads it); closing is then refused
    // silently. Documents are never modified, so closing never asks to save.
    bool CanCloseFrame() const { return !m_running; }
    virtual bool IsImageDocument() const { return false; }

    // True while a run started from this document (a picture's reduction, a batch's files) is
    // under way.
    bool m_running = false;

signals:
    void TitleChanged(const QString& title);

private:
    QString m_strPathName;
    QString m_strTitle;
};
