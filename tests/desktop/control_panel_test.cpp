// The control panel driven through its controls, the way a user sets it up before a run, and
// loaded from whatever a settings file holds.
#include "app_test_support.h"
#include "desktop/control_panel.h"
#include "desktop/panel_page_engine.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "quant/quant.h"
#include "settings/panel_values.h"
#include "settings/settings_keys.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <climits>

namespace {

// colorCount, add16, transPosition, ditherMode, ditherLevel, inputMask, outPrecision and the
// three weights, in that order.
QList<int> Expect(int colorCount, int add16, int trans, int mode = 0, int level = 7, int mask = 0,
                  int out = 8, int yb = 85, int cr = 105, int gm = 125) {
    return {colorCount, add16, trans, mode, level, mask, out, yb, cr, gm};
}

QList<int> FieldsOf(const QuantSettings& s) {
    return {s.colorCount, s.add16,        s.transPosition, s.ditherMode, s.ditherLevel,
            s.inputMask,  s.outPrecision, s.weightYB,      s.weightCR,   s.weightGM};
}

} // namespace

class TestControlPanel : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_rec = std::make_unique<NoticeRecorder>();
        m_panel = std::make_unique<CControllPanel>();
    }
    void cleanup() {
        m_panel.reset();
        m_rec.reset();
    }

    void valuesReachTheRunByTheFillingRules_data();
    void valuesReachTheRunByTheFillingRules();
    void everyStoredValueGivesARun_data();
    void everyStoredValueGivesARun();
    void countEditRangeCheckKeepsTheSheetOpen_data();
    void countEditRangeCheckKeepsTheSheetOpen();
    void refusedCountKeepsTheMainPageInFront();
    void countStoredOutOfRangeIsRefusedEvenFromAnotherPage();
    void focusingTheCountEditChoosesTheOptionalCount();
    void reopensOnThePageShownLast();
    void cancelDropsOnlyTheCurrentPagesEdits();
    void resetTouchesOnlyTheEnginePage();
    void whiteBlackSliderIsFixedButKeepsItsValue();
    void storedListIndexOutOfRangeShowsNoSelectionAndIsKept();
    void sheetLooksAsTheUserExpects();

private:
    template <class T> T* Find(const QString& name) {
        T* child = m_panel->findChild<T*>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }
    QTabWidget* Tabs() { return Find<QTabWidget>(QStringLiteral("panelTabs")); }
    // A user's steps, one per text: "click name", "tab index", "slide name value",
    // "choose name index" or "type text" (into the count edit).
    void Drive(const QStringList& steps);
    // The user's OK: true when the sheet closed.
    bool PressOk() {
        m_panel->accept();
        return !m_panel->isVisible();
    }

    std::unique_ptr<NoticeRecorder> m_rec;
    std::unique_ptr<CControllPanel> m_panel;
};

void TestControlPanel::Drive(const QStringList& steps) {
    for (const QString& step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        if (w[0] == QLatin1String("click"))
            Find<QAbstractButton>(w[1])->click();
        else if (w[0] == QLatin1String("tab"))
            Tabs()->setCurrentIndex(w[1].toInt());
        else if (w[0] == QLatin1String("slide"))
            Find<QSlider>(w[1])->setValue(w[2].toInt());
        else if (w[0] == QLatin1String("choose"))
            Find<QComboBox>(w[1])->setCurrentIndex(w[2].toInt());
        else if (w[0] == QLatin1String("type"))
            Find<QLineEdit>(QStringLiteral("editNumBit"))->setText(step.mid(5));
        else
            qFatal("unknown step %s", qPrintable(step));
    }
}

