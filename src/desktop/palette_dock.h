// The palette view: a dock panel that shows the active picture's palette as swatches in index
// order, each with its index, #rrggbb and share of the pixels, details in each swatch's tool
// tip, and for a true-colour picture the number of its distinct colours. Clicking an entry shows
// its pixels in the picture's view with all others dimmed, until it is clicked again; the
// context menu copies the palette as text, one #rrggbb a line. Swatch borders and text follow
// the application palette.
#pragma once

#include <QDockWidget>
#include <QPointer>

class CKorvoView;
class CPictureFacts;
class QLabel;
class QListWidget;
class QListWidgetItem;

class CPaletteDock : public QDockWidget {
    Q_OBJECT
public:
    explicit CPaletteDock(QWidget* parent = nullptr);

    // The view whose picture the panel shows (nullptr: none); its colours are counted now if
    // the panel is shown.
    void SetView(CKorvoView* view);
    CKorvoView* View() const { return m_pView; }
    QListWidget* List() const { return m_pList; }
    QString Summary() const;
    // The palette as text: "#rrggbb" for each entry, in index order.
    QString PaletteText() const;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void OnItemClicked(QListWidgetItem* item);
    void CopyPaletteText();

    QPointer<CKorvoView> m_pView;
    QPointer<CPictureFacts> m_pFacts;
    QLabel* m_pSummary;
    QListWidget* m_pList;
};
