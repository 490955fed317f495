#include "ui/ColorComboBox.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

namespace {

const int kSwatchWidth = 72;
const int kSwatchHeight = 14;

// The standard sixteen colours first, then the custom entry.
const char* const kStandardColors[] = {"#000000", "#800000", "#008000", "#808000", "#000080", "#800080", "#008080",
    "#808080", "#c0c0c0", "#ff0000", "#00ff00", "#ffff00", "#0000ff", "#ff00ff", "#00ffff", "#ffffff"};

QIcon swatch(const QColor& color)
{
    QPixmap pixmap(kSwatchWidth, kSwatchHeight);
    pixmap.fill(color);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, kSwatchWidth - 1, kSwatchHeight - 1);
    return QIcon(pixmap);
}

} // namespace

TColorComboBox::TColorComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setIconSize(QSize(kSwatchWidth, kSwatchHeight));
    for (const char* name : kStandardColors)
        addColor(QColor(QString::fromLatin1(name)));
    addItem(QStringLiteral("Jiná barva..."));
    setCurrentIndex(0);
    connect(this, &QComboBox::activated, this, &TColorComboBox::activatedItem);
}

QColor TColorComboBox::Color() const
{
    return itemData(currentIndex() == count() - 1 ? lastIndex_ : currentIndex()).value<QColor>();
}

int TColorComboBox::indexOfColor(const QColor& color) const
{
    for (int i = 0; i < count() - 1; ++i)
        if (itemData(i).value<QColor>().rgb() == color.rgb())
            return i;
    return -1;
}

int TColorComboBox::addColor(const QColor& color)
{
    // Before the custom entry, once the list has one.
    const int at = count() > 0 && !itemData(count() - 1).isValid() ? count() - 1 : count();
    insertItem(at, swatch(color), QString(), color);
    return at;
}

void TColorComboBox::SetColor(const QColor& color)
{
    int index = indexOfColor(color);
    if (index < 0)
        index = addColor(QColor(color.rgb()));
    {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    lastIndex_ = index;
    emit colorChanged(Color());
}

void TColorComboBox::activatedItem(int index)
{
    if (index != count() - 1) {
        lastIndex_ = index;
        emit colorChanged(Color());
        return;
    }
    const QColor chosen = QColorDialog::getColor(itemData(lastIndex_).value<QColor>(), window(), QStringLiteral("Barva"));
    if (chosen.isValid()) {
        SetColor(chosen);
    } else {
        const QSignalBlocker block(this);
        setCurrentIndex(lastIndex_);
    }
}
