#include "desktop/about_dlg.h"

#include "desktop/app_icon.h"
#include "desktop/version_info.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("Version information of xKorvo"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    m_pLine1 = new QLabel(this);
    m_pLine1->setObjectName(QStringLiteral("versionLine"));
    m_pLine2 = new QLabel(this);
    m_pLine2->setObjectName(QStringLiteral("copyrightLine"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_pLine1, 0, 1);
    grid->addWidget(m_pLine2, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2, Qt::AlignCenter);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    CVersionInfo ver;
    ver.Load();
    m_pLine1->setText(ver.GetFileDescription() + QStringLiteral(" Version ") +
                      ver.GetVersionString());
    m_pLine2->setText(ver.GetLegalCopyright() + QStringLiteral(" ") + ver.GetCompanyName());
}

QString CAboutDlg::FirstLine() const {
    return m_pLine1->text();
}
QString CAboutDlg::SecondLine() const {
    return m_pLine2->text();
}
