#pragma once
// The toolbar dialog: which toolbars and tool windows are shown, and which
// buttons each toolbar shows. Ticks take effect at once; the dialog only
// closes.
#include <QDialog>

#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolBar;

class TSetupToolbarsForm : public QDialog {
    Q_OBJECT
public:
    // panels: the frame's toolbars and tool windows in the frame's order.
    TSetupToolbarsForm(const std::vector<QWidget*>& panels, QWidget* owner);

    QListWidget* ToolbarList = nullptr;
    QListWidget* BtnList = nullptr;
    QPushButton* Button1 = nullptr;

    // The buttons of a toolbar the dialog lists: those with an image, in the
    // toolbar's order (the customize button has none).
    static std::vector<QWidget*> ListedButtons(QToolBar* bar);

protected:
    void showEvent(QShowEvent* event) override;
    // Escape closes as the button does: closing is the dialog's only answer.
    void reject() override { accept(); }

private:
    void fillToolbarList();
    void fillButtonList(QListWidgetItem* row);
    void toolbarTicked(QListWidgetItem* row);
    void buttonTicked(QListWidgetItem* row);

    std::vector<QWidget*> panels_;
};
