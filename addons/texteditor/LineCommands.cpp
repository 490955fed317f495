#include "LineCommands.h"

#include "FileTypes.h"
#include "Sci.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace {

using Base = QsciScintillaBase;

// The lines a command works on: those the selection touches, without a
// last line the selection only reaches at its start.
struct TLineBlock {
    int First = 0;
    int Last = 0;
    // Start of the first line and end of the last one (before its break).
    long Start = 0;
    long End = 0;
};

TLineBlock blockOf(const QsciScintilla* editor, int first, int last)
{
    TLineBlock block;
    block.First = first;
    block.Last = last;
    block.Start = Sci(editor, Base::SCI_POSITIONFROMLINE, first);
    block.End = Sci(editor, Base::SCI_GETLINEENDPOSITION, last);
    return block;
}

TLineBlock selectedLines(const QsciScintilla* editor)
{
    const long from = Sci(editor, Base::SCI_GETSELECTIONSTART);
    const long to = Sci(editor, Base::SCI_GETSELECTIONEND);
    const int first = int(Sci(editor, Base::SCI_LINEFROMPOSITION, from));
    int last = int(Sci(editor, Base::SCI_LINEFROMPOSITION, to));
    if (last > first && to == Sci(editor, Base::SCI_POSITIONFROMLINE, last))
        --last;
    return blockOf(editor, first, last);
}

// The last line with text: the empty line after a final line break does not
// count as one.
int lastTextLine(const QsciScintilla* editor)
{
    const int last = int(Sci(editor, Base::SCI_GETLINECOUNT)) - 1;
    return last > 0 && Sci(editor, Base::SCI_POSITIONFROMLINE, last) == SciLength(editor) ? last - 1 : last;
}

bool hasSelection(const QsciScintilla* editor)
{
    return Sci(editor, Base::SCI_GETSELECTIONSTART) != Sci(editor, Base::SCI_GETSELECTIONEND);
}

QString textOf(const QsciScintilla* editor, long start, long end)
{
    return QString::fromUtf8(SciCharacters(editor) + start, qsizetype(end - start));
}

// Replaces the bytes start to end; the length of the new text in bytes.
long replaceText(QsciScintilla* editor, long start, long end, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    Sci(editor, Base::SCI_SETTARGETRANGE, start, end);
    SciText(editor, Base::SCI_REPLACETARGET, long(bytes.size()), bytes.constData());
    return long(bytes.size());
}

QString lineBreak(const QsciScintilla* editor)
{
    switch (Sci(editor, Base::SCI_GETEOLMODE)) {
    case Base::SC_EOL_CRLF:
        return QStringLiteral("\r\n");
    case Base::SC_EOL_CR:
        return QStringLiteral("\r");
    default:
        return QStringLiteral("\n");
    }
}

// Lines of a text with the break after each (empty after the last), so
// that a command keeps the breaks a file mixes.
struct TLines {
    QStringList Text;
    QStringList Breaks;
    QString Join() const
    {
        QString out;
        for (qsizetype i = 0; i < Text.size(); ++i)
            out += Text[i] + Breaks[i];
        return out;
    }
};

TLines splitLines(const QString& text)
{
    TLines lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        const qsizetype breakLength = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        lines.Text << text.mid(start, i - start);
        lines.Breaks << text.mid(i, breakLength);
        i += breakLength - 1;
        start = i + 1;
    }
    lines.Text << text.mid(start);
    lines.Breaks << QString();
    return lines;
}

qsizetype indentOf(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    return i;
}

bool blank(const QString& line)
{
    return indentOf(line) == line.size();
}

// Runs an edit as one undo step; false (and no step) when it changed
// nothing.
template <typename Edit>
bool oneStep(QsciScintilla* editor, Edit edit)
{
    if (editor->isReadOnly())
        return false;
    editor->beginUndoAction();
    const bool changed = edit();
    editor->endUndoAction();
    return changed;
}

// Puts the lines' new text in place. A selection then covers the new lines;
// a caret stays where it was in its line, as far as the line still reaches.
bool replaceBlock(QsciScintilla* editor, const TLineBlock& block, const QString& text)
{
    const QString old = textOf(editor, block.Start, block.End);
    if (old == text)
        return false;
    const bool selected = hasSelection(editor);
    const long caret = Sci(editor, Base::SCI_GETCURRENTPOS);
    const long length = replaceText(editor, block.Start, block.End, text);
    if (selected) {
        Sci(editor, Base::SCI_SETSEL, block.Start, block.Start + length);
    } else {
        const long lineEnd = Sci(editor, Base::SCI_GETLINEENDPOSITION, block.First);
        const long moved = caret + (length - long(old.toUtf8().size()));
        Sci(editor, Base::SCI_GOTOPOS, std::clamp(moved, block.Start, lineEnd));
    }
    return true;
}

