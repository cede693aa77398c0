#include "pin/PinWindow.h"
#include "pin/Pins.h"

#include "TestSupport.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QWheelEvent>

// A pin on the screen: its size at device pixels, the wheel, its painting enlarged and reduced,
// the keys that close and copy it, and the ways a picture comes to be pinned or is refused.
class PinWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void regionPinSitsOverItsPlace_data();
    void regionPinSitsOverItsPlace();
    void wheelZoomsAndFades_data();
    void wheelZoomsAndFades();
    void enlargedPixelsStaySharpReducedOnesBlend();
    void escapeAndDoubleClickCloseAndFree_data();
    void escapeAndDoubleClickCloseAndFree();
    void closeAllFromOnePinClosesEvery();
    void copyPutsThePictureOnTheClipboard();
    void refusedSourcesSayWhy_data();
    void refusedSourcesSayWhy();
    void outsidePicturesFitThePointersScreen_data();
    void outsidePicturesFitThePointersScreen();
};

namespace {

QScreen *screen()
{
    return QGuiApplication::primaryScreen();
}

void turnWheel(PinWindow *window, int notches, Qt::KeyboardModifiers modifiers, const QPoint &local)
{
    const QPoint global = window->mapToGlobal(local);
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent event(QPointF(local), QPointF(global), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window, &event);
    }
}

// Pins the clipboard's picture and waits for the answer: the reason it gave, or nothing once a
// pin shows.
QString pinFromClipboard()
{
    QString failure;
    QObject context;
    pinClipboard(&context, [&failure](const QString &why) { failure = why; });
    if (!QTest::qWaitFor([&failure] { return !failure.isEmpty() || openPinCount() > 0; }, 5000))
        return QStringLiteral("no answer within 5 s");
    return failure;
}

// Two columns of black and white: blended, they turn grey.
QImage stripes(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return picture;
}

QImage pictureInside(PinWindow *window)
{
    const int frame = PinWindow::frameWidth;
    return support::asRgb32(window->grab().toImage()).copy(window->rect().adjusted(frame, frame, -frame, -frame));
}

} // namespace

void PinWindowTest::cleanup()
{
    closeAllPins();
    QTRY_COMPARE(openPinCount(), 0);
    QGuiApplication::clipboard()->clear();
}

void PinWindowTest::regionPinSitsOverItsPlace_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("logicalSize");
    QTest::newRow("scale 1") << qreal(1) << QSize(120, 80);
    // A region taken at scale 2 holds twice the pixels: it covers the same logical place.
    QTest::newRow("scale 2") << qreal(2) << QSize(60, 40);
}

void PinWindowTest::regionPinSitsOverItsPlace()
{
    QFETCH(qreal, ratio);
    QFETCH(QSize, logicalSize);
    QImage region = support::patternImage(QSize(120, 80));
    region.setDevicePixelRatio(ratio);
    const QPoint place(37, 21);

    PinWindow *window = pinPicture(region, place, screen());
    QVERIFY(window->isVisible());
    QCOMPARE(window->pictureGeometry(), QRect(place, logicalSize));
    QCOMPARE(window->geometry(), QRect(place, logicalSize).adjusted(-1, -1, 1, 1));
    QCOMPARE(window->picture().size(), QSize(120, 80));
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(window->windowFlags() & Qt::X11BypassWindowManagerHint));
    if (ratio == 1)
        QCOMPARE(pictureInside(window), support::asRgb32(region));
}

void PinWindowTest::wheelZoomsAndFades_data()
{
    QTest::addColumn<int>("notches");
    QTest::addColumn<bool>("control");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("opacity");
    QTest::newRow("three up") << 3 << false << 130 << 100;
    QTest::newRow("down to the smallest") << -12 << false << 10 << 100;
    QTest::newRow("control fades") << -3 << true << 100 << 70;
    QTest::newRow("control stops at the faintest") << -15 << true << 100 << 10;
    QTest::newRow("control stops at opaque") << 2 << true << 100 << 100;
}

void PinWindowTest::wheelZoomsAndFades()
{
    QFETCH(int, notches);
    QFETCH(bool, control);
    QFETCH(int, zoom);
    QFETCH(int, opacity);
    PinWindow *window = pinPicture(support::patternImage(QSize(200, 100)), QPoint(100, 100), screen());
    const QRect before = window->pictureGeometry();
    const QPoint pointer(51, 26); // a quarter in, counted from the frame's outer edge
    const QPoint underPointer = window->mapToGlobal(pointer);

    turnWheel(window, notches, control ? Qt::ControlModifier : Qt::NoModifier, pointer);
    QCOMPARE(window->zoomPercent(), zoom);
    QCOMPARE(window->opacityPercent(), opacity);
    QCOMPARE(qRound(window->windowOpacity() * 100), opacity);
    const QRect after = window->pictureGeometry();
    QCOMPARE(after.size(), QSize(200 * zoom / 100, 100 * zoom / 100));
    // The picture's point under the pointer stayed there.
    const double x = double(underPointer.x() - before.left()) / before.width();
    const double y = double(underPointer.y() - before.top()) / before.height();
    QVERIFY(std::abs(after.left() + x * after.width() - underPointer.x()) <= 1);
    QVERIFY2(std::abs(after.top() + y * after.height() - underPointer.y()) <= 1,
             qPrintable(QStringLiteral("%1 %2 %3").arg(after.top()).arg(before.top()).arg(underPointer.y())));
}

