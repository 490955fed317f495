#include "options/DesktopOptions.h"

#include "kernel/Settings.h"
#include "ui/ButtonEdits.h"
#include "ui/ColorComboBox.h"
#include "ui/DialogSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// The record
// ---------------------------------------------------------------------------

namespace {

// Field offsets of one set; the full-screen set starts 268 bytes later.
const size_t kModeOffset = 0;
const size_t kColorOffset = 4;
const size_t kImageOffset = 8;
const size_t kImageField = 260;
const size_t kFullScreenBase = 268;
const size_t kSameForBothOffset = 536;

size_t base(TDesktopRecord::Set set)
{
    return set == TDesktopRecord::Set::Normal ? 0 : kFullScreenBase;
}

} // namespace

TDesktopRecord::TDesktopRecord()
{
    bytes_[kSameForBothOffset] = 1;
}

std::optional<TDesktopRecord> TDesktopRecord::FromBytes(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() > kSize)
        return std::nullopt;
    TDesktopRecord record;
    std::copy(bytes.begin(), bytes.end(), record.bytes_.begin());
    return record;
}

std::vector<uint8_t> TDesktopRecord::Bytes() const
{
    return {bytes_.begin(), bytes_.end()};
}

uint8_t TDesktopRecord::GetMode(Set set) const
{
    return bytes_[base(set) + kModeOffset];
}

void TDesktopRecord::SetMode(Set set, uint8_t mode)
{
    bytes_[base(set) + kModeOffset] = mode;
}

QColor TDesktopRecord::GetColor(Set set) const
{
    const uint8_t* c = &bytes_[base(set) + kColorOffset];
    return QColor(c[0], c[1], c[2]);
}

void TDesktopRecord::SetColor(Set set, const QColor& color)
{
    // 0x00BBGGRR, little-endian: red first.
    uint8_t* c = &bytes_[base(set) + kColorOffset];
    c[0] = uint8_t(color.red());
    c[1] = uint8_t(color.green());
    c[2] = uint8_t(color.blue());
    c[3] = 0;
}

QString TDesktopRecord::GetImage(Set set) const
{
    const char* field = reinterpret_cast<const char*>(&bytes_[base(set) + kImageOffset]);
    // A field without its terminator still ends at the field's end.
    return QString::fromUtf8(field, qsizetype(strnlen(field, kImageField)));
}

bool FitsDesktopImageField(const QString& path)
{
    return path.toUtf8().size() <= TDesktopRecord::kMaxImageBytes;
}

bool TDesktopRecord::SetImage(Set set, const QString& path)
{
    if (!FitsDesktopImageField(path))
        return false;
    const QByteArray text = path.toUtf8();
    uint8_t* field = &bytes_[base(set) + kImageOffset];
    std::fill(field, field + kImageField, uint8_t(0));
    std::memcpy(field, text.constData(), size_t(text.size()));
    return true;
}

bool TDesktopRecord::SameForBoth() const
{
    return bytes_[kSameForBothOffset] != 0;
}

void TDesktopRecord::SetSameForBoth(bool same)
{
    bytes_[kSameForBothOffset] = same ? 1 : 0;
}

TDesktopRecord::Set TDesktopRecord::AppliedSet(bool fullScreenMode) const
{
    return fullScreenMode && !SameForBoth() ? Set::FullScreen : Set::Normal;
}

// ---------------------------------------------------------------------------
// The dialog
// ---------------------------------------------------------------------------

