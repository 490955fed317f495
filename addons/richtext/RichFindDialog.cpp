#include "RichFindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

TRichFindDialog::TRichFindDialog(QTextEdit* editor, QWidget* parent)
    : QDialog(parent)
    , editor_(editor)
{
    setObjectName(QStringLiteral("RichFindDialog"));
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("FindEdit"));
    replace_ = new QLineEdit(this);
    replace_->setObjectName(QStringLiteral("ReplaceEdit"));
    replaceLabel_ = new QLabel(QStringLiteral("Nahradit &čím:"), this);
    replaceLabel_->setBuddy(replace_);
    auto* findLabel = new QLabel(QStringLiteral("&Hledat:"), this);
    findLabel->setBuddy(find_);
    case_ = new QCheckBox(QStringLiteral("Rozlišovat &velikost písmen"), this);
    words_ = new QCheckBox(QStringLiteral("Jen &celá slova"), this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("FindStatus"));
    next_ = new QPushButton(QStringLiteral("Najít &další"), this);
    next_->setDefault(true);
    replaceOne_ = new QPushButton(QStringLiteral("&Nahradit"), this);
    replaceAll_ = new QPushButton(QStringLiteral("Nahradit &vše"), this);
    auto* close = new QPushButton(QStringLiteral("Zavřít"), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(find_, 0, 1);
    layout->addWidget(replaceLabel_, 1, 0);
    layout->addWidget(replace_, 1, 1);
    layout->addWidget(case_, 2, 1);
    layout->addWidget(words_, 3, 1);
    layout->addWidget(status_, 4, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(next_);
    buttons->addWidget(replaceOne_);
    buttons->addWidget(replaceAll_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons, 0, 2, 5, 1);

    connect(next_, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(replaceOne_, &QPushButton::clicked, this, [this] { ReplaceOne(); });
    connect(replaceAll_, &QPushButton::clicked, this, [this] { ReplaceAll(); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void TRichFindDialog::Open(bool replace)
{
    setWindowTitle(replace ? QStringLiteral("Nahradit") : QStringLiteral("Hledat"));
    replace_->setVisible(replace);
    replaceLabel_->setVisible(replace);
    replaceOne_->setVisible(replace);
    replaceAll_->setVisible(replace);
    const QString selected = editor_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        find_->setText(selected);
    status_->clear();
    adjustSize();
    show();
    raise();
    activateWindow();
    find_->setFocus();
    find_->selectAll();
}

int TRichFindDialog::flags() const
{
    int f = 0;
    if (case_->isChecked())
        f |= QTextDocument::FindCaseSensitively;
    if (words_->isChecked())
        f |= QTextDocument::FindWholeWords;
    return f;
}

bool TRichFindDialog::FindNext()
{
    const QString text = find_->text();
    if (text.isEmpty())
        return false;
    QTextDocument* document = editor_->document();
    const auto f = QTextDocument::FindFlags(flags());
    QTextCursor found = document->find(text, editor_->textCursor(), f);
    // Round past the end, said so: with one match the selection would not
    // move and the user could not tell it from a search that stands still.
    const bool wrapped = found.isNull();
    if (wrapped)
        found = document->find(text, 0, f);
    if (found.isNull()) {
        status_->setText(QStringLiteral("Text „%1“ nebyl nalezen.").arg(text));
        return false;
    }
    if (wrapped)
        status_->setText(QStringLiteral("Hledání pokračovalo od začátku dokumentu."));
    else
        status_->clear();
    editor_->setTextCursor(found);
    editor_->ensureCursorVisible();
    return true;
}

bool TRichFindDialog::matchesSelection() const
{
    const QString selected = editor_->textCursor().selectedText();
    return !selected.isEmpty() &&
        selected.compare(find_->text(), case_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

void TRichFindDialog::ReplaceOne()
{
    if (editor_->isReadOnly())
        return;
    if (matchesSelection()) {
        if (OnEdit)
            OnEdit(QStringLiteral("Nahrazení"));
        editor_->textCursor().insertText(replace_->text());
    }
    FindNext();
}

int TRichFindDialog::ReplaceAll()
{
    const QString text = find_->text();
    if (text.isEmpty() || editor_->isReadOnly())
        return 0;
    QTextDocument* document = editor_->document();
    const auto f = QTextDocument::FindFlags(flags());
    QTextCursor edit(document);
    int count = 0;
    QTextCursor found = document->find(text, 0, f);
    if (!found.isNull() && OnEdit)
        OnEdit(QStringLiteral("Nahrazení všech výskytů"));
    edit.beginEditBlock();
    while (!found.isNull()) {
        found.insertText(replace_->text());
        ++count;
        found = document->find(text, found, f);
    }
    edit.endEditBlock();
    status_->setText(count ? QStringLiteral("Nahrazeno výskytů: %1").arg(count)
                           : QStringLiteral("Text „%1“ nebyl nalezen.").arg(text));
    return count;
}