// Each row goes through the pages the user visits, then OK, then the run's filling rules.
void TestControlPanel::valuesReachTheRunByTheFillingRules_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("defaults") << QStringList{} << Expect(256, 0, -1);
    QTest::newRow("1 bit with fixed colours and transparency gives 17")
        << QStringList{"click radioBitSet2", "click checkAdd16", "tab 2", "click checkTransMode"}
        << Expect(17, 1, 3);
    QTest::newRow("optional 2 with fixed colours and transparency gives 17")
        << QStringList{"click radioBitSet3",   "type 2",
                       "click checkAdd16",     "tab 2",
                       "click checkTransMode", "click radioTransPosition0"}
        << Expect(17, 1, 0);
    QTest::newRow("2 colours with fixed colours gives 16")
        << QStringList{"click radioBitSet2", "click checkAdd16"} << Expect(16, 1, -1);
    QTest::newRow("16 colours, transparent lower left")
        << QStringList{"click radioBitSet1", "tab 2", "click checkTransMode",
                       "click radioTransPosition1"}
        << Expect(16, 0, 1);
    QTest::newRow("transparency off keeps the corner but gives none")
        << QStringList{"tab 2", "click radioTransPosition2"} << Expect(256, 0, -1);
    QTest::newRow("dithering chosen")
        << QStringList{"choose comboDitherMode 3", "slide sliderDitherLevel 2"}
        << Expect(256, 0, -1, 3, 2);
    QTest::newRow("axis sliders at 0, 5 bit in, Web out")
        << QStringList{"tab 1",
                       "slide sliderMagYB 0",
                       "slide sliderMagCR 0",
                       "slide sliderMagGM 0",
                       "choose comboInBit 0",
                       "choose comboOutBit 0"}
        << Expect(256, 0, -1, 0, 7, 7, 0, 35, 55, 75);
    QTest::newRow("axis sliders at 20, 6 bit in, 565 out")
        << QStringList{"tab 1",
                       "slide sliderMagYB 20",
                       "slide sliderMagCR 20",
                       "slide sliderMagGM 20",
                       "choose comboInBit 1",
                       "choose comboOutBit 5"}
        << Expect(256, 0, -1, 0, 7, 3, 5, 135, 155, 175);
}

void TestControlPanel::valuesReachTheRunByTheFillingRules() {
    QFETCH(QStringList, steps);
    m_panel->show();
    Drive(steps);
    QVERIFY(PressOk());
    QCOMPARE(m_rec->Messages(), QStringList());
    QTEST(FieldsOf(SettingsForRun(m_panel->GetPanelValues())), "expected");
}

// Whatever a settings file holds for a key of the panel (below or above the range, no number,
// beyond int, nothing), a run takes a value its control can show and happens: counts and sliders
// take the nearest end of their range, list choices and corners the panel's built-in choice,
// check boxes count as on for any number but 0, and text that is no number reads as the built-in
// value. The stored value itself stays in the panel.
void TestControlPanel::everyStoredValueGivesARun_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("taken"); // what the run takes; INT_MIN for keys no run reads
    const char* const values[] = {"-1", "999", "x7", "99999999999", ""};
    const std::map<QByteArray, std::array<int, 5>> taken = {
        {"BitSet", {0, 0, 0, 0, 0}},        {"numBit", {2, 256, 64, 256, 64}},
        {"Add16", {1, 1, 0, 1, 0}},         {"DitherMode", {0, 0, 0, 0, 0}},
        {"DitherLevel", {0, 10, 7, 10, 7}}, {"magCR", {0, 20, 10, 20, 10}},
        {"magGM", {0, 20, 10, 20, 10}},     {"magWB", {0, 20, 10, 20, 10}},
        {"magYB", {0, 20, 10, 20, 10}},     {"InBit", {3, 3, 3, 3, 3}},
        {"OutBit", {8, 8, 8, 8, 8}},        {"TransMode", {1, 1, 0, 1, 0}},
        {"TransPosition", {3, 3, 3, 3, 3}},
    };
    for (const SettingKey* key : settings::kPanelKeys)
        for (std::size_t k = 0; k < std::size(values); ++k) {
            const auto row = taken.find(key->key);
            QTest::addRow("%s=%s", key->key, values[k])
                << QByteArray(key->key) << QByteArray(values[k])
                << (row == taken.end() ? INT_MIN : row->second[k]);
        }
}

