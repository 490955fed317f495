// The frame's components built from the action table: the actions, the menu
// tree of the menu bar, the toolbars with their buttons, the tool windows and
// the status bar.
#include "frame/FrameWindow.h"

#include "frame/FrameImages.h"
#include "frame/FrameStatusBar.h"
#include "frame/FrameStrings.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "ui/AboutBoxes.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionToolButton>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

namespace {

using A = FrameAction;
// Marks a separator in the item lists below.
const int kSep = -1;

int item(A id)
{
    return int(id);
}

// The style of a menu whose items show 32x32 images instead of the usual
// small ones; everything else is drawn as in the other menus.
class TLargeMenuImagesStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_SmallIconSize)
            return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// A toolbar button whose arrow part runs its own handler instead of a menu
// (the undo and redo lists).
class TSplitButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    std::function<void()> OnArrow;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (OnArrow && event->button() == Qt::LeftButton) {
            QStyleOptionToolButton option;
            initStyleOption(&option);
            QRect arrow = style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this);
            if (arrow.contains(event->position().toPoint())) {
                OnArrow();
                return;
            }
        }
        QToolButton::mousePressEvent(event);
    }
};

// The first item of the list submenus: the caption in bold on the highlight
// colour, after the list image.
// A 16x16 image drawn from its icon when it is painted: a title item's
// picture is read when its menu is first shown, not when the menus are built.
class TIconBox : public QWidget {
public:
    TIconBox(QIcon icon, QWidget* parent)
        : QWidget(parent)
        , icon_(std::move(icon))
    {
        setFixedSize(16, 16);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        icon_.paint(&painter, rect());
    }

private:
    QIcon icon_;
};

QWidgetAction* makeTitleItem(QMenu* menu, const QString& caption)
{
    auto* action = new QWidgetAction(menu);
    auto* box = new QWidget(menu);
    box->setAutoFillBackground(true);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    box->setPalette(pal);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(5, 2, 10, 2);
    layout->setSpacing(9);
    auto* image = new TIconBox(ToolbarImage(21), box);
    auto* text = new QLabel(QString(caption).remove(QLatin1Char('&')), box);
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    layout->addWidget(image);
    layout->addWidget(text, 1);
    action->setDefaultWidget(box);
    action->setObjectName(QStringLiteral("TitleItem"));
    action->setEnabled(false);
    menu->addAction(action);
    return action;
}

} // namespace

// ---------------------------------------------------------------------------
// Actions
// ---------------------------------------------------------------------------

void TFrameWindowForm::createActions()
{
    alignGroup_ = new QActionGroup(this);
    alignGroup_->setExclusive(true);
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        auto* action = new QAction(QString::fromUtf8(def.caption), this);
        action->setObjectName(QLatin1String(def.name));
        QString hint = QString::fromUtf8(def.hint);
        if (def.id == A::HelpWWW) {
            hint = ProductWebPage();
            // A build without a web page offers none.
            action->setVisible(!hint.isEmpty());
        }
        action->setStatusTip(hint);
        action->setToolTip(hint);
        action->setProperty("Tag", def.tag);
        action->setProperty("Category", QString::fromUtf8(def.category));
        if (*def.shortcut)
            action->setShortcut(QKeySequence(QLatin1String(def.shortcut), QKeySequence::PortableText));
        action->setIcon(ToolbarImage(def.image));
        action->setCheckable(def.checkable);
        actions_[size_t(i)] = action;
        // Shortcuts work whether or not the menu bar is shown.
        addAction(action);
        if (def.handler) {
            auto handler = def.handler;
            connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        } else if (def.code != kNoCommand) {
            int code = def.code;
            connect(action, &QAction::triggered, this, [this, code] { forwardCommand(code); });
        }
    }
    for (A id : {A::FormatLeftAlign, A::FormatCenterAlign, A::FormatRightAlign, A::FormatNoAlign})
        alignGroup_->addAction(Action(id));
    Action(A::FormatNoAlign)->setChecked(true);
    Action(A::StatusBar)->setChecked(true);
    Action(A::ViewStatusbar)->setChecked(true);
    Action(A::HelpTip)->setChecked(TipOfTheDayEnabled());
}

// ---------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------

// The menus of the menu bar open with Alt and their underlined letter; no two
// menus share a letter.
QMenu* TFrameWindowForm::addMenu(const char* name, const char* caption)
{
    QMenu* menu = menuBar_->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QLatin1String(name));
    menu->setToolTipsVisible(true);
    return menu;
}

