#include "backup/AutoBackupSetup.h"

#include "ui/DialogSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The dialog's string table.
enum StringId { PreviewFormat, OverwriteWarning, FolderMissing, FolderTooLong, PatternMissing, PatternTooLong };
const char* const Strings[] = {
    "Příklad: '%1' bude převedeno na '%2'",
    "UPOZORNĚNÍ: Při současném nastavení přepíše záložní kopie originální soubor. Nastavte funkce tak, aby se "
    "název originálního souboru neshodoval s názvem záložní kopie.",
    "Zadejte složku, do které se mají záložní kopie ukládat.",
    "Cesta ke složce pro záložní kopie je příliš dlouhá. Zadejte nejvýše 259 znaků.",
    "Zadejte klíč, podle kterého se má kopie pojmenovat.",
    "Klíč pro pojmenování kopie je příliš dlouhý. Zadejte nejvýše 259 znaků.",
};

QString text(StringId id)
{
    return QString::fromUtf8(Strings[id]);
}

const QString kSampleName = QStringLiteral("document"), kSampleExt = QStringLiteral("txt");

QString folderText(const QLineEdit* edit)
{
    // One quote at either end is dropped, as a pasted path may carry them.
    QString folder = edit->text();
    if (folder.startsWith(QLatin1Char('"')))
        folder.remove(0, 1);
    if (folder.endsWith(QLatin1Char('"')))
        folder.chop(1);
    return folder;
}

} // namespace

TAutoBackupSetupForm::TAutoBackupSetupForm(TBackupSettings& settings, QWidget* owner)
    : QDialog(owner)
    , settings_(settings)
{
    PrepareDialog(this, "AutoBackupSetupForm", QStringLiteral("Nastavení automatického zálohování"));
    QHBoxLayout* top = NewPictureRow(this, QStringLiteral(":/tools/backup.svg"),
        QStringLiteral("Zde si můžete přizpůsobit funkce automatického zálohování. Při zapnutí této funkce bude "
                       "upravovaný soubor zálohován vždy před svým uložením."),
        Image, Label1);

    CheckBox1 = new QCheckBox(QStringLiteral("&Povoleno"), this);
    Label2 = new QLabel(QStringLiteral("Kam ukládat kopie:"), this);
    RadioButton1 = new QRadioButton(QStringLiteral("Do stejné složky jako originál"), this);
    RadioButton2 = new QRadioButton(QStringLiteral("Do složky \\Backup"), this);
    RadioButton3 = new QRadioButton(QStringLiteral("Do jiné složky:"), this);
    DirectoryEdit1 = new QLineEdit(this);
    DirectoryEdit1->setObjectName(QStringLiteral("DirectoryEdit1"));
    DirectoryBrowse = new QToolButton(this);
    DirectoryBrowse->setText(QStringLiteral("..."));
    DirectoryBrowse->setToolTip(QStringLiteral("Vybrat složku"));
    Label3 = new QLabel(QStringLiteral("Jak pojmenovat kopii:"), this);
    RadioButton4 = new QRadioButton(QStringLiteral("&Stejný název jako originál"), this);
    RadioButton5 = new QRadioButton(QStringLiteral("Nové jméno podle tohoto klíče:"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label4 = new QLabel(QStringLiteral("Příklad: "), this);
    for (QLabel* heading : {Label2, Label3}) {
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
    }

    targets_ = new QButtonGroup(this);
    targets_->addButton(RadioButton1, TBackupSettings::SameFolder);
    targets_->addButton(RadioButton2, TBackupSettings::ProgramBackupFolder);
    targets_->addButton(RadioButton3, TBackupSettings::UserFolder);
    names_ = new QButtonGroup(this);
    names_->addButton(RadioButton4, 1);
    names_->addButton(RadioButton5, 0);

    const int indent = 20;
    auto* choices = new QGridLayout;
    choices->setColumnMinimumWidth(0, indent);
    choices->setColumnStretch(1, 1);
    int row = 0;
    choices->addWidget(Label2, row++, 0, 1, 2);
    choices->addWidget(RadioButton1, row++, 1);
    choices->addWidget(RadioButton2, row++, 1);
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(2);
    folderRow->addWidget(RadioButton3);
    folderRow->addWidget(DirectoryEdit1, 1);
    folderRow->addWidget(DirectoryBrowse);
    choices->addLayout(folderRow, row++, 1);
    choices->setRowMinimumHeight(row++, 8);
    choices->addWidget(Label3, row++, 0, 1, 2);
    choices->addWidget(RadioButton4, row++, 1);
    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(RadioButton5);
    patternRow->addWidget(Edit1, 1);
    choices->addLayout(patternRow, row++, 1);
    choices->addWidget(Label4, row++, 1);

    QHBoxLayout* buttons = NewOkCancelRow(this, Button1, Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(4);
    layout->addWidget(CheckBox1);
    layout->addLayout(choices);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(480, sizeHint().height());

    CheckBox1->setChecked(settings.Enabled != 0);
    // No target button is selected when the record holds another value.
    if (QAbstractButton* target = targets_->button(settings.Target))
        target->setChecked(true);
    (settings.SameName == 1 ? RadioButton4 : RadioButton5)->setChecked(true);
    DirectoryEdit1->setText(settings.Folder);
    Edit1->setText(settings.Pattern);
    updateEnabled();
    updatePreview();

    connect(CheckBox1, &QCheckBox::clicked, this, &TAutoBackupSetupForm::updateEnabled);
    connect(Edit1, &QLineEdit::textChanged, this, &TAutoBackupSetupForm::updatePreview);
    connect(DirectoryBrowse, &QToolButton::clicked, this, &TAutoBackupSetupForm::browseClick);
    connect(Button1, &QPushButton::clicked, this, &TAutoBackupSetupForm::button1Click);
}

void TAutoBackupSetupForm::updateEnabled()
{
    const bool on = CheckBox1->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> {RadioButton1, RadioButton2, RadioButton3, RadioButton4,
             RadioButton5, DirectoryEdit1, DirectoryBrowse, Edit1})
        w->setEnabled(on);
}

void TAutoBackupSetupForm::updatePreview()
{
    Label4->setText(text(PreviewFormat)
                        .arg(kSampleName + QLatin1Char('.') + kSampleExt,
                            ExpandBackupPattern(Edit1->text(), kSampleName, kSampleExt)));
}

void TAutoBackupSetupForm::browseClick()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Složka pro záložní kopie"),
        folderText(DirectoryEdit1));
    if (!folder.isEmpty())
        DirectoryEdit1->setText(folder);
}

