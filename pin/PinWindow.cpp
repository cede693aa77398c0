#include "PinWindow.h"

#include "PinGeometry.h"
#include "common/BackgroundSave.h"
#include "common/PictureDialog.h"
#include "common/PngEncoder.h"
#include "platform/ClipboardOffer.h"
#include "platform/KeepAbove.h"
#include "platform/WindowMove.h"
#include "platform/WindowSystem.h"

#include <QActionGroup>
#include <QBackingStore>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>

namespace {

constexpr int menuOpacities[] = {100, 80, 60, 40};
const QColor frameColour(64, 128, 200);

// Painted as often as the pin is, in the format the raster painter copies fastest; an opaque
// picture gives up its alpha channel on the way.
QImage paintablePicture(const QImage &picture)
{
    const QImage::Format format = picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32;
    QImage converted = picture.convertToFormat(format);
    converted.setDevicePixelRatio(picture.devicePixelRatio());
    return converted;
}

} // namespace

PinWindow::PinWindow(const QImage &picture, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , shown(paintablePicture(picture))
    , naturalSize(QSizeF(shown.size()) / shown.devicePixelRatio())
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The picture covers the window: nothing needs erasing before it is painted.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("贴图"));
    setCursor(Qt::SizeAllCursor);
    keepAboveOtherWindows(this);
    zoomLabel.setSingleShot(true);
    zoomLabel.setInterval(zoomLabelMs);
    connect(&zoomLabel, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    resizeToZoom();
    // On X11 the server keeps what the window shows and asks for a repaint (an expose) when it has
    // lost some of it: the toolkit's copy of the window's pixels, as large again as the picture,
    // is given back after each paint. Elsewhere the compositor may read the buffer at any time.
    buffersReleased = runsOnX11();
    // Once the window has settled: a release between a paint and its flush would cost a repaint.
    bufferRelease.setSingleShot(true);
    bufferRelease.setInterval(bufferReleaseMs);
    connect(&bufferRelease, &QTimer::timeout, this, &PinWindow::releaseWindowBuffer);
}

QRect PinWindow::pictureGeometry() const
{
    return geometry().adjusted(frameWidth, frameWidth, -frameWidth, -frameWidth);
}

void PinWindow::placePicture(const QPoint &logicalTopLeft)
{
    exactTopLeft = logicalTopLeft;
    move(logicalTopLeft - QPoint(frameWidth, frameWidth));
}

void PinWindow::moveEvent(QMoveEvent *)
{
    // Moved by a drag or by the window manager: the place is whole pixels again.
    if (pictureGeometry().topLeft() != exactTopLeft.toPoint())
        exactTopLeft = pictureGeometry().topLeft();
}

void PinWindow::resizeToZoom()
{
    // A fixed size also tells tiling compositors (sway) to float the pin instead of tiling it.
    const QSize framed = pin::zoomedSize(naturalSize, zoom) + QSize(2 * frameWidth, 2 * frameWidth);
    setFixedSize(framed);
}

void PinWindow::setZoomPercent(int percent, const QPoint &anchor)
{
    const int before = zoom;
    zoom = std::clamp(percent, pin::smallestZoomPercent, pin::largestZoomPercent);
    resizeToZoom();
    exactTopLeft = pin::zoomedTopLeft(exactTopLeft, before, zoom, anchor);
    move(exactTopLeft.toPoint() - QPoint(frameWidth, frameWidth));
    zoomLabel.start();
    update();
}

void PinWindow::setOpacityPercent(int percent)
{
    opacity = std::clamp(percent, pin::faintestOpacityPercent, 100);
    setWindowOpacity(opacity / 100.0);
}

void PinWindow::copyPicture()
{
    const QImage picture = shown;
    const QString pngType = QStringLiteral("image/png");
    // Refused later (GNOME gave no focus): the toolkit's clipboard takes it instead.
    const auto refused = [picture](const QString &) { QGuiApplication::clipboard()->setImage(picture); };
    if (offerBesideToolkit(pngType, [picture] { return encodePng(picture); }, [] {}, refused))
        return;
    QGuiApplication::clipboard()->setImage(picture, QClipboard::Clipboard);
}

