#include "CharMapWindow.h"

#include "UnicodeData.h"

#include <QX_PluginHelpers.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPalette>
#include <QPushButton>
#include <QRawFont>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// More results than this say little; the user narrows the search instead.
constexpr int kSearchLimit = 2000;
constexpr int kCellSize = 36;

QSettings store()
{
    return QX_PluginSettings(QStringLiteral("CharMap"));
}

QString ucs4Text(char32_t code)
{
    const char32_t one[] = {code};
    return QString::fromUcs4(one, 1);
}

} // namespace

// ---------------------------------------------------------------------------
// TCharacterModel
// ---------------------------------------------------------------------------

void TCharacterModel::SetCharacters(QList<char32_t> codes)
{
    beginResetModel();
    codes_ = std::move(codes);
    endResetModel();
}

void TCharacterModel::SetFont(const QFont& font)
{
    beginResetModel();
    font_ = font;
    endResetModel();
}

int TCharacterModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(codes_.size());
}

QVariant TCharacterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= codes_.size())
        return {};
    const char32_t code = codes_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(code);
    case Qt::ToolTipRole:
        return CodeText(code) + u' ' + CharacterName(code);
    case Qt::FontRole:
        return font_;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::ForegroundRole:
        // A character the font lacks comes from a fallback font: shown pale.
        if (!QRawFont::fromFont(font_).supportsCharacter(uint(code)))
            return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
        return {};
    case CodeRole:
        return uint(code);
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

TCharMapSettings TCharMapSettings::Load()
{
    TCharMapSettings s;
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("CharMap"));
    s.FontFamily = ini.value(QStringLiteral("FontFamily")).toString();
    bool ok = false;
    s.Block = ini.value(QStringLiteral("Block"), 0).toInt(&ok);
    if (!ok)
        s.Block = 0;
    s.FontOnly = ini.value(QStringLiteral("FontOnly"), true).toBool();
    s.Search = ini.value(QStringLiteral("Search")).toString().left(200);
    return s;
}

void TCharMapSettings::Save() const
{
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("CharMap"));
    ini.setValue(QStringLiteral("FontFamily"), FontFamily);
    ini.setValue(QStringLiteral("Block"), Block);
    ini.setValue(QStringLiteral("FontOnly"), FontOnly);
    ini.setValue(QStringLiteral("Search"), Search);
    ini.endGroup();
    ini.sync();
}

// ---------------------------------------------------------------------------
// TCharMapWindow
// ---------------------------------------------------------------------------