void TFrameWindowForm::addActionItems(QMenu* menu, std::initializer_list<int> items)
{
    for (int i : items) {
        if (i == kSep)
            menu->addSeparator();
        else
            menu->addAction(actions_[size_t(i)]);
    }
}

QMenu* TFrameWindowForm::addListSubmenu(QMenu* parent, const char* name, const QString& caption, const QString& hint,
    const QString& title, int image)
{
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setStatusTip(hint);
    menu->menuAction()->setIcon(ToolbarImage(image));
    makeTitleItem(menu, title);
    menu->addSeparator();
    QAction* none = menu->addAction(QStringLiteral("(není)"));
    none->setObjectName(QStringLiteral("NoneItem"));
    none->setEnabled(false);
    return menu;
}

void TFrameWindowForm::createMenus()
{
    createMenuToolbar();

    QMenu* file = addMenu("MenuFile", "&Soubor");
    addActionItems(file, {item(A::FileNew), kSep, item(A::FileOpen)});
    menuFileOpenRecent_ = file->addMenu(ToolbarImage(1), QStringLiteral("Otevřít"));
    menuFileOpenRecent_->setObjectName(QStringLiteral("MenuFileOpenRecent"));
    makeTitleItem(menuFileOpenRecent_, QStringLiteral("Nedávno otevřené dokumenty"));
    menuFileOpenRecent_->addSeparator();
    connect(Action(A::FileOpen), &QAction::enabledChanged, menuFileOpenRecent_->menuAction(), &QAction::setEnabled);
    addActionItems(file, {kSep, item(A::FileSave), item(A::FileSaveAs), item(A::FileSaveAll), kSep,
                             item(A::WindowClose), item(A::WindowCloseAll), kSep, item(A::FileProperties), kSep,
                             item(A::FilePrint)});
    QMenu* send = file->addMenu(QStringLiteral("&Odeslat"));
    send->setObjectName(QStringLiteral("MenuFileSend"));
    send->menuAction()->setStatusTip(QStringLiteral("Odeslat dokument..."));
    addActionItems(send, {item(A::FileSendMailRecipient), item(A::FileSendDesktop)});
    file->addSeparator();
    QMenu* settings = file->addMenu(ToolbarImage(26), QStringLiteral("&Nastavení"));
    settings->setObjectName(QStringLiteral("MenuFileSettings"));
    settings->menuAction()->setStatusTip(QStringLiteral("Změna nastavení programu"));
    addActionItems(settings, {item(A::FileSettingsAutoBackup), item(A::FileSettingsShortcuts),
                                 item(A::FileSettingsStartup), item(A::FileSettingsScripting)});
    addActionItems(file, {kSep, item(A::FileExit)});

    QMenu* edit = addMenu("MenuEdit", "Úpr&avy");
    addActionItems(edit, {item(A::EditUndo), item(A::EditRedo), kSep, item(A::EditCut), item(A::EditCopy),
                             item(A::EditPaste), kSep, item(A::EditCopyTo), item(A::EditPasteFrom), kSep,
                             item(A::EditSelectAll), kSep, item(A::EditFind), item(A::EditReplace), item(A::EditFindInFiles), kSep,
                             item(A::EditToggleBookmark), item(A::EditNextBookmark), item(A::EditPrevBookmark),
                             item(A::EditRemoveAllBookmarks)});

    QMenu* view = addMenu("MenuView", "&Zobrazit");
    addActionItems(view, {item(A::ViewNotepad), kSep});
    menuViewToolbars_ = view->addMenu(QStringLiteral("&Panely nástrojů"));
    menuViewToolbars_->setObjectName(QStringLiteral("MenuViewToolbars"));
    connect(menuViewToolbars_, &QMenu::aboutToShow, this, [this] { rebuildViewToolbarsMenu(menuViewToolbars_); });
    addActionItems(view, {item(A::ViewStatusbar), item(A::ViewDesktopOptions), kSep, item(A::ViewOutline),
                             item(A::ViewFullscreen)});

    QMenu* format = addMenu("MenuFormat", "&Formát");
    addActionItems(format, {item(A::FormatBold), item(A::FormatItalic), item(A::FormatUnderline), kSep,
                               item(A::FormatLeftAlign), item(A::FormatCenterAlign), item(A::FormatRightAlign),
                               item(A::FormatNoAlign), kSep, item(A::FormatNumBullets), item(A::FormatBullets),
                               item(A::FormatDecIndent), item(A::FormatIncIndent), kSep, item(A::FormatBgColor),
                               item(A::FormatTextColor)});

    QMenu* project = addMenu("MenuProject", "&Projekt");
    addActionItems(project, {item(A::ProjectNew), kSep, item(A::ProjectOpen)});
    openProjectSubmenu_ = addListSubmenu(project, "MenuProjectOpenRecent", QStringLiteral("&Otevřít projekt ze seznamu"),
        QStringLiteral("Otevřít existující projekt"), QStringLiteral("Nalezené projekty"), kNoImage);
    addActionItems(project, {item(A::ProjectSave), item(A::ProjectClose), kSep, item(A::ProjectSetup), kSep,
                                item(A::ProjectNewWorkspace), item(A::ProjectOpenWorkspace)});
    openWorkspaceSubmenu_ = addListSubmenu(project, "MenuProjectOpenRecentWorkspace",
        QStringLiteral("Otevřít plochu ze seznamu"), QString(), QStringLiteral("Přístupné plochy"), kNoImage);
    addActionItems(project, {item(A::ProjectSaveWorkspace), item(A::ProjectDeleteWorkspace), kSep});
    openProjectDocumentSubmenu_ = addListSubmenu(project, "MenuProjectOpenDocument",
        QStringLiteral("Otevřít dokument"), QStringLiteral("Otevřít dokument vložený do projektu"),
        FrameText(FrameString::NoProjectOpen), 52);

    QMenu* docs = addMenu("MenuDocs", "&Dokumenty");
    addActionItems(docs, {item(A::DocsAddCurrFile), item(A::DocsAddFile), item(A::DocsArrange), item(A::DocsClear),
                             kSep, item(A::DocsCustomize)});

    menuLaunch_ = addMenu("MenuLaunch", "Spus&tit");
    QAction* noModule = menuLaunch_->addAction(FrameText(FrameString::NoModule));
    noModule->setObjectName(QStringLiteral("MenuLaunchNoModule"));
    noModule->setEnabled(false);

    scriptSubmenu_ = new QMenu(this);
    scriptSubmenu_->setObjectName(QStringLiteral("ScriptSubmenu"));
    QMenu* script = addMenu("MenuScript", "S&kript");
    addActionItems(script, {item(A::ScriptExecute), item(A::ScriptExecuteProc), kSep, item(A::ScriptOpenExecute),
                               item(A::ScriptOpenExecuteProc), kSep, item(A::ScriptNew), item(A::ScriptOpen)});

    menuExternalTools_ = addMenu("MenuExternalTools", "&Nástroje");
    addActionItems(menuExternalTools_, {item(A::ToolsSetup), kSep});
    menuExternalToolsTemplate_ = menuExternalTools_->addAction(QStringLiteral("(není definováno)"));
    menuExternalToolsTemplate_->setObjectName(QStringLiteral("MenuExternalToolsTemplate"));
    menuExternalToolsTemplate_->setEnabled(false);

    QMenu* window = addMenu("MenuWindow", "&Okno");
    addActionItems(window, {item(A::WindowNext), item(A::WindowPrevious), kSep, item(A::WindowCascade),
                               item(A::WindowArrange), item(A::WindowArrangeV), item(A::WindowArrangeIcons), kSep,
                               item(A::WindowMinimize), item(A::WindowClose), kSep, item(A::WindowCloseAll)});

    QMenu* help = addMenu("MenuHelp", "Nápo&věda");
    addActionItems(help, {item(A::HelpIndex), item(A::HelpWWW), kSep, item(A::HelpSendMessage), kSep});
    menuHelpPlugins_ = help->addMenu(QStringLiteral("&Zásuvné moduly..."));
    menuHelpPlugins_->setObjectName(QStringLiteral("MenuHelpPlugins"));
    menuHelpPlugins_->menuAction()->setEnabled(false);
    addActionItems(help, {kSep, item(A::HelpTip), kSep, item(A::HelpAbout)});
    connect(help, &QMenu::aboutToShow, this, [this] { Action(A::HelpTip)->setChecked(TipOfTheDayEnabled()); });

    newDocumentSubmenu_ = new QMenu(this);
    newDocumentSubmenu_->setObjectName(QStringLiteral("NewDocumentSubmenu"));
    notepadSubmenu_ = new QMenu(this);
    notepadSubmenu_->setObjectName(QStringLiteral("NotepadSubmenu"));
    addActionItems(notepadSubmenu_, {item(A::ViewNotepad), item(A::SubmenuNotepadClear)});
    customizeToolbarSubmenu_ = new QMenu(this);
    customizeToolbarSubmenu_->setObjectName(QStringLiteral("CustomizeToolbarSubmenu"));
    viewToolbarsSubmenu_ = new QMenu(this);
    viewToolbarsSubmenu_->setObjectName(QStringLiteral("ViewToolbarsSubmenu"));
    launchOrChangePluginSubmenu_ = new QMenu(this);
    launchOrChangePluginSubmenu_->setObjectName(QStringLiteral("LaunchOrChangePluginSubmenu"));
    // Its items show the plug-ins' 32x32 images.
    auto* largeImages = new TLargeMenuImagesStyle;
    largeImages->setParent(launchOrChangePluginSubmenu_);
    launchOrChangePluginSubmenu_->setStyle(largeImages);
    connect(launchOrChangePluginSubmenu_, &QMenu::aboutToShow, this, &TFrameWindowForm::rebuildLaunchOrChangeMenu);

    // The frame's, the docks' and the toolbars' context menu.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        rebuildViewToolbarsMenu(viewToolbarsSubmenu_);
        viewToolbarsSubmenu_->popup(mapToGlobal(pos));
    });
}

