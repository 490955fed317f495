#pragma once
// TExecutingScriptForm: the progress window shown modally while a script
// runs. It names the script, offers the abort button and closes itself when
// the run has ended. It also reports a run's error and shows the safe-mode
// warning. One window serves every run.
#include <QDialog>
#include <QStringList>

class QLabel;
class QTimer;
class QToolButton;

class TExecutingScriptForm : public QDialog {
    Q_OBJECT
public:
    // Text 31 of Strings: the safe-mode warning (%1 the function's name).
    static constexpr int kUnsafeOperationText = 31;
    // Text 32: the error report (%1 the error text).
    static constexpr int kErrorReportText = 32;

    explicit TExecutingScriptForm(QWidget* owner = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* ScriptID = nullptr;          // the script display name
    QToolButton* SpeedButton1 = nullptr; // abort
    QTimer* CheckExecutionTimer = nullptr;
    // The error texts by code (0 .. 30), then texts 31 and 32.
    QStringList Strings;

    // Tells the user the run stopped with an error: nothing for an interrupted
    // run, else the error text in a message box, with place (the error as
    // "FILE:LINE:COLUMN: error N at P: TEXT", see ScriptErrorReport) below
    // it, and, when a script editor is installed, the script opened there at
    // the error's position.
    void ShowScriptError(int code, const QString& place = QString());
    // The safe-mode warning for the upper-case function name, at most once
    // per run (the flag is cleared whenever the window is shown).
    void WarnUnsafeOperation(const QString& name);
    // The error text of a code: Strings for 0 .. 30, the engine's texts for
    // its faults, else the code itself.
    QString ErrorText(int code) const;

    // Closes the window with OK (the run has ended).
    void CloseWindow();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;
    void reject() override;

private:
    void checkExecutionTimerTimer();
    void speedButton1Click();

    bool warned_ = false;
};
