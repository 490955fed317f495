#include "mail/SendIdeas.h"

#include "kernel/AppInfo.h"
#include "kernel/ProductAddresses.h"
#include "mail/SendMail.h"
#include "platform/FileWrite.h"
#include "ui/DialogSupport.h"
#include "ui/LogoBanner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

std::function<std::optional<QString>()> otherAnswerPrompt;
std::function<QString()> saveFileChooser;

const char* const kCaption = "Průvodce zprávou autorovi";
const char* const kChooseOption = "(vyberte možnost)";
const char* const kSeparator = "----------------";
const char* const kFormLine = "----- form ----";

struct Question {
    const char* name;
    const char* label;
    std::vector<const char*> answers;
};

// Between the opening choice and separator and the closing separator and
// "jiná odpověď...". A line of hyphens inside a list is a separator too.
const std::vector<Question>& questions()
{
    static const std::vector<Question> list = {
        {"GeneralRattingComboBox", "Jak hodnotíte program?",
            {"5 z 5ti *****", "4 z 5ti ****", "3 z 5ti ***", "2 z 5ti **", "1 z 5ti *", kSeparator,
                ":-)  6 z 5ti ****** ", ":-(  0 z 5ti "}},
        {"PluginsComboBox", "Který nástroj používáte nejvíce?",
            {"Textový editor", "Editor skriptů", "Poznámkový blok", "Externí nástroje"}},
        {"ScriptingComboBox", "Používáte Pascal Script?",
            {"Stále, píšu vlastní skripty", "Stále, používám hotové skripty", "Občas, píšu vlastní skripty",
                "Občas, používám hotové skripty", "Jen vyjímečně", "Vůbec nepoužívám", "Pascal Script? Kdo to je?"}},
        {"MissingComboBox", "Co Vám v programu chybí?",
            {"Nástroj WYSIWYG HTML editor", "Nástroj pro kreslení ikon", "Nástroj pro editaci zdrojů v .exe",
                "Možnost ladění Pascal Scriptů", "FTP klient", "UI je přeplácané, zjednodušit", "Lepší nápověda",
                "Nápověda stylu MS Agent", "Nic mě nenapadá"}},
        {"ShitComboBox", "Co má naopak zmizet?",
            {"Skriptování", "Textový editor", "Editor skriptů", "Podoba UI s Office", "Nic, hlavně nikde neubírat!"}},
        {"LinuxComboBox", "Uvítali byste verzi pro Linux?",
            {"Ano, včera bylo pozdě", "Ano, co nejdříve", "Ano ale ještě to počká", "Nezáleží mi na tom",
                "Nechci to na Linuxu ani vidět!", "Co je to Linux?"}},
    };
    return list;
}

QLabel* boldLabel(const QString& text, QWidget* parent, double scale = 1.0)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    return label;
}

} // namespace

void TSendIdeasForm::SetOtherAnswerPrompt(std::function<std::optional<QString>()> prompt)
{
    otherAnswerPrompt = std::move(prompt);
}

void TSendIdeasForm::SetSaveFileChooser(std::function<QString()> chooser)
{
    saveFileChooser = std::move(chooser);
}

QStringList TSendIdeasForm::QuestionLabels()
{
    QStringList labels;
    for (const Question& q : questions())
        labels << QString::fromUtf8(q.label);
    return labels;
}

