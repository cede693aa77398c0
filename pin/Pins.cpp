#include "Pins.h"

#include "PinGeometry.h"
#include "PinWindow.h"
#include "common/FileFailure.h"
#include "common/PictureLoader.h"
#include "platform/ClipboardReading.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QScreen>
#include <QWindow>
#include <QtConcurrent>

namespace {

// A file may claim any size in a few bytes: larger pictures are refused before they are decoded.
constexpr qint64 largestPinBytes = qint64(256) * 1024 * 1024;
// How long the clipboard's owner has to hand its picture over.
constexpr int clipboardReadMs = 5000;

QString noClipboardPicture()
{
    return QStringLiteral("剪贴板中没有图片");
}

QString unreadableClipboard(const QString &why)
{
    return QStringLiteral("剪贴板中的图片读取失败：%1").arg(why);
}

// Why the clipboard's answer gives no picture; empty where it has one, decoded or still to decode.
QString refusal(const ClipboardContent &content)
{
    if (!content.failure.isEmpty())
        return unreadableClipboard(content.failure);
    if (content.isEmpty())
        return noClipboardPicture();
    return QString();
}

// The clipboard's picture read here and now, for a command that checks it before handing the
// pin over; null with the reason when there is none.
QImage clipboardPictureNow(QString *failure)
{
    ClipboardContent content;
    bool answered = false;
    QEventLoop wait;
    {
        QObject context;
        readClipboardPicture(&context, clipboardReadMs, [&](const ClipboardContent &read) {
            content = read;
            answered = true;
            wait.quit();
        });
        if (!answered)
            wait.exec();
    }
    if (const QString why = refusal(content); !why.isEmpty()) {
        *failure = why;
        return QImage();
    }
    if (!content.picture.isNull())
        return content.picture;
    const LoadedPicture loaded = loadPictureSafely(content.bytes);
    if (loaded.image.isNull())
        *failure = unreadableClipboard(loaded.failure);
    return loaded.image;
}

QImage readPicture(const QString &path, QString *failure)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *failure = readFailureReason(0, path);
        return QImage();
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        *failure = QStringLiteral("不是可以打开的图片");
        return QImage();
    }
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > largestPinBytes) {
        *failure = QStringLiteral("图片太大，解码后会超过 %1 MB").arg(largestPinBytes >> 20);
        return QImage();
    }
    const QImage picture = reader.read();
    if (picture.isNull())
        *failure = QStringLiteral("图片已损坏");
    return picture;
}

PinWindow *openPin(const QImage &picture)
{
    // The end of the run takes every pin with it, whether or not the panel still exists then.
    static const bool closedAtExit =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, &closeAllPins);
    Q_UNUSED(closedAtExit)
    auto *window = new PinWindow(picture);
    QObject::connect(window, &PinWindow::closeAllRequested, qApp, &closeAllPins, Qt::QueuedConnection);
    return window;
}

void showPin(PinWindow *window)
{
    window->show();
    window->raise();
    window->activateWindow(); // Esc and Ctrl+C reach it at once
}

// A picture from outside (a file, the clipboard) shows at the pointer's screen's own pixels.
void pinAtPointer(QImage picture)
{
    const QPoint pointer = QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    picture.setDevicePixelRatio(screen->devicePixelRatio());
    PinWindow *window = openPin(picture);
    const QRect area = screen->availableGeometry();
    const int frame = 2 * PinWindow::frameWidth;
    const QSizeF natural = QSizeF(picture.size()) / picture.devicePixelRatio();
    window->setZoomPercent(pin::fittingZoom(natural, area.size() - QSize(frame, frame)), QPoint());
    window->move(pin::placeWithin(window->size(), pointer, area));
    showPin(window);
}

} // namespace

PinWindow *pinPicture(const QImage &picture, const QPoint &logicalTopLeft, QScreen *screen)
{
    PinWindow *window = openPin(picture);
    if (screen) {
        window->createWinId();
        window->windowHandle()->setScreen(screen);
    }
    window->placePicture(logicalTopLeft);
    showPin(window);
    return window;
}

void pinClipboard(QObject *context, std::function<void(const QString &failure)> failed)
{
    readClipboardPicture(context, clipboardReadMs, [context, failed](const ClipboardContent &content) {
        if (const QString why = refusal(content); !why.isEmpty()) {
            failed(why);
        } else if (!content.picture.isNull()) {
            pinAtPointer(content.picture);
        } else {
            // Whatever the owner handed over is decoded as a file would be, away from the GUI thread.
            auto *decoding = new QFutureWatcher<LoadedPicture>(context);
            QObject::connect(decoding, &QFutureWatcherBase::finished, decoding, [decoding, failed] {
                decoding->deleteLater();
                const LoadedPicture loaded = decoding->result();
                if (loaded.image.isNull())
                    failed(unreadableClipboard(loaded.failure));
                else
                    pinAtPointer(loaded.image);
            });
            decoding->setFuture(QtConcurrent::run([bytes = content.bytes] { return loadPictureSafely(bytes); }));
        }
    });
}

bool pinFile(const QString &path, QString *failure)
{
    const QImage picture = readPicture(path, failure);
    if (picture.isNull())
        return false;
    pinAtPointer(picture);
    return true;
}

bool canPin(const QString &source, QString *failure)
{
    if (source == QLatin1String("-")) {
        // Where only a window that takes the focus can read it (GNOME), which a command has not,
        // the instance that pins it tells whether there is a picture.
        if (!clipboardReadsWithoutWindow())
            return true;
        return !clipboardPictureNow(failure).isNull();
    }
    return !readPicture(source, failure).isNull();
}

int openPinCount()
{
    int count = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<PinWindow *>(window) && window->isVisible())
            ++count;
    return count;
}

void closeAllPins()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *pinned = qobject_cast<PinWindow *>(window))
            pinned->close();
}