// The panel items toggle these, in this order; null marks a separator.
void TFrameWindowForm::rebuildViewToolbarsMenu(QMenu* menu)
{
    struct Row {
        const char* caption;
        const char* component;
    };
    static const Row rows[] = {
        {"Panel 'Nabídky'", "MenuToolbar"}, {nullptr, nullptr}, {"Panel 'Soubor'", "FileToolbar"},
        {"Panel 'Úpravy'", "EditToolbar"}, {"Panel 'Formát'", "FormatToolbar"}, {"Panel 'Okna'", "WindowToolbar"},
        {"Panel 'Poznámky'", "NotepadToolbar"}, {"Panel 'Projekt'", "ProjectToolbar"},
        {"Panel 'Záložky'", "BookmarksToolbar"}, {"Panel 'Složka Dokumenty'", "DocumentsToolbar"},
        {"Panel 'Dokumenty'", "DocsCtrlToolbar"}, {"Panel 'Skripty'", "ScriptToolbar"},
        {"Panel 'Výstup nástroje'", "ToolOutputToolWindow"}, {"Panel 'Přehled symbolů'", "OutlineToolWindow"},
        {"Panel 'Výsledky hledání'", "FindInFilesToolWindow"},
        {nullptr, nullptr},
    };
    menu->clear();
    for (const Row& row : rows) {
        if (!row.caption) {
            menu->addSeparator();
            continue;
        }
        QWidget* target = findChild<QWidget*>(QLatin1String(row.component));
        QAction* toggle = menu->addAction(QString::fromUtf8(row.caption));
        toggle->setCheckable(true);
        toggle->setChecked(target && target->isVisible());
        connect(toggle, &QAction::triggered, this, [target](bool on) {
            if (target)
                target->setVisible(on);
        });
    }
    QAction* setup = menu->addAction(QStringLiteral("&Upravit panely nástrojů..."));
    setup->setObjectName(QStringLiteral("MenuViewToolbarsSetup"));
    connect(setup, &QAction::triggered, this, [this] { showSetupToolbars(); });
}

