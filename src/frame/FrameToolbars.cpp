// The menu toolbar with the maximized document's icon and caption buttons,
// the toolbar layout kept under "Software\Quorvix\ToolBars" and the toolbar
// dialog.
//
// Toolbars and tool windows are Qt's own QToolBar and QDockWidget, so docking,
// floating and tabbing behave as the desktop's users know them; the stored
// values describe where each one is: its dock, its row on the dock and its
// position in the row, or its floating position, and for tool windows the size
// of their client area. Every toolbar and dock window of the frame is kept by
// its object name, whichever part of the program added it.
#include "frame/FrameWindow.h"

#include "frame/SetupToolbars.h"
#include "kernel/Kernel.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"
#include "ui/LazyIcon.h"

#include <QApplication>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <map>

namespace {

const char* const kModule = "Server\\FrameWindow";
const char* const kLayoutKey = "Software\\Quorvix\\ToolBars\\";
// The layout format this program writes; 2 is read as well.
const char* const kLayoutRev = "3";

struct DockName {
    const char* name;
    Qt::ToolBarArea toolbarArea;
    Qt::DockWidgetArea dockArea;
};
const DockName kDocks[] = {
    {"TopDock", Qt::TopToolBarArea, Qt::TopDockWidgetArea},
    {"BottomDock", Qt::BottomToolBarArea, Qt::BottomDockWidgetArea},
    {"LeftDock", Qt::LeftToolBarArea, Qt::LeftDockWidgetArea},
    {"RightDock", Qt::RightToolBarArea, Qt::RightDockWidgetArea},
};

const DockName* dockOfToolbarArea(Qt::ToolBarArea area)
{
    for (const DockName& d : kDocks)
        if (d.toolbarArea == area)
            return &d;
    return nullptr;
}

const DockName* dockOfDockArea(Qt::DockWidgetArea area)
{
    for (const DockName& d : kDocks)
        if (d.dockArea == area)
            return &d;
    return nullptr;
}

const DockName* dockNamed(const std::string& name)
{
    for (const DockName& d : kDocks)
        if (name == d.name)
            return &d;
    return nullptr;
}

bool horizontal(const DockName& dock)
{
    return dock.toolbarArea == Qt::TopToolBarArea || dock.toolbarArea == Qt::BottomToolBarArea;
}

// A toolbar floats by becoming a tool window of its own, as Qt makes it when
// the user drags it off its dock; the main window's layout then skips it
// until it is docked again.
void floatToolbar(QToolBar* bar, const QPoint& pos)
{
    const bool shown = !bar->isHidden();
    if (!bar->isWindow()) {
        bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        emit bar->topLevelChanged(true);
    }
    bar->adjustSize();
    bar->move(pos);
    bar->setVisible(shown);
}

void unfloatToolbar(QToolBar* bar)
{
    if (!bar->isWindow())
        return;
    bar->setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
    emit bar->topLevelChanged(false);
}

// The values of one stored panel.
struct StoredPlace {
    QWidget* panel = nullptr;
    std::string dockedTo;
    int row = 0, pos = 0;
    QPoint floatPos;
    QSize client;
    bool visible = true;
    bool hasVisible = false;
};

// The row each of the frame's toolbars has in the design, for a toolbar that
// has never been seen on its dock (the Format toolbar starts hidden).
int designRow(const QString& name)
{
    static const std::pair<const char*, int> rows[] = {{"MenuToolbar", 0}, {"FileToolbar", 1},
        {"NotepadToolbar", 1}, {"EditToolbar", 1}, {"ProjectToolbar", 1}, {"BookmarksToolbar", 2},
        {"WindowToolbar", 2}, {"DocsCtrlToolbar", 2}, {"ScriptToolbar", 2}, {"FormatToolbar", 3}};
    for (const auto& [bar, row] : rows)
        if (name == QLatin1String(bar))
            return row;
    return 0;
}

int toInt(const std::string& text, int fallback)
{
    try {
        size_t used = 0;
        int value = std::stoi(text, &used);
        return used == text.size() ? value : fallback;
    } catch (const std::exception&) {
        return fallback;
    }
}

// The icon box of the menu toolbar: the maximized document's icon; a click
// opens that window's window menu below the box.
class TIconPaintBox : public QLabel {
public:
    std::function<void()> OnClick;
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    // On release, so that the release of the same click does not close the
    // menu it opened.
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
            OnClick();
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Menu toolbar
// ---------------------------------------------------------------------------

void TFrameWindowForm::createMenuToolbar()
{
    menuToolbar_ = new QToolBar(QStringLiteral("Nabídky"), this);
    menuToolbar_->setObjectName(QStringLiteral("MenuToolbar"));
    menuToolbar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    menuToolbar_->setFloatable(false);
    menuToolbar_->setIconSize(QSize(16, 16));

    auto* strip = new QWidget(menuToolbar_);
    strip->setObjectName(QStringLiteral("MenuToolbarStrip"));
    strip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* icon = new TIconPaintBox(strip);
    icon->setObjectName(QStringLiteral("IconPaintBox"));
    icon->setFixedSize(20, 16);
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    icon->hide();
    // The maximized document's window menu, as its caption would offer it:
    // a maximized window can be neither moved nor sized.
    auto* windowMenu = new QMenu(icon);
    windowMenu->setObjectName(QStringLiteral("DocumentWindowMenu"));
    auto addItem = [this, windowMenu](const QString& caption, QStyle::StandardPixmap image,
                       std::function<void(QMdiSubWindow*)> act) {
        // The images are read when the menu is first shown (see LazyIcon).
        QAction* item = windowMenu->addAction(image == QStyle::SP_CustomBase
                ? QIcon()
                : LazyIcon([image] { return QApplication::style()->standardIcon(image); }),
            caption);
        if (!act) {
            item->setEnabled(false);
            return;
        }
        connect(item, &QAction::triggered, this, [this, act] {
            if (QMdiSubWindow* sub = mdiArea_->activeSubWindow())
                act(sub);
        });
    };
    addItem(QStringLiteral("&Obnovit"), QStyle::SP_TitleBarNormalButton, [](QMdiSubWindow* sub) { sub->showNormal(); });
    addItem(QStringLiteral("&Přesunout"), QStyle::SP_CustomBase, nullptr);
    addItem(QStringLiteral("&Velikost"), QStyle::SP_CustomBase, nullptr);
    addItem(QStringLiteral("Mi&nimalizovat"), QStyle::SP_TitleBarMinButton,
        [](QMdiSubWindow* sub) { sub->showMinimized(); });
    addItem(QStringLiteral("Ma&ximalizovat"), QStyle::SP_TitleBarMaxButton, nullptr);
    windowMenu->addSeparator();
    addItem(QStringLiteral("&Zavřít"), QStyle::SP_TitleBarCloseButton, [](QMdiSubWindow* sub) { sub->close(); });
    icon->OnClick = [icon, windowMenu] { windowMenu->popup(icon->mapToGlobal(QPoint(0, icon->height()))); };
    iconPaintBox_ = icon;

    menuBar_ = new QMenuBar(strip);
    menuBar_->setObjectName(QStringLiteral("MenuToolbarW32"));
    menuBar_->setNativeMenuBar(false);
    menuBar_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);

