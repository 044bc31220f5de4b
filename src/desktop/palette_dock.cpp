#include "desktop/palette_dock.h"

#include "desktop/korvo_view.h"
#include "desktop/picture_facts.h"
#include "document/korvo_doc.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kSwatchSize = 16;

QString Hex(std::uint32_t rgb) {
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

QString Share(std::int64_t pixels, std::int64_t total) {
    return QStringLiteral("%1 %").arg(total > 0 ? 100.0 * double(pixels) / double(total) : 0.0, 0,
                                      'f', 2);
}

// A square of the entry's colour with a border in the text colour of `palette`, drawn for the
// screen's pixel density so it stays sharp.
QIcon Swatch(std::uint32_t rgb, const QPalette& palette, qreal dpr) {
    QPixmap pixmap(qRound(kSwatchSize * dpr), qRound(kSwatchSize * dpr));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.setBrush(QColor(QRgb(0xFF000000u | rgb)));
    painter.drawRect(QRectF(0.5, 0.5, kSwatchSize - 1, kSwatchSize - 1));
    return QIcon(pixmap);
}

} // namespace

CPaletteDock::CPaletteDock(QWidget* parent) : QDockWidget(tr("Palette"), parent) {
    setObjectName(QStringLiteral("paletteDock"));
    auto* body = new QWidget(this);
    m_pSummary = new QLabel(body);
    m_pSummary->setObjectName(QStringLiteral("paletteSummary"));
    m_pSummary->setWordWrap(true);
    m_pList = new QListWidget(body);
    m_pList->setObjectName(QStringLiteral("paletteList"));
    m_pList->setIconSize(QSize(kSwatchSize, kSwatchSize));
    m_pList->setUniformItemSizes(true);
    m_pList->setMouseTracking(true); // tool tips as the mouse moves over the swatches
    m_pList->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(tr("Copy palette as text"), m_pList);
    copy->setObjectName(QStringLiteral("actionCopyPaletteText"));
    connect(copy, &QAction::triggered, this, &CPaletteDock::CopyPaletteText);
    m_pList->addAction(copy);
    connect(m_pList, &QListWidget::itemClicked, this, &CPaletteDock::OnItemClicked);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pList);
    setWidget(body);
    Refresh();
}

void CPaletteDock::SetView(CKorvoView* view) {
    if (m_pFacts)
        disconnect(m_pFacts, nullptr, this, nullptr);
    m_pView = view;
    m_pFacts = view ? CPictureFacts::Of(view->GetDocument()) : nullptr;
    if (m_pFacts) {
        connect(m_pFacts, &CPictureFacts::Changed, this, &CPaletteDock::Refresh);
        if (isVisible())
            m_pFacts->RequestColours();
    }
    Refresh();
}

void CPaletteDock::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    // Colours are counted only for a panel somebody looks at.
    if (m_pFacts)
        m_pFacts->RequestColours();
}

void CPaletteDock::changeEvent(QEvent* event) {
    QDockWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        Refresh(); // swatch borders in the new text colour
}

QString CPaletteDock::Summary() const {
    return m_pSummary->text();
}

void CPaletteDock::Refresh() {
    m_pList->clear();
    const CKorvoDoc* doc = m_pView ? m_pView->GetDocument() : nullptr;
    const bool known = m_pFacts && m_pFacts->ColoursKnown();
    const ColourCount* count = known ? &m_pFacts->Colours() : nullptr;
    if (!doc || !doc->HasDib())
        m_pSummary->setText(tr("No picture"));
    else if (!count)
        m_pSummary->setText(tr("Counting colors..."));
    else if (!count->failure.isEmpty())
        m_pSummary->setText(tr("Cannot count the colors: %1").arg(count->failure));
    else if (!count->palette)
        m_pSummary->setText(tr("True color: %1 distinct colors").arg(count->distinct));
    else
        m_pSummary->setText(tr("%1 palette entries").arg(count->entries.size()));
    m_pList->actions().first()->setEnabled(count && count->palette && !count->entries.empty());
    if (!count || !count->palette)
        return;
    const qreal dpr = devicePixelRatioF();
    const int highlight = m_pView->GetHighlight();
    for (std::size_t i = 0; i < count->entries.size(); ++i) {
        const PaletteEntry& entry = count->entries[i];
        const QString share = Share(entry.pixels, count->pixels);
        auto* item = new QListWidgetItem(
            Swatch(entry.colour, palette(), dpr),
            QStringLiteral("%1  %2  %3").arg(i, 3).arg(Hex(entry.colour), share.rightJustified(8)),
            m_pList);
        item->setData(Qt::UserRole, int(i));
        item->setToolTip(tr("Entry %1\n%2: red %3, green %4, blue %5\n%6 pixels, %7")
                             .arg(i)
                             .arg(Hex(entry.colour))
                             .arg((entry.colour >> 16) & 0xFF)
                             .arg((entry.colour >> 8) & 0xFF)
                             .arg(entry.colour & 0xFF)
                             .arg(entry.pixels)
                             .arg(share));
        item->setSelected(int(i) == highlight);
    }
}

void CPaletteDock::OnItemClicked(QListWidgetItem* item) {
    if (!m_pView || !m_pFacts)
        return;
    const int index = item->data(Qt::UserRole).toInt();
    // A second click on the entry shown ends the highlight.
    if (m_pView->GetHighlight() == index) {
        m_pView->SetHighlight(-1, {});
        m_pList->clearSelection();
        return;
    }
    m_pView->SetHighlight(index, m_pFacts->Highlighted(index));
    item->setSelected(m_pView->GetHighlight() == index);
}

QString CPaletteDock::PaletteText() const {
    QString text;
    if (m_pFacts && m_pFacts->ColoursKnown() && m_pFacts->Colours().palette)
        for (const PaletteEntry& entry : m_pFacts->Colours().entries)
            text += Hex(entry.colour) + QLatin1Char('\n');
    return text;
}

void CPaletteDock::CopyPaletteText() {
    const QString text = PaletteText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}
