// The MDI child window of every document: it owns its document, shows its title, and refuses to
// close while the document must stay open.
#pragma once

#include <QMdiSubWindow>
#include <memory>

class CDocument;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(std::unique_ptr<CDocument> doc, QWidget* view);
    ~CChildFrame() override;

    CDocument* GetDocument() const { return m_pDoc.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The view (a child widget) reads the document; ~CChildFrame deletes it before this member.
    std::unique_ptr<CDocument> m_pDoc;
};
