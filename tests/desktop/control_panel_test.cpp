// The control panel driven through its controls, the way a user sets it up before a run.
#include "desktop/control_panel.h"
#include "desktop/panel_page_engine.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "desktop/user_notice.h"
#include "quant/quant.h"
#include "quant/quant_settings.h"
#include "settings/panel_values.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

template <class T> T* Find(QWidget* root, const char* name) {
    T* child = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// The panel with its messages captured, driven by object names.
struct PanelDriver {
    PanelDriver() {
        SetNoticeSink([this](const Notice& n) { messages << n.text; });
    }
    ~PanelDriver() { SetNoticeSink({}); }
    QTabWidget* Tabs() { return Find<QTabWidget>(&panel, "panelTabs"); }
    void Click(const char* name) { Find<QAbstractButton>(&panel, name)->click(); }
    void Slide(const char* name, int value) { Find<QSlider>(&panel, name)->setValue(value); }
    void Choose(const char* name, int index) {
        Find<QComboBox>(&panel, name)->setCurrentIndex(index);
    }
    void TypeCount(const QString& text) { Find<QLineEdit>(&panel, "editNumBit")->setText(text); }
    // The user's OK: true when the sheet closed.
    bool PressOk() {
        panel.accept();
        return !panel.isVisible();
    }

    CControllPanel panel;
    QStringList messages;
};

class ControlPanel : public ::testing::Test, public PanelDriver {};

// colorCount, add16, transPosition, ditherMode, ditherLevel, inputMask, outPrecision, the
// three weights and the refinement passes, in that order.
using Fields = std::array<int, 11>;

struct RunCase {
    const char* name;
    std::function<void(PanelDriver&)> setUp;
    Fields expected;
};

Fields Expect(int colorCount, int add16, int trans, int mode = 0, int level = 7, int mask = 0,
              int out = 8, int yb = 85, int cr = 105, int gm = 125, int refine = 0) {
    return {colorCount, add16, trans, mode, level, mask, out, yb, cr, gm, refine};
}

Fields FieldsOf(const QuantSettings& s) {
    return {s.colorCount,   s.add16,    s.transPosition, s.ditherMode, s.ditherLevel, s.inputMask,
            s.outPrecision, s.weightYB, s.weightCR,      s.weightGM,   s.refinePasses};
}

} // namespace

void CheckRun(const RunCase& c) {
    PanelDriver p;
    p.panel.show();
    c.setUp(p);
    ASSERT_TRUE(p.PressOk()) << c.name;
    EXPECT_TRUE(p.messages.isEmpty()) << c.name;
    EXPECT_EQ(FieldsOf(SettingsForRun(p.panel.GetPanelValues())), c.expected) << c.name;
}

// Each row goes through the pages the user visits, then OK, then the run's filling rules.
TEST(ControlPanelRun, ValuesReachTheRunByTheFillingRules) {
    const RunCase cases[] = {
        {"defaults", [](PanelDriver&) {}, Expect(256, 0, -1)},
        {"1 bit with fixed colours and transparency gives 17",
         [](PanelDriver& p) {
             p.Click("radioBitSet2");
             p.Click("checkAdd16");
             p.Tabs()->setCurrentIndex(2);
             p.Click("checkTransMode");
         },
         Expect(17, 1, 3)},
        {"optional 2 with fixed colours and transparency gives 17",
         [](PanelDriver& p) {
             p.Click("radioBitSet3");
             p.TypeCount("2");
             p.Click("checkAdd16");
             p.Tabs()->setCurrentIndex(2);
             p.Click("checkTransMode");
             p.Click("radioTransPosition0");
         },
         Expect(17, 1, 0)},
        {"2 colours with fixed colours gives 16",
         [](PanelDriver& p) {
             p.Click("radioBitSet2");
             p.Click("checkAdd16");
         },
         Expect(16, 1, -1)},
        {"16 colours, transparent lower left",
         [](PanelDriver& p) {
             p.Click("radioBitSet1");
             p.Tabs()->setCurrentIndex(2);
             p.Click("checkTransMode");
             p.Click("radioTransPosition1");
         },
         Expect(16, 0, 1)},
        {"transparency off keeps the corner but gives none",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(2);
             p.Click("radioTransPosition2");
         },
         Expect(256, 0, -1)},
        {"white-black weight changes nothing",
         [](PanelDriver& p) { p.panel.m_pPage2->m_nMagWB = 0; }, Expect(256, 0, -1)},
        {"axis sliders at 0, 5 bit in, Web out",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(1);
             p.Slide("sliderMagYB", 0);
             p.Slide("sliderMagCR", 0);
             p.Slide("sliderMagGM", 0);
             p.Choose("comboInBit", 0);
             p.Choose("comboOutBit", 0);
         },
         Expect(256, 0, -1, 0, 7, 7, 0, 35, 55, 75)},
        {"axis sliders at 20, 6 bit in, 565 out",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(1);
             p.Slide("sliderMagYB", 20);
             p.Slide("sliderMagCR", 20);
             p.Slide("sliderMagGM", 20);
             p.Choose("comboInBit", 1);
             p.Choose("comboOutBit", 5);
         },
         Expect(256, 0, -1, 0, 7, 3, 5, 135, 155, 175)},
        {"refine palette offers 4 passes",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(1);
             p.Click("checkRefine");
         },
         Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 125, 4)},
        {"refine palette in 16 passes",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(1);
             p.Click("checkRefine");
             Find<QSpinBox>(&p.panel, "spinRefinePasses")->setValue(16);
         },
         Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 125, 16)},
        {"a count without the check box refines nothing",
         [](PanelDriver& p) {
             p.Tabs()->setCurrentIndex(1);
             Find<QSpinBox>(&p.panel, "spinRefinePasses")->setValue(9);
         },
         Expect(256, 0, -1)},
    };
    for (const RunCase& c : cases)
        CheckRun(c);
}