TCharMapWindow::TCharMapWindow(QWidget* parent)
    : TQX_PluginWindow(parent)
{
    setObjectName(QStringLiteral("CharMapWindow"));
    setWindowTitle(QStringLiteral("Mapa znaků"));
    setWindowIcon(QIcon(QStringLiteral(":/charmap/icons/charmap.svg")));

    font_ = new QFontComboBox(this);
    font_->setObjectName(QStringLiteral("FontCombo"));
    block_ = new QComboBox(this);
    block_->setObjectName(QStringLiteral("BlockCombo"));
    block_->setMaxVisibleItems(24);
    for (const TUnicodeBlock& block : UnicodeBlocks())
        block_->addItem(QStringLiteral("%1 (%2–%3)").arg(block.Name, CodeText(block.First), CodeText(block.Last)), block.Code);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("SearchEdit"));
    search_->setClearButtonEnabled(true);
    search_->setPlaceholderText(QStringLiteral("anglický název (euro, arrow left) nebo kód (U+20AC, #8364)"));
    fontOnly_ = new QCheckBox(QStringLiteral("Jen znaky tohoto písma"), this);
    fontOnly_->setObjectName(QStringLiteral("FontOnlyCheck"));

    model_ = new TCharacterModel(this);
    grid_ = new QListView(this);
    grid_->setObjectName(QStringLiteral("CharacterGrid"));
    grid_->setModel(model_);
    grid_->setViewMode(QListView::IconMode);
    grid_->setMovement(QListView::Static);
    grid_->setResizeMode(QListView::Adjust);
    grid_->setUniformItemSizes(true);
    grid_->setGridSize(QSize(kCellSize, kCellSize));
    grid_->setSpacing(0);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->setLayoutMode(QListView::Batched);

    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setMinimumSize(64, 64);
    preview_->setFrameShape(QFrame::StyledPanel);
    details_ = new QLabel(this);
    details_->setObjectName(QStringLiteral("Details"));
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details_->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    status_->setWordWrap(true);
    insert_ = new QPushButton(QStringLiteral("&Vložit do dokumentu"), this);
    insert_->setObjectName(QStringLiteral("InsertButton"));
    insert_->setToolTip(QStringLiteral("Vloží znak na místo kurzoru v aktivním dokumentu (také dvojklik nebo Enter)"));
    copy_ = new QPushButton(QStringLiteral("&Kopírovat"), this);
    copy_->setObjectName(QStringLiteral("CopyButton"));

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("&Písmo:"), this), 0, 0);
    top->addWidget(font_, 0, 1);
    top->addWidget(fontOnly_, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("&Blok:"), this), 1, 0);
    top->addWidget(block_, 1, 1, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("&Hledat:"), this), 2, 0);
    top->addWidget(search_, 2, 1, 1, 2);
    top->setColumnStretch(1, 1);
    for (int row = 0; row < 3; ++row)
        static_cast<QLabel*>(top->itemAtPosition(row, 0)->widget())->setBuddy(top->itemAtPosition(row, 1)->widget());

    auto* info = new QVBoxLayout;
    info->addWidget(details_);
    info->addWidget(status_);
    info->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(insert_);
    buttons->addWidget(copy_);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(preview_);
    bottom->addLayout(info, 1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);

    searchDelay_ = new QTimer(this);
    searchDelay_->setSingleShot(true);
    searchDelay_->setInterval(250);

    settings_ = TCharMapSettings::Load();
    applySettings();

    connect(font_, &QFontComboBox::currentFontChanged, this, [this] { refill(); saveSettings(); });
    connect(block_, &QComboBox::currentIndexChanged, this, [this] {
        // Choosing a block leaves the search.
        if (!search_->text().isEmpty()) {
            const QSignalBlocker blocker(search_);
            search_->clear();
        }
        refill();
        saveSettings();
    });
    // While a search is shown the box names the found character's block; the
    // user choosing that very block leaves the search for it.
    connect(block_, &QComboBox::activated, this, [this] {
        if (search_->text().isEmpty())
            return;
        {
            const QSignalBlocker blocker(search_);
            search_->clear();
        }
        refill();
        saveSettings();
    });
    connect(fontOnly_, &QCheckBox::toggled, this, [this] { refill(); saveSettings(); });
    connect(search_, &QLineEdit::textChanged, searchDelay_, qOverload<>(&QTimer::start));
    connect(searchDelay_, &QTimer::timeout, this, [this] { refill(); saveSettings(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { showDetails(); });
    connect(grid_, &QListView::activated, this, [this] { InsertCurrent(); });
    connect(insert_, &QPushButton::clicked, this, [this] { InsertCurrent(); });
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (const char32_t code = Current()) {
            QApplication::clipboard()->setText(ucs4Text(code));
            status_->setText(QStringLiteral("Znak %1 je ve schránce.").arg(CodeText(code)));
        }
    });
    resize(560, 480);
}

TCharMapWindow::~TCharMapWindow() = default;

void TCharMapWindow::applySettings()
{
    const QSignalBlocker a(font_), b(block_), c(fontOnly_), d(search_);
    if (!settings_.FontFamily.isEmpty())
        font_->setCurrentFont(QFont(settings_.FontFamily));
    const int index = block_->findData(settings_.Block);
    block_->setCurrentIndex(index >= 0 ? index : 0);
    fontOnly_->setChecked(settings_.FontOnly);
    search_->setText(settings_.Search);
    refill();
}

void TCharMapWindow::saveSettings()
{
    settings_.FontFamily = font_->currentFont().family();
    settings_.Block = block_->currentData().toInt();
    settings_.FontOnly = fontOnly_->isChecked();
    settings_.Search = search_->text();
    settings_.Save();
}

