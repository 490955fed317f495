// A minimal Quorvix 2 plug-in: one entry that opens and edits plain text
// files (*.txt) in a document window.
#include <QX_PluginHelpers.h>

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// Owned by the plug-in; the host writes its main window into it.
TQX_Application application;

class TNoteWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    TNoteWindow()
        : editor_(new QPlainTextEdit(this))
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(editor_);
        setWindowTitle(QStringLiteral("Untitled"));
        for (uint8_t code : {QXC_COPY, QXC_CUT, QXC_PASTE, QXC_SELECTALL, QXC_UNDO, QXC_REDO, QXC_SAVE})
            Commands.Set(code);
        connect(editor_->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
            Modified = changed;
            NotifyStateChange(); // the host refreshes its captions and actions
        });
    }

    void Command(uint8_t code, void* param) override
    {
        switch (code) {
        case QXC_LOADFILE: load(QX_FileNameParam(param)); break;
        case QXC_SAVE: save(); break;
        case QXC_COPY: editor_->copy(); break;
        case QXC_CUT: editor_->cut(); break;
        case QXC_PASTE: editor_->paste(); break;
        case QXC_SELECTALL: editor_->selectAll(); break;
        case QXC_UNDO: editor_->undo(); break;
        case QXC_REDO: editor_->redo(); break;
        }
    }

private:
    void load(const QString& fileName)
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            QMessageBox::warning(this, QStringLiteral("Notes"), file.errorString());
            return;
        }
        editor_->setPlainText(QString::fromUtf8(file.readAll()));
        editor_->document()->setModified(false);
        FileName = fileName;
        setWindowTitle(fileName);
        NotifyStateChange();
    }

    void save()
    {
        if (FileName.isEmpty())
            return;
        // Through the host: a full disk never leaves the file empty.
        QString reason;
        if (!QX_SaveFile(FileName, editor_->toPlainText().toUtf8(), &reason)) {
            QMessageBox::warning(this, QStringLiteral("Notes"), QX_SaveFailedText(QFileInfo(FileName).fileName(), reason));
            return;
        }
        editor_->document()->setModified(false);
    }

    QPlainTextEdit* editor_;
};

uint8_t canOpenFile(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ? 1 : 0;
}

} // namespace

// Called on the host's loader thread while loading, and when unloading.
// QX_AnswerPluginMessage (QX_PluginHelpers.h) fills the records the host asks
// for from this description and agrees to everything else; create no widgets
// here.
QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    const TQX_PluginProfile plugin {
        .Application = &application, // required
        .Name = QStringLiteral("Notes"),
        .FullName = QStringLiteral("Notes: a minimal example plug-in for Quorvix 2"),
        .Entries = {{
            .Kind = QX_KIND_FILE_DOCUMENT,
            .Name = QStringLiteral("Text note"),
            .Filter = QStringLiteral("Text notes (*.txt)|*.txt"),
            .CanCreateFile = true,
            .CreateWindow = QX_NewWindow<TNoteWindow>,
            .CanOpenFile = &canOpenFile,
        }},
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}

#include "ExamplePlugin.moc"
