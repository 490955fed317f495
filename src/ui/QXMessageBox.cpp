#include "ui/QXMessageBox.h"

#include "kernel/Settings.h"
#include "plugins/PluginFrame.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <functional>

namespace {

// The form's string table.
enum { kOk, kCancel, kRetry, kIgnore };
const char* const kStrings[] = {"&OK", "&Storno", "&Opakovat", "&Ignorovat"};

QString text(int index)
{
    return QString::fromUtf8(kStrings[index]);
}

std::function<int(TQXMessageBoxForm&)> presenter;

const int kWidth = 420;

} // namespace

TQXMessageBoxForm::TQXMessageBoxForm(QWidget* owner)
    : QDialog(owner ? owner : DefaultDialogOwner())
{
    setWindowTitle(QStringLiteral("Quorvix 2"));
    setFont(QFont(QString::fromStdString(GetShellFont())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    Image1->setGeometry(12, 12, 32, 32);

    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label1->setGeometry(56, 12, kWidth - 68, 72);

    Label2 = new QLabel(this);
    Label2->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setGeometry(56, 88, kWidth - 68, 18);
    Label2->hide();
    connect(Label2, &QLabel::linkActivated, this, [](const QString& target) { QDesktopServices::openUrl(QUrl::fromUserInput(target)); });

    Button1 = new QPushButton(this);
    Button2 = new QPushButton(this);
    Button2->hide();
    setFixedSize(kWidth, kHeight);
}

void TQXMessageBoxForm::Prepare(Variant variant, const QString& message, const QString& link, const QString& linkCaption)
{
    Label1->setText(message);
    auto place = [this](QPushButton* b, int slot) { b->setGeometry(kWidth - 12 - (slot + 1) * 96, height() - 40, 88, 28); };
    QObject::disconnect(Button1, nullptr, this, nullptr);
    QObject::disconnect(Button2, nullptr, this, nullptr);
    auto bind = [this](QPushButton* b, int result) { connect(b, &QPushButton::clicked, this, [this, result] { done(result); }); };
    switch (variant) {
    case Variant::Ok:
        Button1->setText(text(kOk));
        bind(Button1, Ok);
        Button2->hide();
        Button1->setDefault(true);
        cancelResult_ = Ok;
        break;
    case Variant::IgnoreCancel:
        Button1->setText(text(kIgnore));
        Button2->setText(text(kCancel));
        bind(Button1, Ignore);
        bind(Button2, Cancel);
        Button2->show();
        Button1->setDefault(true);
        cancelResult_ = Cancel;
        break;
    case Variant::RetryCancel:
        Button1->setText(text(kCancel));
        Button2->setText(text(kRetry));
        bind(Button1, Cancel);
        bind(Button2, Retry);
        Button2->show();
        Button2->setDefault(true);
        cancelResult_ = Cancel;
        break;
    }
    if (!link.isEmpty()) {
        QString shown = linkCaption.isEmpty() ? link : linkCaption;
        Label2->setText(QStringLiteral("<a href=\"%1\" style=\"color: blue;\">%2</a>").arg(link.toHtmlEscaped(), shown.toHtmlEscaped()));
        Label2->setToolTip(link);
        Label2->show();
        setFixedSize(kWidth, kHeightWithLink);
    }
    // The default button also has the focus, so Enter chooses it.
    (variant == Variant::RetryCancel ? Button2 : Button1)->setFocus();
    bool two = variant != Variant::Ok;
    place(two ? Button2 : Button1, 0);
    if (two)
        place(Button1, 1);
}

void TQXMessageBoxForm::showEvent(QShowEvent* event)
{
    if (QWidget* owner = parentWidget()) {
        const QRect r = owner->window()->frameGeometry();
        const QSize own = frameGeometry().size();
        move(r.left() + r.width() / 2 - own.width() / 2, r.top() + r.height() / 2 - own.height() / 2);
    }
    QDialog::showEvent(event);
}

void TQXMessageBoxForm::reject()
{
    done(cancelResult_);
}

QWidget* DefaultDialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    if (QWidget* main = PluginFrame().MainWindow())
        return main;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : nullptr;
}

void SetMessageBoxPresenter(std::function<int(TQXMessageBoxForm&)> p)
{
    presenter = std::move(p);
}

static int run(TQXMessageBoxForm::Variant variant, const QString& message, const QString& link, const QString& caption)
{
    TQXMessageBoxForm form;
    form.Prepare(variant, message, link, caption);
    if (presenter)
        return presenter(form);
    return form.exec();
}

int MessageBoxOk(const QString& message, const QString& link, const QString& linkCaption)
{
    return run(TQXMessageBoxForm::Variant::Ok, message, link, linkCaption);
}

int MessageBoxIgnoreCancel(const QString& message, const QString& link, const QString& linkCaption)
{
    return run(TQXMessageBoxForm::Variant::IgnoreCancel, message, link, linkCaption);
}

int MessageBoxRetryCancel(const QString& message, const QString& link, const QString& linkCaption)
{
    return run(TQXMessageBoxForm::Variant::RetryCancel, message, link, linkCaption);
}
