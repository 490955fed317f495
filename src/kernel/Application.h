#pragma once
// The application object and the application-wide exception handler: every
// exception that escapes an event handler on the main thread reaches
// TQX_Kernel::HandleException, which logs it and shows the exception dialog.
#include <QApplication>
#include <QPointer>
#include <exception>
#include <functional>

class TExceptionHandlerForm;

class TQX_Kernel {
public:
    enum class Choice { Recover, Exit };

    // Logs the exception, shows the dialog and recovers or ends the process.
    void HandleException(QObject* sender, const std::exception& e);

    // The window the exception dialog is centred on (the frame); without one,
    // the active window.
    void SetMainWindow(QWidget* window);

    // Tests answer the prepared dialog instead of a user.
    void SetChoiceProvider(std::function<Choice(TExceptionHandlerForm& form)> provider);

    static QStringList DescriptionLines(const std::exception& e);

private:
    std::function<Choice(TExceptionHandlerForm&)> choiceProvider_;
    QPointer<QWidget> mainWindow_;
};

// The kernel instance, or null before InitKernelHandler / after FinalizeKernelHandler.
TQX_Kernel* Kernel();
void InitKernelHandler();
void FinalizeKernelHandler();

class TQXApplication : public QApplication {
public:
    TQXApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
