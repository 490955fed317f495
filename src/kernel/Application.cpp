#include "kernel/Application.h"

#include "kernel/ExceptionForm.h"
#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <QFontDatabase>
#include <memory>

namespace {
std::unique_ptr<TQX_Kernel> kernelInstance;
}

TQX_Kernel* Kernel()
{
    return kernelInstance.get();
}

void InitKernelHandler()
{
    InitKernel();
    kernelInstance = std::make_unique<TQX_Kernel>();
}

void FinalizeKernelHandler()
{
    FinalizeKernel();
    kernelInstance.reset();
}

QStringList TQX_Kernel::DescriptionLines(const std::exception& e)
{
    return {QStringLiteral("Předaná zpráva:"), QString::fromUtf8(e.what()), QString(),
        QStringLiteral("Třída: ") + QString::fromStdString(DemangledTypeName(typeid(e))), QStringLiteral("Popis:")};
}

void TQX_Kernel::SetChoiceProvider(std::function<Choice(TExceptionHandlerForm&)> provider)
{
    choiceProvider_ = std::move(provider);
}

void TQX_Kernel::SetMainWindow(QWidget* window)
{
    mainWindow_ = window;
}

void TQX_Kernel::HandleException(QObject*, const std::exception& e)
{
    LogEvent(std::string("_Kernel: Exception raised: \"") + e.what() + "\"");
    TExceptionHandlerForm form(mainWindow_ ? mainWindow_.data() : QApplication::activeWindow());
    form.SetDescription(DescriptionLines(e));
    Choice choice;
    if (choiceProvider_)
        choice = choiceProvider_(form);
    else
        choice = form.exec() == QDialog::Accepted ? Choice::Recover : Choice::Exit;
    if (choice == Choice::Exit)
        ExitAfterException();
}

TQXApplication::TQXApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    SetInstalledFontsProvider([] {
        std::vector<std::string> names;
        for (const QString& family : QFontDatabase::families())
            names.push_back(family.toStdString());
        return names;
    });
}

bool TQXApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (TQX_Kernel* k = Kernel())
            k->HandleException(receiver, e);
        else
            throw;
    } catch (...) {
        if (TQX_Kernel* k = Kernel())
            k->HandleException(receiver, std::runtime_error("Unknown exception"));
        else
            throw;
    }
    return false;
}