void PinWindow::savePictureAs()
{
    if (refuseWhileSaving(this))
        return;
    QPointer<PinWindow> self(this);
    // A pin as large as the screen would hide the dialog under it: it is an ordinary window
    // meanwhile (changed on the native window, which the toolkit does without unmapping it).
    QWindow *native = windowHandle();
    if (native)
        native->setFlag(Qt::WindowStaysOnTopHint, false);
    const QString name = askSavePictureName(QStringLiteral("保存贴图"), QString(),
                                            QStringLiteral("Picture(*.png *.jpg *.bmp)"));
    // The program may have ended the pin while the dialog was open; its picture went with it.
    if (!self)
        return;
    if (native)
        native->setFlag(Qt::WindowStaysOnTopHint, true);
    if (name.isNull())
        return;
    savePictureInBackground(this, shown, name);
}

void PinWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inside = rect().adjusted(frameWidth, frameWidth, -frameWidth, -frameWidth);
    // Enlarged, each pixel stays a sharp square; reduced, neighbours are blended.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom < 100);
    painter.drawImage(QRectF(inside), shown);
    painter.setPen(QPen(frameColour, frameWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    if (zoomLabel.isActive())
        paintZoomLabel(painter);
}

bool PinWindow::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // After the flush that follows a paint; an activation change may also remake the buffer
    // without a paint of its own.
    switch (event->type()) {
    case QEvent::UpdateRequest:
    case QEvent::Paint:
    case QEvent::ActivationChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (buffersReleased)
            bufferRelease.start();
        break;
    default:
        break;
    }
    return handled;
}

void PinWindow::releaseWindowBuffer()
{
    // The next paint finds the buffer the wrong size, makes it whole again and paints all of it.
    QBackingStore *store = backingStore();
    if (store && store->size() != QSize(1, 1))
        store->resize(QSize(1, 1));
}

void PinWindow::showEvent(QShowEvent *)
{
    if (buffersReleased && windowHandle())
        windowHandle()->installEventFilter(this);
}

bool PinWindow::eventFilter(QObject *watched, QEvent *event)
{
    // An expose would otherwise be answered from the released buffer: it asks for a paint instead.
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        update();
        bufferRelease.start();
    }
    return QWidget::eventFilter(watched, event);
}

void PinWindow::paintZoomLabel(QPainter &painter)
{
    const QString text = QStringLiteral("%1%").arg(zoom);
    const QFontMetrics metrics = painter.fontMetrics();
    QRect box(QPoint(0, 0), metrics.size(Qt::TextSingleLine, text) + QSize(12, 6));
    box.moveTopLeft(QPoint(frameWidth + 4, frameWidth + 4));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 160));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

void PinWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Where windows cannot place themselves, the compositor moves the pin with the pointer.
    if (moveWithPointerBySystem(this))
        return;
    dragging = true;
    dragOffset = event->globalPos() - pos();
}

void PinWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPos() - dragOffset);
}

void PinWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

void PinWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        close();
}

void PinWindow::wheelEvent(QWheelEvent *event)
{
    const int steps = pin::wheelSteps(event->angleDelta().y(), &pendingWheel);
    event->accept();
    if (steps == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier)
        setOpacityPercent(pin::steppedOpacity(opacity, steps));
    else
        setZoomPercent(pin::steppedZoom(zoom, steps), event->globalPosition().toPoint());
}

void PinWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else if (event->matches(QKeySequence::Copy))
        copyPicture();
    else if (event->matches(QKeySequence::Save))
        savePictureAs();
    else
        QWidget::keyPressEvent(event);
}

void PinWindow::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("复制"), this, &PinWindow::copyPicture, QKeySequence::Copy);
    menu.addAction(QStringLiteral("另存为…"), this, &PinWindow::savePictureAs, QKeySequence::Save);
    const QPoint at = event->globalPos();
    menu.addAction(QStringLiteral("原始大小"), this, [this, at] { setZoomPercent(100, at); });
    addOpacityMenu(&menu);
    menu.addSeparator();
    menu.addAction(QStringLiteral("关闭"), this, &QWidget::close, QKeySequence(Qt::Key_Escape));
    menu.addAction(QStringLiteral("关闭所有贴图"), this, &PinWindow::closeAllRequested);
    menu.exec(at);
}

void PinWindow::addOpacityMenu(QMenu *menu)
{
    QMenu *opacities = menu->addMenu(QStringLiteral("透明度"));
    auto *choice = new QActionGroup(opacities);
    for (const int percent : menuOpacities) {
        QAction *entry = opacities->addAction(QStringLiteral("%1%").arg(percent), this,
                                              [this, percent] { setOpacityPercent(percent); });
        entry->setCheckable(true);
        entry->setChecked(percent == opacity);
        choice->addAction(entry);
    }
}
