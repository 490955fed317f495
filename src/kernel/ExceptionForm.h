#pragma once
// The dialog that reports an exception nobody caught: Recover lets the program
// run on, Exit ends it; the details show the description and the event log.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TExceptionHandlerForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCollapsedHeight = 229;
    static constexpr int kExpandedHeight = 400;

    explicit TExceptionHandlerForm(QWidget* parent = nullptr);

    void SetDescription(const QStringList& lines);

    QPushButton* Button1 = nullptr; // Recover
    QPushButton* Button2 = nullptr; // Exit
    QPushButton* Button3 = nullptr; // Details toggle
    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* DescriptionMemo = nullptr;
    QPlainTextEdit* LogMemo = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void toggleDetails();
    void pageChanged(int index);
};
