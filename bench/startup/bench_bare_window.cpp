// The yardstick for the program's start-up: a bare Qt 6 main window with a
// menu bar, a status bar and an empty central widget, nothing else. It is
// measured from outside (bench/startup/compare.sh) exactly as the program is.
//
// It opens where the program's frame opens on a first start: on four fifths
// of the screen, centred, maximized where a window manager does that. A
// window's picture (the backing store) grows with its area, so windows of
// different sizes would differ in memory and painting for that alone.
// "--default-size" leaves the size to Qt (the size hint of the empty window).
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    const bool defaultSize = argc > 1 && std::strcmp(argv[1], "--default-size") == 0;
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bench_bare_window"));
    window.menuBar()->addMenu(QStringLiteral("&Soubor"));
    window.statusBar();
    window.setCentralWidget(new QWidget(&window));
    if (!defaultSize) {
        if (QScreen* screen = QApplication::primaryScreen()) {
            const QRect free = screen->availableGeometry();
            window.resize(free.width() * 4 / 5, free.height() * 4 / 5);
            window.move(free.center() - window.rect().center());
        }
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
    window.show();
    return app.exec();
}