// Line comments: a prefix after the indentation, and for languages that
// have only block comments a suffix too.
struct TMarkers {
    QString Prefix;
    QString Suffix;
};

TMarkers lineMarkers(const TLanguage* language)
{
    if (!language)
        return {};
    if (!language->LineComment.isEmpty())
        return {language->LineComment, {}};
    return {language->BlockStart, language->BlockEnd};
}

bool isCommented(const QString& line, const TMarkers& markers)
{
    const QStringView text = QStringView(line).mid(indentOf(line));
    // "REM" of batch files is written in any case, and is a word: "REMOVE"
    // is no comment.
    if (!text.startsWith(markers.Prefix, Qt::CaseInsensitive))
        return false;
    if (markers.Prefix.back().isLetter() && text.size() > markers.Prefix.size() &&
        text[markers.Prefix.size()].isLetterOrNumber())
        return false;
    return QStringView(line).trimmed().endsWith(markers.Suffix);
}

QString uncommented(const QString& line, const TMarkers& markers)
{
    const qsizetype at = indentOf(line);
    QString text = line.mid(at + markers.Prefix.size());
    if (text.startsWith(u' '))
        text.remove(0, 1);
    if (!markers.Suffix.isEmpty()) {
        while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
            text.chop(1);
        text.chop(markers.Suffix.size());
        if (text.endsWith(u' '))
            text.chop(1);
    }
    return line.left(at) + text;
}

} // namespace

bool HasLineComment(const TLanguage* language)
{
    return !lineMarkers(language).Prefix.isEmpty();
}

bool HasBlockComment(const TLanguage* language)
{
    return language && !language->BlockStart.isEmpty();
}

bool ToggleLineComment(QsciScintilla* editor, const TLanguage* language)
{
    const TMarkers markers = lineMarkers(language);
    if (markers.Prefix.isEmpty())
        return false;
    return oneStep(editor, [&] {
        const TLineBlock block = selectedLines(editor);
        TLines lines = splitLines(textOf(editor, block.Start, block.End));
        bool all = true;
        qsizetype column = -1;
        for (const QString& line : lines.Text) {
            if (blank(line))
                continue;
            all = all && isCommented(line, markers);
            column = column < 0 ? indentOf(line) : std::min(column, indentOf(line));
        }
        if (column < 0)
            return false;
        for (QString& line : lines.Text) {
            if (blank(line))
                continue;
            if (all)
                line = uncommented(line, markers);
            else
                // At the smallest indentation, so that the markers line up.
                line = line.left(column) + markers.Prefix + u' ' + line.mid(column) +
                    (markers.Suffix.isEmpty() ? QString() : u' ' + markers.Suffix);
        }
        return replaceBlock(editor, block, lines.Join());
    });
}

bool ToggleBlockComment(QsciScintilla* editor, const TLanguage* language)
{
    if (!HasBlockComment(language))
        return false;
    return oneStep(editor, [&] {
        long start = Sci(editor, Base::SCI_GETSELECTIONSTART);
        long end = Sci(editor, Base::SCI_GETSELECTIONEND);
        const bool selected = start != end;
        if (!selected) {
            // The caret's line without its indentation and trailing blanks.
            const TLineBlock line = selectedLines(editor);
            const QString text = textOf(editor, line.Start, line.End);
            if (blank(text))
                return false;
            start = line.Start + long(text.left(indentOf(text)).toUtf8().size());
            QString trimmed = text;
            while (trimmed.back() == u' ' || trimmed.back() == u'\t')
                trimmed.chop(1);
            end = line.Start + long(trimmed.toUtf8().size());
        }
        const QString text = textOf(editor, start, end);
        const QString& open = language->BlockStart;
        const QString& close = language->BlockEnd;
        QString result;
        if (text.size() >= open.size() + close.size() && text.startsWith(open) && text.endsWith(close)) {
            result = text.mid(open.size(), text.size() - open.size() - close.size());
            if (result.startsWith(u' '))
                result.remove(0, 1);
            if (result.endsWith(u' '))
                result.chop(1);
        } else {
            result = open + u' ' + text + u' ' + close;
        }
        const long length = replaceText(editor, start, end, result);
        Sci(editor, Base::SCI_SETSEL, start, start + length);
        return true;
    });
}

