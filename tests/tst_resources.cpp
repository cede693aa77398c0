// The compiled-in pictures and shutter sound, the program icons and the desktop entry.
//
// The program finds every picture and the sound by a fixed resource path, and each file has a fixed
// encoding (pixel format, MP3 frame layout), so these tests read the bytes themselves rather than
// trusting a decoder that would happily accept any PNG or MP3.

#include "TestSupport.h"

#include <QtTest>

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

namespace {

quint32 be32(const QByteArray &d, int at)
{
    return (quint32(quint8(d[at])) << 24) | (quint32(quint8(d[at + 1])) << 16)
         | (quint32(quint8(d[at + 2])) << 8) | quint32(quint8(d[at + 3]));
}

QString sourcePath(const QString &relative)
{
    return qEnvironmentVariable("TAVO_SOURCE_DIR") + QLatin1Char('/') + relative;
}

// Chunk types of a PNG in file order; empty if the chunk structure is broken.
QStringList pngChunks(const QByteArray &png)
{
    if (!png.startsWith(support::pngMagic))
        return {};
    QStringList types;
    int pos = 8;
    while (pos + 12 <= png.size()) {
        const quint32 length = be32(png, pos);
        if (length > quint32(png.size() - pos - 12))
            return {};
        types << QString::fromLatin1(png.mid(pos + 4, 4));
        pos += 12 + int(length);
        if (types.last() == QLatin1String("IEND"))
            return pos == png.size() ? types : QStringList();
    }
    return {};
}

// One MPEG audio frame header, decoded.
struct MpegFrame {
    qint64 offset = 0;
    int bitrate = 0;     // bit/s
    int sampleRate = 0;  // Hz
    int channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int length = 0;      // bytes, header included
};

struct Mp3Layout {
    qint64 tagBytes = 0;   // ID3v2 tag in front, header included
    qint64 audioEnd = 0;   // where the frames must stop: the end of the file or an ID3v1 tag
    QVector<MpegFrame> frames;
    QString error;         // empty if every byte between tag and audioEnd is a whole frame
};

// Walks an MPEG-1 Layer III stream frame by frame. Only the MPEG-1 layer III tables are needed:
// anything else is reported as an error rather than decoded.
Mp3Layout scanMp3(const QByteArray &data)
{
    static const int kbits[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
    static const int rates[4] = {44100, 48000, 32000, -1};

    Mp3Layout out;
    out.audioEnd = data.size();
    if (data.size() >= 128 && data.mid(data.size() - 128, 3) == "TAG")
        out.audioEnd -= 128;

    qint64 pos = 0;
    if (data.startsWith("ID3")) {
        if (data.size() < 10) {
            out.error = QStringLiteral("truncated ID3v2 header");
            return out;
        }
        quint32 size = 0;
        for (int i = 6; i < 10; ++i) {
            if (quint8(data[i]) & 0x80) {
                out.error = QStringLiteral("ID3v2 size is not syncsafe");
                return out;
            }
            size = (size << 7) | quint8(data[i]);
        }
        const bool footer = quint8(data[5]) & 0x10;
        pos = 10 + qint64(size) + (footer ? 10 : 0);
        out.tagBytes = pos;
    }

    while (pos < out.audioEnd) {
        if (pos + 4 > out.audioEnd) {
            out.error = QStringLiteral("%1 stray bytes at %2").arg(out.audioEnd - pos).arg(pos);
            return out;
        }
        const quint32 h = be32(data, int(pos));
        if ((h >> 21) != 0x7FF || ((h >> 19) & 3) != 3 || ((h >> 17) & 3) != 1) {
            out.error = QStringLiteral("no MPEG-1 Layer III frame header at byte %1").arg(pos);
            return out;
        }
        MpegFrame f;
        f.offset = pos;
        f.bitrate = kbits[(h >> 12) & 0xF] * 1000;
        f.sampleRate = rates[(h >> 10) & 3];
        f.channelMode = (h >> 6) & 3;
        if (f.bitrate <= 0 || f.sampleRate <= 0) {
            out.error = QStringLiteral("free-format or invalid frame header at byte %1").arg(pos);
            return out;
        }
        f.length = 144 * f.bitrate / f.sampleRate + int((h >> 9) & 1);
        if (pos + f.length > out.audioEnd) {
            out.error = QStringLiteral("frame at byte %1 runs past the end").arg(pos);
            return out;
        }
        out.frames << f;
        pos += f.length;
    }
    return out;
}

// What the panels show: the picture stretched over a 25x25 button on the beige panel.
QImage asButton(const QImage &picture)
{
    QImage button(25, 25, QImage::Format_RGB32);
    button.fill(QColor(238, 238, 219));
    QPainter p(&button);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, 25, 25), picture);
    return button;
}

