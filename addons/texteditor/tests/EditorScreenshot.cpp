// Pictures of the editor for people to look at: a C++ file in the text
// editor and a script with an error mark in the script editor, each saved
// as a PNG.
//   build/tests/texteditor_screenshot [OUTPUT_DIR] [C++ FILE]
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/ExportsDef.h"
#include "plugins/PluginManagement.h"

#include <QX_Types.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <Qsci/qsciscintilla.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char kScript[] = R"(program Backup;
{ Copies the open documents into the backup folder. }
uses Files;

var
  Folder: string;
  Count, I: integer;

procedure Report(Text: string);
begin
  SetStatusBarMessage('Záloha: ' + Text);
end;

begin
  Folder := '';
  if not SelectDirectory('Cílová složka', Folder) then
    Halt;
  Count := GetDocumentCount;
  for I := 0 to Count - 1 do
  begin
    // Every document goes to the same folder.
    CopyFile(GetDocumentFileName(I), Folder + IntToStr(I) + '.bak', False);
    Report(IntToStr(I + 1) + ' z ' + IntToStr(Count));
  end;
  ShowMessage('Hotovo: ' + IntToStr(Count) + #13#10 + 'souborů.');
  Undefined := $FF;
end.
)";

bool shoot(TQX_PluginWindow* window, const QString& path)
{
    window->resize(1000, 640);
    window->show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    return window->grab().save(path);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    SetProgramDirectory(home.path().toStdString() + "/");
    InitEventLog("texteditor_screenshot");
    LoadSettings();

    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString source = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QStringLiteral(QX_TEXTEDITOR_SOURCE "/FindReplaceDialog.cpp");
    const QString script = home.filePath(QStringLiteral("Backup.qx"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(kScript) < 0)
        return 1;
    file.close();

    THostApiProviders providers;
    providers.ScriptTokens = [] {
        return QStringList {QStringLiteral("0 SetStatusBarMessage Message 8"),
            QStringLiteral("14 SelectDirectory Caption 8 !Directory 8"), QStringLiteral("6 GetDocumentCount"),
            QStringLiteral("8 GetDocumentFileName Index 6"),
            QStringLiteral("14 CopyFile Source 8 Target 8 FailIfExists 14"), QStringLiteral("0 ShowMessage Message 8")};
    };
    SetHostApiProviders(providers);

    TQX_Plugin plugin(QStringLiteral(QX_TEXTEDITOR_PLUGIN));
    if (plugin.Load() != TQX_Plugin::LoadOk)
        return 1;
    TQX_PluginWindow* code = plugin.GetEntry(0)->Launch(source);
    auto* editor = code->findChild<QsciScintilla*>(QStringLiteral("editor"));
    code->resize(1000, 640);
    code->show();
    QApplication::processEvents();
    editor->setCursorPosition(60, 8);
    code->Command(QXC_TOGGLEBOOKMARK, nullptr);
    editor->setCursorPosition(66, 24);
    editor->setFirstVisibleLine(40);
    const bool first = shoot(code, out + QStringLiteral("/texteditor-cpp.png"));

    TQX_PluginWindow* scripted = plugin.GetEntry(1)->Launch(script);
    const qsizetype error = QByteArray(kScript).indexOf("Undefined");
    // The engine counts a CR LF after every line; the script has LF only.
    const qsizetype lines = QByteArray(kScript).left(error).count('\n');
    scripted->Command(QXC_SHOWERROR, reinterpret_cast<void*>(intptr_t(error + lines)));
    const bool second = shoot(scripted, out + QStringLiteral("/texteditor-script.png"));
    std::printf("%s/texteditor-cpp.png %s\n%s/texteditor-script.png %s\n", qPrintable(out), first ? "saved" : "FAILED",
        qPrintable(out), second ? "saved" : "FAILED");
    delete code;
    delete scripted;
    return first && second ? 0 : 1;
}
