#include "TestSupport.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
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

QString differenceFromPattern(const QImage &picture, const QPoint &origin)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb expected = patternPixel(origin.x() + x, origin.y() + y);
            if ((picture.pixel(x, y) & 0xffffff) != (expected & 0xffffff))
                return QStringLiteral("pixel (%1,%2): %3, screen has %4")
                    .arg(x).arg(y).arg(picture.pixel(x, y), 0, 16).arg(expected, 0, 16);
        }
    return {};
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

QByteArray icoHolding(const QByteArray &png)
{
    QByteArray ico;
    QDataStream out(&ico, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(1);                   // an icon directory of one
    out << quint8(16) << quint8(16) << quint8(0) << quint8(0)         // 16x16, truecolour
        << quint16(1) << quint16(32) << quint32(png.size()) << quint32(22);
    return ico + png;
}

namespace {

QByteArray littleEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray gzipMember(const QByteArray &data)
{
    const QByteArray zlibStream = qCompress(data, 9);
    // qCompress: 4 bytes of length, a 2-byte zlib header, the deflate data, a 4-byte checksum.
    const QByteArray deflated = zlibStream.mid(6, zlibStream.size() - 10);
    return QByteArray::fromHex("1f8b0800000000000003") + deflated + littleEndian(crc32Of(data))
           + littleEndian(quint32(data.size()));
}

} // namespace

QByteArray svgzInflatingTo(qint64 inflatedBytes)
{
    constexpr int memberBytes = 1 << 20;
    const QByteArray start("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">");
    QByteArray svgz = gzipMember(start + QByteArray(memberBytes - start.size(), ' '));
    const QByteArray spaces = gzipMember(QByteArray(memberBytes, ' '));
    for (qint64 inflated = memberBytes; inflated < inflatedBytes; inflated += memberBytes)
        svgz += spaces;
    return svgz;
}

QByteArray gifImage(const QSize &size)
{
    // LZW with 2-bit pixels: code 4 clears the table, 5 ends the data. A clear before every pair
    // of pixels keeps every code 3 bits wide, so the encoder needs no table.
    constexpr quint32 clearCode = 4;
    constexpr quint32 endCode = 5;
    QByteArray packed;
    quint32 bits = 0;
    int bitCount = 0;
    auto emitCode = [&](quint32 code) {
        bits |= code << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            packed += char(bits & 0xff);
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const int pixels = size.width() * size.height();
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            emitCode(clearCode);
        const int x = i % size.width();
        const int y = i / size.width();
        emitCode(quint32((x / 4 + y / 4) % 4));
    }
    emitCode(endCode);
    if (bitCount > 0)
        packed += char(bits & 0xff);

    QByteArray gif("GIF89a");
    QDataStream out(&gif, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(size.width()) << quint16(size.height()) << quint8(0x81) << quint8(0) << quint8(0);
    out.writeRawData("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12); // red, green, blue, white
    out << quint8(0x2c) << quint16(0) << quint16(0) << quint16(size.width()) << quint16(size.height())
        << quint8(0) << quint8(2);
    for (int at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out << quint8(block.size());
        out.writeRawData(block.constData(), block.size());
    }
    out << quint8(0) << quint8(0x3b);
    return gif;
}

void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5"); // resets the high-water mark of the resident set
}

qint64 peakMemoryBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
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

MessageAnswerer::MessageAnswerer(const QString &name, int button)
    : name(name)
    , button(button)
{
    connect(&poll, &QTimer::timeout, this, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->objectName() != this->name)
            return;
        ++seen;
        if (QAbstractButton *chosen = box->button(QMessageBox::StandardButton(this->button)))
            chosen->click();
        else
            box->reject();
    });
    poll.start(20);
}

} // namespace support