double meanLightness(const QImage &img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += qGray(img.pixel(x, y));
    return sum / (img.width() * img.height());
}

const QString kImg = QStringLiteral(":/resources/img/");
const QString kSound = QStringLiteral(":/resources/music/cutMusic.mp3");

QStringList pictureNames()
{
    return {QStringLiteral("cut"), QStringLiteral("cutdown"), QStringLiteral("save"),
            QStringLiteral("savedown"), QStringLiteral("freecut"), QStringLiteral("freecutdown"),
            QStringLiteral("open"), QStringLiteral("opendown"), QStringLiteral("tray"),
            QStringLiteral("hide"), QStringLiteral("help"), QStringLiteral("exit"),
            QStringLiteral("saveas"), QStringLiteral("cancel"), QStringLiteral("copy"),
            QStringLiteral("rotate"), QStringLiteral("scale"), QStringLiteral("scale_s"),
            QStringLiteral("move"), QStringLiteral("move_down"), QStringLiteral("painter"),
            QStringLiteral("rectangle"), QStringLiteral("ellipse"), QStringLiteral("line"),
            QStringLiteral("arrow"), QStringLiteral("pen"), QStringLiteral("marker"),
            QStringLiteral("text"), QStringLiteral("number"), QStringLiteral("mosaic"),
            QStringLiteral("blur"), QStringLiteral("undo"), QStringLiteral("redo"),
            QStringLiteral("pin"), QStringLiteral("ocr"), QStringLiteral("long")};
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingElseIsCompiledIn();
    void pictureFormat_data();
    void pictureFormat();
    void palettePictureKeepsSoftEdges();
    void pressedFormDiffers_data();
    void pressedFormDiffers();
    void shutterSoundLayout();
    void shutterSoundScannerRejectsDamage();
    void programIcons();
    void desktopEntry();
};

void TestResources::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("TAVO_SOURCE_DIR"),
             "TAVO_SOURCE_DIR must name the source tree (ctest sets it)");
}

// A stray or misspelt entry in the .qrc would be compiled in silently; the program would then
// look up the correctly spelt name and find nothing.
void TestResources::nothingElseIsCompiledIn()
{
    QSet<QString> found;
    QDirIterator it(QStringLiteral(":/resources"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();

    QSet<QString> expected;
    for (const QString &name : pictureNames())
        expected << kImg + name + QLatin1String(".png");
    expected << kSound << QStringLiteral(":/resources/icons/tavo-screenshot-32.png")
             << QStringLiteral(":/resources/icons/tavo-screenshot-256.png");
    QCOMPARE(expected.size(), 39);

    const QSet<QString> extra = found - expected;
    const QSet<QString> missing = expected - found;
    QVERIFY2(extra.isEmpty(), qPrintable(QStringList(extra.values()).join(QLatin1Char(' '))));
    QVERIFY2(missing.isEmpty(), qPrintable(QStringList(missing.values()).join(QLatin1Char(' '))));
}

void TestResources::pictureFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bitDepth");
    QTest::addColumn<int>("colourType"); // 3 palette, 6 RGBA

    const char *rgba[] = {"cut", "cutdown", "save", "savedown", "freecutdown", "open", "hide",
                          "help", "exit", "saveas", "cancel", "copy", "rotate", "scale", "scale_s",
                          "move", "move_down", "painter", "rectangle", "ellipse", "line", "arrow",
                          "pen", "marker", "text", "number", "mosaic", "blur", "undo", "redo",
                          "pin", "ocr", "long"};
    for (const char *name : rgba)
        QTest::newRow(name) << kImg + QLatin1String(name) + QLatin1String(".png") << QSize(200, 200) << 8 << 6;
    QTest::newRow("freecut") << kImg + QLatin1String("freecut.png") << QSize(200, 200) << 8 << 3;
    QTest::newRow("opendown") << kImg + QLatin1String("opendown.png") << QSize(266, 200) << 8 << 6;
    QTest::newRow("tray") << kImg + QLatin1String("tray.png") << QSize(200, 200) << 16 << 6;
}

void TestResources::pictureFormat()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(int, bitDepth);
    QFETCH(int, colourType);

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), size);
    const QImage img = reader.read();
    QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(img.size(), size);

    const QByteArray png = support::fileBytes(path);
    const QStringList chunks = pngChunks(png);
    QVERIFY2(!chunks.isEmpty(), "broken PNG chunk structure");
    QCOMPARE(chunks.first(), QStringLiteral("IHDR"));
    QCOMPARE(int(be32(png, 16)), size.width());
    QCOMPARE(int(be32(png, 20)), size.height());
    QCOMPARE(int(quint8(png[24])), bitDepth);
    QCOMPARE(int(quint8(png[25])), colourType);
    QCOMPARE(int(quint8(png[28])), 0); // not interlaced
    if (colourType == 3) {
        QVERIFY(chunks.contains(QStringLiteral("PLTE")));
        QVERIFY2(chunks.contains(QStringLiteral("tRNS")), "palette picture without transparency");
        QVERIFY(chunks.indexOf(QStringLiteral("tRNS")) < chunks.indexOf(QStringLiteral("IDAT")));
    }

    // Each picture is a badge on a transparent ground: flattened onto a colour, it would show as
    // a square on the beige panel and in the tray.
    QVERIFY(img.hasAlphaChannel());
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(img.width() - 1, img.height() - 1)), 0);
    QCOMPARE(qAlpha(img.pixel(img.width() / 2, img.height() / 2)), 255);
}