// Whatever a settings file holds for a key of the panel (below or above the range, no number,
// beyond int, nothing), a run still happens: counts and sliders take the nearest end of their
// range, list choices and corners the panel's built-in choice, check boxes count as on for any
// number but 0, and text that is no number reads as the built-in value.
TEST(ControlPanelRun, EveryStoredValueGivesARun) {
    const char* const values[] = {"-1", "999", "x7", "99999999999", ""};
    const Fields d = Expect(256, 0, -1), fixed = Expect(256, 1, -1), corner = Expect(256, 0, 3);
    const Fields level0 = Expect(256, 0, -1, 0, 0), level10 = Expect(256, 0, -1, 0, 10);
    const Fields refine16 = Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 125, 16);
    const struct {
        const char* key;
        const char* context; // another key the row needs
        std::array<Fields, 5> expected;
    } rows[] = {
        {"BitSet", "numBit=64", {d, d, d, d, d}},
        {"numBit",
         "BitSet=3",
         {Expect(2, 0, -1), Expect(256, 0, -1), Expect(64, 0, -1), Expect(256, 0, -1),
          Expect(64, 0, -1)}},
        {"Add16", "", {fixed, fixed, d, fixed, d}},
        {"DitherMode", "", {d, d, d, d, d}},
        {"DitherLevel", "", {level0, level10, d, level10, d}},
        {"magCR",
         "",
         {Expect(256, 0, -1, 0, 7, 0, 8, 85, 55), Expect(256, 0, -1, 0, 7, 0, 8, 85, 155), d,
          Expect(256, 0, -1, 0, 7, 0, 8, 85, 155), d}},
        {"magGM",
         "",
         {Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 75), Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 175),
          d, Expect(256, 0, -1, 0, 7, 0, 8, 85, 105, 175), d}},
        {"magWB", "", {d, d, d, d, d}},
        {"magYB",
         "",
         {Expect(256, 0, -1, 0, 7, 0, 8, 35), Expect(256, 0, -1, 0, 7, 0, 8, 135), d,
          Expect(256, 0, -1, 0, 7, 0, 8, 135), d}},
        {"InBit", "", {d, d, d, d, d}},
        {"OutBit", "", {d, d, d, d, d}},
        {"TransMode", "", {corner, corner, d, corner, d}},
        {"TransPosition", "TransMode=1", {corner, corner, corner, corner, corner}},
        {"BatchFileType", "", {d, d, d, d, d}},
        {"BatchPath", "", {d, d, d, d, d}},
        {"GifMode", "", {d, d, d, d, d}},
        {"PngMode", "", {d, d, d, d, d}},
        {"RefinePasses", "", {d, refine16, d, refine16, d}},
    };
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
    const DibHandle picture =
        MakeDib24(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0, 0xFFFFFF, 0x808080});
    ASSERT_EQ(std::size(rows), std::size(settings::kPanelKeys));
    for (const auto& row : rows) {
        for (std::size_t k = 0; k < std::size(values); ++k) {
            // The row's key first: of two equal keys the first counts, so the built-in values
            // after it fill in only what the row leaves out.
            QByteArray text = QByteArray("[ControllPanel]\n") + row.key + '=' + values[k] + '\n' +
                              row.context + '\n';
            for (const SettingKey* key : settings::kPanelKeys)
                text += QByteArray(key->key) + '=' + QByteArray::number(key->builtIn) + '\n';
            QFile file(SettingsFilePath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();

            const SettingsFileText stored = ReadSettingsFile();
            ASSERT_EQ(stored.state, SettingsFileText::State::Read);
            CControllPanel panel;
            panel.LoadSettings(IniText(stored.text));
            const PanelValues run = panel.GetPanelValues();
            const std::string name = std::string(row.key) + "=" + values[k];
            EXPECT_EQ(FieldsOf(SettingsForRun(run)), row.expected[k]) << name;
            CPixelArray graph;
            graph.SetSource(&picture);
            QuantSignal signal;
            EXPECT_EQ(CQuant(SettingsForRun(run)).Quantize(graph, signal, {}), QuantResult::Done)
                << name;
        }
    }
}

