#include "desktop/new_type_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CNewTypeDialog::CNewTypeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("newTypeDialog"));
    setWindowTitle(tr("New"));
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("listNewType"));
    m_pList->addItems({tr("Picture"), tr("Batch")});
    m_pList->setCurrentRow(Image);
    auto* label = new QLabel(tr("&New"), this);
    label->setBuddy(m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
}

CNewTypeDialog::Choice CNewTypeDialog::GetChoice() const {
    return m_pList->currentRow() == Batch ? Batch : Image;
}