// On/off transparency would give the badge jagged corners with a halo on the panel; the
// anti-aliased edge needs several alpha levels in the palette.
void TestResources::palettePictureKeepsSoftEdges()
{
    const QImage img(kImg + QLatin1String("freecut.png"));
    QVERIFY(!img.isNull());
    QSet<int> alphas;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            alphas << qAlpha(img.pixel(x, y));
    QVERIFY2(alphas.size() > 8, qPrintable(QStringLiteral("only %1 alpha levels").arg(alphas.size())));
}

void TestResources::pressedFormDiffers_data()
{
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("pressed");
    const char *pairs[][2] = {{"cut", "cutdown"}, {"save", "savedown"}, {"freecut", "freecutdown"},
                              {"open", "opendown"}, {"move", "move_down"}};
    for (const auto &pair : pairs)
        QTest::newRow(pair[1]) << kImg + QLatin1String(pair[0]) + QLatin1String(".png")
                               << kImg + QLatin1String(pair[1]) + QLatin1String(".png");
}

// Compared the way a person sees them, on a 25x25 button: a pressed picture that is a copy of
// the normal one (or nearly so) gives no feedback, and a swapped pair looks lit when pressed.
void TestResources::pressedFormDiffers()
{
    QFETCH(QString, normal);
    QFETCH(QString, pressed);
    const QImage up = asButton(QImage(normal));
    const QImage down = asButton(QImage(pressed));

    double diff = 0;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 25; ++x) {
            const QRgb a = up.pixel(x, y), b = down.pixel(x, y);
            diff += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
        }
    }
    diff /= 25 * 25 * 3;
    QVERIFY2(diff > 8, qPrintable(QStringLiteral("mean difference only %1 of 255").arg(diff)));
    QVERIFY2(meanLightness(down) < meanLightness(up), "the pressed picture is not the darker one");
}

void TestResources::shutterSoundLayout()
{
    const QByteArray mp3 = support::fileBytes(kSound);
    QCOMPARE(mp3.size(), 69312);

    const Mp3Layout layout = scanMp3(mp3);
    QVERIFY2(layout.error.isEmpty(), qPrintable(layout.error));
    QCOMPARE(layout.tagBytes, qint64(4224));
    QCOMPARE(layout.audioEnd, qint64(mp3.size()));
    QCOMPARE(layout.frames.size(), 113);
    for (const MpegFrame &f : layout.frames) {
        const QByteArray where = "frame at byte " + QByteArray::number(f.offset);
        QVERIFY2(f.bitrate == 128000, where.constData());
        QVERIFY2(f.sampleRate == 32000, where.constData());
        QVERIFY2(f.channelMode == 1, where.constData());
        QVERIFY2(f.length == 576, where.constData());
    }
    QCOMPARE(layout.frames.last().offset + layout.frames.last().length, qint64(mp3.size()));

    // lame's Xing/LAME "Info" frame would be a silent 114th frame and shift the click
    const QByteArray first = mp3.mid(int(layout.frames.first().offset), 576);
    QVERIFY(!first.contains("Info") && !first.contains("Xing"));
}

