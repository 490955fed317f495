#include "FindReplaceDialog.h"

#include "Sci.h"
#include "UndoSteps.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <regex>

namespace {

constexpr int kHistory = 20;

QComboBox* historyBox(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(280);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return box;
}

QCheckBox* option(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TFindReplaceDialog::TFindReplaceDialog(QsciScintilla* editor, TUndoSteps* steps, QWidget* parent)
    : QDialog(parent)
    , editor_(editor)
    , steps_(steps)
{
    setObjectName(QStringLiteral("FindReplaceDialog"));
    setWindowTitle(QStringLiteral("Najít a nahradit"));

    find_ = historyBox(this, "findText");
    replace_ = historyBox(this, "replaceText");
    replace_->setToolTip(QStringLiteral("U regulárního výrazu vloží \\1 až \\9 text skupiny"));
    matchCase_ = option(this, "matchCase", QStringLiteral("&Rozlišovat velká a malá písmena"));
    wholeWord_ = option(this, "wholeWord", QStringLiteral("&Jen celá slova"));
    regex_ = option(this, "regularExpression", QStringLiteral("Re&gulární výraz"));
    wrap_ = option(this, "wrapAround", QStringLiteral("Po&kračovat od začátku"));
    wrap_->setChecked(true);
    backwards_ = option(this, "backwards", QStringLiteral("Hledat &pozpátku"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));

    auto* findNext = button(this, "findNext", QStringLiteral("&Najít další"));
    findNext->setDefault(true);
    findNext->setAutoDefault(true);
    auto* replaceOne = button(this, "replace", QStringLiteral("Nah&radit"));
    auto* replaceAll = button(this, "replaceAll", QStringLiteral("Nahradit &vše"));
    auto* close = button(this, "close", QStringLiteral("&Zavřít"));

    auto* findLabel = new QLabel(QStringLiteral("&Hledat:"), this);
    findLabel->setBuddy(find_);
    auto* replaceLabel = new QLabel(QStringLiteral("Na&hradit čím:"), this);
    replaceLabel->setBuddy(replace_);

    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(find_, 0, 1);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(replace_, 1, 1);
    auto* options = new QGridLayout;
    options->addWidget(matchCase_, 0, 0);
    options->addWidget(wrap_, 0, 1);
    options->addWidget(wholeWord_, 1, 0);
    options->addWidget(backwards_, 1, 1);
    options->addWidget(regex_, 2, 0);
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addWidget(status_);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {findNext, replaceOne, replaceAll, close})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(findNext, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(replaceOne, &QPushButton::clicked, this, [this] { ReplaceCurrent(); });
    connect(replaceAll, &QPushButton::clicked, this, [this] { ReplaceAll(); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(wholeWord_, &QCheckBox::toggled, this, [this] { say({}); });
}

void TFindReplaceDialog::Open(bool replace)
{
    const QString selected = editor_->selectedText();
    if (!selected.isEmpty() && !selected.contains(u'\n') && !selected.contains(u'\r'))
        find_->setCurrentText(selected);
    say({});
    show();
    raise();
    activateWindow();
    // The replacement is typed next only once there is something to find.
    QComboBox* field = replace && !find_->currentText().isEmpty() ? replace_ : find_;
    field->setFocus();
    field->lineEdit()->selectAll();
}

void TFindReplaceDialog::say(const QString& text)
{
    status_->setText(text);
}

void TFindReplaceDialog::remember(QComboBox* box)
{
    const QString text = box->currentText();
    if (text.isEmpty())
        return;
    const int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at == 0)
        return;
    if (at > 0)
        box->removeItem(at);
    box->insertItem(0, text);
    while (box->count() > kHistory)
        box->removeItem(box->count() - 1);
    box->setCurrentIndex(0);
}

bool TFindReplaceDialog::pattern(TPattern& p)
{
    QString text = find_->currentText();
    if (text.isEmpty()) {
        say(QStringLiteral("Zadejte hledaný text."));
        return false;
    }
    p.Regex = regex_->isChecked();
    p.Flags = matchCase_->isChecked() ? QsciScintillaBase::SCFIND_MATCHCASE : 0;
    if (p.Regex) {
        // The component reports a broken expression only as "not found";
        // check it first so that the user learns what is wrong.
        if (wholeWord_->isChecked())
            text = QStringLiteral("\\b(?:") + text + QStringLiteral(")\\b");
        try {
            std::wregex check(text.toStdWString(), std::regex::ECMAScript);
        } catch (const std::regex_error&) {
            say(QStringLiteral("Regulární výraz není platný."));
            return false;
        }
        p.Flags |= QsciScintillaBase::SCFIND_REGEXP | QsciScintillaBase::SCFIND_CXX11REGEX;
    } else if (wholeWord_->isChecked()) {
        p.Flags |= QsciScintillaBase::SCFIND_WHOLEWORD;
    }
    p.Text = text.toUtf8();
    return true;
}

long TFindReplaceDialog::search(const TPattern& p, long from, long to, long& matchEnd)
{
    Sci(editor_, QsciScintillaBase::SCI_SETSEARCHFLAGS, p.Flags);
    Sci(editor_, QsciScintillaBase::SCI_SETTARGETRANGE, from, to);
    const long found =
        editor_->SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET, static_cast<uintptr_t>(p.Text.size()),
            p.Text.constData());
    matchEnd = found >= 0 ? Sci(editor_, QsciScintillaBase::SCI_GETTARGETEND) : -1;
    return found;
}

bool TFindReplaceDialog::FindNext(bool reverse)
{
    TPattern p;
    if (!pattern(p))
        return false;
    remember(find_);
    const bool backwards = backwards_->isChecked() != reverse;
    const long length = SciLength(editor_);
    const long selStart = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selEnd = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONEND);
    long end = -1;
    long found = backwards ? search(p, selStart, 0, end) : search(p, selEnd, length, end);
    bool wrapped = false;
    // An empty match at the caret would be found again and again.
    if (found >= 0 && end == found && found == (backwards ? selStart : selEnd) && selStart == selEnd) {
        const long next = Sci(editor_, backwards ? QsciScintillaBase::SCI_POSITIONBEFORE : QsciScintillaBase::SCI_POSITIONAFTER, found);
        found = next == found ? -1 : (backwards ? search(p, next, 0, end) : search(p, next, length, end));
    }
    if (found < 0 && wrap_->isChecked()) {
        found = backwards ? search(p, length, selEnd, end) : search(p, 0, selStart, end);
        wrapped = found >= 0;
    }
    if (found < 0) {
        say(QStringLiteral("Text „%1“ nebyl nalezen.").arg(find_->currentText()));
        QApplication::beep();
        return false;
    }
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, found);
    Sci(editor_, QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, line);
    Sci(editor_, QsciScintillaBase::SCI_SETSEL, found, end);
    Sci(editor_, QsciScintillaBase::SCI_SCROLLRANGE, found, end);
    say(wrapped ? (backwards ? QStringLiteral("Hledání pokračovalo od konce dokumentu.")
                             : QStringLiteral("Hledání pokračovalo od začátku dokumentu."))
                : QString());
    return true;
}

