// The plug-in settings dialog: the user picks the plug-in folder and moves plug-ins between the
// active and inactive lists. Everything is a working copy until OK, which stores the folder,
// writes the inactive list and reloads the plug-ins; Cancel changes nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QLineEdit;
class QListWidget;

// What the dialog needs of the plug-in registry.
struct PluginRegistryAccess {
    std::function<QString()> folder;                            // the plug-in folder in use
    std::function<void(const QString&)> setFolder;              // make a folder the one in use
    std::function<QStringList(const QString& folder)> active;   // plug-ins of a folder, on
    std::function<QStringList(const QString& folder)> inactive; // and switched off
    std::function<void(const QStringList&)> writeInactive;      // store the switched-off names
    std::function<void()> reload;                               // unload, then load the plug-ins
};

class PluginHost;

// The program's own registry: the folder and plug-ins of `host` and the "Plugins" section.
PluginRegistryAccess RegistryOf(PluginHost& host);

class CSusieDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSusieDialog(PluginRegistryAccess registry, QWidget* parent = nullptr);

    // At most this many items move per click.
    static constexpr int kMaxMove = 100;

    QString m_strFolder;

    void RefreshLists();
    // "Same period (&S)": the lists again, for the folder as typed.
    void OnRereadFolder();
    void OnBrowse();
    void OnAdd();
    void OnRemove();
    void accept() override;

private:
    static void MoveSelected(QListWidget* from, QListWidget* to);

    PluginRegistryAccess m_registry;
    QLineEdit* m_editFolder;
    QListWidget* m_lstActive;
    QListWidget* m_lstInactive;
};
