// The baseline of the tray benchmarks: the least a Qt Widgets tray application does, a status item with
// an icon and a small menu, and nothing else.
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QMenu menu;
    for (const char* title : {"Show Issues…", "About", "Check for Updates…", "Settings…", "Quit"})
        menu.addAction(QString::fromUtf8(title));
    QSystemTrayIcon tray;
    tray.setIcon(QIcon(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString()));
    tray.setContextMenu(&menu);
    tray.show();
    return QApplication::exec();
}
