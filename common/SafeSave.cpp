#include "SafeSave.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <QString>

namespace {

// Links pointing at links pointing at links: give up well before the system would.
constexpr int longestLinkChain = 32;

bool fail(QString *failure, const QString &reason)
{
    if (failure)
        *failure = reason;
    return false;
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

bool encode(const QImage &picture, const QByteArray &format, QByteArray *bytes, QString *failure)
{
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(picture) || fail(failure, writer.errorString());
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
        return fail(failure, QStringLiteral("没有可以保存的图片"));
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return fail(failure, QStringLiteral("不认识这种图片格式，请用以 .png 或 .jpg 结尾的文件名"));
    const QString refusal = symbolicLinkRefusal(fileName);
    if (!refusal.isEmpty())
        return fail(failure, refusal);

    // Encoded first, so that everything the file must take is known before it is touched.
    QByteArray bytes;
    if (!encode(picture, format, &bytes, failure))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(failure, file.errorString());
    // Every byte must be in the temporary file before it may replace the target: commit() renames
    // even when its own final flush failed, and on a full disk that is the flush that fails.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the temporary file goes with `file`
        return fail(failure, reason);
    }
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
