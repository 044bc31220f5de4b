#include "desktop/user_notice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace {
std::function<void(const Notice&)>& Sink() {
    static std::function<void(const Notice&)> sink;
    return sink;
}
std::function<int(QDialog&)>& Runner() {
    static std::function<int(QDialog&)> runner;
    return runner;
}
} // namespace

void ShowNotice(QWidget* owner, const QString& text, NoticeIcon icon) {
    if (Sink()) {
        Sink()({Notice::Kind::Message, text, icon});
        return;
    }
    QMessageBox box(icon == NoticeIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    QStringLiteral("xKorvo"), text, QMessageBox::Ok, owner);
    box.exec();
}

void ShowPassingNotice(QWidget* owner, const QString& text, NoticeIcon icon) {
    if (Sink()) {
        Sink()({Notice::Kind::Message, text, icon});
        return;
    }
    auto* box = new QMessageBox(icon == NoticeIcon::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information,
                                QStringLiteral("xKorvo"), text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // Shown once the event loop runs, so that it comes up over the main window.
    QMetaObject::invokeMethod(box, &QWidget::show, Qt::QueuedConnection);
}

NoticeAnswer AskNotice(QWidget* owner, const QString& text, const QString& name) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("xKorvo"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    box.setObjectName(name);
    const int result = RunModalDialog(box);
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == box.button(QMessageBox::Yes) || (!clicked && result == QDialog::Accepted))
        return NoticeAnswer::Yes;
    return clicked == box.button(QMessageBox::No) ? NoticeAnswer::No : NoticeAnswer::Cancel;
}

void NoticeBeep(NoticeIcon icon) {
    if (Sink()) {
        Sink()({Notice::Kind::Beep, QString(), icon});
        return;
    }
    QApplication::beep();
}

int RunModalDialog(QDialog& dialog) {
    if (Runner())
        return Runner()(dialog);
    return dialog.exec();
}

void SetNoticeSink(std::function<void(const Notice&)> sink) {
    Sink() = std::move(sink);
}
void SetModalDialogRunner(std::function<int(QDialog&)> runner) {
    Runner() = std::move(runner);
}