    // The caption buttons sit at the right edge of the rest of the bar.
    menuMDIButtonsPanel_ = new QWidget(strip);
    menuMDIButtonsPanel_->setObjectName(QStringLiteral("MenuMDIButtonsPanel"));
    menuMDIButtonsPanel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout(menuMDIButtonsPanel_);
    buttons->setContentsMargins(0, 0, 2, 0);
    buttons->setSpacing(2);
    buttons->addStretch(1);
    struct Caption {
        const char* name;
        const char* hint;
        QStyle::StandardPixmap image;
        FrameAction action;
    };
    const Caption captions[] = {
        {"CaptionButton1", "Mimimalizovat okno", QStyle::SP_TitleBarMinButton, FrameAction::WindowMinimize},
        {"CaptionButton2", "Obnovit okno", QStyle::SP_TitleBarNormalButton, FrameAction::WindowRestore},
        {"CaptionButton3", "Zavřít okno", QStyle::SP_TitleBarCloseButton, FrameAction::WindowClose},
    };
    for (const Caption& c : captions) {
        auto* button = new QToolButton(menuMDIButtonsPanel_);
        button->setObjectName(QLatin1String(c.name));
        button->setToolTip(QString::fromUtf8(c.hint));
        button->setStatusTip(QString::fromUtf8(c.hint));
        const QStyle::StandardPixmap image = c.image;
        button->setIcon(LazyIcon([button = QPointer<QToolButton>(button), image] {
            return (button ? button->style() : QApplication::style())->standardIcon(image, nullptr, button);
        }));
        button->setIconSize(QSize(12, 12));
        button->setFixedSize(16, 14);
        button->setAutoRaise(true);
        button->hide();
        const FrameAction action = c.action;
        connect(button, &QToolButton::clicked, this, [this, action] { Action(action)->trigger(); });
        buttons->addWidget(button);
    }

    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addWidget(menuBar_);
    layout->addWidget(menuMDIButtonsPanel_, 1);
    menuToolbar_->addWidget(strip);
    addToolBar(Qt::TopToolBarArea, menuToolbar_);
    addToolBarBreak(Qt::TopToolBarArea);
}

void TFrameWindowForm::updateCaptionButtons()
{
    // A maximized document draws no caption of its own: its icon and buttons
    // are on the menu toolbar.
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        const bool frameless = window->isMaximized();
        if (window->windowFlags().testFlag(Qt::FramelessWindowHint) != frameless) {
            window->setWindowFlag(Qt::FramelessWindowHint, frameless);
            window->show();
        }
    }
    QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    const bool maximized = sub && sub->isMaximized();
    for (QToolButton* button : menuMDIButtonsPanel_->findChildren<QToolButton*>())
        button->setVisible(maximized);
    auto* icon = static_cast<QLabel*>(iconPaintBox_);
    if (maximized)
        icon->setPixmap(sub->windowIcon().pixmap(16, 16));
    icon->setVisible(maximized);
}

