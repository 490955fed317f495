#include "frame/SaveActionShortcuts.h"

#include "frame/FrameImages.h"
#include "frame/FrameWindow.h"
#include "platform/ShortcutCode.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

const char* const kModule = "Server\\SaveActionShortcuts";

// The dialog's string list.
const char* const kSaveActionShortcutsStrings[] = {"Klávesové zkratky"};

// The order in which the dialog lists the actions, and so their categories:
// the order of the frame's action list as users know it. Actions not named
// here follow in the order they are given.
const char* const kActionListOrder[] = {"Action_ProjectNew", "Action_ProjectOpen", "Action_ProjectSave",
    "Action_ProjectClose", "Action_ProjectSetup", "Action_ProjectNewWorkspace", "Action_ProjectOpenWorkspace",
    "Action_ProjectSaveWorkspace", "Action_ProjectDeleteWorkspace", "Action_FileNew", "Action_FileOpen",
    "Action_FileSave", "Action_FileSaveAs", "Action_FileSaveAll", "Action_FileProperties", "Action_FilePrint",
    "Action_FileSendMailRecipient", "Action_FileSendDesktop", "Action_FileExit", "Action_FileSettingsShortcuts",
    "Action_FileSettingsStartup", "Action_FileSettingsAutoBackup", "Action_FileSettingsScripting",
    "Action_WindowRestore", "Action_WindowNext", "Action_WindowPrevious", "Action_WindowCascade",
    "Action_WindowArrange", "Action_WindowArrangeV", "Action_WindowArrangeIcons", "Action_WindowClose",
    "Action_WindowMinimize", "Action_WindowCloseAll", "Action_EditUndo", "Action_EditRedo", "Action_EditCut",
    "Action_EditCopy", "Action_EditPaste", "Action_EditFind", "Action_EditReplace", "Action_EditFindInFiles", "Action_EditCopyTo",
    "Action_EditPasteFrom", "Action_EditSelectAll", "Action_EditToggleBookmark", "Action_EditNextBookmark",
    "Action_EditPrevBookmark", "Action_EditRemoveAllBookmarks", "Action_HelpAbout", "Action_HelpWWW",
    "Action_HelpTip", "Action_HelpIndex", "Action_HelpSendMessage", "Action_ViewNotepad", "Action_ViewStatusbar",
    "Action_ViewFullscreen", "Action_ViewDesktopOptions", "Action_ToolsSetup", "Action_FormatBold",
    "Action_FormatItalic", "Action_FormatUnderline", "Action_FormatLeftAlign", "Action_FormatCenterAlign",
    "Action_FormatRightAlign", "Action_FormatNoAlign", "Action_FormatNumBullets", "Action_FormatBullets",
    "Action_FormatDecIndent", "Action_FormatIncIndent", "Action_FormatBgColor", "Action_FormatTextColor",
    "Action_DocsAddCurrFile", "Action_DocsAddFile", "Action_DocsArrange", "Action_DocsClear",
    "Action_DocsCustomize", "Action_ScriptExecute", "Action_ScriptExecuteProc", "Action_ScriptOpenExecute",
    "Action_ScriptOpenExecuteProc", "Action_ScriptNew", "Action_ScriptOpen"};

size_t listPosition(const QAction* action)
{
    const QByteArray name = action->objectName().toLatin1();
    for (size_t i = 0; i < std::size(kActionListOrder); ++i)
        if (name == kActionListOrder[i])
            return i;
    return std::size(kActionListOrder);
}

// Node images of the tree.
const int kRootImage = 22;
const int kCategoryImage = 23;
const int kNoActionImage = 27;

// The state images: 1 for an action with a shortcut, 2 for one without.
const char* const kStateImages[] = {":/icons/shortcut-set.svg", ":/icons/shortcut-none.svg"};

QString keyText(uint16_t code)
{
    return ShortcutCodeToKeys(code).toString(QKeySequence::NativeText);
}

QString captionOf(const QAction* action)
{
    return action->text().remove(QLatin1Char('&'));
}

} // namespace

// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------

void LoadShortcuts(const std::vector<QAction*>& actions)
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kShortcutsKey, true))
            return;
        for (QAction* action : actions) {
            const std::string name = action->objectName().toStdString();
            if (!reg.ValueExists(name))
                continue;
            if (reg.GetDataType(name) != qx::RegDataType::Integer) {
                ReportKernelWarning(kModule, std::nullopt, "LoadShortcuts: the value " + name
                        + " is not a shortcut code; the default shortcut stays.");
                continue;
            }
            action->setShortcut(ShortcutCodeToKeys(uint16_t(reg.ReadInteger(name) & 0xFFFF)));
        }
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, std::nullopt, std::string("LoadShortcuts: ") + e.what());
    }
}

