#include "tools/ExternalTools.h"

#include "platform/Shell.h"
#include "tools/QXMessageBox.h"

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

QString ExecuteFileFailureText(const QString& text, const QString& systemError)
{
    // The command as split, without the quotes around the program.
    QString shown = text;
    if (text.startsWith(QLatin1Char('"'))) {
        QString program, parameters;
        SplitCommandText(text, program, parameters);
        shown = program.isEmpty() ? text.mid(1) : program;
        if (!parameters.isEmpty())
            shown += QLatin1Char(' ') + parameters;
    }
    return QStringLiteral("Program nebo dokument %1 není možné otevřít.").arg(shown) + QStringLiteral("\n\n")
        + systemError.left(255);
}

bool ExecuteFile(const QString& text, bool silent)
{
    QString program, parameters;
    SplitCommandText(text, program, parameters);
    QString error;
    if (qx::ShellOpen(program, parameters, &error))
        return true;
    if (!silent)
        QMessageBox::critical(DefaultDialogOwner(), QStringLiteral("Quorvix 2"), ExecuteFileFailureText(text, error));
    return false;
}
