#include "EditorSettings.h"

#include <QX_PluginHelpers.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QSettings store()
{
    return QX_PluginSettings(QStringLiteral("TextEditor"));
}

constexpr int kMinTab = 1, kMaxTab = 16;
constexpr double kMinFont = 5, kMaxFont = 72;
constexpr int kMaxEdge = 500;

} // namespace

TEditorSettings TEditorSettings::Load()
{
    TEditorSettings s;
    const TEditorSettings defaults;
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("Editor"));
    s.FontFamily = ini.value(QStringLiteral("FontFamily"), defaults.FontFamily).toString();
    bool ok = false;
    s.FontSize = ini.value(QStringLiteral("FontSize"), defaults.FontSize).toDouble(&ok);
    // Written so that a stored "nan" fails too.
    if (!ok || !(s.FontSize >= kMinFont && s.FontSize <= kMaxFont))
        s.FontSize = defaults.FontSize;
    s.TabWidth = ini.value(QStringLiteral("TabWidth"), defaults.TabWidth).toInt(&ok);
    if (!ok || s.TabWidth < kMinTab || s.TabWidth > kMaxTab)
        s.TabWidth = defaults.TabWidth;
    s.EdgeColumn = ini.value(QStringLiteral("EdgeColumn"), defaults.EdgeColumn).toInt(&ok);
    if (!ok || s.EdgeColumn < 0 || s.EdgeColumn > kMaxEdge)
        s.EdgeColumn = defaults.EdgeColumn;
    s.UseSpaces = ini.value(QStringLiteral("UseSpaces"), defaults.UseSpaces).toBool();
    s.DetectIndentation = ini.value(QStringLiteral("DetectIndentation"), defaults.DetectIndentation).toBool();
    s.AutoIndent = ini.value(QStringLiteral("AutoIndent"), defaults.AutoIndent).toBool();
    s.AutoCompletion = ini.value(QStringLiteral("AutoCompletion"), defaults.AutoCompletion).toBool();
    s.WrapLines = ini.value(QStringLiteral("WrapLines"), defaults.WrapLines).toBool();
    s.ShowWhitespace = ini.value(QStringLiteral("ShowWhitespace"), defaults.ShowWhitespace).toBool();
    s.ShowIndentGuides = ini.value(QStringLiteral("ShowIndentGuides"), defaults.ShowIndentGuides).toBool();
    s.ShowLineEnds = ini.value(QStringLiteral("ShowLineEnds"), defaults.ShowLineEnds).toBool();
    s.ColorScheme = ini.value(QStringLiteral("ColorScheme"), defaults.ColorScheme).toString();
    if (s.ColorScheme != u"light" && s.ColorScheme != u"dark")
        s.ColorScheme = defaults.ColorScheme;
    s.TrimOnSave = ini.value(QStringLiteral("TrimOnSave"), defaults.TrimOnSave).toBool();
    s.FinalLineBreakOnSave = ini.value(QStringLiteral("FinalLineBreakOnSave"), defaults.FinalLineBreakOnSave).toBool();
    return s;
}

void TEditorSettings::Save() const
{
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("Editor"));
    ini.setValue(QStringLiteral("FontFamily"), FontFamily);
    ini.setValue(QStringLiteral("FontSize"), FontSize);
    ini.setValue(QStringLiteral("TabWidth"), TabWidth);
    ini.setValue(QStringLiteral("EdgeColumn"), EdgeColumn);
    ini.setValue(QStringLiteral("UseSpaces"), UseSpaces);
    ini.setValue(QStringLiteral("DetectIndentation"), DetectIndentation);
    ini.setValue(QStringLiteral("AutoIndent"), AutoIndent);
    ini.setValue(QStringLiteral("AutoCompletion"), AutoCompletion);
    ini.setValue(QStringLiteral("WrapLines"), WrapLines);
    ini.setValue(QStringLiteral("ShowWhitespace"), ShowWhitespace);
    ini.setValue(QStringLiteral("ShowIndentGuides"), ShowIndentGuides);
    ini.setValue(QStringLiteral("ShowLineEnds"), ShowLineEnds);
    ini.setValue(QStringLiteral("ColorScheme"), ColorScheme);
    ini.setValue(QStringLiteral("TrimOnSave"), TrimOnSave);
    ini.setValue(QStringLiteral("FinalLineBreakOnSave"), FinalLineBreakOnSave);
    ini.endGroup();
    ini.sync();
}

QFont TEditorSettings::Font() const
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!FontFamily.isEmpty())
        font.setFamily(FontFamily);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(FontSize);
    return font;
}

