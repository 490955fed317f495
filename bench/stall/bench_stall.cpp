// The program's side of the stall benchmark (run.sh): a main window with the
// tool output panel, as the frame has it, that runs one case and reports how
// long it took, while stall.py pings the window from outside.
//
//   bench_stall tool PROGRAM [ARGS...]   runs a tool in the panel
//   bench_stall mail                     hands a message to xdg-email (the
//                                        caller puts a stand-in first on PATH)
//
// Prints "window 0xID" once the window is shown, starts the case 400 ms
// later, prints "done ms=N" when it has ended and keeps the event loop
// running until it is ended by a signal.
#include "mail/SendMail.h"
#include "tools/ToolOutputPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || (args[0] == QLatin1String("tool") && args.size() < 2)) {
        std::fprintf(stderr, "usage: bench_stall tool PROGRAM [ARGS...] | bench_stall mail\n");
        return 2;
    }
    QMainWindow window;
    auto* panel = new TToolOutputPanel(&window);
    window.addDockWidget(Qt::BottomDockWidgetArea, panel);
    window.setCentralWidget(new QPlainTextEdit(&window));
    window.resize(900, 600);
    window.show();
    std::printf("window 0x%llx\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);

    QElapsedTimer clock;
    auto done = [&] {
        std::printf("done ms=%lld\n", static_cast<long long>(clock.elapsed()));
        std::fflush(stdout);
    };
    TSendMailForm* mail = nullptr;
    QTimer::singleShot(400, [&] {
        clock.start();
        if (args[0] == QLatin1String("mail")) {
            mail = new TSendMailForm(&window);
            mail->EmailEdit->setText(QStringLiteral("a@example.org"));
            mail->SubjectEdit->setText(QStringLiteral("Zkouška"));
            mail->MessageMemo->setPlainText(QStringLiteral("první řádek\ndruhý řádek"));
            QObject::connect(mail, &QDialog::accepted, done);
            mail->show();
            mail->Button1->click();
            return;
        }
        QObject::connect(panel, &TToolOutputPanel::Finished, done);
        QString error;
        if (!panel->Run(QStringLiteral("bench"), args[1], args.mid(2), &error)) {
            std::fprintf(stderr, "cannot start %s: %s\n", qPrintable(args[1]), qPrintable(error));
            app.exit(1);
        }
    });
    return app.exec();
}
