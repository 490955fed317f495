#pragma once
// Reading a picture file for the image viewer, and describing it: pixel
// size, colour depth of the file (not of the decoded copy), format and
// bytes on disk.
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

class QSvgRenderer;

struct TImageFile {
    QImage Image;                          // raster pictures
    std::unique_ptr<QSvgRenderer> Drawing; // SVG drawings
    QString Format;                        // "PNG", "SVG", ...
    QString Depth;                         // colour depth in Czech
    QSize Size;
    qint64 Bytes = 0;
};

// Reads fileName; false with a Czech reason when it cannot be shown.
bool ReadImageFile(const QString& fileName, TImageFile* out, QString* error);
// 0 cannot, 1 can, 2 preferred: pictures stored as binary data are ours;
// SVG is offered, but as text its editor comes first.
uint8_t ImageViewerCanOpen(const QString& fileName);
// The open-dialog pattern of every format Qt reads here.
QString ImageViewerFilter();
// "1,5 MB" and the like, in Czech.
QString ImageSizeText(qint64 bytes);
