#include "ui/AboutBoxes.h"

#include "kernel/Settings.h"
#include "kernel/VersionStamp.h"
#include "ui/LogoBanner.h"
#include "ui/QXMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel* heading(QWidget* parent)
{
    auto* l = new QLabel(QStringLiteral("Quorvix 2"), parent);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    l->setFont(f);
    return l;
}

void centreOn(QWidget* dialog, QWidget* owner)
{
    QRect area = owner ? owner->window()->frameGeometry() : QApplication::primaryScreen()->availableGeometry();
    dialog->adjustSize();
    dialog->move(area.center() - dialog->rect().center());
}

} // namespace

TAboutAppForm::TAboutAppForm(QWidget* owner)
    : QDialog(owner ? owner : DefaultDialogOwner())
{
    setWindowTitle(QStringLiteral("Quorvix 2"));
    setFont(QFont(QString::fromStdString(GetShellFont())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(new TLogoBanner(this));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 0);
    body->addWidget(heading(this));
    body->addWidget(new QLabel(QStringLiteral("Verze %1, vývojový tým Quorvix").arg(QString::fromStdString(InstalledVersionText())), this));
    if (!ProductWebPage().isEmpty()) {
        auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(ProductWebPage()), this);
        link->setOpenExternalLinks(true);
        body->addWidget(link);
    }
    auto* memo = new QPlainTextEdit(this);
    memo->setReadOnly(true);
    memo->setPlainText(QStringLiteral(
        "Quorvix 2 je hostitel nástrojů pro programátory. Sám nic needituje: každý typ dokumentu a každý "
        "nástroj přináší modul (plug-in) načtený při spuštění.\n\n"
        "Program nabízí projekty a plochy, skriptovací jazyk podobný Pascalu, externí nástroje, "
        "automatické zálohování a odesílání dokumentů poštou.\n\n"
        "Qt %1, C++20.")
                            .arg(QString::fromLatin1(qVersion())));
    memo->setFixedHeight(110);
    body->addWidget(memo);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    body->addWidget(Button1, 0, Qt::AlignRight);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    centreOn(this, parentWidget());
    Button1->setFocus();
}

TQXAboutBoxForm::TQXAboutBoxForm(QWidget* owner)
    : QDialog(owner ? owner : QApplication::activeWindow())
{
    setWindowTitle(QStringLiteral("Quorvix rel. 2"));
    setFont(QFont(QString::fromStdString(GetShellFont())));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(new TLogoBanner(this));
    auto* top = new QHBoxLayout;
    top->setContentsMargins(12, 6, 12, 0);
    AppIcon = new QLabel(this);
    AppIcon->setFixedSize(32, 32);
    AppIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    top->addWidget(AppIcon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(heading(this));
    OtherStuff = new QLabel(this);
    OtherStuff->setWordWrap(true);
    OtherStuff->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(OtherStuff);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    PageControl = new QTabWidget(this);
    DescriptionMemo = new QPlainTextEdit;
    DescriptionMemo->setReadOnly(true);
    LogMemo = new QPlainTextEdit;
    LogMemo->setReadOnly(true);
    PageControl->addTab(DescriptionMemo, QStringLiteral("Podrobnosti"));
    PageControl->addTab(LogMemo, QStringLiteral("Debug.log"));
    PageControl->setFixedHeight(120);
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(12, 6, 12, 0);
    pages->addWidget(PageControl);
    Button = new QPushButton(QStringLiteral("&OK"), this);
    Button->setDefault(true);
    connect(Button, &QPushButton::clicked, this, &QDialog::accept);
    pages->addWidget(Button, 0, Qt::AlignRight);
    layout->addLayout(pages);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    centreOn(this, nullptr);
}