// ---------------------------------------------------------------------------
// Toolbars
// ---------------------------------------------------------------------------

QToolBar* TFrameWindowForm::addFrameToolbar(const char* name, const char* caption, Qt::ToolBarArea area,
    bool lineBreak)
{
    if (lineBreak)
        addToolBarBreak(area);
    auto* bar = new QToolBar(QString::fromUtf8(caption), this);
    bar->setObjectName(QLatin1String(name));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(area, bar);
    toolbars_.push_back(bar);
    return bar;
}

QToolButton* TFrameWindowForm::addToolbarButton(QToolBar* bar, FrameAction id, QMenu* dropdown)
{
    auto* button = new TSplitButton(bar);
    const TFrameActionDef& def = FrameActionDef(id);
    button->setObjectName(QStringLiteral("ToolbarButton") + QLatin1String(def.name + 7)); // without "Action_"
    button->setDefaultAction(Action(id));
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    if (dropdown) {
        button->setMenu(dropdown);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    QAction* holder = bar->addWidget(button);
    button->setProperty("qxHolder", QVariant::fromValue(holder));
    toolbarButtons_.push_back(button);
    return button;
}

void TFrameWindowForm::addCustomizeButton(QToolBar* bar)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QStringLiteral("ToolbarButton") + bar->objectName().chopped(int(strlen("Toolbar")))
        + QStringLiteral("CustomizeBtn"));
    button->setAutoRaise(true);
    button->setArrowType(Qt::DownArrow);
    button->setFixedWidth(12);
    button->setToolTip(QStringLiteral("Upravit panel nástrojů"));
    button->setStatusTip(QStringLiteral("Upravit panel nástrojů"));
    connect(button, &QToolButton::clicked, this, [this, bar, button] { showCustomizeToolbarMenu(bar, button); });
    QAction* holder = bar->addWidget(button);
    button->setProperty("qxHolder", QVariant::fromValue(holder));
    // Only the Window toolbar's customize button is among the stored properties.
    if (bar->objectName() == QLatin1String("WindowToolbar"))
        toolbarButtons_.push_back(button);
}

