#include "UndoSteps.h"

#include <Qsci/qsciscintilla.h>

namespace {

// The text of a step as shown in a list: one line, at most a few words.
QString snippet(const QString& text)
{
    constexpr int kMax = 24;
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    s.replace(u'\n', QStringLiteral("↵"));
    s.replace(u'\r', QStringLiteral("↵"));
    s.replace(u'\t', QStringLiteral("→"));
    if (s.size() > kMax)
        s = s.left(kMax) + QStringLiteral("…");
    return QStringLiteral("„") + s + QStringLiteral("“");
}

// Only line breaks, spaces and tabs.
bool isBlank(const QString& text)
{
    for (QChar c : text)
        if (c != u'\r' && c != u'\n' && c != u' ' && c != u'\t')
            return false;
    return !text.isEmpty();
}

// The name of a step that inserted blank text only.
QString blankStepName(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r') ? QStringLiteral("Nový řádek") : QStringLiteral("Odsazení");
}

} // namespace

TUndoSteps::TUndoSteps(QsciScintilla* editor)
    : QObject(editor)
    , editor_(editor)
{
    connect(editor, &QsciScintillaBase::SCN_MODIFIED, this,
        [this](int position, int type, const char* text, int length, int, int, int, int, int, int) {
            modified(position, type, text, length);
        });
}

QStringList TUndoSteps::UndoSteps() const
{
    QStringList list;
    for (auto it = undo_.crbegin(); it != undo_.crend(); ++it)
        list << it->Name;
    return list;
}

QStringList TUndoSteps::RedoSteps() const
{
    QStringList list;
    for (auto it = redo_.crbegin(); it != redo_.crend(); ++it)
        list << it->Name;
    return list;
}

void TUndoSteps::Reset()
{
    undo_.clear();
    redo_.clear();
    nextName_.clear();
}

void TUndoSteps::modified(int position, int type, const char* text, int length)
{
    const bool insert = type & QsciScintillaBase::SC_MOD_INSERTTEXT;
    if (suspended_ || !(insert || (type & QsciScintillaBase::SC_MOD_DELETETEXT)))
        return;
    // Large changes (a whole file) are described by their start only.
    const QString changed = text ? QString::fromUtf8(text, std::min(length, 256)) : QString();

    if (type & QsciScintillaBase::SC_PERFORMED_UNDO) {
        if ((type & QsciScintillaBase::SC_LASTSTEPINUNDOREDO) && !undo_.isEmpty())
            redo_.append(undo_.takeLast());
        return;
    }
    if (type & QsciScintillaBase::SC_PERFORMED_REDO) {
        if ((type & QsciScintillaBase::SC_LASTSTEPINUNDOREDO) && !redo_.isEmpty())
            undo_.append(redo_.takeLast());
        return;
    }
    if (!(type & QsciScintillaBase::SC_PERFORMED_USER))
        return;

    if ((type & QsciScintillaBase::SC_STARTACTION) || undo_.isEmpty()) {
        TStep step;
        step.Insert = insert;
        step.Typed = changed;
        step.Position = position;
        step.Typing = insert && length <= 4 && !changed.contains(u'\n') && !changed.contains(u'\r');
        if (!nextName_.isEmpty()) {
            step.Name = nextName_;
            step.Typing = false;
            step.Named = true;
            nextName_.clear();
        } else if (!insert) {
            step.Name = QStringLiteral("Odstranění ") + snippet(changed);
        } else if (isBlank(changed)) {
            // A line break, the indentation of a new line or of a block.
            step.Typing = false;
            step.Name = blankStepName(changed);
        } else if (step.Typing) {
            step.Name = QStringLiteral("Psaní ") + snippet(changed);
        } else {
            step.Name = QStringLiteral("Vložení ") + snippet(changed);
        }
        undo_.append(step);
        redo_.clear();
        return;
    }

    // A change that joins the current step: more typing, more deleting, or
    // the text typed over a selection.
    TStep& step = undo_.last();
    if (step.Named)
        return;
    if (insert) {
        if (!step.Insert) {
            step.Insert = true;
            step.Typing = true;
            step.Typed.clear();
        }
        if (step.Typing) {
            step.Typed += changed;
            step.Name = QStringLiteral("Psaní ") + snippet(step.Typed);
        } else if (isBlank(step.Typed)) {
            // The component joins what is typed after a line break or
            // indentation to it: once there is text, the step is typing.
            step.Typed += changed;
            step.Typing = !isBlank(step.Typed);
            step.Name = step.Typing ? QStringLiteral("Psaní ") + snippet(step.Typed) : blankStepName(step.Typed);
        }
    } else if (!step.Insert) {
        // Backspace removes text before the previous deletion, Delete after it.
        if (position < step.Position)
            step.Typed.prepend(changed);
        else
            step.Typed += changed;
        step.Position = std::min(step.Position, position);
        step.Name = QStringLiteral("Odstranění ") + snippet(step.Typed);
    }
}