void TestControlPanel::everyStoredValueGivesARun() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(int, taken);
    // Of two equal keys the first counts: the built-in values after the row's key fill in only
    // what the row leaves out.
    QByteArray text = "[ControllPanel]\n" + key + '=' + value + '\n';
    for (const SettingKey* k : settings::kPanelKeys)
        text += QByteArray(k->key) + '=' + QByteArray::number(k->builtIn) + '\n';
    m_panel->LoadSettings(IniText(text));
    const PanelValues run = m_panel->GetPanelValues();
    PanelValues expected;
    const std::map<QByteArray, int PanelValues::*> members = {
        {"BitSet", &PanelValues::m_nBitSet},
        {"numBit", &PanelValues::m_nNumBit},
        {"Add16", &PanelValues::m_bAdd16},
        {"DitherMode", &PanelValues::m_nDitherMode},
        {"DitherLevel", &PanelValues::m_nDitherLevel},
        {"magCR", &PanelValues::m_nMagCR},
        {"magGM", &PanelValues::m_nMagGM},
        {"magWB", &PanelValues::m_nMagWB},
        {"magYB", &PanelValues::m_nMagYB},
        {"InBit", &PanelValues::m_nInBit},
        {"OutBit", &PanelValues::m_nOutBit},
        {"TransMode", &PanelValues::m_bTransMode},
        {"TransPosition", &PanelValues::m_nTransPosition},
    };
    if (taken != INT_MIN)
        expected.*members.at(key) = taken;
    for (const auto& [name, member] : members)
        QVERIFY2(run.*member == expected.*member, name.constData());
    const DibHandle picture =
        MakeDib24(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0, 0xFFFFFF, 0x808080});
    CPixelArray graph;
    graph.SetSource(&picture);
    QuantSignal signal;
    QCOMPARE(CQuant(SettingsForRun(run)).Quantize(graph, signal, {}), QuantResult::Done);
}

// The optional count is checked at OK whichever count button is chosen.
void TestControlPanel::countEditRangeCheckKeepsTheSheetOpen_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("2") << "2"
                       << "radioBitSet3" << true;
    QTest::newRow("256") << "256"
                         << "radioBitSet3" << true;
    QTest::newRow("leading zero") << "064"
                                  << "radioBitSet3" << true;
    QTest::newRow("1") << "1"
                       << "radioBitSet3" << false;
    QTest::newRow("257") << "257"
                         << "radioBitSet3" << false;
    QTest::newRow("empty") << ""
                           << "radioBitSet3" << false;
    QTest::newRow("0 with 256 colours") << "0"
                                        << "radioBitSet0" << false;
    QTest::newRow("300 with 16 colours") << "300"
                                         << "radioBitSet1" << false;
    QTest::newRow("beyond int") << "99999999999"
                                << "radioBitSet3" << false;
}

void TestControlPanel::countEditRangeCheckKeepsTheSheetOpen() {
    QFETCH(QString, text);
    QFETCH(QString, button);
    QFETCH(bool, accepted);
    m_panel->show();
    Drive({"click " + button, "type " + text});
    QCOMPARE(PressOk(), accepted);
    QCOMPARE(m_rec->Messages().size(), accepted ? 0 : 1);
    QCOMPARE(m_panel->m_pPage1->m_nNumBit, accepted ? text.toInt() : 64);
    if (!accepted) {
        QVERIFY(m_rec->Messages().first().contains(QLatin1String("between 2 and 256")));
        QCOMPARE(Tabs()->currentIndex(), 0);
    }
}

void TestControlPanel::refusedCountKeepsTheMainPageInFront() {
    m_panel->show();
    Drive({"type 1", "tab 1"});
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(m_rec->Messages().size(), 1);
    Drive({"type 17", "tab 1"});
    QCOMPARE(Tabs()->currentIndex(), 1);
    QCOMPARE(m_panel->m_pPage1->m_nNumBit, 17);
}

void TestControlPanel::countStoredOutOfRangeIsRefusedEvenFromAnotherPage() {
    m_panel->m_pPage1->m_nNumBit = 0; // a settings file without "numBit"
    m_panel->m_nActivePage = 1;
    m_panel->show();
    QCOMPARE(Find<QLineEdit>(QStringLiteral("editNumBit"))->text(), QStringLiteral("0"));
    QVERIFY(!PressOk());
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(m_rec->Messages().size(), 1);
}

void TestControlPanel::focusingTheCountEditChoosesTheOptionalCount() {
    m_panel->show();
    m_panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_panel.get()));
    // Opening the sheet alone does not move the focus into the count edit.
    QVERIFY(Find<QAbstractButton>(QStringLiteral("radioBitSet0"))->isChecked());
    Drive({"click radioBitSet1", "choose comboDitherMode 3"});
    QTest::mouseClick(Find<QLineEdit>(QStringLiteral("editNumBit")), Qt::LeftButton);
    QVERIFY(Find<QAbstractButton>(QStringLiteral("radioBitSet3"))->isChecked());
    QCOMPARE(m_panel->m_pPage1->m_nBitSet, 3);
    // The other controls keep the user's changes.
    QCOMPARE(Find<QComboBox>(QStringLiteral("comboDitherMode"))->currentIndex(), 3);
}

