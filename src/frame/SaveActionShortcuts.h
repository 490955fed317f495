#pragma once
// Keyboard shortcuts of the frame's actions: kept in the registry under
// "Software\Quorvix\Shotcuts" (spelled so), one 32-bit value per action named
// as the action and holding its shortcut code (ShortcutCode.h); and the dialog
// in which the user changes them.
#include <QDialog>
#include <QIcon>
#include <QLineEdit>

#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

inline constexpr const char* kShortcutsKey = "Software\\Quorvix\\Shotcuts";

// Gives each action whose name has a value in the key that value's low 16
// bits as its shortcut; actions without a value keep theirs. A value that is
// not an integer is reported as a kernel warning and leaves the action as it
// is; a missing or unreadable key changes nothing.
void LoadShortcuts(const std::vector<QAction*>& actions);
// Writes every action's shortcut code (0 included). Raises qx::RegistryError
// when the store cannot be written.
void SaveShortcuts(const std::vector<QAction*>& actions);

// The hot-key field: shows one key combination and takes the next one the
// user presses. A combination without Ctrl or Alt is refused unless its key is
// a function key; Backspace or Delete alone clear the field. Tab, Enter and
// Escape alone keep their dialog meaning.
class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);
    uint16_t Code() const { return code_; }
    void SetCode(uint16_t code);
    // Whether the field would take this combination.
    static bool Accepts(QKeyCombination key);

signals:
    void CodeChanged(uint16_t code);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    uint16_t code_ = 0;
};

// The dialog's record for one action: the action and the code being edited.
struct TShortcutDescriptor {
    QAction* action;
    uint16_t code;
};

class TSaveActionsShortcutsForm : public QDialog {
    Q_OBJECT
public:
    // actions: the frame's action list; the tree shows those that have a
    // category and a caption, grouped by category.
    TSaveActionsShortcutsForm(const std::vector<QAction*>& actions, QWidget* owner);
    ~TSaveActionsShortcutsForm() override;

    QLabel* Label1 = nullptr;
    QTreeWidget* TreeView = nullptr;
    QLabel* Label2 = nullptr;
    THotKeyEdit* HotKey = nullptr;
    QLabel* ConflictLabel = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    // Whether the state images could be loaded.
    bool HasStateImages() const { return !stateImages_[0].isNull(); }
    // The descriptor of a tree node, or null for the root and the categories.
    TShortcutDescriptor* DescriptorOf(QTreeWidgetItem* item) const;
    // The action node of an action, or null.
    QTreeWidgetItem* ItemOf(const QAction* action) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildTree();
    void clearTree();
    void storeHotKey(QTreeWidgetItem* item);
    void selectionChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void showState(QTreeWidgetItem* item);
    void updateConflicts();
    void showConflict();
    void applyAndClose();

    std::vector<QAction*> actions_;
    std::vector<std::unique_ptr<TShortcutDescriptor>> descriptors_;
    QIcon stateImages_[2];
};
