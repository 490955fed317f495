#include "ImageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QSvgRenderer>


namespace {

bool isSvg(const QByteArray& format)
{
    return format == "svg" || format == "svgz";
}

// Colour depth as the file stores it: the reader's format before decoding.
QString depthText(QImage::Format format, const QImage& image)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return QStringLiteral("1 bit (černobílý)");
    case QImage::Format_Indexed8:
        return QStringLiteral("8 bitů (paleta, %1 barev)").arg(image.colorCount());
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
        return QStringLiteral("8 bitů (stupně šedi)");
    case QImage::Format_Grayscale16:
        return QStringLiteral("16 bitů (stupně šedi)");
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
        return QStringLiteral("16 bitů (RGB)");
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
    case QImage::Format_RGBX8888:
        return QStringLiteral("24 bitů (RGB)");
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return QStringLiteral("32 bitů (RGB s průhledností)");
    case QImage::Format_RGBX64:
    case QImage::Format_BGR30:
    case QImage::Format_RGB30:
        return QStringLiteral("48 bitů (RGB, 16 bitů na složku)");
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return QStringLiteral("64 bitů (RGB s průhledností, 16 bitů na složku)");
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
        return QStringLiteral("64 bitů (plovoucí čárka)");
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return QStringLiteral("128 bitů (plovoucí čárka)");
    default:
        return QStringLiteral("%1 bitů").arg(image.depth());
    }
}

} // namespace

bool ReadImageFile(const QString& fileName, TImageFile* out, QString* error)
{
    const QFileInfo info(fileName);
    const QString shown = info.fileName();
    if (!info.exists()) {
        *error = QStringLiteral("Soubor „%1“ neexistuje.").arg(shown);
        return false;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("„%1“ není běžný soubor.").arg(shown);
        return false;
    }
    QImageReader reader(fileName);
    const QByteArray format = reader.format();
    out->Bytes = info.size();
    if (isSvg(format)) {
        auto drawing = std::make_unique<QSvgRenderer>(fileName);
        if (!drawing->isValid() || drawing->defaultSize().isEmpty()) {
            *error = QStringLiteral("Soubor „%1“ není platný obrázek SVG.").arg(shown);
            return false;
        }
        out->Size = drawing->defaultSize();
        out->Drawing = std::move(drawing);
        out->Image = QImage();
        out->Format = QStringLiteral("SVG");
        out->Depth = QStringLiteral("vektorový obrázek");
        return true;
    }
    if (format.isEmpty()) {
        *error = QStringLiteral("Soubor „%1“ není obrázek v žádném známém formátu.").arg(shown);
        return false;
    }
    reader.setAutoTransform(true);
    const QImage::Format stored = reader.imageFormat();
    QImage image;
    if (!reader.read(&image)) {
        *error = QStringLiteral("Obrázek „%1“ nelze načíst: %2").arg(shown, reader.errorString());
        return false;
    }
    out->Drawing.reset();
    out->Size = image.size();
    out->Depth = depthText(stored != QImage::Format_Invalid ? stored : image.format(), image);
    out->Format = QString::fromLatin1(format).toUpper();
    out->Image = std::move(image);
    return true;
}

uint8_t ImageViewerCanOpen(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        return 0;
    QImageReader reader(fileName);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return 0;
    if (isSvg(format))
        return 1;
    // Pictures written as text are source files first: XPM and XBM always,
    // the portable bitmaps in their plain (text) variant.
    if (format == "xpm" || format == "xbm")
        return 0;
    if (format == "pbm" || format == "pgm" || format == "ppm") {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray magic = file.read(2);
        return magic == "P1" || magic == "P2" || magic == "P3" ? 0 : 2;
    }
    return 2;
}

QString ImageViewerFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    patterns.removeDuplicates();
    return QStringLiteral("Obrázky|") + patterns.join(u';');
}

QString ImageSizeText(qint64 bytes)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 3)
        value /= 1024, ++unit;
    return czech.toString(value, 'f', value < 10 ? 1 : 0) + u' ' + QLatin1String(units[unit]);
}
