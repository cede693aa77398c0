#include "FreedomCut.h"

#include "ActionRow.h"
#include "ClipboardPicture.h"
#include "Magnifier.h"
#include "OverlayDecorations.h"
#include "OverlayMarkup.h"
#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"
#include "markup/MarkupDocument.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <cmath>

FreedomCut::FreedomCut(const QPixmap &frozen, QWidget *parent)
    : FreedomCut(frozen, OverlayPlacement(), parent)
{
}

FreedomCut::FreedomCut(const QPixmap &frozen, const OverlayPlacement &placement, QWidget *parent,
                       MarkupDocument *document)
    : QWidget(parent)
    , frozenPixmap(frozen)
    , placement(placement)
    , ratio(overlayRatio(frozen, placement))
    , tracker({}, ratio)
{
    // Nothing refers to an overlay once it has closed, and its frozen desktop is large.
    setAttribute(Qt::WA_DeleteOnClose);
    // The frozen picture covers every pixel, so Qt need not clear the surface before each paint;
    // without one (a refused grab) the cleared background is what hides an old outline.
    setAttribute(Qt::WA_OpaquePaintEvent, !frozenPixmap.isNull());
    // The window under the pointer and the magnifier follow it before any button is down.
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    if (!frozenPixmap.isNull()) {
        source = this->placement.source.isNull() ? frozenPixmap.rect() : this->placement.source;
        tracker.setArea(deviceRect());
        // Shares the pixmap's pixels (a raster pixmap is an image): nothing is copied.
        frozenImage = frozenPixmap.toImage();
        if (!document)
            document = new MarkupDocument(frozenPixmap.toImage(), this);
        markup = new OverlayMarkup(this, *document, source.topLeft(), deviceRect());
        connect(markup, &OverlayMarkup::changed, this, [this](const QRect &area) { update(toLogical(area)); });
        connect(markup, &OverlayMarkup::toolChanged, this, [this] {
            setPointer(pointer, false);
            setCursor(Qt::CrossCursor);
        });
    }
    actions = new ActionRow(this);
    connect(actions, &ActionRow::cancel, this, &QWidget::close);
    connect(actions, &ActionRow::save, this, &FreedomCut::save_close);
    connect(actions, &ActionRow::copy, this, &FreedomCut::copy_close);
    connect(actions, &ActionRow::pin, this, &FreedomCut::pin_close);
    connect(actions, &ActionRow::text, this, &FreedomCut::text_close);
    connect(actions, &ActionRow::longShot, this, &FreedomCut::long_close);
    hideButtonRow();
}

void FreedomCut::showOn(QScreen *screen)
{
    // The window is made and told its screen before it is mapped, so it goes full screen there.
    winId();
    if (QWindow *window = windowHandle())
        window->setScreen(screen);
    setGeometry(screen->geometry());
    show();
}

void FreedomCut::setWindowFrames(const QVector<QRect> &frames)
{
    tracker.setWindowFrames(frames);
}

void FreedomCut::resizeEvent(QResizeEvent *)
{
    // Without a picture the overlay's device pixels are known only once it has its size.
    tracker.setArea(deviceRect());
}

// ---- geometry ---------------------------------------------------------------------------------