QString TAutoBackupSetupForm::Refusal() const
{
    // The same folder with the same name, or with a pattern that gives the
    // document's own name back, would copy every document onto itself.
    const QString sample = kSampleName + QLatin1Char('.') + kSampleExt;
    if (RadioButton1->isChecked()
        && (RadioButton4->isChecked() || ExpandBackupPattern(Edit1->text(), kSampleName, kSampleExt) == sample))
        return text(OverwriteWarning);
    const QString folder = folderText(DirectoryEdit1);
    // Missing texts matter only for backups that will be made.
    const bool on = CheckBox1->isChecked();
    if (on && RadioButton3->isChecked() && folder.trimmed().isEmpty())
        return text(FolderMissing);
    if (BackupTextSize(folder) >= kBackupTextField)
        return text(FolderTooLong);
    if (on && RadioButton5->isChecked() && Edit1->text().isEmpty())
        return text(PatternMissing);
    if (BackupTextSize(Edit1->text()) >= kBackupTextField)
        return text(PatternTooLong);
    return {};
}

void TAutoBackupSetupForm::button1Click()
{
    const QString refusal = Refusal();
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), refusal);
        return;
    }
    settings_.Enabled = CheckBox1->isChecked() ? 1 : 0;
    if (targets_->checkedId() >= 0)
        settings_.Target = uint8_t(targets_->checkedId());
    settings_.SameName = RadioButton4->isChecked() ? 1 : 0;
    settings_.Folder = folderText(DirectoryEdit1);
    settings_.Pattern = Edit1->text();
    accept();
}
