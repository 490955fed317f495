#include "ScriptHelp.h"

#include "QX_Exports.h"

#include <QKeyEvent>
#include <QMessageBox>

#include <Qsci/qsciscintilla.h>

TScriptHelp::TScriptHelp(QsciScintilla* editor)
    : QObject(editor)
    , editor_(editor)
{
    editor_->installEventFilter(this);
}

TScriptHelp::~TScriptHelp()
{
    editor_->removeEventFilter(this);
}

QString TScriptHelp::WordAtCaret() const
{
    int line = 0, index = 0;
    editor_->getCursorPosition(&line, &index);
    // The component takes the word around the position, so a caret just after
    // a word still names it.
    return editor_->wordAtLineIndex(line, index);
}

void TScriptHelp::Show()
{
    if (!QXShowHelp(WordAtCaret().toUtf8().constData()))
        QMessageBox::information(editor_, QStringLiteral("Quorvix 2"),
            QStringLiteral("Nápověda není k dispozici: soubor nápovědy programu Qxrel32.hlp chybí."));
}

bool TScriptHelp::eventFilter(QObject* watched, QEvent* event)
{
    // F1 belongs to the editor here: claimed before the host's shortcut for
    // its help contents sees it.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                Show();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