bool TrimTrailingBlanks(QsciScintilla* editor, int first, int last)
{
    if (last < 0)
        last = int(Sci(editor, Base::SCI_GETLINECOUNT)) - 1;
    return oneStep(editor, [&] {
        bool changed = false;
        // From the end, so that the positions still to visit stay valid.
        for (int line = last; line >= first; --line) {
            const long start = Sci(editor, Base::SCI_POSITIONFROMLINE, line);
            const long end = Sci(editor, Base::SCI_GETLINEENDPOSITION, line);
            const char* text = SciCharacters(editor);
            long p = end;
            while (p > start && (text[p - 1] == ' ' || text[p - 1] == '\t'))
                --p;
            if (p < end) {
                Sci(editor, Base::SCI_DELETERANGE, p, end - p);
                changed = true;
            }
        }
        return changed;
    });
}

bool EnsureFinalLineBreak(QsciScintilla* editor)
{
    const long length = SciLength(editor);
    if (length == 0)
        return false;
    const char last = SciCharacters(editor)[length - 1];
    if (last == '\n' || last == '\r')
        return false;
    return oneStep(editor, [&] {
        const QByteArray bytes = lineBreak(editor).toUtf8();
        SciText(editor, Base::SCI_INSERTTEXT, length, bytes.constData());
        return true;
    });
}