QRect FreedomCut::deviceRect() const
{
    if (!source.isNull())
        return QRect(QPoint(0, 0), source.size());
    return QRect(0, 0, int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

QPoint FreedomCut::toDevice(const QPointF &logical) const
{
    // A drag that wanders onto another screen still selects on this one, up to its edge.
    const QRect area = deviceRect();
    return QPoint(qBound(area.left(), int(std::floor(logical.x() * ratio)), area.right()),
                  qBound(area.top(), int(std::floor(logical.y() * ratio)), area.bottom()));
}

QRect FreedomCut::toLogical(const QRect &device) const
{
    return QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio).toAlignedRect();
}

QPoint FreedomCut::logicalPoint(const QPoint &device) const
{
    return QPointF(QPointF(device) / ratio).toPoint();
}

QRect FreedomCut::magnifierArea() const
{
    if (!magnifierShown || pointer.x() < 0 || source.isNull())
        return {};
    return magnifierBox(logicalPoint(pointer), rect());
}

// ---- state changes, each repainting only what it changed --------------------------------------

void FreedomCut::repaint(const QRegion &device)
{
    for (const QRect &rect : device)
        update(toLogical(rect));
}

void FreedomCut::setPointer(const QPoint &device, bool magnified)
{
    const QRect before = magnifierArea();
    pointer = device;
    magnifierShown = magnified;
    const QRect after = magnifierArea();
    if (before != after) {
        // With a margin: at fractional and doubled scales the box's frame reaches half a pixel out.
        update(before.adjusted(-2, -2, 2, 2));
        update(after.adjusted(-2, -2, 2, 2));
    }
}

void FreedomCut::chooseSelection(const Selection &chosen)
{
    const Selection s = normalised(chosen);
    const QRect inside = QRect(s.start + QPoint(1, 1), s.end - QPoint(1, 1)) & deviceRect();
    if (inside.isEmpty())
        return;
    repaint(tracker.choose(selectionAround(inside)));
    placeButtonRowAtSelection();
}

void FreedomCut::clearSelection()
{
    repaint(tracker.clear());
    setPointer(QPoint(-1, -1), false);
    hideButtonRow();
}

// ---- buttons ----------------------------------------------------------------------------------

void FreedomCut::placeButtonRow(const QPoint &pointer)
{
    actions->placeAt(pointer);
    // The mark-up rows stand in line below the buttons once a selection exists.
    if (!markup)
        return;
    if (hasSelection())
        markup->placeRows(actions->bounds(), rect());
    else
        markup->hideRows();
}

void FreedomCut::placeButtonRowAtSelection()
{
    // Below the bottom-right corner, the row's right end under it.
    constexpr int rowReach = 74;  // from the row's anchor to its last pixel
    const QPoint corner = logicalPoint(selection().end);
    placeButtonRow(QPoint(corner.x() - rowReach, corner.y()));
}

void FreedomCut::hideButtonRow()
{
    actions->hide();
    if (markup)
        markup->hideRows();
}

// ---- pointer ----------------------------------------------------------------------------------

bool FreedomCut::drawsMarkup() const
{
    return markup && markup->hasTool() && tracker.mode() == Mode::Chosen;
}

void FreedomCut::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = toDevice(event->localPos());
    if (drawsMarkup()) {
        // With a tool in hand the pointer draws; a right click puts the tool away.
        if (event->button() == Qt::LeftButton)
            markup->press(at, event->modifiers());
        else if (event->button() == Qt::RightButton)
            markup->putToolAway();
        return;
    }
    const Mode before = tracker.mode();
    const bool busy = before == Mode::Drawing || before == Mode::Adjusting || before == Mode::Pressed;
    if (event->button() == Qt::RightButton && !busy) {
        close();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    repaint(tracker.press(at));
    setPointer(at, tracker.magnifies());
    if (tracker.mode() == Mode::Pressed) {
        activateWindow();  // the keys go to the screen where the selection is
        emit selectionStarted();
    }
}

void FreedomCut::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = toDevice(event->localPos());
    if (drawsMarkup()) {
        markup->move(at, event->modifiers());
        return;
    }
    repaint(tracker.move(at));
    // The button row follows the pointer while drawing, the corner while adjusting.
    if (tracker.mode() == Mode::Drawing)
        placeButtonRow(event->pos());
    else if (tracker.mode() == Mode::Adjusting)
        placeButtonRowAtSelection();
    setPointer(at, tracker.magnifies());
    updateCursor(at);
}

void FreedomCut::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = toDevice(event->localPos());
    if (drawsMarkup()) {
        markup->release(at, event->modifiers());
        return;
    }
    const Mode before = tracker.mode();
    if (before == Mode::Waiting || before == Mode::Chosen)
        return;
    repaint(tracker.release(at));
    if (before == Mode::Pressed)
        placeButtonRowAtSelection();
    else if (before == Mode::Drawing)
        placeButtonRow(event->pos());
    setPointer(at, false);
    updateCursor(at);
}