void SaveShortcuts(const std::vector<QAction*>& actions)
{
    qx::RegistryBatch batch; // every value in one write
    qx::Registry reg;
    if (!reg.OpenKey(kShortcutsKey, true))
        throw qx::RegistryError(reg.LastError());
    for (QAction* action : actions) {
        const std::string name = action->objectName().toStdString();
        const int32_t code = ShortcutCodeFromKeys(action->shortcut());
        // Each write replaces the store's file; stored codes are not written again.
        if (!reg.ValueExists(name) || reg.GetDataType(name) != qx::RegDataType::Integer || reg.ReadInteger(name) != code)
            reg.WriteInteger(name, code);
    }
    batch.Commit();
}

// ---------------------------------------------------------------------------
// Hot-key field
// ---------------------------------------------------------------------------

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    SetCode(0);
}

void THotKeyEdit::SetCode(uint16_t code)
{
    const bool changed = code != code_;
    code_ = code;
    setText(code ? keyText(code) : QStringLiteral("Žádná"));
    if (changed)
        emit CodeChanged(code);
}

bool THotKeyEdit::Accepts(QKeyCombination key)
{
    const Qt::KeyboardModifiers mods = key.keyboardModifiers();
    if (ShortcutCodeFromKey(key) == 0)
        return false;
    // A function key stands alone; every other key needs Ctrl or Alt, so that
    // typing in documents never runs a command.
    return mods.testAnyFlags(Qt::ControlModifier | Qt::AltModifier)
        || (key.key() >= Qt::Key_F1 && key.key() <= Qt::Key_F24);
}

bool THotKeyEdit::event(QEvent* event)
{
    // Combinations that would be shortcuts (the dialog's own Alt+letter
    // buttons among them) are keys for this field while it has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier)
            || (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F24)) {
            event->accept();
            return true;
        }
    }
    // Tab and Backtab alone move the focus on, as in any field.
    return QLineEdit::event(event);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event)
{
    const int k = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = !mods.testAnyFlags(Qt::ControlModifier | Qt::AltModifier);
    if (k == Qt::Key_Control || k == Qt::Key_Shift || k == Qt::Key_Alt || k == Qt::Key_Meta
        || k == Qt::Key_AltGr || k == Qt::Key_unknown) {
        event->accept();
        return;
    }
    if (plain && mods == Qt::NoModifier && (k == Qt::Key_Backspace || k == Qt::Key_Delete)) {
        SetCode(0);
        event->accept();
        return;
    }
    if (plain && mods == Qt::NoModifier
        && (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter)) {
        event->ignore(); // the dialog's cancel and default buttons
        return;
    }
    const QKeyCombination combination = event->keyCombination();
    if (!Accepts(combination)) {
        QApplication::beep();
        event->accept();
        return;
    }
    SetCode(ShortcutCodeFromKey(combination));
    event->accept();
}

// ---------------------------------------------------------------------------
// Dialog
// ---------------------------------------------------------------------------

