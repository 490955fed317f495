#include "tools/ExternalToolSetup.h"

#include "tools/EditExternalTool.h"
#include "ui/DialogSupport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The dialog's string table: the root node's caption.
const char* const ExternalToolSetupStrings[] = {"Nástroje"};

const int kToolRole = Qt::UserRole;

} // namespace

TExternalToolSetupForm::TExternalToolSetupForm(QWidget* owner, const QIcon& setupImage, const QIcon& toolImage)
    : QDialog(owner)
    , setupImage_(setupImage)
    , toolImage_(toolImage)
    , OnRunEditor([](TEditExternalToolForm& form) { return form.exec() == QDialog::Accepted; })
{
    PrepareDialog(this, "ExternalToolSetupForm", QStringLiteral("Nastavit externí nástroje"));
    Label1 = new QLabel(QStringLiteral("Zde můžete vytvořit nebo upravit nastavení externích nástrojů. Definované "
                                       "nástroje můžete použít pro externí zpracování upravovaných dokumentů."),
        this);
    Label1->setWordWrap(true);

    TreeView = new QTreeWidget(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);

    Button3 = new QPushButton(QStringLiteral("&Přidat"), this);
    Button4 = new QPushButton(QStringLiteral("&Upravit"), this);
    Button5 = new QPushButton(QStringLiteral("&Odebrat"), this);
    BitBtn2 = new QToolButton(this);
    BitBtn2->setArrowType(Qt::UpArrow);
    BitBtn2->setToolTip(QStringLiteral("Posunout nástroj nahoru"));
    BitBtn1 = new QToolButton(this);
    BitBtn1->setArrowType(Qt::DownArrow);
    BitBtn1->setToolTip(QStringLiteral("Posunout nástroj dolů"));
    for (QPushButton* b : {Button3, Button4, Button5})
        b->setAutoDefault(false);
    for (QToolButton* b : {BitBtn2, BitBtn1})
        b->setFixedSize(32, 26);

    auto* side = new QVBoxLayout;
    side->addWidget(Button3);
    side->addWidget(Button4);
    side->addWidget(Button5);
    side->addSpacing(12);
    auto* arrows = new QVBoxLayout;
    arrows->addWidget(BitBtn2, 0, Qt::AlignHCenter);
    arrows->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    side->addLayout(arrows);
    side->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(TreeView, 1);
    middle->addLayout(side);

    QHBoxLayout* buttons = NewOkCancelRow(this, Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    resize(430, 340);

    connect(TreeView, &QTreeWidget::itemSelectionChanged, this, &TExternalToolSetupForm::updateButtons);
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (SelectedTool() >= 0)
            editClick();
    });
    connect(Button3, &QPushButton::clicked, this, &TExternalToolSetupForm::addClick);
    connect(Button4, &QPushButton::clicked, this, &TExternalToolSetupForm::editClick);
    connect(Button5, &QPushButton::clicked, this, &TExternalToolSetupForm::removeClick);
    connect(BitBtn2, &QToolButton::clicked, this, [this] { moveClick(-1); });
    connect(BitBtn1, &QToolButton::clicked, this, [this] { moveClick(1); });

    tools_ = LoadExternalToolList();
    rebuildTree(-1);
}

int TExternalToolSetupForm::SelectedTool() const
{
    const QList<QTreeWidgetItem*> selected = TreeView->selectedItems();
    if (selected.isEmpty() || selected.constFirst() == root_)
        return -1;
    return selected.constFirst()->data(0, kToolRole).toInt();
}

void TExternalToolSetupForm::SelectTool(int index)
{
    if (index >= 0 && index < root_->childCount())
        TreeView->setCurrentItem(root_->child(index));
    else if (index < 0)
        TreeView->setCurrentItem(root_);
}

void TExternalToolSetupForm::rebuildTree(int select)
{
    TreeView->clear();
    root_ = new QTreeWidgetItem(TreeView, {QString::fromUtf8(ExternalToolSetupStrings[0])});
    root_->setIcon(0, setupImage_);
    for (size_t i = 0; i < tools_.size(); ++i) {
        auto* node = new QTreeWidgetItem(root_, {tools_[i].DisplayName});
        node->setIcon(0, toolImage_);
        node->setData(0, kToolRole, int(i));
    }
    root_->setExpanded(true);
    TreeView->clearSelection();
    TreeView->setCurrentItem(nullptr);
    if (select >= 0 && select < int(tools_.size()))
        TreeView->setCurrentItem(root_->child(select));
    updateButtons();
}

void TExternalToolSetupForm::updateButtons()
{
    const int tool = SelectedTool();
    const bool isTool = tool >= 0;
    Button4->setEnabled(isTool);
    Button5->setEnabled(isTool);
    BitBtn2->setEnabled(isTool && tool > 0);
    BitBtn1->setEnabled(isTool && tool + 1 < int(tools_.size()));
}

void TExternalToolSetupForm::addClick()
{
    TEditExternalToolForm form(this);
    if (!OnRunEditor(form))
        return;
    tools_.push_back(form.Tool());
    rebuildTree(-1);
}

void TExternalToolSetupForm::editClick()
{
    const int tool = SelectedTool();
    if (tool < 0)
        return;
    TEditExternalToolForm form(this);
    form.SetTool(tools_[size_t(tool)]);
    if (!OnRunEditor(form))
        return;
    tools_[size_t(tool)] = form.Tool();
    rebuildTree(-1);
}

void TExternalToolSetupForm::removeClick()
{
    const int tool = SelectedTool();
    if (tool < 0)
        return;
    tools_.erase(tools_.begin() + tool);
    rebuildTree(-1);
}

void TExternalToolSetupForm::moveClick(int delta)
{
    const int tool = SelectedTool();
    const int other = tool + delta;
    if (tool < 0 || other < 0 || other >= int(tools_.size()))
        return;
    std::swap(tools_[size_t(tool)], tools_[size_t(other)]);
    rebuildTree(other);
    TreeView->setFocus();
}