void FreedomCut::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (drawsMarkup())
        return;
    if (event->button() == Qt::LeftButton && tracker.mode() == Mode::Chosen
        && litArea(selection()).contains(toDevice(event->localPos())))
        copy_close();
}

void FreedomCut::leaveEvent(QEvent *)
{
    repaint(tracker.leave());
    setPointer(QPoint(-1, -1), false);
}

void FreedomCut::updateCursor(const QPoint &device)
{
    setCursor(tracker.cursorShape(device));
}

// ---- keys -------------------------------------------------------------------------------------

void FreedomCut::keyPressEvent(QKeyEvent *event)
{
    // A text box and the tools come first: Escape ends the box, then puts the tool away.
    if (markup && hasSelection() && markup->keyPress(event))
        return;
    if (event->key() == Qt::Key_Escape)
        close();
    else if (!handleSelectionKey(event))
        QWidget::keyPressEvent(event);
}

void FreedomCut::inputMethodEvent(QInputMethodEvent *event)
{
    if (markup && markup->isTyping())
        markup->inputMethod(event);
    else
        QWidget::inputMethodEvent(event);
}

QVariant FreedomCut::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (markup && markup->isTyping()) {
        const QVariant answer = markup->inputMethodQuery(query, ratio);
        if (answer.isValid())
            return answer;
    }
    return QWidget::inputMethodQuery(query);
}

bool FreedomCut::handleSelectionKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool control = modifiers & Qt::ControlModifier;
    const int key = event->key();
    if (key == Qt::Key_C && modifiers == Qt::NoModifier) {
        copyColourUnderPointer();
        return true;
    }
    if (tracker.mode() != Mode::Chosen)
        return false;
    if (markup && markup->hasTool() && (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up
                                        || key == Qt::Key_Down))
        return false;  // the selection stays put while drawing
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        copy_close();
    } else if (control && key == Qt::Key_C) {
        copy_close();
    } else if (control && key == Qt::Key_S) {
        save_close();
    } else if (control && key == Qt::Key_T) {
        pin_close();
    } else if (control && key == Qt::Key_R) {
        text_close();
    } else if (control && key == Qt::Key_L) {
        long_close();
    } else if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
        repaint(tracker.nudge(key, modifiers & Qt::ShiftModifier, control ? 10 : 1));
        placeButtonRowAtSelection();
    } else {
        return false;
    }
    return true;
}

void FreedomCut::copyColourUnderPointer()
{
    // Where the pointer is now, or was last on this overlay.
    QPoint at = pointer;
    if (at.x() < 0)
        at = toDevice(mapFromGlobal(QCursor::pos()));
    if (source.isNull() || !deviceRect().contains(at))
        return;
    QGuiApplication::clipboard()->setText(colourName(QColor(frozenImage.pixel(at + source.topLeft()))));
}

// ---- painting ---------------------------------------------------------------------------------

void FreedomCut::paintEvent(QPaintEvent *event)
{
    // Painted only when something changed, and only there: an idle overlay draws nothing.
    QPainter painter(this);
    if (source.isNull()) {
        const Selection raw = tracker.rawSelection();
        paintOverlay(painter, frozenPixmap, raw.start, raw.end, placement);
        if (!failure.isEmpty())
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, failure);
        return;
    }
    const Selection shown = tracker.shown();
    const QRect lit = shown == Selection{} ? QRect() : litArea(shown);
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    for (const QRect &logical : event->region()) {
        const QRect exposed = QRectF(QPointF(logical.topLeft()) * ratio, QSizeF(logical.size()) * ratio).toAlignedRect()
                              & deviceRect();
        const QRect bright = paintDimmedDesktop(painter, frozenPixmap, source.topLeft(), exposed, lit);
        if (!bright.isEmpty())
            markup->paint(painter, bright);
    }
    paintSelectionDecorations(painter, shown, tracker.hasSelection(), deviceRect(), ratio);
    painter.restore();
    const QRect magnifier = magnifierArea();
    if (!magnifier.isNull())
        paintMagnifier(painter, magnifier, frozenImage, pointer + source.topLeft(), pointer + source.topLeft());
}

