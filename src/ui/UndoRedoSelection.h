#pragma once
// The drop-down list of undo or redo steps under the toolbar buttons: the
// selection always covers a run of steps from the top, and clicking performs
// that many steps.
#include <QStringList>
#include <QWidget>
#include <functional>

class QListWidget;
class QLabel;

class TUndoRedoSelectionForm : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Undo, Redo };

    // perform(count) runs the undo or redo command count times on the active
    // document window.
    TUndoRedoSelectionForm(Mode mode, const QStringList& steps, std::function<void(int)> perform, QWidget* parent = nullptr);
    ~TUndoRedoSelectionForm() override;

    // The status panel's text for the current selection.
    QString StatusText() const;
    void Choose(int index);

    QListWidget* ListBox = nullptr;
    QLabel* StatusBar = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectionMoved(int index);

    Mode mode_;
    std::function<void(int)> perform_;
    int lastIndex_ = 0;
};