std::vector<QWidget*> TFrameWindowForm::Panels() const
{
    std::vector<QWidget*> panels {menuToolbar_};
    panels.insert(panels.end(), toolbars_.begin(), toolbars_.end());
    for (QDockWidget* dock : findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
        if (!dock->objectName().isEmpty())
            panels.push_back(dock);
    // Toolbars other parts of the program added.
    for (QToolBar* bar : findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        if (!bar->objectName().isEmpty() && std::find(panels.begin(), panels.end(), bar) == panels.end())
            panels.push_back(bar);
    return panels;
}

void TFrameWindowForm::showSetupToolbars()
{
    TSetupToolbarsForm dialog(Panels(), this);
    dialog.exec();
}

// ---------------------------------------------------------------------------
// Toolbar layout
// ---------------------------------------------------------------------------

void TFrameWindowForm::saveToolbarLayout()
{
    // Rows of each dock from the toolbars' places: toolbars of one row share
    // their distance from the dock's edge.
    std::map<const DockName*, std::vector<int>> lines;
    for (QWidget* panel : Panels()) {
        auto* bar = qobject_cast<QToolBar*>(panel);
        if (!bar || bar->isWindow() || bar->isHidden())
            continue;
        if (const DockName* dock = dockOfToolbarArea(toolBarArea(bar))) {
            std::vector<int>& edge = lines[dock];
            const int at = horizontal(*dock) ? bar->y() : bar->x();
            if (std::find(edge.begin(), edge.end(), at) == edge.end())
                edge.push_back(at);
        }
    }
    for (auto& [dock, edge] : lines)
        std::sort(edge.begin(), edge.end());

    try {
        for (QWidget* panel : Panels()) {
            auto* bar = qobject_cast<QToolBar*>(panel);
            auto* window = qobject_cast<QDockWidget*>(panel);
            const bool floating = bar ? bar->isWindow() : window->isFloating();
            const DockName* dock =
                bar ? dockOfToolbarArea(toolBarArea(bar)) : dockOfDockArea(dockWidgetArea(window));
            std::string dockedTo = floating ? "+" : dock ? dock->name : "";
            if (!panel->property("qxDockRow").isValid())
                panel->setProperty("qxDockRow", designRow(panel->objectName()));
            int row = panel->property("qxDockRow").toInt();
            int pos = panel->property("qxDockPos").toInt();
            // A floating toolbar still belongs to the dock it left.
            if (dock)
                panel->setProperty("qxLastDock", QString::fromLatin1(dock->name));
            if (!floating && dock) {
                // A hidden toolbar keeps the row and position it was given last.
                if (bar && !bar->isHidden()) {
                    const std::vector<int>& edge = lines[dock];
                    const int at = horizontal(*dock) ? bar->y() : bar->x();
                    row = int(std::find(edge.begin(), edge.end(), at) - edge.begin());
                    pos = horizontal(*dock) ? bar->x() : bar->y();
                } else if (window && !window->isHidden()) {
                    row = 0;
                    pos = horizontal(*dock) ? window->x() : window->y();
                }
                panel->setProperty("qxDockRow", row);
                panel->setProperty("qxDockPos", pos);
            }
            if (floating)
                panel->setProperty("qxFloatPos", panel->pos());
            const QPoint floatPos = panel->property("qxFloatPos").toPoint();

            qx::Registry reg;
            if (!reg.OpenKey(kLayoutKey + panel->objectName().toStdString(), true))
                throw qx::RegistryError(reg.LastError());
            // Every write replaces the store's file: values that are stored
            // already are not written again.
            auto write = [&reg](const char* name, const std::string& value) {
                if (!reg.ValueExists(name) || reg.GetDataType(name) != qx::RegDataType::String
                    || reg.ReadString(name) != value)
                    reg.WriteString(name, value);
            };
            write("Rev", kLayoutRev);
            write("Visible", panel->isHidden() ? "0" : "1");
            write("DockedTo", dockedTo);
            write("LastDock", panel->property("qxLastDock").toString().toStdString());
            write("DockRow", std::to_string(row));
            write("DockPos", std::to_string(pos));
            write("FloatLeft", std::to_string(floatPos.x()));
            write("FloatTop", std::to_string(floatPos.y()));
            if (bar) {
                write("FloatRightX", std::to_string(floatPos.x() + bar->sizeHint().width()));
            } else {
                QSize client = window->widget() ? window->widget()->size() : window->size();
                write("ClientWidth", std::to_string(client.width()));
                write("ClientHeight", std::to_string(client.height()));
            }
        }
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), std::string("Unable to save the toolbar layout: ") + e.what());
    }
}

