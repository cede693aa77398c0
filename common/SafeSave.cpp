#include "SafeSave.h"

#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QString>

namespace {

bool fail(QString *failure, const QString &reason)
{
    if (failure)
        *failure = reason;
    return false;
}

} // namespace

QByteArray pictureFormatFor(const QString &fileName)
{
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (suffix.isEmpty() || !QImageWriter::supportedImageFormats().contains(suffix))
        return {};
    return suffix;
}

bool savePictureSafely(const QImage &picture, const QString &fileName, const QByteArray &format,
                       QString *failure)
{
    if (picture.isNull())
        return fail(failure, QStringLiteral("there is no picture to save"));
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return fail(failure, QStringLiteral("unknown picture format; use a name ending in .png or .jpg"));

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(failure, file.errorString());
    QImageWriter writer(&file, format);
    if (!writer.write(picture)) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return fail(failure, reason);
    }
    // commit() flushes, checks every write and renames; on any failure the temporary file goes.
    if (!file.commit())
        return fail(failure, file.errorString());
    return true;
}

bool savePictureSafely(const QImage &picture, const QString &fileName, QString *failure)
{
    return savePictureSafely(picture, fileName, pictureFormatFor(fileName), failure);
}

bool savePictureSafely(const QPixmap &picture, const QString &fileName, QString *failure)
{
    return savePictureSafely(picture.toImage(), fileName, failure);
}
