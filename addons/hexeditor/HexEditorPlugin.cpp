// The hex editor plug-in: one file-document entry that opens any file and
// is the preferred opener of files that are not text.
#include "HexEditorWindow.h"

#include <QX_Exports.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>
#include <exception>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Hex editor");

// As much of the start of a file as decides whether it is text.
constexpr qint64 kSniffBytes = 64 * 1024;

TQX_PluginWindow* createWindow(TQX_Application*)
{
    return new THexEditorWindow;
}

// Text (no zero byte in the first 64 KB, or a UTF-16 byte-order mark) is
// left to the text editors: answering "can open" there too would make the
// host ask which one to use for every text file. Pictures Qt can show are
// left to a viewer by a weaker answer. Every other readable file is ours.
uint8_t canOpen(const QString& fileName)
{
    try {
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
    } catch (const std::exception&) {
        return 0;
    }
}

// The icon the host keeps for this plug-in, found by name among the loaded ones.
uint32_t ownIconHandle()
{
    TQX_PluginDescription description;
    for (int32_t i = 0; i < QXGetPluginCount(); ++i) {
        description.Size = sizeof(description);
        if (QXGetPluginInfo(i, &description) && QString::fromUtf8(description.Name) == kPluginName)
            return description.IconHandle;
    }
    return 0;
}

void showAbout(QObject*)
{
    QXAboutBox(ownIconHandle(), "O hex editoru",
        "Hex editor\n\n"
        "Zobrazuje a upravuje libovolný soubor po bajtech: pozice, šestnáctkový zápis a text vedle sebe. "
        "Přepisuje bajty na místě (velikost souboru zůstává), s neomezeným vracením změn, hledá text "
        "i bajty, přejde na zadanou pozici (Ctrl+G) a ukládá bezpečně přes dočasný soubor.\n\n"
        "Soubory se do paměti mapují, takže i soubor o velikosti několika gigabajtů se otevře hned "
        "a paměť zabírají jen změněné bajty.");
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    switch (message) {
    case QXM_ATTACH:
    case QXM_INITIALIZE:
    case QXM_QUERY_UNLOAD:
    case QXM_FINALIZE:
    case QXM_DETACH:
        return 1;
    case QXM_QUERY_INFO: {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        if (!info)
            return 0;
        info->Application = &application;
        info->Name = kPluginName;
        info->FullName = QStringLiteral("Hex editor pro binární soubory libovolné velikosti");
        info->Icon = QIcon(QStringLiteral(":/hexeditor/icons/hexeditor.svg"));
        info->OnAbout = showAbout;
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return 1;
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        if (!entry || entry->Index != 0)
            return 0;
        entry->Kind = QX_KIND_FILE_DOCUMENT;
        entry->CanCreateFile = false;
        entry->Name = QStringLiteral("Hex editor");
        entry->Filter = QStringLiteral("Binární soubory|*.bin;*.dat;*.exe;*.dll;*.so;*.o;*.obj;*.img;*.iso");
        entry->HasFilter = true;
        entry->Icon = QIcon(QStringLiteral(":/hexeditor/icons/hexdocument.svg"));
        entry->CreateWindow = createWindow;
        entry->CanOpenFile = canOpen;
        return 1;
    }
    default:
        return 0;
    }
}