TEST_F(ControlPanel, WhiteBlackSliderIsFixedButKeepsItsValue) {
    auto* wb = Find<QSlider>(&panel, "sliderMagWB");
    EXPECT_FALSE(wb->isEnabled());
    EXPECT_EQ(wb->focusPolicy(), Qt::NoFocus);
    // A stored value outside the slider's range survives a visit and OK unchanged.
    panel.m_pPage2->m_nMagWB = 33;
    panel.m_nActivePage = 1;
    panel.show();
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(panel.m_pPage2->m_nMagWB, 33);
}

struct CountCase {
    const char* text;
    const char* button;
    bool accepted;
};

// The optional count is checked at OK whichever count button is chosen.
TEST_F(ControlPanel, CountEditRangeCheckKeepsTheSheetOpen) {
    const CountCase cases[] = {
        {"2", "radioBitSet3", true},    {"256", "radioBitSet3", true},
        {"1", "radioBitSet3", false},   {"257", "radioBitSet3", false},
        {"", "radioBitSet3", false},    {"0", "radioBitSet0", false},
        {"300", "radioBitSet1", false}, {"99999999999", "radioBitSet3", false},
        {"064", "radioBitSet3", true},
    };
    for (const CountCase& c : cases) {
        messages.clear();
        panel.show();
        Click(c.button);
        TypeCount(QString::fromLatin1(c.text));
        EXPECT_EQ(PressOk(), c.accepted) << c.text;
        EXPECT_EQ(messages.size(), c.accepted ? 0 : 1) << c.text;
        if (!c.accepted) {
            EXPECT_TRUE(messages.value(0).contains(QLatin1String("between 2 and 256")));
            EXPECT_EQ(Tabs()->currentIndex(), 0);
            panel.reject();
        }
    }
    EXPECT_EQ(panel.m_pPage1->m_nNumBit, 64); // only the accepted rows stored, and "064" is 64
}

TEST_F(ControlPanel, RefusedCountKeepsTheMainPageInFront) {
    panel.show();
    TypeCount(QStringLiteral("1"));
    Tabs()->setCurrentIndex(1);
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(messages.size(), 1);
    TypeCount(QStringLiteral("17"));
    Tabs()->setCurrentIndex(1);
    EXPECT_EQ(Tabs()->currentIndex(), 1);
    EXPECT_EQ(panel.m_pPage1->m_nNumBit, 17);
}

TEST_F(ControlPanel, CountStoredOutOfRangeIsRefusedEvenFromAnotherPage) {
    panel.m_pPage1->m_nNumBit = 0; // a settings file without "numBit"
    panel.m_nActivePage = 1;
    panel.show();
    EXPECT_EQ(Find<QLineEdit>(&panel, "editNumBit")->text(), QStringLiteral("0"));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ControlPanel, ReopensOnThePageShownLast) {
    panel.show();
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    Tabs()->setCurrentIndex(1);
    panel.reject();
    panel.show();
    EXPECT_EQ(Tabs()->currentIndex(), 1);
    Tabs()->setCurrentIndex(2);
    ASSERT_TRUE(PressOk());
    panel.show();
    EXPECT_EQ(Tabs()->currentIndex(), 2);
    EXPECT_EQ(panel.m_nActivePage, 2);
}

