#include "SafeSave.h"

#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QString>

namespace {

QByteArray writerFormatFor(const QString &fileName)
{
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (suffix.isEmpty() || !QImageWriter::supportedImageFormats().contains(suffix))
        return {};
    return suffix;
}

} // namespace

bool savePictureSafely(const QImage &picture, const QString &fileName, int quality)
{
    const QByteArray format = writerFormatFor(fileName);
    if (picture.isNull() || format.isEmpty())
        return false;

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return false;
    }
    // commit() flushes, checks every write and renames; on any failure the temporary file goes.
    return file.commit();
}

bool savePictureSafely(const QPixmap &picture, const QString &fileName, int quality)
{
    return savePictureSafely(picture.toImage(), fileName, quality);
}
