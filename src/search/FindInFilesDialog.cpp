#include "search/FindInFilesDialog.h"

#include "platform/Registry.h"
#include "ui/ButtonEdits.h"
#include "ui/DialogSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kRegistryKey = "Software\\Quorvix\\FindInFiles";
// Entries of each list of recent texts and patterns.
const int kRecentCount = 15;

std::string toStd(const QString& text)
{
    return text.toStdString();
}

QString readString(const qx::Registry& reg, const std::string& name, const QString& fallback)
{
    return reg.GetDataType(name) == qx::RegDataType::String ? QString::fromStdString(reg.ReadString(name)) : fallback;
}

bool readBool(const qx::Registry& reg, const std::string& name, bool fallback)
{
    return reg.GetDataType(name) == qx::RegDataType::Integer ? reg.ReadInteger(name) != 0 : fallback;
}

// A list kept as numbered values, read up to the first gap.
QStringList readList(const qx::Registry& reg, const std::string& prefix)
{
    QStringList list;
    for (int i = 0; i < kRecentCount; ++i) {
        const std::string name = prefix + std::to_string(i);
        if (reg.GetDataType(name) != qx::RegDataType::String)
            break;
        list << QString::fromStdString(reg.ReadString(name));
    }
    return list;
}

void writeList(qx::Registry& reg, const std::string& prefix, const QStringList& list)
{
    for (int i = 0; i < kRecentCount; ++i) {
        const std::string name = prefix + std::to_string(i);
        if (i < list.size())
            reg.WriteString(name, toStd(list[i]));
        else if (reg.ValueExists(name))
            reg.DeleteValue(name);
    }
}

void putFirst(QStringList& list, const QString& text)
{
    if (text.isEmpty())
        return;
    list.removeAll(text);
    list.prepend(text);
    while (list.size() > kRecentCount)
        list.removeLast();
}

QComboBox* historyCombo(QWidget* parent, const char* name, const QStringList& items, const QString& current)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(kRecentCount);
    combo->addItems(items);
    combo->setCurrentText(current);
    // The completer would complete a typed text from the history without asking.
    combo->setCompleter(nullptr);
    return combo;
}

QString folderOf(const TDirectoryEdit* edit)
{
    return QDir::fromNativeSeparators(edit->text().trimmed());
}

} // namespace

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

TFindInFilesSettings TFindInFilesSettings::Load()
{
    TFindInFilesSettings s;
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kRegistryKey, false))
            return s;
        s.Text = readString(reg, "Text", s.Text);
        s.Patterns = readString(reg, "Patterns", s.Patterns);
        s.Folder = readString(reg, "Folder", s.Folder);
        s.RegularExpression = readBool(reg, "RegularExpression", s.RegularExpression);
        s.MatchCase = readBool(reg, "MatchCase", s.MatchCase);
        s.WholeWord = readBool(reg, "WholeWord", s.WholeWord);
        s.Subfolders = readBool(reg, "Subfolders", s.Subfolders);
        s.RecentTexts = readList(reg, "Recent text ");
        s.RecentPatterns = readList(reg, "Recent patterns ");
    } catch (const std::exception&) {
        // An unreadable store leaves the defaults.
    }
    return s;
}

