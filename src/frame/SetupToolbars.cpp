#include "frame/SetupToolbars.h"

#include "kernel/Settings.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QAction* holderOf(QWidget* button)
{
    return button->property("qxHolder").value<QAction*>();
}

QString hintOf(QToolButton* button)
{
    return button->defaultAction() ? button->defaultAction()->toolTip() : button->toolTip();
}

QWidget* panelOf(const QListWidgetItem* row)
{
    return reinterpret_cast<QWidget*>(row->data(Qt::UserRole).value<quintptr>());
}

} // namespace

TSetupToolbarsForm::TSetupToolbarsForm(const std::vector<QWidget*>& panels, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , panels_(panels)
{
    setObjectName(QStringLiteral("SetupToolbarsForm"));
    setWindowTitle(QStringLiteral("Upravit panely nástrojů"));
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);

    auto* pages = new QTabWidget(this);
    auto* page = new QWidget(pages);
    page->setObjectName(QStringLiteral("TabSheet1"));
    pages->addTab(page, QStringLiteral("Panely"));

    ToolbarList = new QListWidget(page);
    ToolbarList->setObjectName(QStringLiteral("ToolbarList"));
    ToolbarList->setMinimumSize(210, 300);
    BtnList = new QListWidget(page);
    BtnList->setObjectName(QStringLiteral("BtnList"));
    BtnList->setIconSize(QSize(16, 16));
    BtnList->setMinimumSize(340, 300);
    auto* label1 = new QLabel(QStringLiteral("&Panel:"), page);
    label1->setBuddy(ToolbarList);
    auto* label2 = new QLabel(QStringLiteral("Pří&kazy:"), page);
    label2->setBuddy(BtnList);

    auto* left = new QVBoxLayout;
    left->addWidget(label1);
    left->addWidget(ToolbarList, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(label2);
    right->addWidget(BtnList, 1);
    auto* lists = new QHBoxLayout(page);
    lists->addLayout(left);
    lists->addLayout(right, 1);

    Button1 = new QPushButton(QStringLiteral("&Zavřít"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ToolbarList, &QListWidget::currentItemChanged, this,
        [this](QListWidgetItem* row) { fillButtonList(row); });
    connect(ToolbarList, &QListWidget::itemChanged, this, &TSetupToolbarsForm::toolbarTicked);
    connect(BtnList, &QListWidget::itemChanged, this, &TSetupToolbarsForm::buttonTicked);
}

std::vector<QWidget*> TSetupToolbarsForm::ListedButtons(QToolBar* bar)
{
    std::vector<QWidget*> buttons;
    for (QAction* holder : bar->actions()) {
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(holder));
        if (button && !button->icon().isNull())
            buttons.push_back(button);
    }
    return buttons;
}

void TSetupToolbarsForm::showEvent(QShowEvent* event)
{
    fillToolbarList();
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget())
        move(owner->window()->geometry().center() - rect().center());
}

void TSetupToolbarsForm::fillToolbarList()
{
    const QSignalBlocker block(ToolbarList);
    ToolbarList->clear();
    for (QWidget* panel : panels_) {
        auto* row = new QListWidgetItem(panel->windowTitle(), ToolbarList);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(panel->isHidden() ? Qt::Unchecked : Qt::Checked);
        row->setData(Qt::UserRole, QVariant::fromValue(quintptr(panel)));
    }
    auto* all = new QListWidgetItem(QStringLiteral("(všechny příkazy)"), ToolbarList);
    all->setData(Qt::UserRole, QVariant::fromValue(quintptr(0)));
    ToolbarList->setCurrentRow(0);
    fillButtonList(ToolbarList->item(0));
}

void TSetupToolbarsForm::fillButtonList(QListWidgetItem* row)
{
    const QSignalBlocker block(BtnList);
    BtnList->clear();
    if (!row)
        return;
    std::vector<QToolBar*> bars;
    if (QWidget* panel = panelOf(row)) {
        if (auto* bar = qobject_cast<QToolBar*>(panel))
            bars.push_back(bar);
    } else {
        for (QWidget* panel : panels_)
            if (auto* bar = qobject_cast<QToolBar*>(panel))
                bars.push_back(bar);
    }
    for (QToolBar* bar : bars)
        for (QWidget* button : ListedButtons(bar)) {
            auto* tool = static_cast<QToolButton*>(button);
            auto* item = new QListWidgetItem(tool->icon(), hintOf(tool), BtnList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            QAction* holder = holderOf(button);
            item->setCheckState(holder && !holder->isVisible() ? Qt::Unchecked : Qt::Checked);
            item->setData(Qt::UserRole, QVariant::fromValue(quintptr(button)));
        }
}

void TSetupToolbarsForm::toolbarTicked(QListWidgetItem* row)
{
    if (QWidget* panel = panelOf(row))
        panel->setVisible(row->checkState() == Qt::Checked);
}

void TSetupToolbarsForm::buttonTicked(QListWidgetItem* row)
{
    auto* button = reinterpret_cast<QWidget*>(row->data(Qt::UserRole).value<quintptr>());
    if (QAction* holder = holderOf(button))
        holder->setVisible(row->checkState() == Qt::Checked);
}