void TestControlPanel::reopensOnThePageShownLast() {
    m_panel->show();
    QCOMPARE(Tabs()->currentIndex(), 0);
    Drive({"tab 1"});
    m_panel->reject();
    m_panel->show();
    QCOMPARE(Tabs()->currentIndex(), 1);
    Drive({"tab 2"});
    QVERIFY(PressOk());
    m_panel->show();
    QCOMPARE(Tabs()->currentIndex(), 2);
}

void TestControlPanel::cancelDropsOnlyTheCurrentPagesEdits() {
    m_panel->show();
    Drive({"click checkAdd16", "tab 1", "slide sliderMagYB 3"}); // Main left, Engine current
    m_panel->reject();
    QCOMPARE(m_panel->m_pPage1->m_bAdd16, 1);
    QCOMPARE(m_panel->m_pPage2->m_nMagYB, 10);
    m_panel->show(); // controls come back from the members
    QCOMPARE(Find<QSlider>(QStringLiteral("sliderMagYB"))->value(), 10);
}

void TestControlPanel::resetTouchesOnlyTheEnginePage() {
    CMyPropertyPage2& engine = *m_panel->m_pPage2;
    engine.m_nInBit = 0;
    engine.m_nOutBit = 2;
    engine.m_nMagCR = engine.m_nMagGM = 1;
    engine.m_nMagWB = engine.m_nMagYB = 19;
    m_panel->m_pPage1->m_nDitherLevel = 2;
    m_panel->m_pPage3->m_bTransMode = 1;
    m_panel->m_nActivePage = 1;
    m_panel->show();
    Drive({"click buttonReset"});
    QVERIFY(PressOk());
    const PanelValues v = m_panel->GetPanelValues();
    QCOMPARE((QList<int>{v.m_nInBit, v.m_nOutBit, v.m_nMagCR, v.m_nMagGM, v.m_nMagWB, v.m_nMagYB,
                         v.m_nDitherLevel, v.m_bTransMode}),
             (QList<int>{3, 8, 10, 10, 10, 10, 2, 1}));
}

void TestControlPanel::whiteBlackSliderIsFixedButKeepsItsValue() {
    auto* wb = Find<QSlider>(QStringLiteral("sliderMagWB"));
    QVERIFY(!wb->isEnabled());
    QCOMPARE(wb->focusPolicy(), Qt::NoFocus);
    // A stored value outside the slider's range survives a visit and OK unchanged.
    m_panel->m_pPage2->m_nMagWB = 33;
    m_panel->m_nActivePage = 1;
    m_panel->show();
    QVERIFY(PressOk());
    QCOMPARE(m_panel->m_pPage2->m_nMagWB, 33);
}

void TestControlPanel::storedListIndexOutOfRangeShowsNoSelectionAndIsKept() {
    m_panel->m_pPage2->m_nOutBit = 12;
    m_panel->m_pPage3->m_nTransPosition = 9;
    m_panel->m_nActivePage = 1;
    m_panel->show();
    QCOMPARE(Find<QComboBox>(QStringLiteral("comboOutBit"))->currentIndex(), -1);
    Drive({"tab 2"});
    for (int i = 0; i < 4; ++i)
        QVERIFY(!Find<QAbstractButton>(QStringLiteral("radioTransPosition%1").arg(i))->isChecked());
    QVERIFY(PressOk());
    QCOMPARE(m_panel->m_pPage2->m_nOutBit, 12);
    QCOMPARE(m_panel->m_pPage3->m_nTransPosition, 9);
}

void TestControlPanel::sheetLooksAsTheUserExpects() {
    QWidget mainWindow;
    mainWindow.setGeometry(120, 90, 600, 400);
    mainWindow.show();
    m_panel->SetMainWindow(&mainWindow);
    m_panel->show();
    QCOMPARE(m_panel->windowTitle(), QStringLiteral("Quantizer color settings"));
    QCOMPARE(m_panel->pos(), mainWindow.frameGeometry().topLeft() + QPoint(8, 8));
    QCOMPARE(m_panel->findChild<QDialogButtonBox*>()->buttons().size(), 2); // OK, Cancel: no Apply
    for (const char* name : {"checkPngMode", "comboGifMode", "editBatchPath", "buttonReference",
                             "radioBatchFileType0"})
        QVERIFY2(!Find<QWidget>(QString::fromLatin1(name))->isEnabled(), name);
}

QTEST_MAIN(TestControlPanel)
#include "control_panel_test.moc"
