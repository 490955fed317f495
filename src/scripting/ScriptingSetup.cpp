#include "scripting/ScriptingSetup.h"

#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "ui/DialogSupport.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TSetupScriptingForm::TSetupScriptingForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "SetupScriptingForm", QStringLiteral("Nastavení skriptování"));
    QHBoxLayout* top = NewPictureRow(this, QStringLiteral(":/scripting/setup.svg"),
        QStringLiteral("Zde si můžete přizpůsobit vlastnosti skriptování."), Image1, Label1);
    GroupBox1 = new QGroupBox(QStringLiteral("Skriptování"), this);
    RadioButton1 = new QRadioButton(QStringLiteral("Vůbec &nepoužívat"), GroupBox1);
    RadioButton2 = new QRadioButton(QStringLiteral("&Používat se zabezpečením"), GroupBox1);
    RadioButton3 = new QRadioButton(QStringLiteral("Plná po&dpora"), GroupBox1);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(RadioButton1);
    group->addWidget(RadioButton2);
    group->addWidget(RadioButton3);
    QHBoxLayout* buttons = NewOkCancelRow(this, Button1, Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(GroupBox1);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(360, 250);

    // None is checked when the stored mode is not one of them.
    const int mode = ScriptingMode();
    QRadioButton* modes[] = {RadioButton1, RadioButton2, RadioButton3};
    for (int i = 0; i < 3; ++i)
        modes[i]->setChecked(i == mode);

    connect(Button1, &QPushButton::clicked, this, &TSetupScriptingForm::button1Click);
}

void TSetupScriptingForm::button1Click()
{
    const QRadioButton* modes[] = {RadioButton1, RadioButton2, RadioButton3};
    for (int i = 0; i < 3; ++i) {
        if (!modes[i]->isChecked())
            continue;
        try {
            SetScriptingMode(i);
        } catch (const std::exception& e) {
            ReportKernelWarning("Server\\ScriptingSetup", KernelObjectOf(this),
                std::string("Unable to store the scripting mode: ") + e.what());
        }
        break;
    }
    accept();
}
