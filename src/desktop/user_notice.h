// Every message box, beep and modal dialog of the desktop program goes through these functions,
// so that tests can replace what would be shown by a recorder and never block on a modal loop.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

enum class NoticeIcon { Information, Warning };

struct Notice {
    enum class Kind { Message, Beep };
    Kind kind = Kind::Message;
    QString text; // empty for a beep
    NoticeIcon icon = NoticeIcon::Information;
};

// Shows `text` in a modal message box captioned with the program's title.
void ShowNotice(QWidget* owner, const QString& text, NoticeIcon icon = NoticeIcon::Information);
// The same message in a box that does not wait: the program goes on while it is shown.
void ShowPassingNotice(QWidget* owner, const QString& text,
                       NoticeIcon icon = NoticeIcon::Information);
enum class NoticeAnswer { Yes, No, Cancel };
// Asks `text` in a modal box with Yes, No and Cancel, run through RunModalDialog under the object
// name `name`; closing it answers Cancel, and a box accepted without a button clicked Yes.
NoticeAnswer AskNotice(QWidget* owner, const QString& text, const QString& name);
// The information or warning beep.
void NoticeBeep(NoticeIcon icon);
// Runs a dialog modally and gives its result (QDialog::Accepted or Rejected).
int RunModalDialog(QDialog& dialog);

// Replacements for tests; an empty function restores the real behaviour.
void SetNoticeSink(std::function<void(const Notice&)> sink);
void SetModalDialogRunner(std::function<int(QDialog&)> runner);
