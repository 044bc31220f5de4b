#include "desktop/susie_dialog.h"

#include "desktop/browse_for_folder.h"
#include "pluginhost/plugin_registry.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <vector>

namespace {

// Plug-in names in alphabetical order regardless of case, as a user reads a list of files.
class NameItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

QListWidget* MakeList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    return list;
}

void Fill(QListWidget* list, const QStringList& names) {
    list->clear();
    for (const QString& name : names)
        list->addItem(new NameItem(name));
}

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

PluginRegistryAccess RegistryOf(PluginHost& host) {
    return {[&host] { return host.Folder(); },
            [&host](const QString& folder) { host.SetFolder(folder); },
            [](const QString& folder) { return GetActivePlugins(folder); },
            [](const QString& folder) { return GetInactivePlugins(folder); },
            [](const QStringList& names) { WriteInactivePlugins(names); },
            [&host] { host.Load(); }};
}

CSusieDialog::CSusieDialog(PluginRegistryAccess registry, QWidget* parent)
    : QDialog(parent), m_registry(std::move(registry)) {
    setObjectName(QStringLiteral("susieDialog"));
    setWindowTitle(tr("Plug-in settings"));

    auto* location = new QGroupBox(tr("Plug-in location"), this);
    auto* folderLabel = new QLabel(tr("Folder location (&F) "), location);
    m_editFolder = new QLineEdit(location);
    m_editFolder->setObjectName(QStringLiteral("editFolder"));
    folderLabel->setBuddy(m_editFolder);
    auto* reread = MakeButton(tr("Same period (&S)"), "buttonRereadFolder", location);
    auto* browse = MakeButton(tr("Browse (&B)"), "buttonBrowse", location);
    connect(reread, &QPushButton::clicked, this, &CSusieDialog::OnRereadFolder);
    connect(browse, &QPushButton::clicked, this, &CSusieDialog::OnBrowse);
    auto* locationLayout = new QGridLayout(location);
    locationLayout->addWidget(folderLabel, 0, 0, 1, 3);
    locationLayout->addWidget(m_editFolder, 1, 0, 1, 3);
    locationLayout->setColumnStretch(0, 1);
    locationLayout->addWidget(reread, 2, 1);
    locationLayout->addWidget(browse, 2, 2);

    auto* each = new QGroupBox(tr("Settings of each plug-in"), this);
    m_lstActive = MakeList("listActive", each);
    m_lstInactive = MakeList("listInactive", each);
    auto* activeLabel = new QLabel(tr("Active plug-ins (&V)"), each);
    activeLabel->setBuddy(m_lstActive);
    auto* inactiveLabel = new QLabel(tr("Inactive plug-ins (&I)"), each);
    inactiveLabel->setBuddy(m_lstInactive);
    auto* remove = MakeButton(tr("Remove (&R) >>"), "buttonRemove", each);
    auto* add = MakeButton(tr("<< Add (&A) "), "buttonAdd", each);
    connect(remove, &QPushButton::clicked, this, &CSusieDialog::OnRemove);
    connect(add, &QPushButton::clicked, this, &CSusieDialog::OnAdd);
    auto* eachLayout = new QGridLayout(each);
    eachLayout->addWidget(activeLabel, 0, 0);
    eachLayout->addWidget(inactiveLabel, 0, 1);
    eachLayout->addWidget(m_lstActive, 1, 0);
    eachLayout->addWidget(m_lstInactive, 1, 1);
    eachLayout->addWidget(remove, 2, 0);
    eachLayout->addWidget(add, 2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSusieDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(location);
    layout->addWidget(each, 1);
    layout->addWidget(buttons);

    m_strFolder = m_registry.folder ? m_registry.folder() : QString();
    RefreshLists();
}

void CSusieDialog::RefreshLists() {
    Fill(m_lstActive, m_registry.active ? m_registry.active(m_strFolder) : QStringList());
    Fill(m_lstInactive, m_registry.inactive ? m_registry.inactive(m_strFolder) : QStringList());
    m_editFolder->setText(m_strFolder);
}

void CSusieDialog::OnRereadFolder() {
    m_strFolder = m_editFolder->text();
    RefreshLists();
}

void CSusieDialog::OnBrowse() {
    m_strFolder = m_editFolder->text();
    QString chosen;
    if (BrowseForFolder(this, chosen, m_strFolder)) {
        m_strFolder = chosen;
        RefreshLists();
    }
}

void CSusieDialog::MoveSelected(QListWidget* from, QListWidget* to) {
    // The first 100 selected rows, moved from the bottom up so that earlier rows keep their place.
    std::vector<int> rows;
    for (int row = 0; row < from->count() && static_cast<int>(rows.size()) < kMaxMove; ++row)
        if (from->item(row)->isSelected())
            rows.push_back(row);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        std::unique_ptr<QListWidgetItem> item(from->takeItem(*it));
        to->addItem(new NameItem(item->text()));
    }
}

void CSusieDialog::OnAdd() {
    MoveSelected(m_lstInactive, m_lstActive);
}

void CSusieDialog::OnRemove() {
    MoveSelected(m_lstActive, m_lstInactive);
}

void CSusieDialog::accept() {
    m_strFolder = m_editFolder->text();
    if (m_registry.setFolder)
        m_registry.setFolder(m_strFolder);
    QStringList inactive;
    for (int row = 0; row < m_lstInactive->count(); ++row)
        inactive << m_lstInactive->item(row)->text();
    if (m_registry.writeInactive)
        m_registry.writeInactive(inactive);
    if (m_registry.reload)
        m_registry.reload();
    QDialog::accept();
}
