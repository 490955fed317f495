#include "mail/SendMail.h"

#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "mail/Mapi.h"
#include "ui/DialogSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <thread>

namespace {

std::function<int(const TMailMessage&)> transport;
std::function<void(const QString&)> statusReporter;

QStringList splitField(const QString& text)
{
    return text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QLineEdit* addressEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, Qt::blue);
    edit->setPalette(palette);
    QFont underlined = edit->font();
    underlined.setUnderline(true);
    edit->setFont(underlined);
    return edit;
}

} // namespace

void TSendMailForm::SetTransport(std::function<int(const TMailMessage&)> t)
{
    transport = std::move(t);
}

void TSendMailForm::SetStatusReporter(std::function<void(const QString&)> report)
{
    statusReporter = std::move(report);
}

TSendMailForm::TSendMailForm(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("SendMailForm"));
    setWindowTitle(QStringLiteral("Odeslat poštu"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);
    Strings = {QStringLiteral("Takto se zruší rozepsaná zpráva, chcete určitě pokračovat?"),
        QStringLiteral("Zpráva byla právě předána poštovnímu klientovi."),
        QStringLiteral("Při pokusu o předání zprávy poštovnímu klientovi došlo k chybě [%1]. Zpráva nemůže být "
                       "odeslána.")};

    EmailEdit = addressEdit(this);
    CcEdit = addressEdit(this);
    SubjectEdit = new QLineEdit(this);
    AttEdit = new QLineEdit(this);
    Button3 = new QPushButton(QStringLiteral("..."), this);
    Button3->setFixedWidth(32);
    MessageMemo = new QPlainTextEdit(this);
    MessageMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button1 = new QPushButton(QStringLiteral("&Odeslat"), this);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button1->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Adresát:"), this), 0, 0);
    fields->addWidget(EmailEdit, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Cc:"), this), 1, 0);
    fields->addWidget(CcEdit, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Subjekt:"), this), 2, 0);
    fields->addWidget(SubjectEdit, 2, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Přílohy:"), this), 3, 0);
    fields->addWidget(AttEdit, 3, 1);
    fields->addWidget(Button3, 3, 2);
    sendingLabel_ = new QLabel(QStringLiteral("Předávám zprávu poštovnímu klientovi..."), this);
    sendingLabel_->setObjectName(QStringLiteral("SendingLabel"));
    sendingLabel_->hide();
    poll_ = new QTimer(this);
    poll_->setInterval(25);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (result_.valid() && result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            handedOver(result_.get());
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sendingLabel_);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(MessageMemo, 1);
    layout->addLayout(buttons);
    resize(520, 420);

    for (QLineEdit* edit : {EmailEdit, CcEdit, SubjectEdit, AttEdit})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { cleanUp(edit); });
    connect(Button1, &QPushButton::clicked, this, &TSendMailForm::button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSendMailForm::reject);
    connect(Button3, &QPushButton::clicked, this, &TSendMailForm::button3Click);
}

void TSendMailForm::cleanUp(QLineEdit* edit)
{
    // Runs of ";" become one and leading blanks go, as the user types.
    QString text = edit->text();
    while (text.contains(QLatin1String(";;")))
        text.replace(QLatin1String(";;"), QLatin1String(";"));
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    if (text != edit->text()) {
        const int cursor = edit->cursorPosition() - int(edit->text().size() - text.size());
        edit->setText(text);
        edit->setCursorPosition(std::max(0, cursor));
    }
}

TMailMessage TSendMailForm::Message() const
{
    TMailMessage m;
    m.To = splitField(EmailEdit->text());
    m.Cc = splitField(CcEdit->text());
    m.Attachments = splitField(AttEdit->text());
    m.Subject = SubjectEdit->text();
    m.Text = MessageMemo->toPlainText().split(QLatin1Char('\n')).join(QLatin1String("\r\n"));
    return m;
}

void TSendMailForm::button1Click()
{
    if (sending_)
        return;
    sending_ = true;
    Button1->setEnabled(false);
    sendingLabel_->show();
    setCursor(Qt::BusyCursor);
    // The worker owns everything it uses; the dialog only polls the result,
    // so a dialog that goes away first leaves nothing dangling.
    std::promise<int> promise;
    result_ = promise.get_future();
    std::thread([promise = std::move(promise), message = Message(), send = transport]() mutable {
        promise.set_value(send ? send(message) : SendMailMessage(message));
    }).detach();
    poll_->start();
}

void TSendMailForm::handedOver(int result)
{
    poll_->stop();
    sending_ = false;
    Button1->setEnabled(true);
    sendingLabel_->hide();
    unsetCursor();
    if (result == 0) {
        if (statusReporter)
            statusReporter(Strings[1]);
        accept();
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationTitle), Strings[2].arg(result),
        QMessageBox::Ok, this);
    box.exec();
}

void TSendMailForm::button3Click()
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(OpenFilterToNameFilters(QStringLiteral("Všechny dokumenty (*.*)|*.*")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString file = dialog.selectedFiles().first();
    AttEdit->setText(AttEdit->text().isEmpty() ? file : AttEdit->text() + QLatin1Char(';') + file);
}

void TSendMailForm::reject()
{
    // The message is on its way; the answer comes within seconds.
    if (sending_)
        return;
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle), Strings[0],
        QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        QDialog::reject();
}

bool ComposeMail(QWidget* owner, const TMailFields& fields)
{
    TSendMailForm form(owner);
    form.EmailEdit->setText(fields.To);
    form.CcEdit->setText(fields.Cc);
    form.AttEdit->setText(fields.Attachments);
    form.SubjectEdit->setText(fields.Subject);
    form.MessageMemo->setPlainText(fields.Text);
    if (owner)
        form.setWindowModality(Qt::WindowModal);
    return form.exec() == QDialog::Accepted;
}
