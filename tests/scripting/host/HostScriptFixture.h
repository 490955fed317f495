#pragma once
// A frame with probe plug-ins (FrameFixture) and the host's script object:
// runs scripts as the program does, captures the run's global variables and
// error code, and answers the modal dialogs that host functions open.
#include "FrameFixture.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <string>

class QFileDialog;
class TExtOpenDialogForm;
class QTimer;

class HostScriptFixture : public FrameFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a script into the scripts directory; returns its full path.
    QString WriteScript(const std::string& name, const std::string& text);
    // Writes text as "run.qx" and runs it (the main block, or procedure
    // proc) through the script object; returns when the run has ended.
    void Run(const std::string& text, const std::string& proc = {});
    void RunFile(const QString& path, const std::string& proc = {});
    // The global variables of the last run (upper-case names, values as the
    // console runner prints them) and its error code (0 for none).
    std::map<std::string, std::string> globals;
    int runError = 0;

    // Modal dialogs other than the progress window are handed to onDialog,
    // which must close them; without a handler they are cancelled. The
    // window titles and texts seen ("title|text", with "|informative text"
    // when a message box has one) are collected in dialogTexts.
    std::function<void(QWidget* dialog)> onDialog;
    QStringList dialogTexts;

    // Answers an open dialog as a user does: the folder, then the names typed
    // into its file name field (several in quotes; empty to take the folder
    // itself), then OK.
    static void ChooseInFileDialog(QFileDialog* dialog, const QString& folder, const QString& typed);
    // Goes to folder in the program's open dialog, types the names and presses OK.
    static void ChooseInOpenDialog(TExtOpenDialogForm* dialog, const QString& folder, const QString& typed);

    // Runs fn on the GUI thread after ms (within this test only).
    void After(int ms, std::function<void()> fn);

    // The event log lines that contain text.
    static std::vector<std::string> LogLines(const std::string& text);
    // The probe with one document entry (claims ".txt") and one script
    // editor entry (claims ".qx"); returns its path.
    std::string InstallEditorProbe();

private:
    void checkForDialog();
    QTimer* dialogTimer_ = nullptr;
    QObject* testScope_ = nullptr;
    bool givenUp_ = false;
    QPointer<QWidget> lastDialog_;
};
