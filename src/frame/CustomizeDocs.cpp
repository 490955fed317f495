#include "frame/CustomizeDocs.h"

#include "frame/FrameDocuments.h"
#include "ui/DialogSupport.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewSize = 18;

// An 18 by 18 area in the button-face colour with one picture at its top-left
// corner.
class TPreviewBox : public QWidget {
public:
    TPreviewBox(QWidget* parent, std::function<QIcon()> picture)
        : QWidget(parent)
        , picture_(std::move(picture))
    {
        setFixedSize(kPreviewSize, kPreviewSize);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        picture_().paint(&painter, QRect(0, 0, 16, 16));
    }

private:
    std::function<QIcon()> picture_;
};

} // namespace

TCustomizeDocsForm::TCustomizeDocsForm(int styleIndex, const QList<QIcon>& images, QWidget* owner)
    : QDialog(owner)
    , styleIndex_(styleIndex >= 0 && styleIndex < kDocumentStyleCount ? styleIndex : 0)
    , images_(images)
{
    PrepareDialog(this, "CustomizeDocsForm", QStringLiteral("Upravit vzhled"));
    auto* layout = new QVBoxLayout(this);

    auto* styleRow = new QHBoxLayout;
    auto* styleLabel = new QLabel(QStringLiteral("Styl:"), this);
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    for (int i = 0; i < kDocumentStyleCount; ++i)
        ComboBox->addItem(DocumentStyleName(i));
    ComboBox->setCurrentIndex(styleIndex_);
    styleLabel->setBuddy(ComboBox);
    styleRow->addWidget(styleLabel);
    styleRow->addWidget(ComboBox, 1);
    layout->addLayout(styleRow);

    auto* preview = new QGroupBox(QStringLiteral("Náhled"), this);
    auto* grid = new QGridLayout(preview);
    auto picture = [this](int index) {
        return index >= 0 && index < images_.size() ? images_[index] : QIcon();
    };
    auto addPreview = [&](int row, const QString& caption, QWidget*& box, std::function<QIcon()> image) {
        auto* sunken = new QFrame(preview);
        sunken->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        sunken->setLineWidth(1);
        auto* inner = new QHBoxLayout(sunken);
        inner->setContentsMargins(1, 1, 1, 1);
        box = new TPreviewBox(sunken, std::move(image));
        inner->addWidget(box);
        grid->addWidget(new QLabel(caption, preview), row, 0);
        grid->addWidget(sunken, row, 1, Qt::AlignLeft);
    };
    addPreview(0, QStringLiteral("Dokumenty:"), PaintBox1,
        [this, picture] { return picture(DocumentsGroupImage(styleIndex_)); });
    addPreview(1, QStringLiteral("Historie:"), PaintBox2,
        [this, picture] { return picture(HistoryGroupImage(styleIndex_)); });
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox2->setObjectName(QStringLiteral("PaintBox2"));
    grid->setColumnStretch(2, 1);
    layout->addWidget(preview);

    AddOkCancelRow(this, layout, Button1, Button2);
    connect(ComboBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        styleIndex_ = index;
        PaintBox1->update();
        PaintBox2->update();
    });
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(260);
    adjustSize();
    CentreOnOwner(this);
}