void FreedomCut::setFailure(const QString &reason)
{
    failure = QStringLiteral("无法截取屏幕：%1\n按 Esc 关闭").arg(reason);
    update();
}

void FreedomCut::showEvent(QShowEvent *)
{
    if (isWindow())
        showFullScreen();
    // The window under the pointer is outlined from the start, before the pointer first moves.
    const QPoint local = mapFromGlobal(QCursor::pos());
    if (tracker.mode() == Mode::Waiting && rect().contains(local)) {
        repaint(tracker.hover(toDevice(local)));
        setPointer(toDevice(local), true);
    }
}

// ---- actions ----------------------------------------------------------------------------------

QImage FreedomCut::renderRegion(const QRect &area) const
{
    if (!markup)
        return renderOverlayArea(frozenPixmap, raw().start, raw().end, area, placement);
    // The frozen desktop with the items, from the overlay's cache, then the corner marks where
    // the region reaches them: what the overlay showed there, without its decorations.
    QImage picture = markup->markedUp(area).convertToFormat(QImage::Format_RGB32);
    if (picture.size() != area.size())
        return renderOverlayArea(frozenPixmap, raw().start, raw().end, area, placement);
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    paintOverlayInDevicePixels(painter, QPixmap(), raw().start, raw().end, {deviceRect(), ratio});
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QRect FreedomCut::takenArea(QRect (*grabRect)(const QPoint &, const QPoint &))
{
    const QRect area = grabRect(raw().start, raw().end);
    if (hasSelection() && !area.isNull())
        return area;
    askForSelection();
    return {};
}

QImage FreedomCut::takePicture(const QRect &area)
{
    if (markup)
        markup->finishDrawing();
    emit selectionTaken(selection());
    return renderRegion(area);
}

void FreedomCut::pin_close()
{
    const QRect area = takenArea(copyGrabRect);
    if (area.isNull())
        return;
    emit pinRequested(takePicture(area), logicalPoint(area.topLeft()));
    close();
}

void FreedomCut::text_close()
{
    // The text is read from the desktop itself, not from what was drawn over it.
    const QRect area = takenArea(copyGrabRect);
    if (area.isNull())
        return;
    emit textRequested(renderOverlayArea(frozenPixmap, raw().start, raw().end, area, placement));
    close();
}

void FreedomCut::long_close()
{
    // The region is taken again from the live screen, so the mark-up is not carried along.
    const QRect area = takenArea(copyGrabRect);
    if (area.isNull())
        return;
    emit longCaptureRequested(toLogical(area));
    close();
}

void FreedomCut::askForSelection()
{
    // A selection without an inside gives no picture; the buttons that follow it would otherwise
    // do nothing at all.
    showNotice(this, QStringLiteral("没有选出可以保存的区域。请按住鼠标左键拖出一个矩形，再保存或复制。"));
}

void FreedomCut::save_close()
{
    // Checked before asking for a name: a selection with nothing inside it cannot be saved.
    const QRect area = takenArea(saveGrabRect);
    if (area.isNull())
        return;
    if (refuseWhileSaving(this))
        return;
    const QPointer<FreedomCut> self(this);
    const QString fileName = askSavePictureName(QStringLiteral("save flie"), QString(),
                                                QStringLiteral("picture (*.png *.jpg)"));
    if (!self || fileName.isNull())
        return;
    regionPixmap = QPixmap::fromImage(takePicture(area));
    // The overlay closes once the file is written. A failed write keeps it and its selection, so
    // the capture can still be saved elsewhere or copied.
    savePictureInBackground(this, regionPixmap.toImage(), fileName, [this] { close(); });
}

void FreedomCut::copy_close()
{
    const QRect area = takenArea(copyGrabRect);
    if (area.isNull())
        return;
    regionPixmap = QPixmap::fromImage(takePicture(area));
    offerOnClipboard(regionPixmap.toImage());
    close();
}
