#include "EditorContextMenu.h"

#include <QAction>
#include <QMenu>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

namespace {

// Shows the key the editor has bound to a command beside its item.
void showKey(QAction* action, QsciScintilla* editor, QsciCommand::Command command)
{
    if (QsciCommand* bound = editor->standardCommands()->find(command); bound && bound->key())
        action->setShortcut(QKeySequence(bound->key()));
}

} // namespace

QMenu* CreateEditingMenu(QsciScintilla* editor)
{
    auto* menu = new QMenu(editor);
    const bool writable = !editor->isReadOnly();
    const bool selected = editor->hasSelectedText();
    if (writable) {
        QAction* undo = menu->addAction(QStringLiteral("&Zpět"), editor, &QsciScintilla::undo);
        undo->setEnabled(editor->isUndoAvailable());
        showKey(undo, editor, QsciCommand::Undo);
        QAction* redo = menu->addAction(QStringLiteral("&Opakovat"), editor, &QsciScintilla::redo);
        redo->setEnabled(editor->isRedoAvailable());
        showKey(redo, editor, QsciCommand::Redo);
        menu->addSeparator();
        QAction* cut = menu->addAction(QStringLiteral("&Vyjmout"), editor, &QsciScintilla::cut);
        cut->setEnabled(selected);
        showKey(cut, editor, QsciCommand::SelectionCut);
    }
    QAction* copy = menu->addAction(QStringLiteral("&Kopírovat"), editor, &QsciScintilla::copy);
    copy->setEnabled(selected);
    showKey(copy, editor, QsciCommand::SelectionCopy);
    if (writable) {
        QAction* paste = menu->addAction(QStringLiteral("V&ložit"), editor, &QsciScintilla::paste);
        paste->setEnabled(editor->SendScintilla(QsciScintillaBase::SCI_CANPASTE) != 0);
        showKey(paste, editor, QsciCommand::Paste);
        QAction* remove = menu->addAction(QStringLiteral("O&dstranit"), editor, &QsciScintilla::removeSelectedText);
        remove->setEnabled(selected);
    }
    menu->addSeparator();
    QAction* all = menu->addAction(QStringLiteral("Vybrat v&še"), editor, [editor] { editor->selectAll(); });
    all->setEnabled(editor->length() != 0);
    showKey(all, editor, QsciCommand::SelectAll);
    return menu;
}
