#pragma once
// Unambiguous calls of the editor component's message interface, whose
// overloads make plain integer arguments ambiguous.
#include <QByteArray>

#include <Qsci/qsciscintilla.h>

#include <cstdint>

inline long Sci(const QsciScintillaBase* editor, unsigned int message, long wParam = 0, long lParam = 0)
{
    return editor->SendScintilla(message, static_cast<unsigned long>(wParam), lParam);
}

inline long SciText(const QsciScintillaBase* editor, unsigned int message, long wParam, const char* text)
{
    return editor->SendScintilla(message, static_cast<uintptr_t>(wParam), text);
}

// The document's bytes (UTF-8) without a copy; valid until the next change.
inline const char* SciCharacters(const QsciScintillaBase* editor)
{
    return static_cast<const char*>(editor->SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
}

inline long SciLength(const QsciScintillaBase* editor)
{
    return Sci(editor, QsciScintillaBase::SCI_GETLENGTH);
}

// A copy of the bytes from start to end. Unlike SciCharacters it leaves the
// component's gap where it is: in a large document moving it to the end
// costs a copy of everything after the caret, twice per keystroke.
inline QByteArray SciTextRange(const QsciScintillaBase* editor, long start, long end)
{
    if (end <= start)
        return QByteArray();
    QByteArray bytes(end - start + 1, Qt::Uninitialized);
    editor->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
    bytes.chop(1);
    return bytes;
}
