#include "options/StartupSetup.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "ui/ButtonEdits.h"
#include "ui/DialogSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString completedFolder(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QDir::separator();
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

TStartupSetupForm::TStartupSetupForm(QWidget* owner)
    : QDialog(owner)
{
    PrepareDialog(this, "StartupSetupForm", QStringLiteral("Spouštění a ukončování"));

    PageControl1 = new QTabWidget(this);
    auto* tabSheet1 = new QWidget;
    auto* tabSheet2 = new QWidget;
    tabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    tabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(tabSheet1, QStringLiteral("Obecné"));
    PageControl1->addTab(tabSheet2, QStringLiteral("Cesty"));

    GroupBox1 = new QGroupBox(QStringLiteral("Ladění"), tabSheet1);
    CheckBox1 = new QCheckBox(QStringLiteral("Generovat informace o ladění"), GroupBox1);
    Label1 = new QLabel(QStringLiteral("Cílový soubor:"), GroupBox1);
    Edit1 = new QLineEdit(GroupBox1);
    Label1->setBuddy(Edit1);
    CheckBox2 = new QCheckBox(QStringLiteral("Výchozí cílový soubor (DEBUG.LOG)"), GroupBox1);
    Label2 = new QLabel(QStringLiteral("Jak má proběhnout ukončení programu po chybě:"), GroupBox1);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->addItems({QStringLiteral("Okamžité ukončení (výchozí)"),
        QStringLiteral("Ukončení po odinicializaci modulu QXKernel")});
    Label2->setBuddy(ComboBox1);
    auto* debugLayout = new QGridLayout(GroupBox1);
    debugLayout->addWidget(CheckBox1, 0, 0, 1, 2);
    debugLayout->addWidget(Label1, 1, 0);
    debugLayout->addWidget(Edit1, 1, 1);
    debugLayout->addWidget(CheckBox2, 2, 1);
    debugLayout->setRowMinimumHeight(3, 6);
    debugLayout->addWidget(Label2, 4, 0, 1, 2);
    debugLayout->addWidget(ComboBox1, 5, 0, 1, 2);
    debugLayout->setColumnStretch(1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("Souštění"), tabSheet1);
    CheckBox3 = new QCheckBox(QStringLiteral("Pozastavit běh po načtění modulů"), GroupBox2);
    CheckBox4 = new QCheckBox(QStringLiteral("Znovu otevřít dokumenty otevřené při posledním ukončení"), GroupBox2);
    CheckBox4->setToolTip(QStringLiteral("S kurzorem, posunem a záložkami. Neplatí, když se při spuštění otevře "
                                         "projekt nebo soubory z příkazového řádku."));
    auto* startLayout = new QVBoxLayout(GroupBox2);
    startLayout->addWidget(CheckBox3);
    startLayout->addWidget(CheckBox4);
    auto* general = new QVBoxLayout(tabSheet1);
    general->addWidget(GroupBox1);
    general->addWidget(GroupBox2);
    general->addStretch();

    GroupBox3 = new QGroupBox(QStringLiteral("Kde hledat"), tabSheet2);
    DirectoryEdit1 = new TDirectoryEdit(GroupBox3);
    DirectoryEdit2 = new TDirectoryEdit(GroupBox3);
    DirectoryEdit3 = new TDirectoryEdit(GroupBox3);
    auto* folders = new QVBoxLayout(GroupBox3);
    const std::pair<const char*, TDirectoryEdit*> rows[] = {
        {"Kde hledat zásuvné moduly:", DirectoryEdit1},
        {"Kde hledat a kam ukládat projekty:", DirectoryEdit2},
        {"Kde hledat a kam ukládat skripty:", DirectoryEdit3},
    };
    int number = 3;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), GroupBox3);
        label->setObjectName(QStringLiteral("Label%1").arg(number++));
        label->setBuddy(edit);
        folders->addWidget(label);
        folders->addWidget(edit);
        folders->addSpacing(4);
    }
    auto* paths = new QVBoxLayout(tabSheet2);
    paths->addWidget(GroupBox3);
    paths->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    // One row: refill on the left, OK and Cancel on the right.
    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("Ob&novit"), this);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button1->setDefault(true);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TStartupSetupForm::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TStartupSetupForm::Fill);
    connect(CheckBox1, &QCheckBox::clicked, this, &TStartupSetupForm::updateEnabled);
    connect(CheckBox2, &QCheckBox::clicked, this, &TStartupSetupForm::updateEnabled);
    setMinimumWidth(460);

    Fill();
}

void TStartupSetupForm::Fill()
{
    const QString logFile = QString::fromStdString(GetEventLogFileName());
    const QString defaultLog = QString::fromStdString(GetUserStateDirectory()) + QStringLiteral("debug.log");
    CheckBox1->setChecked(IsEventLogEnabled());
    Edit1->setText(logFile);
    CheckBox2->setChecked(logFile.compare(defaultLog, Qt::CaseInsensitive) == 0);
    ComboBox1->setCurrentIndex(HardExitEnabled() ? 0 : 1);
    CheckBox3->setChecked(WantPluginDetails());
    CheckBox4->setChecked(ReopenDocumentsEnabled());
    DirectoryEdit1->setText(QString::fromStdString(GetPluginsDir()));
    DirectoryEdit2->setText(QString::fromStdString(GetProjectsDir()));
    DirectoryEdit3->setText(QString::fromStdString(GetScriptsDir()));
    updateEnabled();
}

void TStartupSetupForm::updateEnabled()
{
    CheckBox2->setEnabled(CheckBox1->isChecked());
    const bool fileEnabled = CheckBox1->isChecked() && !CheckBox2->isChecked();
    Edit1->setEnabled(fileEnabled);
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Base, this->palette().color(fileEnabled ? QPalette::Base : QPalette::Button));
    Edit1->setPalette(palette);
}

void TStartupSetupForm::Button1Click()
{
    for (TDirectoryEdit* edit : {DirectoryEdit1, DirectoryEdit2, DirectoryEdit3}) {
        const QString completed = completedFolder(edit->text());
        if (completed != edit->text())
            edit->setText(completed);
    }
    qx::Registry reg;
    if (!reg.OpenKey(kRegistryRoot, true))
        throw qx::RegistryError(reg.LastError());
    reg.WriteBool("LoggerEnabled", CheckBox1->isChecked());
    reg.WriteString("LoggerOutputFile", utf8(Edit1->text()));
    reg.WriteBool("HardExitEnabled", ComboBox1->currentIndex() == 0);
    reg.WriteBool("WantPluginDetails", CheckBox3->isChecked());
    reg.WriteString("Plugins", utf8(DirectoryEdit1->text()));
    reg.WriteString("Projects", utf8(DirectoryEdit2->text()));
    reg.WriteString("Scripts", utf8(DirectoryEdit3->text()));
    // Unlike the values above this one counts at once: the closing program
    // keeps its documents for the next start only while it is on.
    SetReopenDocumentsEnabled(CheckBox4->isChecked());
    accept();
}
