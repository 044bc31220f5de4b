// The control panel driven through its controls, the way a user sets it up before a run, and
// loaded from whatever a settings file holds; its preview on the real main window.
#include "app_test_support.h"
#include "desktop/control_panel.h"
#include "desktop/panel_page_engine.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "desktop/preview_pane.h"
#include "document/display_image.h"
#include "document/korvo_doc.h"
#include "quant/quant.h"
#include "settings/settings_keys.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

// colorCount, add16, transPosition, ditherMode, ditherLevel, inputMask, outPrecision, the
// three weights and the refinement passes, in that order.
QList<int> Expect(int colorCount, int add16, int trans, int mode = 0, int level = 7, int mask = 0,
                  int out = 8, int yb = 85, int cr = 105, int gm = 125, int refine = 0) {
    return {colorCount, add16, trans, mode, level, mask, out, yb, cr, gm, refine};
}

// Stored values of every kind: below and above a range, no number, beyond int, nothing.
const char* const kStoredValues[] = {"-1", "999", "x7", "99999999999", ""};
// What a run takes for each of them, for each key a run reads.
const struct {
    const char* key;
    int PanelValues::*member;
    int taken[std::size(kStoredValues)];
} kTaken[] = {
    {"BitSet", &PanelValues::m_nBitSet, {0, 0, 0, 0, 0}},
    {"numBit", &PanelValues::m_nNumBit, {2, 256, 64, 256, 64}},
    {"Add16", &PanelValues::m_bAdd16, {1, 1, 0, 1, 0}},
    {"DitherMode", &PanelValues::m_nDitherMode, {0, 0, 0, 0, 0}},
    {"DitherLevel", &PanelValues::m_nDitherLevel, {0, 10, 7, 10, 7}},
    {"magCR", &PanelValues::m_nMagCR, {0, 20, 10, 20, 10}},
    {"magGM", &PanelValues::m_nMagGM, {0, 20, 10, 20, 10}},
    {"magWB", &PanelValues::m_nMagWB, {0, 20, 10, 20, 10}},
    {"magYB", &PanelValues::m_nMagYB, {0, 20, 10, 20, 10}},
    {"InBit", &PanelValues::m_nInBit, {3, 3, 3, 3, 3}},
    {"OutBit", &PanelValues::m_nOutBit, {8, 8, 8, 8, 8}},
    {"TransMode", &PanelValues::m_bTransMode, {1, 1, 0, 1, 0}},
    {"TransPosition", &PanelValues::m_nTransPosition, {3, 3, 3, 3, 3}},
    {"RefinePasses", &PanelValues::m_nRefinePasses, {0, 16, 0, 16, 0}},
};

QList<int> FieldsOf(const QuantSettings& s) {
    return {s.colorCount,   s.add16,    s.transPosition, s.ditherMode, s.ditherLevel, s.inputMask,
            s.outPrecision, s.weightYB, s.weightCR,      s.weightGM,   s.refinePasses};
}

} // namespace

class TestControlPanel : public QObject {
    Q_OBJECT

    template <class T = QWidget> T* Find(const QString& name) {
        T* child = (m_pShown ? m_pShown : m_panel.get())->findChild<T*>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }
    int Page() { return Find<QTabWidget>(QStringLiteral("panelTabs"))->currentIndex(); }
    // The user's steps, separated by blanks, each naming a control by its object name: a button
    // alone is clicked; "name=value" sets a slider, a list, the count edit or the page shown.
    void Drive(const QString& steps) {
        for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QWidget* w = Find(step.section(QLatin1Char('='), 0, 0));
            const QString value = step.section(QLatin1Char('='), 1);
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                button->click();
            else if (auto* slider = qobject_cast<QSlider*>(w))
                slider->setValue(value.toInt());
            else if (auto* list = qobject_cast<QComboBox*>(w))
                list->setCurrentIndex(value.toInt());
            else if (auto* edit = qobject_cast<QLineEdit*>(w))
                edit->setText(value);
            else if (auto* spin = qobject_cast<QSpinBox*>(w))
                spin->setValue(value.toInt());
            else
                qobject_cast<QTabWidget*>(w)->setCurrentIndex(value.toInt());
        }
    }
    // The user's OK: true when the sheet closed.
    bool PressOk() {
        m_panel->accept();
        return !m_panel->isVisible();
    }

    std::unique_ptr<NoticeRecorder> m_rec;
    std::unique_ptr<CControllPanel> m_panel;
    CControllPanel* m_pShown = nullptr; // the main window's panel, while a test drives it