void PinWindowTest::enlargedPixelsStaySharpReducedOnesBlend()
{
    const QImage picture = stripes(QSize(40, 20));
    PinWindow *window = pinPicture(picture, QPoint(0, 0), screen());
    window->setZoomPercent(400, QPoint());
    const QImage enlarged = pictureInside(window);
    QCOMPARE(enlarged.size(), QSize(160, 80));
    for (int x = 0; x < enlarged.width(); ++x)
        QCOMPARE(enlarged.pixel(x, 40), picture.pixel(x / 4, 10));

    window->setZoomPercent(50, QPoint());
    const QImage reduced = pictureInside(window);
    QCOMPARE(reduced.size(), QSize(20, 10));
    const int grey = qGray(reduced.pixel(10, 5));
    QVERIFY2(grey > 20 && grey < 235, qPrintable(QString::number(grey)));
}

void PinWindowTest::escapeAndDoubleClickCloseAndFree_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("escape") << false;
    QTest::newRow("double click") << true;
}

void PinWindowTest::escapeAndDoubleClickCloseAndFree()
{
    QFETCH(bool, doubleClick);
    QPointer<PinWindow> window = pinPicture(support::patternImage(QSize(50, 50)), QPoint(10, 10), screen());
    QPointer<PinWindow> other = pinPicture(support::patternImage(QSize(50, 50)), QPoint(100, 10), screen());
    QCOMPARE(openPinCount(), 2);
    if (doubleClick)
        QTest::mouseDClick(window.data(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    else
        QTest::keyClick(window.data(), Qt::Key_Escape);
    QTRY_VERIFY(window.isNull());
    QVERIFY(other && other->isVisible());
    QCOMPARE(openPinCount(), 1);
}

void PinWindowTest::closeAllFromOnePinClosesEvery()
{
    QList<QPointer<PinWindow>> windows;
    for (int i = 0; i < 3; ++i)
        windows << pinPicture(support::patternImage(QSize(30, 30)), QPoint(40 * i, 0), screen());
    emit windows.first()->closeAllRequested();
    for (const QPointer<PinWindow> &window : windows)
        QTRY_VERIFY(window.isNull());
}

void PinWindowTest::copyPutsThePictureOnTheClipboard()
{
    QImage region = support::patternImage(QSize(64, 32));
    region.setDevicePixelRatio(2);
    PinWindow *window = pinPicture(region, QPoint(0, 0), screen());
    window->setZoomPercent(300, QPoint());
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    // The picture at its own pixels, whatever the zoom.
    QTRY_VERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    QCOMPARE(support::asRgb32(QGuiApplication::clipboard()->image()), support::asRgb32(region));
}

void PinWindowTest::refusedSourcesSayWhy_data()
{
    QTest::addColumn<QString>("file"); // empty: the clipboard, which holds a text
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing.png" << QByteArray() << "文件不存在";
    QTest::newRow("not a picture") << "notes.png" << QByteArray("just words\n") << "不是可以打开的图片";
    QTest::newRow("cut-off picture") << "cut.png"
                                     << support::encoded(support::patternImage(QSize(300, 300)), "PNG").left(400)
                                     << "图片已损坏";
    QTest::newRow("too large") << "huge.png" << support::pngClaimingSize(40000, 40000, false) << "图片太大";
    QTest::newRow("clipboard with a text") << "" << QByteArray() << "剪贴板中没有图片";
}

void PinWindowTest::refusedSourcesSayWhy()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    if (!contents.isEmpty())
        QVERIFY(support::writeFile(path, contents));
    QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));

    QString failure;
    QString checked;
    if (file.isEmpty()) {
        failure = pinFromClipboard();
        QVERIFY(!canPin(QStringLiteral("-"), &checked));
    } else {
        QVERIFY(!pinFile(path, &failure));
        QVERIFY(!canPin(path, &checked));
    }
    QVERIFY2(failure.startsWith(reason), qPrintable(failure));
    QCOMPARE(checked, failure);
    QCOMPARE(openPinCount(), 0);
}

void PinWindowTest::outsidePicturesFitThePointersScreen_data()
{
    QTest::addColumn<bool>("fromClipboard");
    QTest::addColumn<QSize>("size");
    QTest::newRow("small file") << false << QSize(120, 90);
    QTest::newRow("large file") << false << QSize(4000, 900);
    QTest::newRow("clipboard") << true << QSize(150, 60);
}

void PinWindowTest::outsidePicturesFitThePointersScreen()
{
    QFETCH(bool, fromClipboard);
    QFETCH(QSize, size);
    const QRect area = screen()->availableGeometry();
    QCursor::setPos(area.center());
    const QImage picture = support::patternImage(size);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    QVERIFY(picture.save(path));
    QGuiApplication::clipboard()->setImage(picture);

    QString failure;
    QVERIFY(fromClipboard ? canPin(QStringLiteral("-"), &failure) : canPin(path, &failure));
    if (fromClipboard)
        QCOMPARE(pinFromClipboard(), QString());
    else
        QVERIFY(pinFile(path, &failure));
    QCOMPARE(openPinCount(), 1);
    PinWindow *window = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *pinned = qobject_cast<PinWindow *>(top); pinned && pinned->isVisible())
            window = pinned;
    QVERIFY(window);
    QCOMPARE(support::asRgb32(window->picture()), picture);
    QVERIFY(area.contains(window->geometry()));
    const bool fits = size.width() + 2 <= area.width() && size.height() + 2 <= area.height();
    QCOMPARE(window->zoomPercent() == 100, fits);
    if (fits && (QCursor::pos().x() + window->width() <= area.right() + 1))
        QCOMPARE(window->pos(), QCursor::pos());
}

QTEST_MAIN(PinWindowTest)
#include "tst_pin_window.moc"