void TFrameWindowForm::showCustomizeToolbarMenu(QToolBar* bar, QToolButton* sender)
{
    if (!sender || sender->parentWidget() != bar)
        RaiseKernelException("Server\\FrameWindow", KernelObjectOf(this),
            "CustomizeToolbarSubmenuPopup: invalid object passed.");
    customizeToolbarSubmenu_->clear();
    for (QAction* holder : bar->actions()) {
        if (holder->isSeparator()) {
            customizeToolbarSubmenu_->addSeparator();
            continue;
        }
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(holder));
        if (!button || button == sender)
            continue;
        // A button bound to a command shows its image and hint; one that only
        // opens a menu (the project's documents) has its own.
        const QAction* command = button->defaultAction();
        // A hidden button's image is shown greyed, so that the ticks read at
        // a glance where the style frames the image of a ticked item.
        const QIcon image = command ? command->icon() : button->icon();
        QAction* toggle = customizeToolbarSubmenu_->addAction(
            holder->isVisible() ? image : QIcon(image.pixmap(16, 16, QIcon::Disabled)),
            command ? command->toolTip() : button->toolTip());
        toggle->setCheckable(true);
        toggle->setChecked(holder->isVisible());
        connect(toggle, &QAction::triggered, holder, [holder](bool on) { holder->setVisible(on); });
    }
    customizeToolbarSubmenu_->popup(sender->mapToGlobal(QPoint(0, sender->height())));
}

