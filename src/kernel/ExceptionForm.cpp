#include "kernel/ExceptionForm.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
const int kWidth = 416;
const int kMargin = 8;
}

TExceptionHandlerForm::TExceptionHandlerForm(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quorvix rel. 2"));
    setFont(QFont(QString::fromStdString(GetShellFont())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/DIALOG_LOGO_400X90")));
    logo->setGeometry(kMargin, 0, 400, 90);

    auto* label1 = new QLabel(QStringLiteral("Quorvix zazchytil vyjímku v neznámém modulu. Může se jednat o chybu "
                                             "některého z modulů nebo chybu tohoto programu."),
        this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    label1->setGeometry(kMargin, 96, 400, 36);

    auto* label2 = new QLabel(QStringLiteral("Pokud bude chyba přetrvávat i po restartu programu a systému Windows, "
                                             "kontaktujte autora modulu způsobujícího chybu nebo autora tohoto programu."),
        this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setWordWrap(true);
    label2->setGeometry(kMargin, 134, 400, 50);

    Button1 = new QPushButton(QStringLiteral("&Zotavit"), this);
    Button2 = new QPushButton(QStringLiteral("&Ukončit"), this);
    Button3 = new QPushButton(QStringLiteral("&Detaily >>"), this);
    Button1->setGeometry(kMargin, 192, 100, 28);
    Button2->setGeometry(kMargin + 108, 192, 100, 28);
    Button3->setGeometry(kWidth - kMargin - 100, 192, 100, 28);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TExceptionHandlerForm::toggleDetails);

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(kMargin, kCollapsedHeight, 400, kExpandedHeight - kCollapsedHeight - kMargin);
    DescriptionMemo = new QPlainTextEdit;
    DescriptionMemo->setReadOnly(true);
    DescriptionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo = new QPlainTextEdit;
    LogMemo->setReadOnly(true);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PageControl1->addTab(DescriptionMemo, QStringLiteral("Podrobnosti"));
    PageControl1->addTab(LogMemo, QStringLiteral("Debug.log"));
    connect(PageControl1, &QTabWidget::currentChanged, this, &TExceptionHandlerForm::pageChanged);

    setFixedSize(kWidth, kCollapsedHeight);
}

void TExceptionHandlerForm::showEvent(QShowEvent* event)
{
    // Centred on the window it belongs to (the frame), whichever window is
    // active when the exception arrives.
    if (QWidget* owner = parentWidget()) {
        const QRect r = owner->window()->frameGeometry();
        const QSize own = frameGeometry().size();
        move(r.left() + r.width() / 2 - own.width() / 2, r.top() + r.height() / 2 - own.height() / 2);
    }
    QDialog::showEvent(event);
}

void TExceptionHandlerForm::SetDescription(const QStringList& lines)
{
    DescriptionMemo->setPlainText(lines.join(QLatin1Char('\n')));
}

// Esc chooses Recover, like the dialog's cancel button; reject() is Exit.
void TExceptionHandlerForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TExceptionHandlerForm::closeEvent(QCloseEvent* event)
{
    // Closing the window by its frame is the cancel button too: Recover.
    event->ignore();
    accept();
}

void TExceptionHandlerForm::toggleDetails()
{
    QString caption = Button3->text();
    if (caption.contains(QLatin1String(">>"))) {
        Button3->setText(caption.replace(QLatin1String(">>"), QLatin1String("<<")));
        setFixedSize(kWidth, kExpandedHeight);
    } else {
        Button3->setText(caption.replace(QLatin1String("<<"), QLatin1String(">>")));
        setFixedSize(kWidth, kCollapsedHeight);
    }
}

void TExceptionHandlerForm::pageChanged(int)
{
    if (!LogMemo->toPlainText().isEmpty())
        return;
    QStringList lines;
    for (const auto& line : GetEventLogLines())
        lines << QString::fromStdString(line);
    LogMemo->setPlainText(lines.join(QLatin1Char('\n')));
}