bool TFindReplaceDialog::ReplaceCurrent()
{
    TPattern p;
    if (!pattern(p))
        return false;
    remember(replace_);
    if (editor_->isReadOnly()) {
        say(QStringLiteral("Dokument je jen pro čtení."));
        return false;
    }
    const long selStart = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selEnd = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONEND);
    long end = -1;
    // Only a selection that is exactly a match is replaced; otherwise this
    // first finds the next match.
    if (selStart != selEnd && search(p, selStart, selEnd, end) == selStart && end == selEnd) {
        const QByteArray with = replace_->currentText().toUtf8();
        Sci(editor_, QsciScintillaBase::SCI_SETTARGETRANGE, selStart, selEnd);
        const long written = editor_->SendScintilla(
            p.Regex ? QsciScintillaBase::SCI_REPLACETARGETRE : QsciScintillaBase::SCI_REPLACETARGET,
            static_cast<uintptr_t>(with.size()), with.constData());
        Sci(editor_, QsciScintillaBase::SCI_SETSEL, selStart + written, selStart + written);
    }
    return FindNext();
}

int TFindReplaceDialog::ReplaceAll()
{
    TPattern p;
    if (!pattern(p))
        return 0;
    remember(find_);
    remember(replace_);
    if (editor_->isReadOnly()) {
        say(QStringLiteral("Dokument je jen pro čtení."));
        return 0;
    }
    const QByteArray with = replace_->currentText().toUtf8();
    const unsigned int replaceMessage =
        p.Regex ? QsciScintillaBase::SCI_REPLACETARGETRE : QsciScintillaBase::SCI_REPLACETARGET;
    int count = 0;
    long from = 0, end = -1;
    for (;;) {
        const long length = SciLength(editor_);
        if (from > length)
            break;
        const long found = search(p, from, length, end);
        if (found < 0)
            break;
        if (count == 0) {
            steps_->NameNextStep(QStringLiteral("Nahrazení všech výskytů „%1“").arg(find_->currentText()));
            Sci(editor_, QsciScintillaBase::SCI_BEGINUNDOACTION);
        }
        Sci(editor_, QsciScintillaBase::SCI_SETTARGETRANGE, found, end);
        const long written =
            editor_->SendScintilla(replaceMessage, static_cast<uintptr_t>(with.size()), with.constData());
        ++count;
        from = found + written;
        // After an empty match step over one character, or the same place
        // would match forever.
        if (end == found) {
            const long next = Sci(editor_, QsciScintillaBase::SCI_POSITIONAFTER, from);
            if (next == from)
                break;
            from = next;
        }
    }
    if (count > 0)
        Sci(editor_, QsciScintillaBase::SCI_ENDUNDOACTION);
    say(count ? QStringLiteral("Nahrazeno výskytů: %1.").arg(count)
              : QStringLiteral("Text „%1“ nebyl nalezen.").arg(find_->currentText()));
    return count;
}