TSaveActionsShortcutsForm::TSaveActionsShortcutsForm(const std::vector<QAction*>& actions, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , actions_(actions)
{
    setObjectName(QStringLiteral("SaveActionsShortcutsForm"));
    setWindowTitle(QStringLiteral("Nastavení klávesových zkratek"));
    QFont shellFont = font();
    shellFont.setFamily(QString::fromStdString(GetShellFont()));
    setFont(shellFont);
    std::stable_sort(actions_.begin(), actions_.end(),
        [](const QAction* a, const QAction* b) { return listPosition(a) < listPosition(b); });

    for (int i = 0; i < 2; ++i)
        if (QFile::exists(QLatin1String(kStateImages[i])))
            stateImages_[i] = QIcon(QLatin1String(kStateImages[i]));
    if (stateImages_[0].isNull() || stateImages_[1].isNull()) {
        stateImages_[0] = stateImages_[1] = QIcon();
        ReportKernelWarning(kModule, KernelObjectOf(this), "WM_CREATE handler: unable to load resource STATE_IMAGES.");
    }

    Label1 = new QLabel(QStringLiteral("Zde si můžete přizpůsobit klávesové zkratky programu tak, aby lépe "
                                       "vyhovovaly vašim potřebám."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    TreeView = new QTreeWidget(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setColumnCount(2);
    TreeView->setHeaderLabels({QStringLiteral("Příkaz"), QStringLiteral("Zkratka")});
    TreeView->header()->setStretchLastSection(false);
    TreeView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    TreeView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setIconSize(QSize(16, 16));
    TreeView->setMinimumSize(420, 320);
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &TSaveActionsShortcutsForm::selectionChanged);

    Label2 = new QLabel(QStringLiteral("Klávesové zkratka:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    HotKey = new THotKeyEdit(this);
    HotKey->setObjectName(QStringLiteral("HotKey"));
    Label2->setBuddy(HotKey);
    connect(HotKey, &THotKeyEdit::CodeChanged, this, &TSaveActionsShortcutsForm::showConflict);
    ConflictLabel = new QLabel(this);
    ConflictLabel->setObjectName(QStringLiteral("ConflictLabel"));
    ConflictLabel->setWordWrap(true);
    ConflictLabel->setMinimumHeight(ConflictLabel->fontMetrics().lineSpacing() * 2);
    ConflictLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette warning = ConflictLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(0xC0, 0x1C, 0x28));
    ConflictLabel->setPalette(warning);

    Label3 = new QLabel(QStringLiteral("Funkce prvku:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setWordWrap(true);
    Label4->setMinimumHeight(Label4->fontMetrics().lineSpacing() * 2);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Storno"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3 = new QPushButton(QStringLiteral("&Původní"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    connect(Button1, &QPushButton::clicked, this, &TSaveActionsShortcutsForm::applyAndClose);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TSaveActionsShortcutsForm::buildTree);

    auto* key = new QHBoxLayout;
    key->addWidget(Label2);
    key->addWidget(HotKey, 1);
    auto* hint = new QHBoxLayout;
    hint->addWidget(Label3, 0, Qt::AlignTop);
    hint->addWidget(Label4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button3);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(TreeView, 1);
    layout->addLayout(key);
    layout->addWidget(ConflictLabel);
    layout->addLayout(hint);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TSaveActionsShortcutsForm::~TSaveActionsShortcutsForm() = default;

void TSaveActionsShortcutsForm::showEvent(QShowEvent* event)
{
    buildTree();
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget())
        move(owner->window()->geometry().center() - rect().center());
}

TShortcutDescriptor* TSaveActionsShortcutsForm::DescriptorOf(QTreeWidgetItem* item) const
{
    return item ? reinterpret_cast<TShortcutDescriptor*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* TSaveActionsShortcutsForm::ItemOf(const QAction* action) const
{
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it)
        if (TShortcutDescriptor* d = DescriptorOf(*it); d && d->action == action)
            return *it;
    return nullptr;
}

void TSaveActionsShortcutsForm::clearTree()
{
    const QSignalBlocker block(TreeView);
    TreeView->clear();
    descriptors_.clear();
}

void TSaveActionsShortcutsForm::buildTree()
{
    TreeView->setUpdatesEnabled(false);
    clearTree();
    auto* root = new QTreeWidgetItem(TreeView, {QString::fromUtf8(kSaveActionShortcutsStrings[0])});
    root->setIcon(0, ToolbarImage(kRootImage));
    for (QAction* action : actions_) {
        const QString category = action->property("Category").toString();
        const QString caption = captionOf(action);
        if (category.isEmpty() || caption.isEmpty())
            continue;
        QTreeWidgetItem* group = nullptr;
        for (int i = 0; i < root->childCount() && !group; ++i)
            if (root->child(i)->text(0) == category)
                group = root->child(i);
        if (!group) {
            group = new QTreeWidgetItem(root, {category});
            group->setIcon(0, ToolbarImage(kCategoryImage));
        }
        auto* node = new QTreeWidgetItem(group, {caption});
        descriptors_.push_back(
            std::make_unique<TShortcutDescriptor>(TShortcutDescriptor {action, ShortcutCodeFromKeys(action->shortcut())}));
        node->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(descriptors_.back().get())));
        node->setIcon(0, action->icon().isNull() ? ToolbarImage(kNoActionImage) : action->icon());
        showState(node);
    }
    updateConflicts();
    TreeView->setUpdatesEnabled(true);
    root->setExpanded(true);
    TreeView->setCurrentItem(nullptr);
    selectionChanged(nullptr, nullptr);
}

// The state image and key text of an action node.
void TSaveActionsShortcutsForm::showState(QTreeWidgetItem* item)
{
    const TShortcutDescriptor* d = DescriptorOf(item);
    if (!d)
        return;
    if (HasStateImages())
        item->setIcon(1, stateImages_[d->code ? 0 : 1]);
    item->setText(1, keyText(d->code));
}

void TSaveActionsShortcutsForm::storeHotKey(QTreeWidgetItem* item)
{
    TShortcutDescriptor* d = DescriptorOf(item);
    if (!d || d->code == HotKey->Code())
        return;
    d->code = HotKey->Code();
    showState(item);
    updateConflicts();
}

void TSaveActionsShortcutsForm::selectionChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    storeHotKey(previous);
    const TShortcutDescriptor* d = DescriptorOf(current);
    HotKey->setEnabled(d != nullptr);
    Label2->setEnabled(d != nullptr);
    Label3->setEnabled(d != nullptr);
    const QSignalBlocker block(HotKey);
    if (d) {
        HotKey->SetCode(d->code);
        Label4->setText(d->action->statusTip());
        HotKey->setFocus(Qt::OtherFocusReason);
    } else {
        HotKey->SetCode(0);
        HotKey->clear();
        Label4->clear();
    }
    showConflict();
}

// Marks the nodes whose combination another action uses as well, naming it.
void TSaveActionsShortcutsForm::updateConflicts()
{
    for (QTreeWidgetItemIterator it(TreeView); *it; ++it) {
        const TShortcutDescriptor* d = DescriptorOf(*it);
        if (!d)
            continue;
        QStringList others;
        if (d->code)
            for (const auto& other : descriptors_)
                if (other.get() != d && other->code == d->code)
                    others << captionOf(other->action);
        const bool conflict = !others.isEmpty();
        (*it)->setForeground(1, conflict ? QBrush(QColor(0xC0, 0x1C, 0x28)) : QBrush());
        (*it)->setToolTip(1, conflict ? QStringLiteral("Stejnou zkratku má také: ") + others.join(QStringLiteral(", "))
                                      : QString());
    }
}

// Under the field: which other action already has the combination typed.
void TSaveActionsShortcutsForm::showConflict()
{
    const TShortcutDescriptor* current = DescriptorOf(TreeView->currentItem());
    QStringList others;
    if (current && HotKey->Code())
        for (const auto& other : descriptors_)
            if (other.get() != current && other->code == HotKey->Code())
                others << QStringLiteral("„") + captionOf(other->action) + QStringLiteral("“ (")
                        + other->action->property("Category").toString() + QLatin1Char(')');
    ConflictLabel->setText(others.isEmpty()
            ? QString()
            : QStringLiteral("Tuto zkratku už používá také: ") + others.join(QStringLiteral(", ")));
}

void TSaveActionsShortcutsForm::applyAndClose()
{
    storeHotKey(TreeView->currentItem());
    for (const auto& d : descriptors_)
        d->action->setShortcut(ShortcutCodeToKeys(d->code));
    clearTree();
    accept();
}

// ---------------------------------------------------------------------------
// The frame's shortcuts
// ---------------------------------------------------------------------------

namespace {

// Two actions may be given one combination. Qt runs neither of them then;
// the frame runs the first enabled one in the order of its action table.
class TAmbiguousShortcutFilter : public QObject {
public:
    TAmbiguousShortcutFilter(std::vector<QAction*> actions, QObject* owner)
        : QObject(owner)
        , actions_(std::move(actions))
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Shortcut || !static_cast<QShortcutEvent*>(event)->isAmbiguous())
            return false;
        const QKeySequence keys = static_cast<QShortcutEvent*>(event)->key();
        for (QAction* action : actions_)
            if (action->isEnabled() && action->shortcut() == keys) {
                action->trigger();
                break;
            }
        return true;
    }

private:
    std::vector<QAction*> actions_;
};

} // namespace

void TFrameWindowForm::loadShortcuts()
{
    LoadShortcuts(ActionList());
    auto* filter = new TAmbiguousShortcutFilter(ActionList(), this);
    filter->setObjectName(QStringLiteral("AmbiguousShortcutFilter"));
    for (QAction* action : ActionList())
        action->installEventFilter(filter);
}

void TFrameWindowForm::Action_FileSettingsShortcutsExecute()
{
    // The external tools are listed with the tools menu's command; their
    // codes are kept with the tools.
    std::vector<QAction*> commands = ActionList();
    const QVariant toolsCategory = Action(FrameAction::ToolsSetup)->property("Category");
    for (QAction* entry : ExternalToolEntries()) {
        entry->setProperty("Category", toolsCategory);
        commands.push_back(entry);
    }
    TSaveActionsShortcutsForm dialog(commands, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        SaveShortcuts(ActionList());
        saveExternalToolShortcuts();
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), std::string("SaveShortcuts: ") + e.what());
    }
}
