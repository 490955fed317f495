// The hex editor plug-in: one file-document entry that opens any file and
// is the preferred opener of files that are not text.
#include "HexEditorWindow.h"

#include <QX_PluginHelpers.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Hex editor");

// As much of the start of a file as decides whether it is text.
constexpr qint64 kSniffBytes = 64 * 1024;

// Text (no zero byte in the first 64 KB, or a UTF-16 byte-order mark) is
// left to the text editors: answering "can open" there too would make the
// host ask which one to use for every text file. Pictures Qt can show are
// left to a viewer by a weaker answer. Every other readable file is ours.
uint8_t canOpen(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        return 0;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(kSniffBytes);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return 0;
    if (std::memchr(head.constData(), 0, size_t(head.size())) == nullptr)
        return 0;
    file.close();
    return QImageReader::imageFormat(fileName).isEmpty() ? 2 : 1;
}

void showAbout(QObject*)
{
    QX_ShowPluginAbout(kPluginName, QStringLiteral("O hex editoru"),
        QStringLiteral("Hex editor\n\n"
                       "Zobrazuje a upravuje libovolný soubor po bajtech: pozice, šestnáctkový zápis a text vedle sebe. "
                       "Přepisuje bajty na místě (velikost souboru zůstává), s neomezeným vracením změn, hledá text "
                       "i bajty, přejde na zadanou pozici (Ctrl+G) a ukládá bezpečně přes dočasný soubor.\n\n"
                       "Soubory se do paměti mapují, takže i soubor o velikosti několika gigabajtů se otevře hned "
                       "a paměť zabírají jen změněné bajty."));
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    const TQX_PluginProfile plugin {
        .Application = &application,
        .Name = kPluginName,
        .FullName = QStringLiteral("Hex editor pro binární soubory libovolné velikosti"),
        .IconPath = QStringLiteral(":/hexeditor/icons/hexeditor.svg"),
        .OnAbout = showAbout,
        .Entries = {{
            .Kind = QX_KIND_FILE_DOCUMENT,
            .Name = QStringLiteral("Hex editor"),
            .IconPath = QStringLiteral(":/hexeditor/icons/hexdocument.svg"),
            .Filter = QStringLiteral("Binární soubory|*.bin;*.dat;*.exe;*.dll;*.so;*.o;*.obj;*.img;*.iso"),
            .CreateWindow = QX_NewWindow<THexEditorWindow>,
            .CanOpenFile = QX_CanOpenNoThrow<canOpen>,
        }},
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
