#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>
#include <QtEndian>

namespace support {

QRgb patternPixel(int x, int y)
{
    return qRgb(x % 256, y % 256, 128 + (x / 256) * 16 + y / 256);
}

QImage patternImage(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = patternPixel(x, y);
    }
    return image;
}

QImage asRgb32(const QImage &image)
{
    QImage plain = image.convertToFormat(QImage::Format_RGB32);
    plain.setDevicePixelRatio(1.0);
    return plain;
}

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QStringList entriesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

namespace {

quint32 crc32Of(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian(quint32(data.size())) + type + data + bigEndian(crc32Of(type + data));
}

} // namespace

QByteArray pngClaimingSize(quint32 width, quint32 height, bool fullData)
{
    QByteArray header = bigEndian(width) + bigEndian(height);
    header += QByteArray::fromHex("0100000000"); // 1 bit, greyscale, deflate, no filter, no interlace
    const qint64 rowBytes = 1 + (qint64(width) + 7) / 8; // filter byte + packed pixels
    const QByteArray raw(fullData ? int(rowBytes * height) : 64, '\0');
    QByteArray zlibStream = qCompress(raw, 9);
    zlibStream.remove(0, 4); // qCompress prefixes the uncompressed length
    return pngMagic + pngChunk("IHDR", header) + pngChunk("IDAT", zlibStream) + pngChunk("IEND", {});
}

QByteArray deepPngClaimingSize(quint32 width, quint32 height)
{
    QByteArray header = bigEndian(width) + bigEndian(height);
    header += QByteArray::fromHex("1006000000"); // 16 bits, RGBA, deflate, no filter, no interlace
    QByteArray zlibStream = qCompress(QByteArray(64, '\0'), 9);
    zlibStream.remove(0, 4);
    return pngMagic + pngChunk("IHDR", header) + pngChunk("IDAT", zlibStream) + pngChunk("IEND", {});
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void moveWithButtons(QWidget *widget, const QPoint &to, Qt::MouseButtons held)
{
    sendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, held);
}

void drag(QWidget *widget, const QVector<QPoint> &path, Qt::MouseButton button)
{
    sendMouse(widget, QEvent::MouseButtonPress, path.first(), button, button);
    for (int i = 1; i < path.size(); ++i)
        moveWithButtons(widget, path.at(i), button);
    sendMouse(widget, QEvent::MouseButtonRelease, path.last(), button, Qt::NoButton);
}

FileDialogAnswerer::FileDialogAnswerer(const QString &fileName)
    : fileName(fileName)
{
    // Only Qt's own dialog has widgets to fill in; Windows would otherwise get its native one.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    connect(&poll, &QTimer::timeout, this, [this] { answer(); });
    poll.start(20);
}

void FileDialogAnswerer::answer()
{
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (!dialog)
        return;
    poll.stop();
    seen = true;
    caption = dialog->windowTitle();
    directory = dialog->directory().absolutePath();
    filters = dialog->nameFilters();
    if (fileName.isEmpty()) {
        dialog->reject();
        return;
    }
    // Set rather than typed: typing opens the name completer's pop-up, which then takes the keys
    // (typing through the real keyboard is covered end to end).
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!nameField) {
        dialog->reject();
        return;
    }
    nameField->setText(fileName);
    static_cast<QDialog *>(dialog)->accept();
}

} // namespace support