TEST_F(ControlPanel, CancelDropsOnlyTheCurrentPagesEdits) {
    panel.show();
    Click("checkAdd16"); // Main, left afterwards: kept
    Tabs()->setCurrentIndex(1);
    Slide("sliderMagYB", 3); // Engine, current at Cancel: dropped
    panel.reject();
    EXPECT_EQ(panel.m_pPage1->m_bAdd16, 1);
    EXPECT_EQ(panel.m_pPage2->m_nMagYB, 10);
    panel.show(); // controls come back from the members
    EXPECT_EQ(Find<QSlider>(&panel, "sliderMagYB")->value(), 10);
}

TEST_F(ControlPanel, FocusingTheCountEditChoosesTheOptionalCount) {
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    // Opening the sheet alone does not move the focus into the count edit.
    EXPECT_TRUE(Find<QAbstractButton>(&panel, "radioBitSet0")->isChecked());
    Click("radioBitSet1");
    Choose("comboDitherMode", 3);
    QTest::mouseClick(Find<QLineEdit>(&panel, "editNumBit"), Qt::LeftButton);
    EXPECT_TRUE(Find<QAbstractButton>(&panel, "radioBitSet3")->isChecked());
    EXPECT_EQ(panel.m_pPage1->m_nBitSet, 3);
    // The other controls keep the user's changes.
    EXPECT_EQ(Find<QComboBox>(&panel, "comboDitherMode")->currentIndex(), 3);
}

TEST_F(ControlPanel, ResetTouchesOnlyTheEnginePage) {
    panel.m_pPage2->m_nInBit = 0;
    panel.m_pPage2->m_nOutBit = 2;
    panel.m_pPage2->m_nMagCR = panel.m_pPage2->m_nMagGM = 1;
    panel.m_pPage2->m_nMagWB = panel.m_pPage2->m_nMagYB = 19;
    panel.m_pPage1->m_nDitherLevel = 2;
    panel.m_pPage3->m_bTransMode = 1;
    panel.m_nActivePage = 1;
    panel.show();
    Click("buttonReset");
    ASSERT_TRUE(PressOk());
    const PanelValues v = panel.GetPanelValues();
    EXPECT_EQ(v.m_nInBit, 3);
    EXPECT_EQ(v.m_nOutBit, 8);
    EXPECT_EQ(v.m_nMagCR, 10);
    EXPECT_EQ(v.m_nMagGM, 10);
    EXPECT_EQ(v.m_nMagWB, 10);
    EXPECT_EQ(v.m_nMagYB, 10);
    EXPECT_EQ(v.m_nDitherLevel, 2);
    EXPECT_EQ(v.m_bTransMode, 1);
}

TEST_F(ControlPanel, SettingsTableHoldsTheEighteenMembersInOrder) {
    const char* const order[] = {
        "Add16",         "DitherMode", "numBit",  "BitSet",    "DitherLevel",   "InBit",
        "OutBit",        "magCR",      "magGM",   "magWB",     "magYB",         "TransMode",
        "TransPosition", "PngMode",    "GifMode", "BatchPath", "BatchFileType", "RefinePasses"};
    ASSERT_EQ(panel.m_pSettings.size(), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i)
        EXPECT_STREQ(panel.m_pSettings[i].setting->key, order[i]);
}

TEST_F(ControlPanel, StoredListIndexOutOfRangeShowsNoSelectionAndIsKept) {
    panel.m_pPage2->m_nOutBit = 12;
    panel.m_pPage3->m_nTransPosition = 9;
    panel.m_nActivePage = 1;
    panel.show();
    EXPECT_EQ(Find<QComboBox>(&panel, "comboOutBit")->currentIndex(), -1);
    Tabs()->setCurrentIndex(2);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(
            Find<QAbstractButton>(&panel, ("radioTransPosition" + std::to_string(i)).c_str())
                ->isChecked());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(panel.m_pPage2->m_nOutBit, 12);
    EXPECT_EQ(panel.m_pPage3->m_nTransPosition, 9);
}

TEST_F(ControlPanel, SheetLooksAsTheUserExpects) {
    QWidget mainWindow;
    mainWindow.setGeometry(120, 90, 600, 400);
    mainWindow.show();
    panel.SetMainWindow(&mainWindow);
    panel.show();
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Quantizer color settings"));
    EXPECT_EQ(panel.pos(), mainWindow.frameGeometry().topLeft() + QPoint(8, 8));
    auto* box = panel.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->buttons().size(), 2); // OK and Cancel, no Apply
    for (const char* name : {"checkPngMode", "comboGifMode", "editBatchPath", "buttonReference",
                             "radioBatchFileType0"})
        EXPECT_FALSE(Find<QWidget>(&panel, name)->isEnabled()) << name;
}