// The layout test above is only as good as the scanner; make sure it notices broken streams.
void TestResources::shutterSoundScannerRejectsDamage()
{
    const QByteArray mp3 = support::fileBytes(kSound);
    QVERIFY(scanMp3(mp3).error.isEmpty());

    QByteArray badSync = mp3;
    badSync[4224 + 50 * 576 + 1] = char(0x00); // second header byte of the 51st frame
    QVERIFY(!scanMp3(badSync).error.isEmpty());

    QVERIFY(!scanMp3(mp3.left(mp3.size() - 1)).error.isEmpty());
    QVERIFY(!scanMp3(mp3 + QByteArray(3, '\0')).error.isEmpty());

    QByteArray mono = mp3;
    mono[4224 + 3] = char(quint8(mono[4224 + 3]) | 0xC0); // channel mode bits -> mono
    const Mp3Layout monoLayout = scanMp3(mono);
    QVERIFY(monoLayout.error.isEmpty());
    QCOMPARE(monoLayout.frames.first().channelMode, 3);

    QByteArray longTag = mp3;
    longTag[9] = char(quint8(longTag[9]) + 1); // tag claims one byte more
    QVERIFY(!scanMp3(longTag).error.isEmpty());

    QByteArray padded = mp3;
    padded[4224 + 2] = char(quint8(padded[4224 + 2]) | 0x02); // padding bit: 577-byte frame
    QVERIFY(!scanMp3(padded).error.isEmpty());
}

// The window icon comes from the resources; the installed icons and the Windows icon from the
// source tree. All are rendered from one SVG, which the install rules also ship.
void TestResources::programIcons()
{
    for (int px : {32, 256}) {
        const QString path = QStringLiteral(":/resources/icons/tavo-screenshot-%1.png").arg(px);
        const QByteArray png = support::fileBytes(path);
        QVERIFY2(!pngChunks(png).isEmpty(), qPrintable(path));
        QCOMPARE(int(be32(png, 16)), px);
        QCOMPARE(int(be32(png, 20)), px);
        QCOMPARE(int(quint8(png[25])), 6);
        QCOMPARE(png, support::fileBytes(sourcePath(QStringLiteral("resources/icons/tavo-screenshot-%1.png").arg(px))));
    }

    QVERIFY(support::fileBytes(sourcePath(QStringLiteral("resources/icons/tavo-screenshot.svg"))).contains("<svg"));

    // One 32x32, 32 bits per pixel image: ICONDIR then a single ICONDIRENTRY.
    const QByteArray ico = support::fileBytes(sourcePath(QStringLiteral("resources/tavo.ico")));
    QVERIFY(ico.size() > 22);
    auto le16 = [&](int at) { return int(quint8(ico[at])) | (int(quint8(ico[at + 1])) << 8); };
    auto le32 = [&](int at) { return qint64(le16(at)) | (qint64(le16(at + 2)) << 16); };
    QCOMPARE(le16(0), 0);
    QCOMPARE(le16(2), 1);  // icon, not cursor
    QCOMPARE(le16(4), 1);  // one image
    QCOMPARE(int(quint8(ico[6])), 32);
    QCOMPARE(int(quint8(ico[7])), 32);
    QCOMPARE(le16(12), 32); // bits per pixel
    QCOMPARE(le32(18), qint64(22));
    QCOMPARE(le32(14) + 22, qint64(ico.size()));

    const QByteArray rc = support::fileBytes(sourcePath(QStringLiteral("resources/tavo.rc")));
    QVERIFY(rc.contains("IDI_ICON1 ICON \"tavo.ico\""));
}

void TestResources::desktopEntry()
{
    QFile file(sourcePath(QStringLiteral("resources/tavo-screenshot.desktop")));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.fileName()));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));

    // A desktop entry is a group header followed by Key[locale]=value lines; a malformed line
    // makes some menus drop the whole entry.
    static const QRegularExpression keyLine(QStringLiteral("^([A-Za-z0-9-]+(\\[[A-Za-z_@.]+\\])?)=(.*)$"));
    QMap<QString, QString> keys;
    QString group;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            group = line;
            continue;
        }
        const QRegularExpressionMatch m = keyLine.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(QStringLiteral("malformed line: ") + line));
        QCOMPARE(group, QStringLiteral("[Desktop Entry]"));
        QVERIFY2(!keys.contains(m.captured(1)), qPrintable(QStringLiteral("duplicate key ") + m.captured(1)));
        keys.insert(m.captured(1), m.captured(3));
    }

    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("TAVO截图"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("tavo-screenshot"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("tavo-screenshot"));
    QCOMPARE(keys.value(QStringLiteral("Terminal")), QStringLiteral("false"));
    QCOMPARE(keys.value(QStringLiteral("Categories")), QStringLiteral("Qt;Utility;"));
    QCOMPARE(keys.value(QStringLiteral("X-KDE-DBUS-Restricted-Interfaces")), QStringLiteral("org.kde.KWin.ScreenShot2"));
    for (const char *key : {"GenericName", "GenericName[zh_CN]", "Comment", "Comment[zh_CN]"})
        QVERIFY2(!keys.value(QLatin1String(key)).isEmpty(), key);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