void TFrameWindowForm::loadToolbarLayout()
{
    std::vector<StoredPlace> places;
    try {
        for (QWidget* panel : Panels()) {
            qx::Registry reg;
            const std::string key = kLayoutKey + panel->objectName().toStdString();
            if (!reg.KeyExists(key) || !reg.OpenKey(key, false))
                continue;
            auto text = [this, &reg, &key](const char* name) {
                if (!reg.ValueExists(name))
                    return std::string();
                if (reg.GetDataType(name) != qx::RegDataType::String) {
                    // One damaged value costs only itself.
                    ReportKernelWarning(kModule, KernelObjectOf(this), "LoadToolbarLayout: the value " + key + "\\"
                            + name + " is not a text; the panel's current place stays for it.");
                    return std::string();
                }
                return reg.ReadString(name);
            };
            // A layout of another format keeps the panel where it is.
            const std::string rev = text("Rev");
            if (rev != "2" && rev != "3")
                continue;
            StoredPlace place;
            place.panel = panel;
            place.dockedTo = text("DockedTo");
            place.row = toInt(text("DockRow"), 0);
            place.pos = toInt(text("DockPos"), 0);
            place.floatPos = QPoint(toInt(text("FloatLeft"), 0), toInt(text("FloatTop"), 0));
            place.client = QSize(toInt(text("ClientWidth"), 0), toInt(text("ClientHeight"), 0));
            const std::string visible = text("Visible");
            place.hasVisible = visible == "0" || visible == "1";
            place.visible = visible == "1";
            const std::string lastDock = text("LastDock");
            if (dockNamed(lastDock))
                panel->setProperty("qxLastDock", QString::fromStdString(lastDock));
            panel->setProperty("qxFloatPos", place.floatPos);
            places.push_back(place);
        }
    } catch (const std::exception& e) {
        ReportKernelWarning(kModule, KernelObjectOf(this), std::string("Unable to load the toolbar layout: ") + e.what());
        return;
    }

    // Docked panels go onto their docks row by row, left to right (top to
    // bottom on the side docks).
    struct DockSize {
        QDockWidget* window;
        QSize client;
        bool horizontal;
    };
    std::vector<DockSize> dockSizes;
    std::stable_sort(places.begin(), places.end(), [](const StoredPlace& a, const StoredPlace& b) {
        return a.row != b.row ? a.row < b.row : a.pos < b.pos;
    });
    for (const DockName& dock : kDocks) {
        std::vector<const StoredPlace*> bars;
        for (const StoredPlace& place : places) {
            auto* bar = qobject_cast<QToolBar*>(place.panel);
            if (place.dockedTo != dock.name)
                continue;
            if (auto* window = qobject_cast<QDockWidget*>(place.panel)) {
                if (!window->isAreaAllowed(dock.dockArea))
                    continue;
                window->setFloating(false);
                addDockWidget(dock.dockArea, window);
                if (place.client.isValid() && !place.client.isEmpty())
                    dockSizes.push_back({window, place.client, horizontal(dock)});
            } else if (bar && bar->isAreaAllowed(dock.toolbarArea)) {
                bars.push_back(&place);
            }
        }
        if (bars.empty())
            continue;
        for (const StoredPlace* place : bars) {
            auto* bar = static_cast<QToolBar*>(place->panel);
            unfloatToolbar(bar);
            removeToolBar(bar);
        }
        bool lineOpen = false;
        for (QToolBar* other : findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
            lineOpen |= toolBarArea(other) == dock.toolbarArea && !other->isWindow() && !other->isHidden()
                && std::none_of(bars.begin(), bars.end(), [other](const StoredPlace* p) { return p->panel == other; });
        int row = -1;
        for (const StoredPlace* place : bars) {
            auto* bar = static_cast<QToolBar*>(place->panel);
            if (place->row != row && lineOpen)
                addToolBarBreak(dock.toolbarArea);
            row = place->row;
            lineOpen = true;
            addToolBar(dock.toolbarArea, bar);
            bar->setProperty("qxDockRow", place->row);
            bar->setProperty("qxDockPos", place->pos);
        }
    }
    for (StoredPlace& place : places) {
        if (place.dockedTo != "+")
            continue;
        // A place on a screen that is no longer there comes back near the frame.
        if (!QGuiApplication::screenAt(place.floatPos))
            place.floatPos = geometry().topLeft() + QPoint(40, 40);
        if (auto* bar = qobject_cast<QToolBar*>(place.panel)) {
            if (bar->isFloatable())
                floatToolbar(bar, place.floatPos);
        } else if (auto* window = qobject_cast<QDockWidget*>(place.panel)) {
            window->setFloating(true);
            window->move(place.floatPos);
            if (place.client.isValid() && !place.client.isEmpty())
                dockSizes.push_back({window, place.client, false});
        }
    }
    // Panels docked again one by one stand side by side: the notepad goes
    // back across the bottom.
    placeNotepadAcrossBottom();
    for (const StoredPlace& place : places)
        if (place.hasVisible)
            place.panel->setVisible(place.visible);
    // The stored sizes are of the client areas; the title bars are known once
    // the docks are laid out.
    QTimer::singleShot(0, this, [this, dockSizes] {
        for (const DockSize& d : dockSizes) {
            QWidget* client = d.window->widget();
            const QSize frame = client ? d.window->size() - client->size() : QSize();
            const QSize size = d.client + frame;
            if (d.window->isFloating()) {
                d.window->resize(size);
                continue;
            }
            // Its depth into the frame, and its length along the dock for
            // windows that share the dock side by side.
            resizeDocks({d.window}, {d.horizontal ? size.height() : size.width()},
                d.horizontal ? Qt::Vertical : Qt::Horizontal);
            resizeDocks({d.window}, {d.horizontal ? size.width() : size.height()},
                d.horizontal ? Qt::Horizontal : Qt::Vertical);
        }
    });
}