TSendIdeasForm::TSendIdeasForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "SendIdeasForm", QString::fromUtf8(kCaption));
    Strings = {
        QStringLiteral("Vaše zpráva nebude uložena a tuto operaci nelze vzít zpět, příště budete muset psát zprávu "
                       "znovu. Opravdu chcete tohoto průvodce ukončit?"),
        QStringLiteral("(nechci uvést)"),
        QStringLiteral("&Storno"),
        QStringLiteral("&Zavřít"),
        QStringLiteral("Vyplňte prosím alespoň jméno..."),
        QStringLiteral("Vaše e-mailová adresa je nesprávná."),
        QStringLiteral("jiná odpověď..."),
        QStringLiteral("Jiná odpověď"),
        QStringLiteral("Vaše odpověď:"),
        QStringLiteral("Komentáře:"),
        QStringLiteral("Vytvořeno průvodcem zprávou autorovi"),
        ::FeedbackAddress(),
    };

    auto* logo = new TLogoBanner(this);
    Pages = new QStackedWidget(this);

    // Each page: the wizard's title, the step heading, the content and,
    // before the last page, how to go on.
    auto page = [this](const QString& heading, bool hint) {
        auto* widget = new QWidget;
        auto* column = new QVBoxLayout(widget);
        column->setContentsMargins(12, 8, 12, 4);
        column->addWidget(boldLabel(QString::fromUtf8(kCaption), widget, 1.3));
        column->addWidget(boldLabel(heading, widget));
        column->addSpacing(6);
        auto* content = new QVBoxLayout;
        column->addLayout(content, 1);
        if (hint) {
            auto* next = new QLabel(QStringLiteral("Pokračovat můžete stiskem tlačítka <u>D</u>alší &gt;&gt;"), widget);
            column->addWidget(next);
        }
        Pages->addWidget(widget);
        return content;
    };

    QVBoxLayout* welcome = page(QStringLiteral("Krok 1 z 5"), true);
    auto* intro = new QLabel(
        QStringLiteral("Tento průvodce Vám pomůže napsat autorovi programu zprávu s Vašimi nápady, připomínkami "
                       "a hodnocením.\n\nV několika krocích uvedete, kdo jste, odpovíte na šest krátkých otázek "
                       "o programu a připojíte vlastní komentář. Z toho průvodce sestaví zprávu, kterou si před "
                       "odesláním můžete ještě upravit.\n\nHotovou zprávu pak uložíte do textového souboru, nebo "
                       "ji rovnou odešlete elektronickou poštou."));
    intro->setWordWrap(true);
    welcome->addWidget(intro);
    welcome->addStretch();

    QVBoxLayout* sender = page(QStringLiteral("Krok 2 z 5 - Odesilatel"), true);
    FirstNameEdit = new QLineEdit;
    LastNameEdit = new QLineEdit;
    EmailEdit = new QLineEdit;
    AnonymousEmailCheckBox = new QCheckBox(QStringLiteral("&Nechci uvést"));
    auto* senderForm = new QFormLayout;
    senderForm->addRow(QStringLiteral("Jméno:"), FirstNameEdit);
    senderForm->addRow(QStringLiteral("Přijmení:"), LastNameEdit);
    senderForm->addRow(QStringLiteral("Vaše e-mailová adresa:"), EmailEdit);
    senderForm->addRow(QString(), AnonymousEmailCheckBox);
    sender->addLayout(senderForm);
    sender->addStretch();

    QVBoxLayout* info = page(QStringLiteral("Krok 3 z 5 - Informace o programu"), true);
    auto* questionForm = new QFormLayout;
    questionForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    QComboBox** lists[] = {&GeneralRattingComboBox, &PluginsComboBox, &ScriptingComboBox, &MissingComboBox,
        &ShitComboBox, &LinuxComboBox};
    for (size_t i = 0; i < questions().size(); ++i) {
        const Question& q = questions()[i];
        auto* list = new QComboBox;
        list->setObjectName(QString::fromLatin1(q.name));
        list->addItem(QString::fromUtf8(kChooseOption));
        list->addItem(QString::fromUtf8(kSeparator));
        for (const char* answer : q.answers)
            list->addItem(QString::fromUtf8(answer));
        list->addItem(QString::fromUtf8(kSeparator));
        list->addItem(Strings[OtherAnswer]);
        list->setMaxVisibleItems(list->count());
        connect(list, &QComboBox::currentIndexChanged, this, [this, list](int index) { questionChanged(list, index); });
        questionForm->addRow(QString::fromUtf8(q.label), list);
        *lists[i] = list;
    }
    info->addLayout(questionForm);
    info->addStretch();

    QVBoxLayout* comments = page(QStringLiteral("Krok 4 z 5 - Vaše komentáře"), true);
    CommentsMemo = new QPlainTextEdit;
    CommentsMemo->setPlaceholderText(QStringLiteral("Sem napište své nápady, připomínky nebo cokoli dalšího..."));
    comments->addWidget(CommentsMemo);

    QVBoxLayout* finish = page(QStringLiteral("Krok 5 z 5 - Uložení zprávy"), false);
    FinalMemo = new QPlainTextEdit;
    FinalMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button4 = new QPushButton(QStringLiteral("&Uložit"));
    Button5 = new QPushButton(QStringLiteral("&Odeslat elektronickou poštou"));
    finish->addWidget(FinalMemo, 1);
    NoAddressLabel = new QLabel(QStringLiteral("Tato sestava programu nemá adresu pro zprávy autorovi, proto zprávu "
                                               "nelze odeslat poštou. Uložte ji do souboru a pošlete ji jinou cestou."));
    NoAddressLabel->setObjectName(QStringLiteral("NoAddressLabel"));
    NoAddressLabel->setWordWrap(true);
    finish->addWidget(NoAddressLabel);
    auto* finishButtons = new QHBoxLayout;
    finishButtons->addStretch();
    finishButtons->addWidget(Button4);
    finishButtons->addWidget(Button5);
    finish->addLayout(finishButtons);

    Button2 = new QPushButton(QStringLiteral("<< &Zpět"), this);
    Button1 = new QPushButton(QStringLiteral("&Další >>"), this);
    Button3 = new QPushButton(Strings[CloseCaption], this);
    Button1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    buttons->addSpacing(12);
    buttons->addWidget(Button3);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(logo);
    layout->addWidget(Pages, 1);
    layout->addWidget(separator);
    layout->addLayout(buttons);
    resize(520, 520);
    setMinimumSize(460, 460);

    connect(Button1, &QPushButton::clicked, this, &TSendIdeasForm::NextClick);
    connect(Button2, &QPushButton::clicked, this, &TSendIdeasForm::BackClick);
    connect(Button3, &QPushButton::clicked, this, &TSendIdeasForm::reject);
    connect(Button4, &QPushButton::clicked, this, &TSendIdeasForm::SaveClick);
    connect(Button5, &QPushButton::clicked, this, &TSendIdeasForm::MailClick);
    connect(AnonymousEmailCheckBox, &QCheckBox::clicked, this, &TSendIdeasForm::anonymousClick);
    setPage(Welcome);
}