void TCharMapWindow::refill()
{
    searchDelay_->stop();
    const char32_t previous = Current();
    QFont font = font_->currentFont();
    font.setPointSize(16);
    // Only this font: no glyphs borrowed from others in the grid.
    font.setStyleStrategy(QFont::NoFontMerging);
    const QRawFont raw = QRawFont::fromFont(font);

    QList<char32_t> codes;
    const QString query = search_->text().trimmed();
    if (!query.isEmpty()) {
        codes = SearchCharacters(query, kSearchLimit + 1);
        const bool more = codes.size() > kSearchLimit;
        if (more)
            codes.resize(kSearchLimit);
        status_->setText(codes.isEmpty() ? QStringLiteral("Žádný znak neodpovídá hledání „%1“.").arg(query)
                : more ? QStringLiteral("Nalezeno více než %1 znaků; upřesněte hledání.").arg(kSearchLimit)
                       : QStringLiteral("Nalezené znaky: %1").arg(codes.size()));
        // Matches the font lacks stay in the list, drawn pale, so that a
        // search never hides what it found.
        font.setStyleStrategy(QFont::PreferDefault);
    } else {
        const int index = block_->currentIndex();
        if (index >= 0 && index < UnicodeBlocks().size()) {
            for (char32_t code : BlockCharacters(UnicodeBlocks()[index]))
                if (!fontOnly_->isChecked() || raw.supportsCharacter(uint(code)))
                    codes.append(code);
        }
        status_->setText(codes.isEmpty() ? QStringLiteral("Písmo nemá žádný znak tohoto bloku.") : QString());
        if (!fontOnly_->isChecked())
            font.setStyleStrategy(QFont::PreferDefault);
    }
    model_->SetFont(font);
    model_->SetCharacters(codes);
    if (!previous || !Select(previous)) {
        if (!codes.isEmpty())
            grid_->setCurrentIndex(model_->index(0));
    }
    showDetails();
}

char32_t TCharMapWindow::Current() const
{
    const QModelIndex index = grid_->currentIndex();
    return index.isValid() ? char32_t(index.data(TCharacterModel::CodeRole).toUInt()) : 0;
}

bool TCharMapWindow::Select(char32_t code)
{
    const int row = int(model_->Characters().indexOf(code));
    if (row < 0)
        return false;
    grid_->setCurrentIndex(model_->index(row));
    grid_->scrollTo(model_->index(row));
    return true;
}

void TCharMapWindow::showDetails()
{
    const char32_t code = Current();
    insert_->setEnabled(code != 0);
    copy_->setEnabled(code != 0);
    if (!code) {
        preview_->clear();
        details_->clear();
        return;
    }
    QFont big = font_->currentFont();
    big.setPointSize(32);
    preview_->setFont(big);
    preview_->setText(DisplayText(code));
    const TUnicodeBlock* block = BlockOf(code);
    // The found characters come from many blocks: the box follows the one
    // chosen, so that leaving the search shows its neighbours.
    if (block && !search_->text().trimmed().isEmpty()) {
        const int index = block_->findData(block->Code);
        if (index >= 0) {
            const QSignalBlocker blocker(block_);
            block_->setCurrentIndex(index);
        }
    }
    QString text = QStringLiteral("<b>%1</b> %2<br>Blok: %3<br>HTML: &amp;#%4;")
                       .arg(CodeText(code), CharacterName(code).toHtmlEscaped(),
                           block ? block->Name.toHtmlEscaped() : QStringLiteral("–"))
                       .arg(uint(code));
    if (!QRawFont::fromFont(font_->currentFont()).supportsCharacter(uint(code)))
        text += QStringLiteral("<br><i>Písmo %1 tento znak nemá.</i>").arg(font_->currentFont().family().toHtmlEscaped());
    details_->setText(text);
}

bool TCharMapWindow::InsertCurrent()
{
    const char32_t code = Current();
    if (!code)
        return false;
    TQX_PluginWindow* document = QXGetActiveDocumentWindow();
    if (!document) {
        status_->setText(QStringLiteral("Není otevřen žádný dokument, do kterého by šlo znak vložit."));
        return false;
    }
    if (!document->Commands.Contains(QXC_INSERTTEXT)) {
        status_->setText(QStringLiteral("Do dokumentu „%1“ nelze vkládat text (je jen pro čtení, nebo to jeho modul neumí).")
                             .arg(document->windowTitle()));
        return false;
    }
    const QString text = ucs4Text(code);
    document->Command(QXC_INSERTTEXT, const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
    status_->setText(QStringLiteral("Znak %1 vložen do dokumentu „%2“.").arg(CodeText(code), document->windowTitle()));
    return true;
}

void TCharMapWindow::Command(uint8_t code, void*)
{
    if (code == QXC_RELOADSETTINGS) {
        settings_ = TCharMapSettings::Load();
        applySettings();
    }
}

void TCharMapWindow::showEvent(QShowEvent* event)
{
    TQX_PluginWindow::showEvent(event);
    // The first time at the right edge of the host's window, over its
    // document area rather than over its menus.
    if (placed_)
        return;
    placed_ = true;
    if (QWidget* host = QXGetHwnd(); host && host->isVisible()) {
        const QRect area = host->geometry();
        move(std::max(area.left(), area.right() - frameGeometry().width() - 16), area.top() + 120);
    }
}

void TCharMapWindow::closeEvent(QCloseEvent* event)
{
    saveSettings();
    event->accept();
}
