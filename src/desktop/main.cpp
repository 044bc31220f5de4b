#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "platform/large_pages.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    UseLargePages(argv);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("xKorvo"));
    // The desktop entry's name: Wayland compositors find the program's icon and name by it.
    QApplication::setDesktopFileName(QStringLiteral("io.github.xkorvo.XKorvo"));
    QStringList files = QApplication::arguments();
    files.removeFirst();
    // --reduce (the desktop entry's "Reduce colours"): Reduce colors on the picture opened last,
    // after the Open dialog when no file is named.
    const bool reduce = files.removeAll(QStringLiteral("--reduce")) > 0;
    CKorvoApp app;
    if (!app.InitInstance(files))
        return 1;
    CMainFrame* frame = app.MainFrame();
    if (reduce) {
        QTimer::singleShot(0, frame, [frame, open = files.isEmpty()] {
            if (open)
                frame->Action(QStringLiteral("actionOpen"))->trigger();
            frame->Action(QStringLiteral("actionReduce"))->trigger();
        });
    } else if (files.isEmpty()) {
        // Without a file the user chooses what to start with: a picture or a batch window.
        frame->Action(QStringLiteral("actionNew"))->trigger();
    }
    return QApplication::exec();
}