int TSendIdeasForm::CurrentPage() const
{
    return Pages->currentIndex();
}

QList<QComboBox*> TSendIdeasForm::Questions() const
{
    return {GeneralRattingComboBox, PluginsComboBox, ScriptingComboBox, MissingComboBox, ShitComboBox, LinuxComboBox};
}

void TSendIdeasForm::setPage(int page)
{
    Pages->setCurrentIndex(page);
    updateButtons();
    switch (page) {
    case Sender:
        FirstNameEdit->setFocus();
        break;
    case ProgramInfo:
        GeneralRattingComboBox->setFocus();
        break;
    case Comments:
        CommentsMemo->setFocus();
        break;
    case Finish:
        FinalMemo->setFocus();
        break;
    default:
        Button1->setFocus();
        break;
    }
}

void TSendIdeasForm::updateButtons()
{
    const int page = CurrentPage();
    Button1->setEnabled(page != Finish);
    Button2->setEnabled(page != Welcome);
    const bool cancel = (page > Welcome && page < Finish) || (page == Finish && saved_);
    Button3->setText(Strings[cancel ? CancelCaption : CloseCaption]);
    // Mail is offered only to an address that can receive it.
    const bool mailable = Strings[FeedbackAddress].contains(QLatin1Char('@'));
    Button5->setVisible(mailable);
    NoAddressLabel->setVisible(!mailable);
}

void TSendIdeasForm::NextClick()
{
    pristine_ = false;
    switch (CurrentPage()) {
    case Sender:
        if (FirstNameEdit->text().isEmpty() && LastNameEdit->text().isEmpty()) {
            QMessageBox::information(this, windowTitle(), Strings[NameMissing]);
            LastNameEdit->setFocus();
            return;
        }
        if (EmailEdit->text().isEmpty() && !AnonymousEmailCheckBox->isChecked()) {
            AnonymousEmailCheckBox->setChecked(true);
            anonymousClick();
        }
        if (EmailEdit->text().contains(QLatin1Char('@')) || AnonymousEmailCheckBox->isChecked()) {
            setPage(ProgramInfo);
        } else {
            QMessageBox::information(this, windowTitle(), Strings[EmailInvalid]);
            EmailEdit->setFocus();
        }
        return;
    case Comments:
        saved_ = false;
        FinalMemo->setPlainText(ComposeMessage().join(QLatin1Char('\n')));
        setPage(Finish);
        return;
    case Finish:
        return;
    default:
        setPage(CurrentPage() + 1);
        return;
    }
}

void TSendIdeasForm::BackClick()
{
    if (CurrentPage() > Welcome)
        setPage(CurrentPage() - 1);
}

void TSendIdeasForm::anonymousClick()
{
    const bool anonymous = AnonymousEmailCheckBox->isChecked();
    EmailEdit->setEnabled(!anonymous);
    EmailEdit->setText(anonymous ? Strings[Anonymous] : QString());
}

