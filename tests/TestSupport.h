#pragma once

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QtTest>

class QWidget;

// Waits up to `ms` of real time for `condition`, however long each check takes, and fails saying
// what it waited for. For checks that run a tool or a capture: the QTRY_* macros count their
// turns, 50 ms each, not the time, so a check that takes a second stretches their time-out
// twentyfold (and they try twice as long again before they fail).
#define TAVO_WAIT_FOR(condition, ms, what)                                                                   \
    QVERIFY2(QTest::qWaitFor([&] { return bool(condition); }, ms),                                         \
             qPrintable(QStringLiteral("waited %1 s for %2").arg((ms) / 1000.0).arg(QStringLiteral(what))))

// What several tests need alike: a picture of known pixels, mouse gestures with a button held,
// answering a Qt file dialog from inside its own event loop, and reading results back.
namespace support {

// The colour of the known pattern at (x, y): (x mod 256, y mod 256, 128 + (x/256)*16 + y/256).
// Neighbours always differ, and no pixel is pure red (the overlay's marks) or dark (a pen).
QRgb patternPixel(int x, int y);
QImage patternImage(const QSize &size);

// Compares a picture with the pattern from `origin` on (the pattern's pixel there is the
// picture's top-left one); returns the first difference, or an empty string when all match.
QString differenceFromPattern(const QImage &picture, const QPoint &origin);

// The picture as plain 32-bit pixels at a device pixel ratio of 1, for comparing pixel by pixel.
QImage asRgb32(const QImage &image);
// A pen stroke's pixels: black or nearly so.
bool isDark(QRgb pixel);

inline const QByteArray pngMagic("\x89PNG\r\n\x1a\n", 8);
inline const QByteArray jpegMagic("\xff\xd8\xff", 3);
QByteArray fileBytes(const QString &path);
bool writeFile(const QString &path, const QByteArray &contents);
// Every entry of a folder, hidden ones included.
QStringList entriesIn(const QString &folder);
// The picture encoded in memory ("PNG", "JPG").
QByteArray encoded(const QImage &image, const char *format);
// A 1-bit greyscale PNG that claims the given size. With `fullData` every (zero) row follows, so
// it decodes completely; without, only a few bytes do: a decompression bomb that only claims.
QByteArray pngClaimingSize(quint32 width, quint32 height, bool fullData);
// A 16-bit RGBA PNG header (with a token of pixel data) claiming the given size.
QByteArray deepPngClaimingSize(quint32 width, quint32 height);
// An ICO file whose directory announces a 16x16 icon but which holds `png` (of any size).
QByteArray icoHolding(const QByteArray &png);
// A gzip-compressed SVG that inflates to `inflatedBytes` (made of repeated members, so it is
// small and quick to make).
QByteArray svgzInflatingTo(qint64 inflatedBytes);
// A 4-colour GIF of the known pattern's size, drawn in stripes.
QByteArray gifImage(const QSize &size);

// The most memory the process has held since the last reset, in bytes; -1 where the system
// does not tell (Linux only).
void resetPeakMemory();
qint64 peakMemoryBytes();

// Mouse events sent by hand: QTest's own take (0, 0) for the widget's centre, and a move does
// not carry the held buttons on every Qt 5 version.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButton button,
               Qt::MouseButtons held);
void moveWithButtons(QWidget *widget, const QPoint &to, Qt::MouseButtons held);
// Press at the first point, a move to each further one, release at the last.
void drag(QWidget *widget, const QVector<QPoint> &path, Qt::MouseButton button = Qt::LeftButton);

// Answers the next Qt file dialog while it lives: puts `fileName` into the name field and accepts,
// or cancels when the name is empty; remembers how the dialog looked. The dialog runs its own
// event loop, so it is found by polling.
class FileDialogAnswerer : public QObject
{
public:
    explicit FileDialogAnswerer(const QString &fileName);

    bool seen = false;
    QString caption;
    QString directory;
    QStringList filters;

private:
    void answer();

    QString fileName;
    QTimer poll;
};

// Answers every modal message box named `name` (a board's save question) with `button`, each
// time one comes up, and counts them.
class MessageAnswerer : public QObject
{
public:
    MessageAnswerer(const QString &name, int button);

    int seen = 0;

private:
    QString name;
    int button;
    QTimer poll;
};

// The open top-level windows of one kind.
template<typename Window>
QList<Window *> topLevels()
{
    QList<Window *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = dynamic_cast<Window *>(widget))
            found << window;
    return found;
}

} // namespace support
