// The frame's keyboard: the frame sees every key pressed in its windows
// before the widget with the focus does. A combination that is the shortcut
// of an enabled command runs that command, whatever has the focus (an
// editor's own key map, a field in a plug-in window); F10 opens the menus;
// an Alt chord never types a character. Commands decide on the state of the
// moment they are given: a pending update of the actions runs first.
#include "frame/FrameWindow.h"

#include "kernel/Kernel.h"
#include "platform/Registry.h"
#include "platform/ShortcutCode.h"
#include "tools/ExternalTools.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace {

// A field the user types text into, which has its own copy, cut, paste and
// undo on the usual keys.
bool isTextField(const QWidget* widget)
{
    if (auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta
        || key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == 0
        || key == Qt::Key_unknown;
}

// The menu of the bar whose underlined letter Alt and the key name.
QAction* menuOfMnemonic(const QMenuBar* bar, const QKeyEvent* key)
{
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier || !bar->isVisible())
        return nullptr;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(key->key())));
    for (QAction* menu : bar->actions())
        if (menu->isVisible() && menu->isEnabled() && QKeySequence::mnemonic(menu->text()) == pressed)
            return menu;
    return nullptr;
}

} // namespace

void TFrameWindowForm::BringActionsUpToDate()
{
    if (toolbarUpdateTimer_ && toolbarUpdateTimer_->isActive())
        UpdateToolbars();
}

std::vector<QAction*> TFrameWindowForm::ExternalToolEntries() const
{
    // The entries carry their stored code; the fixed entries before them do not.
    std::vector<QAction*> entries;
    if (menuExternalTools_)
        for (QAction* entry : menuExternalTools_->actions())
            if (entry->property("ShortCut").isValid())
                entries.push_back(entry);
    return entries;
}

QAction* TFrameWindowForm::KeyCommand(uint16_t code, const QWidget* focus) const
{
    if (code == 0)
        return nullptr;
    const bool fieldOutsideDocuments = focus && isTextField(focus) && !mdiArea_->isAncestorOf(focus);
    for (int i = 0; i < kFrameActionCount; ++i) {
        QAction* action = actions_[size_t(i)];
        if (!action->isEnabled() || ShortcutCodeFromKeys(action->shortcut()) != code)
            continue;
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        if (fieldOutsideDocuments && !def.handler)
            continue;
        return action;
    }
    for (QAction* entry : ExternalToolEntries())
        if (entry->isEnabled() && ShortcutCodeFromKeys(entry->shortcut()) == code)
            return entry;
    return nullptr;
}

bool TFrameWindowForm::ownsKeysOf(const QWidget* widget) const
{
    // A dialog keeps its keys to itself, and so does an open menu.
    if (!widget || QApplication::activeModalWidget())
        return false;
    const QWidget* window = widget->window();
    if (window == this)
        return true;
    // Floating docks and the plug-ins' tool windows belong to the frame.
    const QWidget* owner = window->parentWidget();
    return owner && owner->window() == this
        && (qobject_cast<const QDockWidget*>(window) || window->windowType() == Qt::Tool);
}

bool TFrameWindowForm::previewKey(QObject* receiver, QKeyEvent* key)
{
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || isModifierKey(key->key()) || !ownsKeysOf(widget))
        return false;
    const uint16_t code = ShortcutCodeFromKey(key->keyCombination());
    const auto claimed = [this, code] {
        for (QAction* action : actions_)
            if (ShortcutCodeFromKeys(action->shortcut()) == code)
                return true;
        for (QAction* entry : ExternalToolEntries())
            if (ShortcutCodeFromKeys(entry->shortcut()) == code)
                return true;
        return false;
    };
    // Ordinary typing never waits for an update: only a combination some
    // command has brings the actions up to date.
    QAction* target = nullptr;
    if (code && claimed()) {
        BringActionsUpToDate();
        target = KeyCommand(code, widget);
    }

    // Alt and a menu's underlined letter open that menu, whether or not the
    // window system has told the toolkit which window is active.
    QAction* menu = target ? nullptr : menuOfMnemonic(menuBar_, key);

    if (key->type() == QEvent::ShortcutOverride) {
        // Taking the override keeps the combination from the widget's own
        // bindings and from every other shortcut; it comes back here as a
        // key press.
        if (!target && !menu)
            return false;
        key->accept();
        return true;
    }

    if (target) {
        target->trigger();
        key->accept();
        return true;
    }
    if (menu) {
        menuBar_->setActiveAction(menu);
        key->accept();
        return true;
    }
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F10 && mods == Qt::NoModifier) {
        openFirstMenu();
        key->accept();
        return true;
    }
    // An Alt chord that no menu took is a command key, never text: the widget
    // gets the key without its character (AltGr, which some systems report
    // as Ctrl+Alt, still types).
    if (mods.testFlag(Qt::AltModifier) && !mods.testFlag(Qt::ControlModifier) && !key->text().isEmpty()) {
        QKeyEvent plain(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
            key->nativeModifiers(), QString(), key->isAutoRepeat(), key->count());
        QCoreApplication::sendEvent(receiver, &plain);
        // The copy went to the widget's parents already when it was not used.
        key->accept();
        return true;
    }
    return false;
}

void TFrameWindowForm::openFirstMenu()
{
    if (!menuBar_->isVisible())
        return;
    for (QAction* menu : menuBar_->actions())
        if (menu->isVisible() && menu->isEnabled()) {
            menuBar_->setActiveAction(menu);
            return;
        }
}

// ---------------------------------------------------------------------------
// External tools' shortcuts
// ---------------------------------------------------------------------------

void TFrameWindowForm::saveExternalToolShortcuts()
{
    std::vector<uint16_t> codes;
    for (QAction* entry : ExternalToolEntries()) {
        const uint16_t code = ShortcutCodeFromKeys(entry->shortcut());
        entry->setProperty("ShortCut", int(code));
        codes.push_back(code);
    }
    SaveExternalToolShortcuts(codes);
}