void TSendIdeasForm::questionChanged(QComboBox* list, int index)
{
    const int last = list->count() - 1;
    // Separator lines (and answers that look like one) cannot be chosen; a
    // user's own answer in the last entry is kept whatever it contains.
    if (index != last && list->itemText(index).contains(QLatin1Char('-'))) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(0);
        return;
    }
    if (index != last)
        return;
    std::optional<QString> answer;
    if (otherAnswerPrompt) {
        answer = otherAnswerPrompt();
    } else {
        QInputDialog box(this);
        box.setWindowTitle(Strings[OtherAnswerCaption]);
        box.setLabelText(Strings[OtherAnswerPrompt]);
        box.setMinimumWidth(380);
        if (box.exec() == QDialog::Accepted)
            answer = box.textValue();
    }
    if (!answer)
        return;
    const QString text = answer->isEmpty() ? Strings[OtherAnswer] : *answer;
    list->setItemText(last, text);
    if (text == Strings[OtherAnswer]) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(0);
    }
}

QStringList TSendIdeasForm::ComposeMessage() const
{
    QStringList lines;
    lines << QString::fromUtf8(kApplicationTitle)
          << QStringLiteral("v%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRelease) << QString()
          << QStringLiteral("Jméno: ") + FirstNameEdit->text() << QStringLiteral("Přijmení: ") + LastNameEdit->text()
          << QStringLiteral("E-mail: ") + EmailEdit->text() << QString() << QString::fromUtf8(kFormLine);
    const QStringList labels = QuestionLabels();
    const QList<QComboBox*> lists = Questions();
    for (int i = 0; i < lists.size(); ++i) {
        if (lists[i]->currentIndex() <= 0)
            continue;
        lines << QStringLiteral("Q: ") + labels[i] << QStringLiteral("A: ") + lists[i]->currentText();
    }
    lines << QString::fromUtf8(kFormLine) << QString() << Strings[CommentsLine];
    const QString comments = CommentsMemo->toPlainText();
    if (!comments.isEmpty())
        lines << comments.split(QLatin1Char('\n'));
    lines << QString() << QStringLiteral("----- ") << Strings[CreatedBy];
    return lines;
}

QString TSendIdeasForm::TextFileName(const QString& chosen)
{
    if (QFileInfo(chosen).suffix().toLower() == QLatin1String("txt") && chosen.contains(QLatin1Char('.')))
        return chosen;
    return chosen + QStringLiteral(".txt");
}

bool TSendIdeasForm::SaveClick()
{
    QString chosen;
    if (saveFileChooser) {
        chosen = saveFileChooser();
    } else {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("Textové soubory (*.txt)"), QStringLiteral("Všechny soubory (*)")});
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty())
        return false;
    const QString fileName = TextFileName(chosen);
    if (fileName != chosen && QFileInfo::exists(fileName)
        && QMessageBox::question(this, windowTitle(),
               QStringLiteral("Soubor %1 již existuje. Chcete ho nahradit?").arg(fileName), QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No)
            != QMessageBox::Yes)
        return false;
#ifdef Q_OS_WIN
    const QString lineEnd = QStringLiteral("\r\n");
#else
    const QString lineEnd = QStringLiteral("\n");
#endif
    std::string text;
    for (const QString& line : FinalMemo->toPlainText().split(QLatin1Char('\n')))
        text += (line + lineEnd).toStdString();
    std::string reason;
    if (!qx::WriteFileAtomically(QFile::encodeName(fileName).toStdString(), text, &reason)) {
        // Nothing is lost: the message stays in the wizard, and a file of
        // that name keeps what it held.
        QMessageBox::warning(this, windowTitle(),
            QStringLiteral("Zprávu se nepodařilo uložit do souboru %1:\n%2.").arg(fileName, QString::fromStdString(reason)));
        return false;
    }
    saved_ = true;
    updateButtons();
    accept();
    return true;
}

void TSendIdeasForm::MailClick()
{
    if (!Strings[FeedbackAddress].contains(QLatin1Char('@')))
        return;
    TMailFields fields;
    fields.To = Strings[FeedbackAddress];
    fields.Subject = QString::fromUtf8(kApplicationTitle);
    fields.Text = FinalMemo->toPlainText();
    if (ComposeMail(this, fields))
        accept();
}

void TSendIdeasForm::reject()
{
    if (pristine_ || (CurrentPage() == Finish && saved_)) {
        QDialog::reject();
        return;
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(), Strings[QuitQuestion], QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        QDialog::reject();
}
