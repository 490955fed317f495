#include "tools/EditExternalTool.h"

#include "platform/ShortcutCode.h"
#include "ui/DialogSupport.h"

#include <QFileDialog>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString chooseProgram(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Cesta k nástroji"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(OpenFilterToNameFilters(AllFilesFilter()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

TEditExternalToolForm::TEditExternalToolForm(QWidget* owner)
    : QDialog(owner)
    , OnChooseFile(chooseProgram)
{
    PrepareDialog(this, "EditExternalToolForm", QStringLiteral("Upravit nástroj"));

    Label3 = new QLabel(QStringLiteral("Cesta k nástroji:"), this);
    FilenameEdit = new QLineEdit(this);
    FilenameEdit->setObjectName(QStringLiteral("FilenameEdit"));
    FilenameBrowse = new QToolButton(this);
    FilenameBrowse->setText(QStringLiteral("..."));
    FilenameBrowse->setToolTip(QStringLiteral("Vybrat program"));
    Label3->setBuddy(FilenameEdit);
    Label2 = new QLabel(QStringLiteral("Název v nabídce:"), this);
    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Label2->setBuddy(Edit);
    Label1 = new QLabel(QStringLiteral("Klávesová zkratka:"), this);
    HotKey = new QLineEdit(this);
    HotKey->setObjectName(QStringLiteral("HotKey"));
    HotKey->setPlaceholderText(QStringLiteral("(žádná)"));
    HotKey->setEnabled(false);

    auto* fields = new QGridLayout;
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(FilenameEdit, 1);
    fileRow->addWidget(FilenameBrowse);
    fields->addWidget(Label3, 0, 0);
    fields->addLayout(fileRow, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit, 1, 1);
    fields->addWidget(Label1, 2, 0);
    fields->addWidget(HotKey, 2, 1);
    fields->setColumnStretch(1, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("Parametry"), this);
    Label4 = new QLabel(QStringLiteral("Tyto parametry budou nástroji předány:"), GroupBox1);
    ParamsEdit = new QLineEdit(GroupBox1);
    ParamsEdit->setObjectName(QStringLiteral("ParamsEdit"));
    Label4->setBuddy(ParamsEdit);
    Label5 = new QLabel(QStringLiteral("Makra:"), GroupBox1);
    Label6 = boldLabel(QStringLiteral("%file%"), GroupBox1);
    Label7 = new QLabel(QStringLiteral("-předá nástroji název upravovaného dokumentu"), GroupBox1);
    Button1 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Label8 = boldLabel(QStringLiteral("%dir%"), GroupBox1);
    Label9 = new QLabel(QStringLiteral("-předá nástroji složku, ve které se nachází upravovaný dokument"), GroupBox1);
    Button2 = new QPushButton(QStringLiteral("..."), GroupBox1);
    for (QLabel* label : {Label7, Label9})
        label->setWordWrap(true);
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    }
    Button1->setToolTip(QStringLiteral("Vložit makro %file% do parametrů"));
    Button2->setToolTip(QStringLiteral("Vložit makro %dir% do parametrů"));

    auto* macros = new QGridLayout;
    macros->addWidget(Label6, 0, 0);
    macros->addWidget(Label7, 0, 1);
    macros->addWidget(Button1, 0, 2);
    macros->addWidget(Label8, 1, 0);
    macros->addWidget(Label9, 1, 1);
    macros->addWidget(Button2, 1, 2);
    macros->setColumnStretch(1, 1);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(Label4);
    group->addWidget(ParamsEdit);
    group->addSpacing(6);
    group->addWidget(Label5);
    group->addLayout(macros);

    QHBoxLayout* buttons = NewOkCancelRow(this, Button3, Button4);
    connect(Button3, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(GroupBox1);
    SaveDocumentsCheckBox = new QCheckBox(QStringLiteral("U&ložit dokumenty před spuštěním"), this);
    SaveDocumentsCheckBox->setToolTip(QStringLiteral("Před spuštěním nástroje uložit všechny pojmenované dokumenty"));
    layout->addWidget(SaveDocumentsCheckBox);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(FilenameEdit, &QLineEdit::textChanged, this, &TEditExternalToolForm::updateOkButton);
    connect(Edit, &QLineEdit::textChanged, this, &TEditExternalToolForm::updateOkButton);
    connect(FilenameBrowse, &QToolButton::clicked, this, &TEditExternalToolForm::browseClick);
    connect(Button1, &QPushButton::clicked, this, [this] { appendMacro(QStringLiteral("%file%")); });
    connect(Button2, &QPushButton::clicked, this, [this] { appendMacro(QStringLiteral("%dir%")); });
    updateOkButton();
}

void TEditExternalToolForm::SetTool(const TExternalTool& tool)
{
    QString program, parameters;
    SplitCommandText(tool.CommandLine, program, parameters);
    FilenameEdit->setText(program);
    ParamsEdit->setText(parameters);
    Edit->setText(tool.DisplayName);
    shortCut_ = tool.ShortCut;
    SaveDocumentsCheckBox->setChecked(tool.SaveDocuments);
    HotKey->setText(ShortcutCodeToKeys(shortCut_).toString(QKeySequence::NativeText));
    updateOkButton();
}

TExternalTool TEditExternalToolForm::Tool() const
{
    TExternalTool tool;
    tool.CommandLine = BuildToolCommandLine(FilenameEdit->text(), ParamsEdit->text());
    tool.DisplayName = Edit->text();
    tool.ShortCut = shortCut_;
    tool.SaveDocuments = SaveDocumentsCheckBox->isChecked();
    return tool;
}

void TEditExternalToolForm::updateOkButton()
{
    Button3->setEnabled(!FilenameEdit->text().isEmpty() && !Edit->text().isEmpty());
}

void TEditExternalToolForm::browseClick()
{
    QString file = OnChooseFile ? OnChooseFile(this) : QString();
    if (file.isEmpty())
        return;
    // A path with a blank is shown in quotes; the command line keeps them
    // as its own pair.
    if (file.contains(QLatin1Char(' ')))
        file = QLatin1Char('"') + file + QLatin1Char('"');
    FilenameEdit->setText(file);
}

void TEditExternalToolForm::appendMacro(const QString& macro)
{
    const QString text = ParamsEdit->text();
    ParamsEdit->setText(text.isEmpty() ? macro : text + QLatin1Char(' ') + macro);
}