void TFrameWindowForm::createToolbars()
{
    // One row per button, left to right: the action and the menu its arrow
    // opens; kSep is a separator. Every toolbar ends with its customize button.
    struct Button {
        int action;
        QMenu* dropdown = nullptr;
    };
    auto build = [this](QToolBar* bar, std::initializer_list<Button> buttons) {
        for (const Button& b : buttons) {
            if (b.action == kSep)
                bar->addSeparator();
            else
                addToolbarButton(bar, FrameAction(b.action), b.dropdown);
        }
    };
    const auto top = Qt::TopToolBarArea;
    undoListMenu_ = new QMenu(this);

    build(addFrameToolbar("FileToolbar", "Soubor", top, false),
        {{item(A::FileNew), newDocumentSubmenu_}, {item(A::FileOpen)}, {item(A::FileSave)}, {item(A::FileSaveAll)},
            {kSep}, {item(A::FilePrint)}, {kSep}, {item(A::FileProperties)}});
    build(addFrameToolbar("NotepadToolbar", "Poznámky", top, false), {{item(A::ViewNotepad), notepadSubmenu_}});
    QToolBar* edit = addFrameToolbar("EditToolbar", "Úpravy", top, false);
    build(edit, {{item(A::EditCut)}, {item(A::EditCopy)}, {item(A::EditPaste)}, {kSep},
                    {item(A::EditUndo), undoListMenu_}, {item(A::EditRedo), undoListMenu_}, {kSep},
                    {item(A::EditFind)}, {item(A::EditReplace)}});
    // The undo and redo arrows open the step lists instead of a menu.
    for (bool undo : {true, false}) {
        auto* button = static_cast<TSplitButton*>(
            findChild<QToolButton*>(undo ? QStringLiteral("ToolbarButtonEditUndo") : QStringLiteral("ToolbarButtonEditRedo")));
        button->OnArrow = [this, undo] { ShowUndoRedoList(undo); };
    }
    QToolBar* project = addFrameToolbar("ProjectToolbar", "Projekt", top, false);
    build(project, {{item(A::ProjectNew)}, {item(A::ProjectOpen), openProjectSubmenu_}, {item(A::ProjectSave)},
                       {item(A::ProjectSetup)}, {kSep}, {item(A::ProjectNewWorkspace)},
                       {item(A::ProjectOpenWorkspace), openWorkspaceSubmenu_}, {item(A::ProjectSaveWorkspace)},
                       {item(A::ProjectDeleteWorkspace)}, {kSep}});
    {
        // A button that only opens the project documents list.
        auto* button = new QToolButton(project);
        button->setObjectName(QStringLiteral("ToolbarButtonProjectOpenDocument"));
        button->setIcon(ToolbarImage(52));
        button->setToolTip(QStringLiteral("Otevřít dokument"));
        button->setStatusTip(QStringLiteral("Otevřít dokument"));
        button->setAutoRaise(true);
        button->setMenu(openProjectDocumentSubmenu_);
        button->setPopupMode(QToolButton::InstantPopup);
        QAction* holder = project->addWidget(button);
        button->setProperty("qxHolder", QVariant::fromValue(holder));
        toolbarButtons_.push_back(button);
    }
    build(addFrameToolbar("BookmarksToolbar", "Záložky", top, true),
        {{item(A::EditToggleBookmark)}, {item(A::EditNextBookmark)}, {item(A::EditPrevBookmark)},
            {item(A::EditRemoveAllBookmarks)}});
    build(addFrameToolbar("WindowToolbar", "Okno", top, false),
        {{item(A::WindowNext)}, {item(A::WindowPrevious)}, {kSep}, {item(A::WindowCascade)}, {item(A::WindowArrange)},
            {item(A::WindowArrangeV)}, {item(A::WindowArrangeIcons)}});
    build(addFrameToolbar("DocsCtrlToolbar", "Dokumenty", top, false),
        {{item(A::DocsAddCurrFile)}, {item(A::DocsAddFile)}, {item(A::DocsArrange)}, {item(A::DocsClear)}, {kSep},
            {item(A::DocsCustomize)}});
    build(addFrameToolbar("ScriptToolbar", "Skripty", top, false),
        {{item(A::ScriptExecute), scriptSubmenu_}, {item(A::ScriptExecuteProc), scriptSubmenu_}, {kSep},
            {item(A::ScriptOpenExecute)}, {item(A::ScriptOpenExecuteProc)}, {kSep}, {item(A::ScriptNew)},
            {item(A::ScriptOpen), scriptSubmenu_}});

    QToolBar* format = addFrameToolbar("FormatToolbar", "Formát", top, true);
    format->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    {
        // Shown for the look of a formatting bar; nothing enables or reads
        // them. The font box lists the installed fonts, which the font
        // database takes a while to gather: it is made when the bar is first
        // shown (the bar starts hidden).
        auto* fontSize = new QComboBox(format);
        fontSize->setObjectName(QStringLiteral("FontSizeBox"));
        for (int size : {6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
            fontSize->addItem(QString::number(size));
        fontSize->setEnabled(false);
        QAction* fontSizeItem = format->addWidget(fontSize);
        connect(format, &QToolBar::visibilityChanged, format, [format, fontSizeItem](bool visible) {
            if (!visible || format->findChild<QFontComboBox*>(QStringLiteral("FontNameBox")))
                return;
            auto* fontName = new QFontComboBox(format);
            fontName->setObjectName(QStringLiteral("FontNameBox"));
            fontName->setEnabled(false);
            fontName->setMaximumWidth(160);
            format->insertWidget(fontSizeItem, fontName);
        });
        auto* gap = new QWidget(format);
        gap->setFixedWidth(6);
        format->addWidget(gap);
    }
    build(format, {{kSep}, {item(A::FormatBold)}, {item(A::FormatItalic)}, {item(A::FormatUnderline)}, {kSep},
                      {item(A::FormatLeftAlign)}, {item(A::FormatCenterAlign)}, {item(A::FormatRightAlign)},
                      {item(A::FormatNoAlign)}, {kSep}, {item(A::FormatNumBullets)}, {item(A::FormatBullets)},
                      {item(A::FormatDecIndent)}, {item(A::FormatIncIndent)}, {kSep}, {item(A::FormatBgColor)},
                      {item(A::FormatTextColor)}});
    format->hide();

    // The frame's component order, in which other parts walk the toolbars.
    const char* const order[] = {"FileToolbar", "EditToolbar", "NotepadToolbar", "WindowToolbar", "FormatToolbar",
        "ProjectToolbar", "BookmarksToolbar", "DocsCtrlToolbar", "ScriptToolbar"};
    std::vector<QToolBar*> sorted;
    for (const char* name : order)
        for (QToolBar* bar : toolbars_)
            if (bar->objectName() == QLatin1String(name))
                sorted.push_back(bar);
    toolbars_ = sorted;
    for (QToolBar* bar : toolbars_)
        addCustomizeButton(bar);
}

QToolBar* TFrameWindowForm::ToolbarByNumber(int number) const
{
    static const char* const names[] = {"FileToolbar", "EditToolbar", "FormatToolbar", "NotepadToolbar",
        "WindowToolbar"};
    if (number < 600 || number > 604)
        return nullptr;
    return findChild<QToolBar*>(QLatin1String(names[number - 600]));
}

// ---------------------------------------------------------------------------
// Tool windows and status bar
// ---------------------------------------------------------------------------

void TFrameWindowForm::createDocks()
{
    // The pane's text comes with its first show (NotepadEdit).
    notepadToolWindow_ = new QDockWidget(QStringLiteral("Poznámky (panel)"), this);
    notepadToolWindow_->setObjectName(QStringLiteral("NotepadToolWindow"));
    addDockWidget(Qt::BottomDockWidgetArea, notepadToolWindow_);
    notepadToolWindow_->hide();
    connect(notepadToolWindow_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            NotepadEdit();
        Action(A::ViewNotepad)->setChecked(notepadToolWindow_->isVisible());
    });

    documentsToolbar_ = new QDockWidget(QStringLiteral("Složka Dokumenty (panel)"), this);
    documentsToolbar_->setObjectName(QStringLiteral("DocumentsToolbar"));
    addDockWidget(Qt::LeftDockWidgetArea, documentsToolbar_);
    documentsToolbar_->hide();
}

void TFrameWindowForm::placeNotepadAcrossBottom()
{
    // Docked at the bottom, the notepad lies along the frame's whole width,
    // below the panels that share the bottom side by side (tool output,
    // search results): added like them it would be one more column beside
    // them, squeezed to a sliver once they are shown. A nested vertical
    // split is what keeps it across.
    QDockWidget* notepad = notepadToolWindow_;
    if (notepad->isFloating() || dockWidgetArea(notepad) != Qt::BottomDockWidgetArea)
        return;
    const bool hidden = notepad->isHidden();
    removeDockWidget(notepad);
    addDockWidget(Qt::BottomDockWidgetArea, notepad, Qt::Vertical);
    notepad->setHidden(hidden);
}

void TFrameWindowForm::createStatusBar()
{
    statusBar_ = new TFrameStatusBar(this);
    setStatusBar(statusBar_);
    statusBar_->SetPanelText(TFrameStatusBar::DocumentPanel, QLatin1Char(' ') + FrameText(FrameString::NoDocument));
    statusBar_->SetPanelText(TFrameStatusBar::HintPanel, QStringLiteral(" "));
    statusBar_->PanelAt(TFrameStatusBar::IconPanel)->Painter = [this](QPainter& painter, const QRect& rect) {
        drawIconPanel(painter, rect);
    };
    statusBar_->PanelAt(TFrameStatusBar::ProgressPanel)->Painter = [this](QPainter& painter, const QRect& rect) {
        drawProgressPanel(painter, rect);
    };
    connect(statusBar_->PanelAt(TFrameStatusBar::IconPanel), &TStatusPanel::Clicked, this,
        &TFrameWindowForm::showLaunchOrChangeMenu);
    connect(statusBar_->PanelAt(TFrameStatusBar::DocumentPanel), &TStatusPanel::Clicked, this,
        &TFrameWindowForm::Action_FilePropertiesExecute);
}
