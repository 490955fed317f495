#include "mail/SendIdeasQuestion.h"

#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "ui/DialogSupport.h"
#include "ui/LogoBanner.h"
#include "ui/WindowLifetime.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

struct Choice {
    const char* text;
    int countdown;
};

const Choice kChoices[] = {
    {"Ano, chci poslat své nápady a připomínky hned!", -1},
    {"Dobře, pošlu pár řádek ale pošlu je jindy, teď se to nehodí. Chci být upozorněn znovu v blízké době.", 5},
    {"Dobře, pošlu pár řádek ale pošlu je jindy, teď se to nehodí. Chci být upozorněn znovu ale raději až za "
     "delší dobu.",
        25},
    {"Ne, nechci posílat žádné zprávy nebo nemám přístup k Internetu. A nechci, aby se toto okno ještě někdy "
     "zobrazilo.",
        -1},
};

} // namespace

int TSendIdeasQuestionForm::CountdownFor(int choice)
{
    return kChoices[choice - 1].countdown;
}

TSendIdeasQuestionForm::~TSendIdeasQuestionForm()
{
    StopWatchingChildren(this);
}

TSendIdeasQuestionForm::TSendIdeasQuestionForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "SendIdeasQuestionForm", QString::fromUtf8(kApplicationTitle));

    auto* logo = new TLogoBanner(this);
    auto* greeting = new QLabel(QStringLiteral("Quorvix 2 Vás vítá..."), this);
    QFont bold = greeting->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    greeting->setFont(bold);
    Label1 = new QLabel(QStringLiteral("...při svém spuštění číslo %1!").arg(LaunchCount()), this);
    auto* invitation = new QLabel(
        QStringLiteral("Váš názor nás zajímá. Napište autorovi, co se Vám na programu líbí, co Vám v něm chybí "
                       "a co byste změnili. Průvodce zprávou autorovi Vás provede několika krátkými kroky "
                       "a hotovou zprávu můžete uložit do souboru nebo odeslat elektronickou poštou."),
        this);
    invitation->setWordWrap(true);

    // The answers are long: each radio button has its text in a wrapped
    // label beside it, which selects the button when clicked.
    auto* choices = new QGridLayout;
    choices->setColumnStretch(1, 1);
    choices->setVerticalSpacing(6);
    QRadioButton** radios[] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        radio->setAccessibleName(QString::fromUtf8(kChoices[i].text));
        auto* text = new QLabel(QString::fromUtf8(kChoices[i].text), this);
        text->setWordWrap(true);
        text->setProperty("qxRadio", QVariant::fromValue(static_cast<QObject*>(radio)));
        text->installEventFilter(this);
        choices->addWidget(radio, i, 0, Qt::AlignTop);
        choices->addWidget(text, i, 1);
        connect(radio, &QRadioButton::toggled, this, [this] { Button1->setEnabled(true); });
        *radios[i] = radio;
    }

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setDefault(true);
    Button1->setEnabled(false);
    connect(Button1, &QPushButton::clicked, this, &TSendIdeasQuestionForm::Button1Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(logo);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 0);
    body->addWidget(greeting);
    body->addWidget(Label1);
    body->addSpacing(6);
    body->addWidget(invitation);
    body->addSpacing(6);
    body->addLayout(choices);
    body->addSpacing(6);
    body->addWidget(Button1, 0, Qt::AlignRight);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TSendIdeasQuestionForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        if (auto* radio = qobject_cast<QRadioButton*>(watched->property("qxRadio").value<QObject*>())) {
            radio->setChecked(true);
            radio->setFocus();
            return true;
        }
    return QDialog::eventFilter(watched, event);
}

void TSendIdeasQuestionForm::Button1Click()
{
    const QRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    for (int i = 0; i < 4; ++i)
        if (radios[i]->isChecked()) {
            SetLaunchCountdown(CountdownFor(i + 1));
            accept();
            return;
        }
}