namespace {

bool duplicateLines(QsciScintilla* editor)
{
    return oneStep(editor, [&] {
        const TLineBlock block = selectedLines(editor);
        const long anchor = Sci(editor, Base::SCI_GETANCHOR);
        const long caret = Sci(editor, Base::SCI_GETCURRENTPOS);
        const QByteArray copy = (lineBreak(editor) + textOf(editor, block.Start, block.End)).toUtf8();
        SciText(editor, Base::SCI_INSERTTEXT, block.End, copy.constData());
        // The selection or caret moves to the copy, so that the command can
        // be repeated.
        const long shift = block.End - block.Start + long(lineBreak(editor).toUtf8().size());
        Sci(editor, Base::SCI_SETSEL, anchor + shift, caret + shift);
        return true;
    });
}

bool deleteLines(QsciScintilla* editor)
{
    return oneStep(editor, [&] {
        const TLineBlock block = selectedLines(editor);
        const int count = int(Sci(editor, Base::SCI_GETLINECOUNT));
        long start = block.Start, end = block.End;
        if (block.Last + 1 < count)
            end = Sci(editor, Base::SCI_POSITIONFROMLINE, block.Last + 1);
        else if (block.First > 0)
            start = Sci(editor, Base::SCI_GETLINEENDPOSITION, block.First - 1);
        if (start == end)
            return false;
        Sci(editor, Base::SCI_DELETERANGE, start, end - start);
        const int line = std::min(block.First, int(Sci(editor, Base::SCI_GETLINECOUNT)) - 1);
        Sci(editor, Base::SCI_GOTOPOS, Sci(editor, Base::SCI_POSITIONFROMLINE, line));
        return true;
    });
}

// Swaps the lines with the one above or below; the selection moves along.
bool moveLines(QsciScintilla* editor, bool up)
{
    return oneStep(editor, [&] {
        const TLineBlock block = selectedLines(editor);
        if (up ? block.First == 0 : block.Last >= lastTextLine(editor))
            return false;
        const int first = up ? block.First - 1 : block.First;
        const int last = up ? block.Last : block.Last + 1;
        const TLineBlock both = blockOf(editor, first, last);
        TLines lines = splitLines(textOf(editor, both.Start, both.End));
        // The breaks stay where they are; only the lines' texts rotate.
        if (up)
            lines.Text.append(lines.Text.takeFirst());
        else
            lines.Text.prepend(lines.Text.takeLast());
        const long anchor = Sci(editor, Base::SCI_GETANCHOR);
        const long caret = Sci(editor, Base::SCI_GETCURRENTPOS);
        const QString& other = up ? lines.Text.last() : lines.Text.first();
        const QString& otherBreak = up ? lines.Breaks[lines.Breaks.size() - 2] : lines.Breaks.first();
        const long shift = long((other + otherBreak).toUtf8().size()) * (up ? -1 : 1);
        replaceText(editor, both.Start, both.End, lines.Join());
        Sci(editor, Base::SCI_SETSEL, anchor + shift, caret + shift);
        return true;
    });
}

bool joinLines(QsciScintilla* editor)
{
    return oneStep(editor, [&] {
        TLineBlock block = selectedLines(editor);
        if (block.First == block.Last) {
            if (block.Last >= lastTextLine(editor))
                return false;
            block = blockOf(editor, block.First, block.Last + 1);
        }
        const TLines lines = splitLines(textOf(editor, block.Start, block.End));
        QString joined = lines.Text.first();
        while (!joined.isEmpty() && (joined.back() == u' ' || joined.back() == u'\t'))
            joined.chop(1);
        for (qsizetype i = 1; i < lines.Text.size(); ++i) {
            const QString part = lines.Text[i].trimmed();
            if (part.isEmpty())
                continue;
            if (!blank(joined))
                joined += u' ';
            joined += part;
        }
        const long length = replaceText(editor, block.Start, block.End, joined);
        Sci(editor, Base::SCI_GOTOPOS, block.Start + length);
        return true;
    });
}

// Sorts the selected lines, or the whole text when at most one line is
// selected; a final empty line (the text's last line break) stays last.
bool sortLines(QsciScintilla* editor)
{
    return oneStep(editor, [&] {
        TLineBlock block = selectedLines(editor);
        if (block.First == block.Last) {
            block = blockOf(editor, 0, lastTextLine(editor));
        }
        TLines lines = splitLines(textOf(editor, block.Start, block.End));
        // In the order of the program's language, numbers by value.
        QCollator collator {QLocale(QLocale::Czech, QLocale::Czechia)};
        collator.setNumericMode(true);
        std::stable_sort(lines.Text.begin(), lines.Text.end(),
            [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        return replaceBlock(editor, block, lines.Join());
    });
}

// The selected text, or without a selection the caret's line.
bool changeCase(QsciScintilla* editor, bool upper)
{
    return oneStep(editor, [&] {
        if (hasSelection(editor)) {
            const long start = Sci(editor, Base::SCI_GETSELECTIONSTART);
            const long end = Sci(editor, Base::SCI_GETSELECTIONEND);
            const QString text = textOf(editor, start, end);
            const QString changed = upper ? text.toUpper() : text.toLower();
            if (changed == text)
                return false;
            const long anchor = Sci(editor, Base::SCI_GETANCHOR);
            const long length = replaceText(editor, start, end, changed);
            if (anchor == start)
                Sci(editor, Base::SCI_SETSEL, start, start + length);
            else
                Sci(editor, Base::SCI_SETSEL, start + length, start);
            return true;
        }
        const TLineBlock block = selectedLines(editor);
        const QString text = textOf(editor, block.Start, block.End);
        return replaceBlock(editor, block, upper ? text.toUpper() : text.toLower());
    });
}

bool trimSelectedLines(QsciScintilla* editor)
{
    if (!hasSelection(editor))
        return TrimTrailingBlanks(editor);
    const TLineBlock block = selectedLines(editor);
    return TrimTrailingBlanks(editor, block.First, block.Last);
}

} // namespace

const QList<TLineCommand>& LineCommands()
{
    using Q = QKeySequence;
    static const QList<TLineCommand> commands {
        {"duplicateLines", QStringLiteral("&Duplikovat"), QStringLiteral("Duplikování řádků"), Q(Qt::CTRL | Qt::Key_D),
            duplicateLines},
        {"deleteLines", QStringLiteral("&Odstranit"), QStringLiteral("Odstranění řádků"), Q(Qt::CTRL | Qt::Key_K),
            deleteLines},
        {"moveLinesUp", QStringLiteral("Přesunout na&horu"), QStringLiteral("Přesun řádků nahoru"),
            Q(Qt::ALT | Qt::Key_Up), [](QsciScintilla* e) { return moveLines(e, true); }},
        {"moveLinesDown", QStringLiteral("Přesunout do&lů"), QStringLiteral("Přesun řádků dolů"),
            Q(Qt::ALT | Qt::Key_Down), [](QsciScintilla* e) { return moveLines(e, false); }},
        {"joinLines", QStringLiteral("&Spojit"), QStringLiteral("Spojení řádků"), Q(Qt::CTRL | Qt::Key_J), joinLines},
        {"sortLines", QStringLiteral("Seřadi&t"), QStringLiteral("Seřazení řádků"), Q(),
            sortLines},
        {"upperCase", QStringLiteral("&Velká písmena"), QStringLiteral("Převod na velká písmena"),
            Q(Qt::CTRL | Qt::SHIFT | Qt::Key_U), [](QsciScintilla* e) { return changeCase(e, true); }},
        {"lowerCase", QStringLiteral("&Malá písmena"), QStringLiteral("Převod na malá písmena"),
            Q(Qt::CTRL | Qt::Key_U), [](QsciScintilla* e) { return changeCase(e, false); }},
        {"trimTrailingBlanks", QStringLiteral("Odstranit mezery na &koncích"), QStringLiteral("Odstranění mezer na koncích řádků"),
            Q(), trimSelectedLines},
    };
    return commands;
}
