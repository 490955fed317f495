#include "frame/ArrangeDocs.h"

#include "frame/FrameStrings.h"
#include "ui/DialogSupport.h"
#include "ui/QXListView.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TArrangeDocsForm::TArrangeDocsForm(const QStringList& documents, QWidget* owner)
    : QDialog(owner)
    , documents_(documents)
{
    PrepareDialog(this, "ArrangeDocsForm", QStringLiteral("Uspořádat dokumenty"));
    setMinimumSize(350, 350);
    resize(420, 400);
    setSizeGripEnabled(true);

    auto* layout = new QHBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    QXListView1 = new TQXListView(panel);
    QXListView1->setObjectName(QStringLiteral("QXListView1"));
    QXListView1->SetAllowFocus(true);
    panelLayout->addWidget(QXListView1);
    layout->addWidget(panel, 1);

    auto* buttons = new QVBoxLayout;
    auto button = [this, buttons](const char* caption, bool enabled) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setEnabled(enabled);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    Button1 = button("&OK", true);
    Button2 = button("&Storno", true);
    buttons->addSpacing(16);
    Button3 = button("Odstranit", false);
    Button4 = button("&Nahoru", false);
    Button5 = button("&Dolů", false);
    buttons->addStretch();
    layout->addLayout(buttons);
    Button1->setDefault(true);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TArrangeDocsForm::removeItem);
    connect(Button4, &QPushButton::clicked, this, &TArrangeDocsForm::moveUp);
    connect(Button5, &QPushButton::clicked, this, &TArrangeDocsForm::moveDown);
    QXListView1->OnSelectItem = [this](TQXListView*, int item) { updateButtons(item); };
    // The keyboard moves the focused item too; the buttons follow it.
    connect(QXListView1, &TQXListView::FocusedIndexChanged, this, &TArrangeDocsForm::updateButtons);

    fillList();
    CentreOnOwner(this);
}

void TArrangeDocsForm::fillList()
{
    const int group = QXListView1->AddGroup(FrameText(FrameString::DocumentsGroup), -1);
    QXListView1->BeginUpdate();
    for (const QString& path : std::as_const(documents_)) {
        const int item = QXListView1->AddItem(group, QFileInfo(path).fileName(), -1);
        QXListView1->SetItemHint(item, path);
        QXListView1->SetItemSystemIcon(item);
    }
    QXListView1->ExpandAll();
    QXListView1->EndUpdate(true);
}

void TArrangeDocsForm::updateButtons(int item)
{
    const int count = QXListView1->Count();
    Button3->setEnabled(item > 0 && item < count);
    Button4->setEnabled(item > 1 && item < count);
    Button5->setEnabled(item > 0 && item < count - 1);
}

void TArrangeDocsForm::removeItem()
{
    const int k = QXListView1->FocusedIndex();
    if (k <= 0 || k >= QXListView1->Count())
        return;
    QXListView1->BeginUpdate();
    QXListView1->DeleteItem(k);
    documents_.removeAt(k - 1);
    if (k >= QXListView1->Count())
        QXListView1->SetFocusedIndex(k - 1);
    updateButtons(QXListView1->FocusedIndex());
    QXListView1->EndUpdate(true);
}

void TArrangeDocsForm::moveUp()
{
    const int k = QXListView1->FocusedIndex();
    if (k <= 1 || k >= QXListView1->Count())
        return;
    QXListView1->BeginUpdate();
    documents_.swapItemsAt(k - 1, k - 2);
    QXListView1->ExchangeItems(k - 1, k);
    QXListView1->SetFocusedIndex(k - 1);
    updateButtons(k - 1);
    QXListView1->EndUpdate(true);
}

void TArrangeDocsForm::moveDown()
{
    const int k = QXListView1->FocusedIndex();
    if (k <= 0 || k >= QXListView1->Count() - 1)
        return;
    QXListView1->BeginUpdate();
    documents_.swapItemsAt(k - 1, k);
    QXListView1->ExchangeItems(k + 1, k);
    QXListView1->SetFocusedIndex(k + 1);
    updateButtons(k + 1);
    QXListView1->EndUpdate(true);
}
