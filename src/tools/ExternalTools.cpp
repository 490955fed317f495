#include "tools/ExternalTools.h"

#include "platform/Shell.h"

#include <QApplication>
#include <QMessageBox>

void SplitCommandText(const QString& text, QString& program, QString& parameters)
{
    program = text;
    parameters.clear();
    if (!text.startsWith(QLatin1Char('"')))
        return;
    QString rest = text.mid(1);
    int quote = rest.indexOf(QLatin1Char('"'));
    if (quote < 0) {
        // An opening quote without a partner names no program.
        program.clear();
        return;
    }
    program = rest.left(quote);
    parameters = rest.mid(quote + 2);
}

bool ExecuteFile(const QString& text, bool silent)
{
    QString program, parameters;
    SplitCommandText(text, program, parameters);
    QString error;
    if (qx::ShellOpen(program, parameters, &error))
        return true;
    if (!silent) {
        QString shown = text.startsWith(QLatin1Char('"')) ? text.mid(1) : text;
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Quorvix 2"),
            QStringLiteral("Program nebo dokument %1 není možné otevřít.").arg(shown) + QStringLiteral("\n\n") + error.left(255));
    }
    return false;
}