bool TFindInFilesSettings::Save() const
{
    try {
        qx::RegistryBatch batch; // every value in one write
        qx::Registry reg;
        if (!reg.OpenKey(kRegistryKey, true))
            return false;
        reg.WriteString("Text", toStd(Text));
        reg.WriteString("Patterns", toStd(Patterns));
        reg.WriteString("Folder", toStd(Folder));
        reg.WriteBool("RegularExpression", RegularExpression);
        reg.WriteBool("MatchCase", MatchCase);
        reg.WriteBool("WholeWord", WholeWord);
        reg.WriteBool("Subfolders", Subfolders);
        writeList(reg, "Recent text ", RecentTexts);
        writeList(reg, "Recent patterns ", RecentPatterns);
        batch.Commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TFindInFilesSettings::Remember()
{
    putFirst(RecentTexts, Text);
    // An empty pattern text (every file) is a choice worth offering too.
    if (Patterns.isEmpty()) {
        RecentPatterns.removeAll(QString());
        RecentPatterns.prepend(QString());
        while (RecentPatterns.size() > kRecentCount)
            RecentPatterns.removeLast();
    } else {
        putFirst(RecentPatterns, Patterns);
    }
}

// ---------------------------------------------------------------------------
// Dialog
// ---------------------------------------------------------------------------

TFindInFilesForm::TFindInFilesForm(const TFindInFilesSettings& settings, const QString& folder, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    PrepareDialog(this, "FindInFilesForm", QStringLiteral("Hledat v souborech"));

    TextCombo = historyCombo(this, "TextCombo", settings.RecentTexts, settings.Text);
    TextCombo->lineEdit()->setPlaceholderText(QStringLiteral("text nebo regulární výraz"));
    PatternsCombo = historyCombo(this, "PatternsCombo", settings.RecentPatterns, settings.Patterns);
    PatternsCombo->lineEdit()->setPlaceholderText(QStringLiteral("všechny soubory"));
    PatternsCombo->setToolTip(QStringLiteral("Masky jmen souborů oddělené středníkem, např. *.cpp;*.h"));
    FolderEdit = new TDirectoryEdit(this);
    FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
    FolderEdit->setText(QDir::toNativeSeparators(folder.isEmpty() ? settings.Folder : folder));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* fields = new QGridLayout;
    fields->addWidget(label(QStringLiteral("&Hledat:"), TextCombo), 0, 0);
    fields->addWidget(TextCombo, 0, 1);
    fields->addWidget(label(QStringLiteral("&Soubory:"), PatternsCombo), 1, 0);
    fields->addWidget(PatternsCombo, 1, 1);
    fields->addWidget(label(QStringLiteral("Ve s&ložce:"), FolderEdit->Edit), 2, 0);
    fields->addWidget(FolderEdit, 2, 1);
    fields->setColumnStretch(1, 1);

    auto check = [this](const char* name, const QString& text, bool on) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(QLatin1String(name));
        box->setChecked(on);
        return box;
    };
    RegexCheck = check("RegexCheck", QStringLiteral("&Regulární výraz"), settings.RegularExpression);
    CaseCheck = check("CaseCheck", QStringLiteral("Rozlišovat &velikost písmen"), settings.MatchCase);
    WordCheck = check("WordCheck", QStringLiteral("&Pouze celá slova"), settings.WholeWord);
    SubfoldersCheck = check("SubfoldersCheck", QStringLiteral("Včetně po&dsložek"), settings.Subfolders);
    auto* options = new QGridLayout;
    options->addWidget(RegexCheck, 0, 0);
    options->addWidget(CaseCheck, 1, 0);
    options->addWidget(WordCheck, 0, 1);
    options->addWidget(SubfoldersCheck, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(4);
    layout->addLayout(options);
    layout->addSpacing(8);
    AddOkCancelRow(this, layout, FindButton, CancelButton);
    FindButton->setText(QStringLiteral("Hledat"));
    FindButton->setObjectName(QStringLiteral("FindButton"));

    resize(520, sizeHint().height());
    TextCombo->setFocus();
    TextCombo->lineEdit()->selectAll();
}

TFindInFilesSettings TFindInFilesForm::Result() const
{
    TFindInFilesSettings s = settings_;
    s.Text = TextCombo->currentText();
    s.Patterns = PatternsCombo->currentText().trimmed();
    s.Folder = folderOf(FolderEdit);
    s.RegularExpression = RegexCheck->isChecked();
    s.MatchCase = CaseCheck->isChecked();
    s.WholeWord = WordCheck->isChecked();
    s.Subfolders = SubfoldersCheck->isChecked();
    s.Remember();
    return s;
}

TFileSearchOptions TFindInFilesForm::SearchOptions() const
{
    TFileSearchOptions options;
    options.Folder = QFile::encodeName(folderOf(FolderEdit)).toStdString();
    options.Patterns = PatternsCombo->currentText().trimmed().toStdString();
    options.Match.Text = TextCombo->currentText().toStdString();
    options.Match.RegularExpression = RegexCheck->isChecked();
    options.Match.MatchCase = CaseCheck->isChecked();
    options.Match.WholeWord = WordCheck->isChecked();
    options.Subfolders = SubfoldersCheck->isChecked();
    return options;
}

void TFindInFilesForm::accept()
{
    const QString folder = folderOf(FolderEdit);
    QString problem;
    QWidget* culprit = TextCombo;
    if (folder.isEmpty()) {
        problem = QStringLiteral("Zadejte složku, ve které se má hledat.");
        culprit = FolderEdit;
    } else if (!QFileInfo(folder).isDir()) {
        problem = QStringLiteral("Složka „%1“ neexistuje.").arg(QDir::toNativeSeparators(folder));
        culprit = FolderEdit;
    } else {
        std::string error;
        TFileSearch probe(SearchOptions());
        if (!probe.Prepare(error))
            problem = QString::fromStdString(error);
    }
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        culprit->setFocus();
        if (culprit == TextCombo)
            TextCombo->lineEdit()->selectAll();
        return;
    }
    QDialog::accept();
}