private slots:
    void init() {
        m_rec = std::make_unique<NoticeRecorder>();
        m_panel = std::make_unique<CControllPanel>();
    }
    void cleanup() {
        m_pShown = nullptr;
        m_panel.reset();
        m_rec.reset();
    }

    // Each row goes through the pages the user visits, then OK, then the run's filling rules.
    void valuesReachTheRunByTheFillingRules_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("defaults") << "" << Expect(256, 0, -1);
        QTest::newRow("1 bit with fixed colours and transparency gives 17")
            << "radioBitSet2 checkAdd16 panelTabs=2 checkTransMode" << Expect(17, 1, 3);
        QTest::newRow("optional 2 with fixed colours and transparency gives 17")
            << "radioBitSet3 editNumBit=2 checkAdd16 panelTabs=2 checkTransMode "
               "radioTransPosition0"
            << Expect(17, 1, 0);
        QTest::newRow("2 colours with fixed colours gives 16")
            << "radioBitSet2 checkAdd16" << Expect(16, 1, -1);
        QTest::newRow("16 colours, transparent lower left")
            << "radioBitSet1 panelTabs=2 checkTransMode radioTransPosition1" << Expect(16, 0, 1);
        QTest::newRow("transparency off keeps the corner but gives none")
            << "panelTabs=2 radioTransPosition2" << Expect(256, 0, -1);
        QTest::newRow("dithering")
            << "comboDitherMode=3 sliderDitherLevel=2" << Expect(256, 0, -1, 3, 2);
        QTest::newRow("axis sliders at 0, 5 bit in, Web out")
            << "panelTabs=1 sliderMagYB=0 sliderMagCR=0 sliderMagGM=0 comboInBit=0 comboOutBit=0"
            << Expect(256, 0, -1, 0, 7, 7, 0, 35, 55, 75);
        QTest::newRow("axis sliders at 20, 6 bit in, 565 out")
            << "panelTabs=1 sliderMagYB=20 sliderMagCR=20 sliderMagGM=20 comboInBit=1 "
               "comboOutBit=5"
            << Expect(256, 0, -1, 0, 7, 3, 5, 135, 155, 175);
        QTest::newRow("refine palette offers 4 passes")
            << "panelTabs=1 checkRefine" << Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 125, 4);
        QTest::newRow("refine palette in 16 passes")
            << "panelTabs=1 checkRefine spinRefinePasses=16"
            << Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 125, 16);
        QTest::newRow("a count without the check box refines nothing")
            << "panelTabs=1 spinRefinePasses=9" << Expect(256, 0, -1);
    }
    void valuesReachTheRunByTheFillingRules() {
        QFETCH(QString, steps);
        m_panel->show();
        Drive(steps);
        QVERIFY(PressOk());
        QCOMPARE(m_rec->Messages(), QStringList());
        QTEST(FieldsOf(SettingsForRun(m_panel->GetPanelValues())), "expected");
    }

    // Whatever a settings file holds for a key of the panel (kStoredValues), a run takes a value
    // its control can show (kTaken) and happens: counts and sliders take the nearest end of their
    // range, list choices and corners the panel's built-in choice, check boxes count as on for any
    // number but 0, and text that is no number reads as the built-in value.
    void everyStoredValueGivesARun_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("value"); // index into kStoredValues
        for (const SettingKey* key : settings::kPanelKeys)
            for (int v = 0; v < int(std::size(kStoredValues)); ++v)
                QTest::addRow("%s=%s", key->key, kStoredValues[v]) << QByteArray(key->key) << v;
    }
    void everyStoredValueGivesARun() {
        QFETCH(QByteArray, key);
        QFETCH(int, value);
        // Of two equal keys the first counts: the built-in values after the row's key fill in
        // only what the row leaves out.
        QByteArray text = "[ControllPanel]\n" + key + '=' + kStoredValues[value] + '\n';
        for (const SettingKey* k : settings::kPanelKeys)
            text += QByteArray(k->key) + '=' + QByteArray::number(k->builtIn) + '\n';
        m_panel->LoadSettings(IniText(text));
        const PanelValues run = m_panel->GetPanelValues();
        PanelValues expected; // keys no run reads leave every value at its built-in one
        for (const auto& row : kTaken)
            if (key == row.key)
                expected.*row.member = row.taken[value];
        for (const auto& row : kTaken)
            QVERIFY2(run.*row.member == expected.*row.member, row.key);
        const DibHandle picture = MakeDib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
        CPixelArray graph;
        graph.SetSource(&picture);
        QuantSignal signal;
        QCOMPARE(CQuant(SettingsForRun(run)).Quantize(graph, signal, {}), QuantResult::Done);
    }

    // The optional count is checked at OK whichever count button is chosen, and when the user
    // leaves the page; a refused count keeps the Main page in front.
    void countEditRangeCheckKeepsTheSheetOpen_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("stored"); // 0 when refused
        QTest::newRow("2") << "radioBitSet3 editNumBit=2" << 2;
        QTest::newRow("256") << "radioBitSet3 editNumBit=256" << 256;
        QTest::newRow("leading zero") << "radioBitSet3 editNumBit=064" << 64;
        QTest::newRow("1") << "radioBitSet3 editNumBit=1" << 0;
        QTest::newRow("257") << "radioBitSet3 editNumBit=257" << 0;
        QTest::newRow("empty") << "radioBitSet3 editNumBit=" << 0;
        QTest::newRow("beyond int") << "radioBitSet3 editNumBit=99999999999" << 0;
        QTest::newRow("0 with 256 colours") << "radioBitSet0 editNumBit=0" << 0;
        QTest::newRow("300 with 16 colours") << "radioBitSet1 editNumBit=300" << 0;
        QTest::newRow("1, then the Engine page") << "editNumBit=1 panelTabs=1" << 0;
        QTest::newRow("17, then the Engine page") << "editNumBit=17 panelTabs=1" << 17;
    }
    void countEditRangeCheckKeepsTheSheetOpen() {
        QFETCH(QString, steps);
        QFETCH(int, stored);
        m_panel->show();
        Drive(steps);
        const bool leftPage = steps.contains(QLatin1String("panelTabs"));
        QCOMPARE(Page(), stored ? int(leftPage) : 0);
        if (!leftPage)
            QCOMPARE(PressOk(), stored != 0);
        QCOMPARE(m_rec->Messages().size(), stored ? 0 : 1);
        QVERIFY(stored || m_rec->Messages().first().contains(QLatin1String("between 2 and 256")));
        QCOMPARE(m_panel->m_pMainPage->m_nNumBit, stored ? stored : 64);
    }

    void countStoredOutOfRangeIsRefusedEvenFromAnotherPage() {
        m_panel->m_pMainPage->m_nNumBit = 0; // a settings file without "numBit"
        m_panel->m_nActivePage = 1;
        m_panel->show();
        QCOMPARE(Find<QLineEdit>(QStringLiteral("editNumBit"))->text(), QStringLiteral("0"));
        QVERIFY(!PressOk());
        QCOMPARE(Page(), 0);
        QCOMPARE(m_rec->Messages().size(), 1);
    }

    void focusingTheCountEditChoosesTheOptionalCount() {
        m_panel->show();
        m_panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_panel.get()));
        // Opening the sheet alone does not move the focus into the count edit.
        QVERIFY(Find<QAbstractButton>(QStringLiteral("radioBitSet0"))->isChecked());
        Drive(QStringLiteral("radioBitSet1 comboDitherMode=3"));
        QTest::mouseClick(Find(QStringLiteral("editNumBit")), Qt::LeftButton);
        QVERIFY(Find<QAbstractButton>(QStringLiteral("radioBitSet3"))->isChecked());
        QCOMPARE(m_panel->m_pMainPage->m_nBitSet, 3);
        // The other controls keep the user's changes.
        QCOMPARE(Find<QComboBox>(QStringLiteral("comboDitherMode"))->currentIndex(), 3);
    }

    // The sheet reopens on the page shown last; Cancel keeps what was taken from pages the user
    // left and drops the current page's edits.
    void reopensOnThePageShownLastAndCancelDropsItsEdits() {
        m_panel->show();
        QCOMPARE(Page(), 0);
        Drive(QStringLiteral("checkAdd16 panelTabs=1 sliderMagYB=3"));
        m_panel->reject();
        QCOMPARE(m_panel->m_pMainPage->m_bAdd16, 1);
        QCOMPARE(m_panel->m_pEnginePage->m_nMagYB, 10);
        m_panel->show(); // controls come back from the members
        QCOMPARE(Page(), 1);
        QCOMPARE(Find<QSlider>(QStringLiteral("sliderMagYB"))->value(), 10);
        Drive(QStringLiteral("panelTabs=2"));
        QVERIFY(PressOk());
        m_panel->show();
        QCOMPARE(Page(), 2);
    }

    void resetTouchesOnlyTheEnginePage() {
        CEnginePage& engine = *m_panel->m_pEnginePage;
        engine.m_nInBit = 0;
        engine.m_nOutBit = 2;
        engine.m_nMagCR = engine.m_nMagGM = 1;
        engine.m_nMagWB = engine.m_nMagYB = 19;
        m_panel->m_pMainPage->m_nDitherLevel = 2;
        m_panel->m_pTransmissionPage->m_bTransMode = 1;
        m_panel->m_nActivePage = 1;
        m_panel->show();
        Drive(QStringLiteral("buttonReset"));
        QVERIFY(PressOk());
        const PanelValues v = m_panel->GetPanelValues();
        QCOMPARE((QList<int>{v.m_nInBit, v.m_nOutBit, v.m_nMagCR, v.m_nMagGM, v.m_nMagWB,
                             v.m_nMagYB, v.m_nDitherLevel, v.m_bTransMode}),
                 (QList<int>{3, 8, 10, 10, 10, 10, 2, 1}));
    }

    // Stored values the controls cannot show survive a visit and OK unchanged: the fixed
    // white-black slider's, and list indexes, which leave the list without selection.
    void storedValuesBeyondTheControlsAreKept() {
        auto* wb = Find<QSlider>(QStringLiteral("sliderMagWB"));
        QVERIFY(!wb->isEnabled());
        QCOMPARE(wb->focusPolicy(), Qt::NoFocus);
        m_panel->m_pEnginePage->m_nMagWB = 33;
        m_panel->m_pEnginePage->m_nOutBit = 12;
        m_panel->m_pTransmissionPage->m_nTransPosition = 9;
        m_panel->m_nActivePage = 1;
        m_panel->show();
        QCOMPARE(Find<QComboBox>(QStringLiteral("comboOutBit"))->currentIndex(), -1);
        Drive(QStringLiteral("panelTabs=2"));
        for (int i = 0; i < 4; ++i)
            QVERIFY(
                !Find<QAbstractButton>(QStringLiteral("radioTransPosition%1").arg(i))->isChecked());
        QVERIFY(PressOk());
        QCOMPARE(m_panel->m_pEnginePage->m_nMagWB, 33);
        QCOMPARE(m_panel->m_pEnginePage->m_nOutBit, 12);
        QCOMPARE(m_panel->m_pTransmissionPage->m_nTransPosition, 9);
    }

    void sheetLooksAsTheUserExpects() {
        QWidget mainWindow;
        mainWindow.setGeometry(120, 90, 600, 400);
        mainWindow.show();
        m_panel->SetMainWindow(&mainWindow);
        m_panel->show();
        QCOMPARE(m_panel->windowTitle(), QStringLiteral("Quantizer color settings"));
        QCOMPARE(m_panel->pos(), mainWindow.frameGeometry().topLeft() + QPoint(8, 8));
        QCOMPARE(m_panel->findChild<QDialogButtonBox*>()->buttons().size(), 2); // no Apply
    }

    // The Batch page's choices reach the writers: format, PNG interlacing, GIF variant.
    void batchPageGivesThePictureOptions() {
        m_panel->show();
        Drive(QStringLiteral("panelTabs=3 checkPngMode comboGifMode=2 radioBatchFileType2"));
        QVERIFY(PressOk());
        const PictureOptions o = m_panel->GetPictureOptions();
        QCOMPARE(
            (QList<bool>{o.format == PictureFormat::Gif, o.pngInterlace, o.gif89a, o.gifInterlace}),
            (QList<bool>{true, true, true, false}));
    }

    // A small picture's preview is the very picture Reduce colors then makes with the same
    // settings, and a burst of changes (a count typed digit by digit, a slider dragged, a
    // method chosen) is previewed by one computation once it settles.
    void PreviewEqualsTheRunAndSettlesOnce() {
        m_rec.reset(); // the session records
        DesktopSession s;
        QVERIFY(s.StartTrusted());
        s.frame->m_runPriority = QThread::NormalPriority;
        QVERIFY(s.frame->OpenDocumentFile(s.File("photo.bmp", Bmp24(64, 48, Gradient(64, 48)))));
        QByteArray previewed;
        int computations = -1;
        s.rec.m_answers[QStringLiteral("controlPanel")] = [&](QDialog& panel) {
            m_pShown = &static_cast<CControllPanel&>(panel);
            CPreviewPane* pane = m_pShown->Preview();
            const auto settled = [pane] { return pane->IsSettled() && pane->Result(); };
            QVERIFY(pane->isVisible() && QTest::qWaitFor(settled));
            const int before = pane->Computations();
            Drive(QStringLiteral("radioBitSet3 editNumBit=1 editNumBit=12 sliderDitherLevel=3 "
                                 "sliderDitherLevel=4 comboDitherMode=2"));
            QVERIFY(QTest::qWaitFor(settled));
            computations = pane->Computations() - before;
            previewed = Bytes(pane->Result());
            QCOMPARE(pane->Note(), QString());
        };
        s.Action("actionReduce")->trigger();
        QVERIFY(s.WaitForRunEnd());
        QCOMPARE(computations, 1);
        const auto* result =
            static_cast<CKorvoDoc*>(s.DocumentOf(s.frame->MdiArea()->activeSubWindow()));
        QCOMPARE(s.frame->MdiArea()->activeSubWindow()->windowTitle(),
                 QStringLiteral("photo.bmp(12)"));
        QCOMPARE(Bytes(result->m_hDib), previewed);
    }

    // A picture beyond the size previewed whole is previewed on a copy of some of its own
    // pixels, and the pane says so.
    void PreviewOfALargerPictureIsApproximate() {
        const std::vector<std::uint32_t> pixels = Gradient(20, 10);
        QImage image(20, 10, QImage::Format_RGB32);
        for (int i = 0; i < 200; ++i)
            image.setPixel(i % 20, i / 20, 0xFF000000u | pixels[std::size_t(i)]);
        const DibHandle copy = SubsampledCopy(image, 100);
        QVERIFY(copy);
        const int w = DibGetWidth(copy.data()), h = DibGetHeight(copy.data());
        QVERIFY(w * h <= 100 && w * h >= 90 && std::abs(w - 2 * h) <= 1);
        const QImage small = DibMakeDisplayImage(copy);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                QVERIFY(std::count(pixels.begin(), pixels.end(), small.pixel(x, y) & 0xFFFFFFu));

        m_rec.reset();
        DesktopSession s;
        QVERIFY(s.StartTrusted());
        QVERIFY(s.frame->OpenDocumentFile(s.File("photo.bmp", Bmp24(20, 10, pixels))));
        s.frame->ControlPanel().Preview()->m_nWholeLimit = 100;
        QString note;
        s.rec.m_answers[QStringLiteral("controlPanel")] = [&note](QDialog& panel) {
            CPreviewPane* pane = static_cast<CControllPanel&>(panel).Preview();
            QVERIFY(QTest::qWaitFor([pane] { return pane->IsSettled() && pane->Result(); }));
            note = pane->Note();
        };
        s.Action("actionReduce")->trigger();
        QCOMPARE(note, QStringLiteral("approximate (reduced copy)"));
    }
};

QTEST_MAIN(TestControlPanel)
#include "control_panel_test.moc"
