// The palette view on the real main window: the entries and shares of a small known picture,
// one entry's pixels shown with the others dimmed, the distinct colours of a true-colour
// picture, the palette copied as text, and the program's panels on a dark palette.
#include "app_test_support.h"
#include "desktop/control_panel.h"
#include "desktop/korvo_view.h"
#include "desktop/main_status_bar.h"
#include "desktop/palette_dock.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QTabWidget>
#include <QTest>

namespace {

// 4 x 2 pixels, 8 bits, top row first; entry 2 has the colour of entry 0, entry 3 no pixel.
const std::vector<std::uint32_t> kTable = {0xFF0000, 0x00FF00, 0xFF0000, 0x000000};
const std::uint8_t kIndices[2][4] = {{0, 0, 0, 1}, {2, 2, 1, 0}};

std::vector<std::uint8_t> SmallPalettePicture() {
    std::vector<std::uint8_t> rows; // bottom row first
    for (int y = 1; y >= 0; --y)
        rows.insert(rows.end(), kIndices[y], kIndices[y] + 4);
    return BitmapFile({40, 4, 2, 1, 8, 0, 0, 4}, Concat(TableBytes(kTable), rows));
}

double Lightness(QRgb c) {
    return (0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c)) / 255;
}

// A widget is readable when it is painted on a dark background and its text stands out from
// it by at least half the scale of lightness.
bool ReadableOnDark(QWidget* widget) {
    const QImage shot = widget->grab().toImage();
    const double background = Lightness(widget->palette().color(widget->backgroundRole()).rgb());
    double contrast = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            contrast = std::max(contrast, std::abs(Lightness(shot.pixel(x, y)) - background));
    return background < 0.3 && contrast >= 0.5;
}

} // namespace

class TestPaletteView : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_s = std::make_unique<DesktopSession>();
        QVERIFY(m_s->StartTrusted());
        m_s->Action("actionPaletteView")->trigger();
        QVERIFY(Dock()->isVisible());
    }
    void cleanup() { m_s.reset(); }

    // Entries in index order with index, colour and share; a click shows exactly the pixels of
    // that entry as they are and dims every other one, a second click ends it.
    void PaletteViewShowsSharesAndHighlightsOneEntry() {
        QVERIFY(m_s->frame->OpenDocumentFile(m_s->File("small.bmp", SmallPalettePicture())));
        QListWidget* list = Dock()->List();
        QVERIFY(QTest::qWaitFor([list] { return list->count() == 4; }));
        QStringList rows;
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text().simplified();
        QCOMPARE(rows, (QStringList{"0 #ff0000 50.00 %", "1 #00ff00 25.00 %", "2 #ff0000 25.00 %",
                                    "3 #000000 0.00 %"}));
        QCOMPARE(Dock()->Summary(), QStringLiteral("4 palette entries"));
        QVERIFY(list->item(1)->toolTip().contains(QLatin1String("2 pixels")));

        CKorvoView* view = m_s->frame->ActiveImageView();
        view->SetZoom(8);
        const QImage before = Shot(view);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(2)).center());
        QCOMPARE(view->GetHighlight(), 2);
        const QImage after = Shot(view);
        const ViewRect cells = view->CurrentDrawPlan().dst;
        const std::int64_t cell = cells.Width() / 4;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const bool inside =
                    x >= cells.left && x < cells.right && y >= cells.top && y < cells.bottom;
                const bool kept =
                    !inside || kIndices[(y - cells.top) / cell][(x - cells.left) / cell] == 2;
                QVERIFY2((after.pixel(x, y) == before.pixel(x, y)) == kept,
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(2)).center());
        QCOMPARE(view->GetHighlight(), -1);
        QCOMPARE(Shot(view), before);

        list->actions().first()->trigger(); // "Copy palette as text"
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("#ff0000\n#00ff00\n#ff0000\n#000000\n"));
    }

    void PaletteViewCountsTheColoursOfATrueColourPicture() {
        QVERIFY(m_s->frame->OpenDocumentFile(
            m_s->File("true.bmp",
                      Bmp24(3, 2, {0xFF0000, 0x00FF00, 0xFF0000, 0x0000FF, 0x0000FF, 0xFF0001}))));
        QVERIFY(QTest::qWaitFor([this] {
            return Dock()->Summary() == QLatin1String("True color: 4 distinct colors");
        }));
        QCOMPARE(Dock()->List()->count(), 0);
        QVERIFY(!Dock()->List()->actions().first()->isEnabled());
    }

    // With a dark application palette the program's own panels are dark and their text stands
    // out: the palette view, the status bar and every page of the control panel.
    void PaletteViewAndPanelsReadableOnADarkPalette() {
        const QPalette old = QApplication::palette();
        QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x25, 0x25, 0x25));
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::ButtonText, Qt::white);
        QApplication::setPalette(dark);
        QVERIFY(m_s->frame->OpenDocumentFile(m_s->File("small.bmp", SmallPalettePicture())));
        QVERIFY(QTest::qWaitFor([this] { return Dock()->List()->count() == 4; }));
        QStringList unreadable;
        const auto check = [&unreadable](QWidget* widget) {
            if (widget->isEnabled() && !ReadableOnDark(widget))
                unreadable << QString::fromLatin1(widget->metaObject()->className()) + ' ' +
                                  widget->objectName();
        };
        check(Dock()->List()->viewport());
        check(Dock()->findChild<QLabel*>(QStringLiteral("paletteSummary")));
        check(m_s->frame->StatusBar()->findChild<QLabel*>(QStringLiteral("zoomText")));
        m_s->rec.m_answers[QStringLiteral("controlPanel")] = [&check](QDialog& panel) {
            auto* tabs = panel.findChild<QTabWidget*>(QStringLiteral("panelTabs"));
            for (int page = 0; page < tabs->count(); ++page) {
                tabs->setCurrentIndex(page);
                for (QWidget* widget : tabs->currentWidget()->findChildren<QWidget*>())
                    if (auto* button = qobject_cast<QAbstractButton*>(widget);
                        (button && !button->text().isEmpty()) ||
                        (qobject_cast<QLabel*>(widget) &&
                         !static_cast<QLabel*>(widget)->text().isEmpty()))
                        check(widget);
            }
        };
        m_s->Action("actionReduce")->trigger();
        QApplication::setPalette(old);
        QCOMPARE(m_s->rec.Dialogs(), QStringList{"controlPanel"});
        QCOMPARE(unreadable, QStringList());
    }

private:
    CPaletteDock* Dock() const { return m_s->frame->PaletteDock(); }

    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestPaletteView)
#include "palette_view_test.moc"