namespace {

// Small pictures of the three ways to paint the desktop.
QPixmap modePicture(int mode)
{
    QPixmap pixmap(40, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QRect screen(2, 2, 35, 23);
    switch (mode) {
    case 0:
        p.fillRect(screen, QColor(0x80, 0x80, 0x80));
        break;
    case 1:
        p.fillRect(screen, QColor(0x33, 0x66, 0xff));
        break;
    default:
        for (int y = 0; y < screen.height(); y += 6)
            for (int x = 0; x < screen.width(); x += 6)
                p.fillRect(QRect(screen.left() + x, screen.top() + y, 6, 6).intersected(screen),
                    ((x + y) / 6) % 2 ? QColor(0xff, 0xcc, 0x99) : QColor(0x99, 0x66, 0x33));
        break;
    }
    p.setPen(QColor(0x33, 0x33, 0x33));
    p.drawRect(screen.adjusted(-1, -1, 0, 0));
    p.fillRect(QRect(15, 26, 10, 3), QColor(0x33, 0x33, 0x33));
    return pixmap;
}

QLabel* picture(QWidget* parent, int mode)
{
    auto* label = new QLabel(parent);
    label->setPixmap(modePicture(mode));
    return label;
}

QString withoutQuotes(QString text)
{
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    return text;
}

} // namespace

TDesktopOptionsForm::TDesktopOptionsForm(TDesktopRecord& record, QWidget* owner)
    : QDialog(owner)
    , record_(record)
{
    PrepareDialog(this, "DesktopOptionsForm", QStringLiteral("Nastavení plochy"));

    Label2 = new QLabel(QStringLiteral("Zde můžete nastavit plochu pro oba zobrazovací režimy."), this);
    Label1 = new QLabel(QStringLiteral("Zobrazovací režim:"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems({QStringLiteral("Normální režim zobrazení"), QStringLiteral("Zobrazení přes celou obrazovku")});
    Label1->setBuddy(ComboBox1);
    RadioButton1 = new QRadioButton(QStringLiteral("Normální"), this);
    RadioButton2 = new QRadioButton(QStringLiteral("Barevná výplň"), this);
    RadioButton3 = new QRadioButton(QStringLiteral("Tapeta"), this);
    ColorComboBox1 = new TColorComboBox(this);
    FilenameEdit1 = new TFilenameEdit(QStringLiteral("Rastrové obrázky (*.bmp)|*.bmp|Všechny soubory (*.*)|*.*"), this);
    FilenameEdit1->setMinimumWidth(260);
    Image1 = picture(this, 0);
    Image2 = picture(this, 1);
    Image3 = picture(this, 2);
    CheckBox1 = new QCheckBox(QStringLiteral("Použít stejná nastavení pro oba zobrazovací režimy"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(Label1);
    modeRow->addWidget(ComboBox1, 1);
    layout->addLayout(modeRow);
    auto* choices = new QGridLayout;
    choices->setColumnStretch(2, 1);
    choices->setVerticalSpacing(8);
    choices->addWidget(Image1, 0, 0);
    choices->addWidget(RadioButton1, 0, 1);
    choices->addWidget(Image2, 1, 0);
    choices->addWidget(RadioButton2, 1, 1);
    choices->addWidget(ColorComboBox1, 1, 2, Qt::AlignLeft);
    choices->addWidget(Image3, 2, 0);
    choices->addWidget(RadioButton3, 2, 1);
    choices->addWidget(FilenameEdit1, 2, 2);
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addSpacing(6);
    layout->addWidget(CheckBox1);
    layout->addLayout(NewOkCancelRow(this, Button1, Button2));
    connect(Button1, &QPushButton::clicked, this, &TDesktopOptionsForm::button1Click);

    CheckBox1->setChecked(record_.SameForBoth());
    ComboBox1->setCurrentIndex(0);
    checkBox1Click();

    connect(CheckBox1, &QCheckBox::clicked, this, &TDesktopOptionsForm::checkBox1Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TDesktopOptionsForm::showSet);
    for (QRadioButton* radio : {RadioButton1, RadioButton2, RadioButton3})
        connect(radio, &QRadioButton::clicked, this, &TDesktopOptionsForm::apply);
    connect(ColorComboBox1, &TColorComboBox::colorChanged, this, [this] {
        if (!showing_)
            apply();
    });
    connect(FilenameEdit1, &TFilenameEdit::textChanged, this, [this] {
        if (!showing_)
            apply();
    });
}

TDesktopRecord::Set TDesktopOptionsForm::ShownSet() const
{
    return ComboBox1->currentIndex() == 1 ? TDesktopRecord::Set::FullScreen : TDesktopRecord::Set::Normal;
}

void TDesktopOptionsForm::checkBox1Click()
{
    ComboBox1->setEnabled(!CheckBox1->isChecked());
    record_.SetSameForBoth(CheckBox1->isChecked());
    if (CheckBox1->isChecked()) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(0);
    }
    showSet();
}

void TDesktopOptionsForm::showSet()
{
    const TDesktopRecord::Set set = ShownSet();
    showing_ = true;
    ColorComboBox1->SetColor(record_.GetColor(set));
    FilenameEdit1->setText(record_.GetImage(set));
    QRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3};
    const uint8_t mode = record_.GetMode(set);
    if (mode < 3) {
        radios[mode]->setChecked(true);
    } else {
        // An unknown mode paints the default; no choice is shown for it.
        for (QRadioButton* radio : radios) {
            radio->setAutoExclusive(false);
            radio->setChecked(false);
            radio->setAutoExclusive(true);
        }
    }
    showing_ = false;
    apply();
}

void TDesktopOptionsForm::apply()
{
    ColorComboBox1->setEnabled(RadioButton2->isChecked());
    FilenameEdit1->setEnabled(RadioButton3->isChecked());
    const TDesktopRecord::Set set = ShownSet();
    if (RadioButton1->isChecked())
        record_.SetMode(set, TDesktopRecord::SystemDefault);
    else if (RadioButton2->isChecked())
        record_.SetMode(set, TDesktopRecord::SolidColor);
    else if (RadioButton3->isChecked())
        record_.SetMode(set, TDesktopRecord::TiledImage);
    record_.SetColor(set, ColorComboBox1->Color());
    // A path too long for the record is kept in the field and refused on OK.
    record_.SetImage(set, withoutQuotes(FilenameEdit1->text()));
}

void TDesktopOptionsForm::button1Click()
{
    if (!FitsDesktopImageField(withoutQuotes(FilenameEdit1->text()))) {
        QMessageBox::warning(this, windowTitle(),
            QStringLiteral("Cesta k obrázku je příliš dlouhá. Zvolte prosím soubor, jehož cesta má nejvýše %1 bajtů.")
                .arg(TDesktopRecord::kMaxImageBytes));
        FilenameEdit1->setFocus();
        return;
    }
    accept();
}
