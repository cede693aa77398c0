#include "SafeSave.h"

#include "FileFailure.h"
#include "PngEncoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QString>

#include <cerrno>

namespace {

// Links pointing at links pointing at links: give up well before the system would.
constexpr int longestLinkChain = 32;

bool fail(SaveFailure *failure, const QString &reason, const QString &detail)
{
    if (failure)
        *failure = {reason, detail};
    return false;
}

// A file call that failed: the reason from the error code it left, the detail from the toolkit.
bool failFileCall(SaveFailure *failure, int errorCode, const QSaveFile &file)
{
    return fail(failure, writeFailureReason(errorCode, file.fileName()), file.errorString());
}

// A folder in which nobody but its owner can create or swap a link.
bool isPrivateFolder(const QFileInfo &folder, uint owner)
{
    return folder.ownerId() == owner
           && !(folder.permissions() & (QFile::WriteGroup | QFile::WriteOther));
}

// A name that is a symbolic link is written through only when nobody else can have put the link
// there: every link on the way lies in a private folder of one owner, and so does the file the
// chain ends at. A link planted in a shared folder such as /tmp is refused, since following it
// would replace whatever file it points to. Returns the reason for a refusal, else nothing.
QString symbolicLinkRefusal(const QString &fileName)
{
    QFileInfo step(fileName);
    if (!step.isSymLink())
        return {};
    const QString refusal = QStringLiteral("这个名字是一个符号链接，指向别人也能改动的位置，没有写入");
    const uint owner = QFileInfo(step.absolutePath()).ownerId();
    for (int hops = 0; step.isSymLink(); ++hops) {
        if (hops == longestLinkChain || !isPrivateFolder(QFileInfo(step.absolutePath()), owner))
            return refusal;
        step.setFile(step.symLinkTarget());
    }
    return QFileInfo(step.absolutePath()).ownerId() == owner ? QString() : refusal;
}

bool encode(const QImage &picture, const QByteArray &format, QByteArray *bytes, SaveFailure *failure)
{
    if (format.toLower() == "png") {
        *bytes = encodePng(picture);
        return !bytes->isEmpty()
               || fail(failure, QStringLiteral("图片太大或内存不足，无法编码为 PNG"),
                       QStringLiteral("the picture is too large, or memory ran out, for its PNG"));
    }
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(picture)
           || fail(failure, QStringLiteral("无法把图片编码为 %1").arg(QString::fromLatin1(format.toUpper())),
                   writer.errorString());
}

} // namespace

QByteArray pictureFormatFor(const QString &fileName)
{
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (suffix.isEmpty() || !QImageWriter::supportedImageFormats().contains(suffix))
        return {};
    return suffix;
}

QString withPictureSuffix(const QString &fileName)
{
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    // "shot." has no suffix either; it becomes "shot.png", not "shot..png".
    return fileName + (fileName.endsWith(QLatin1Char('.')) ? QStringLiteral("png") : QStringLiteral(".png"));
}

bool savePictureSafely(const QImage &picture, const QString &fileName, const QByteArray &format,
                       SaveFailure *failure)
{
    if (picture.isNull())
        return fail(failure, QStringLiteral("没有可以保存的图片"), QStringLiteral("there is no picture to save"));
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return fail(failure, QStringLiteral("不认识这种图片格式，请用以 .png 或 .jpg 结尾的文件名"),
                    QStringLiteral("no picture format is known for this name"));
    const QString refusal = symbolicLinkRefusal(fileName);
    if (!refusal.isEmpty())
        return fail(failure, refusal, QStringLiteral("the name is a symbolic link into a place others can change"));

    // Encoded first, so that everything the file must take is known before it is touched.
    QByteArray bytes;
    if (!encode(picture, format, &bytes, failure))
        return false;
    // Each call starts from a clear error code, so the one it leaves is its own. Systems whose file
    // calls leave none keep 0, and the reason then comes from what the file system shows.
    QSaveFile file(fileName);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failFileCall(failure, errno, file);
    // Every byte must be in the temporary file before it may replace the target: commit() renames
    // even when its own final flush failed, and on a full disk that is the flush that fails.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int errorCode = errno;
        failFileCall(failure, errorCode, file);
        file.cancelWriting(); // the temporary file goes with `file`
        return false;
    }
    errno = 0;
    if (!file.commit())
        return failFileCall(failure, errno, file);
    return true;
}

bool savePictureSafely(const QImage &picture, const QString &fileName, SaveFailure *failure)
{
    return savePictureSafely(picture, fileName, pictureFormatFor(fileName), failure);
}

bool savePictureSafely(const QPixmap &picture, const QString &fileName, SaveFailure *failure)
{
    return savePictureSafely(picture.toImage(), fileName, failure);
}
