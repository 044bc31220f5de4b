// The control panel: four pages (Main, Engine, Transmission, Batch) whose member variables are the
// program's live quantizer settings. Reduce colors shows it modally and runs only after OK; the
// settings file reads and writes the members through m_pSettings; a run takes GetPanelValues().
// Beside the pages, a preview shows the picture to be reduced with the settings as the controls
// show them, updated in the background as they change.
#pragma once

#include "export/picture_save.h"
#include "settings/panel_values.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <optional>
#include <variant>

class CKorvoDoc;
class CPreviewPane;
class IniText;
class QTabWidget;
class CPanelPage;
struct SettingKey;
class CMyPropertyPage1;
class CMyPropertyPage2;
class CMyPropertyPage3;
class CMyPropertyPage4;

// One entry of m_pSettings: the settings-file key and the page member it stands for.
struct PanelSetting {
    const SettingKey* setting;
    std::variant<int*, QString*> member;
};

class CControllPanel : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is where the sheet is placed when shown; it is not the dialog's parent.
    explicit CControllPanel(QWidget* mainWindow = nullptr);

    CMyPropertyPage1* m_pPage1;
    CMyPropertyPage2* m_pPage2;
    CMyPropertyPage3* m_pPage3;
    CMyPropertyPage4* m_pPage4;

    // The 19 members in their fixed order: Add16, DitherMode, numBit, BitSet, DitherLevel,
    // InBit, OutBit, magCR, magGM, magWB, magYB, TransMode, TransPosition, PngMode, GifMode,
    // BatchPath (a string), BatchFileType, RefinePasses, PaletteFile (a string).
    std::array<PanelSetting, 19> m_pSettings;
    // The page shown last; the sheet reopens there for the rest of the program run.
    int m_nActivePage = 0;

    // The members that reach the engine, for SettingsForRun, each brought into its
    // range as the settings table says; the members themselves keep what was stored.
    [[nodiscard]] PanelValues GetPanelValues() const;
    // How pictures are written, from the Batch page: the format of a batch ("BMP / PNG / GIF"),
    // PNG interlacing and the GIF variant, each brought into its range like the values above.
    [[nodiscard]] PictureOptions GetPictureOptions() const;
    // The "ControllPanel" keys: taken as stored (a missing key gives 0), and written back.
    void LoadSettings(const IniText& settings);
    void SaveSettings(IniText& settings) const;
    // The entry of m_pSettings for a settings-file key, or nullptr.
    [[nodiscard]] const PanelSetting* FindSetting(const QString& key) const;

    void SetMainWindow(QWidget* mainWindow) { m_pMainWindow = mainWindow; }

    // The picture the preview shows (copied now); nullptr hides the preview. The panel lets it
    // go when it closes.
    void SetPreviewPicture(const CKorvoDoc* doc);
    CPreviewPane* Preview() const { return m_pPreview; }
    // The values a run would take if the user pressed OK now, the members left as they are;
    // nothing while the count edit holds a number the panel refuses.
    [[nodiscard]] std::optional<PanelValues> ShownValues();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CPanelPage* Page(int index) const;
    void OnPageChanged(int index);
    void SwitchTo(int index);
    void Refuse(const QString& text);
    void OnControlChanged();

    QTabWidget* m_pTabs;
    CPreviewPane* m_pPreview;
    QPointer<QWidget> m_pMainWindow;
    int m_nShownPage = 0;
    bool m_bSwitching = false;
};