TEditorSettingsDialog::TEditorSettingsDialog(const TEditorSettings& settings, QWidget* parent)
    : QDialog(parent)
    , initial_(settings)
{
    setObjectName(QStringLiteral("EditorSettingsDialog"));
    setWindowTitle(QStringLiteral("Nastavení editoru"));

    font_ = new QFontComboBox(this);
    font_->setObjectName(QStringLiteral("font"));
    font_->setFontFilters(QFontComboBox::MonospacedFonts);
    font_->setCurrentFont(settings.Font());
    fontSize_ = new QDoubleSpinBox(this);
    fontSize_->setObjectName(QStringLiteral("fontSize"));
    fontSize_->setRange(kMinFont, kMaxFont);
    fontSize_->setDecimals(1);
    fontSize_->setSingleStep(0.5);
    fontSize_->setValue(settings.FontSize);
    tabWidth_ = new QSpinBox(this);
    tabWidth_->setObjectName(QStringLiteral("tabWidth"));
    tabWidth_->setRange(kMinTab, kMaxTab);
    tabWidth_->setValue(settings.TabWidth);
    edge_ = new QSpinBox(this);
    edge_->setObjectName(QStringLiteral("edgeColumn"));
    edge_->setRange(0, kMaxEdge);
    edge_->setSpecialValueText(QStringLiteral("nezobrazovat"));
    edge_->setValue(settings.EdgeColumn);

    auto check = [this](const char* name, const QString& text, bool on) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(QLatin1String(name));
        box->setChecked(on);
        return box;
    };
    useSpaces_ = check("useSpaces", QStringLiteral("Odsazovat &mezerami místo tabulátorů"), settings.UseSpaces);
    detect_ = check("detectIndentation", QStringLiteral("Převzít způsob odsazení ze &souboru"), settings.DetectIndentation);
    autoIndent_ = check("autoIndent", QStringLiteral("&Automaticky odsazovat nové řádky"), settings.AutoIndent);
    autoCompletion_ = check("autoCompletion", QStringLiteral("&Nabízet doplnění slov už při psaní"),
        settings.AutoCompletion);
    wrap_ = check("wrapLines", QStringLiteral("&Zalamovat dlouhé řádky"), settings.WrapLines);
    whitespace_ = check("showWhitespace", QStringLiteral("Zobrazovat &bílé znaky"), settings.ShowWhitespace);
    guides_ = check("showIndentGuides", QStringLiteral("Zobrazovat &vodítka odsazení"), settings.ShowIndentGuides);
    lineEnds_ = check("showLineEnds", QStringLiteral("Zobrazovat &konce řádků"), settings.ShowLineEnds);
    trimOnSave_ = check("trimOnSave", QStringLiteral("Při uložení odst&ranit mezery na koncích řádků"), settings.TrimOnSave);
    finalBreak_ = check("finalLineBreakOnSave", QStringLiteral("Při uložení zajistit konec řádku na konci so&uboru"),
        settings.FinalLineBreakOnSave);

    scheme_ = new QComboBox(this);
    scheme_->setObjectName(QStringLiteral("colorScheme"));
    scheme_->addItem(QStringLiteral("Podle prostředí"), QStringLiteral("auto"));
    scheme_->addItem(QStringLiteral("Světlé"), QStringLiteral("light"));
    scheme_->addItem(QStringLiteral("Tmavé"), QStringLiteral("dark"));
    scheme_->setCurrentIndex(std::max(0, scheme_->findData(settings.ColorScheme)));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Písmo:"), font_);
    form->addRow(QStringLiteral("&Velikost písma:"), fontSize_);
    form->addRow(QStringLiteral("Šířka &tabulátoru:"), tabWidth_);
    form->addRow(QStringLiteral("Značka &dlouhých řádků:"), edge_);
    form->addRow(QStringLiteral("Barevné s&chéma:"), scheme_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    for (QCheckBox* box : {useSpaces_, detect_, autoIndent_, autoCompletion_, wrap_, whitespace_, guides_, lineEnds_, trimOnSave_, finalBreak_})
        layout->addWidget(box);
    layout->addWidget(buttons);
}

TEditorSettings TEditorSettingsDialog::Result() const
{
    TEditorSettings s = initial_;
    const QString chosen = font_->currentFont().family();
    // Keep following the system's fixed font unless another one was picked.
    if (chosen != initial_.Font().family())
        s.FontFamily = chosen;
    s.FontSize = fontSize_->value();
    s.TabWidth = tabWidth_->value();
    s.EdgeColumn = edge_->value();
    s.UseSpaces = useSpaces_->isChecked();
    s.DetectIndentation = detect_->isChecked();
    s.AutoIndent = autoIndent_->isChecked();
    s.AutoCompletion = autoCompletion_->isChecked();
    s.WrapLines = wrap_->isChecked();
    s.ShowWhitespace = whitespace_->isChecked();
    s.ShowIndentGuides = guides_->isChecked();
    s.ShowLineEnds = lineEnds_->isChecked();
    s.ColorScheme = scheme_->currentData().toString();
    s.TrimOnSave = trimOnSave_->isChecked();
    s.FinalLineBreakOnSave = finalBreak_->isChecked();
    return s;
}
