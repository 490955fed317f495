// The yardstick for the program's start-up: a bare Qt 6 main window with a
// menu bar, a status bar and an empty central widget, nothing else. It is
// measured from outside (bench/startup/compare.sh) exactly as the program is.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bench_bare_window"));
    window.menuBar()->addMenu(QStringLiteral("&Soubor"));
    window.statusBar();
    window.setCentralWidget(new QWidget(&window));
    window.show();
    return app.exec();
}
