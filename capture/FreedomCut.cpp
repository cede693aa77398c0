#include "FreedomCut.h"

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
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace {

// How near a handle a press must land to take it, in logical pixels.
constexpr int handleReach = 6;
// How dark the desktop shows outside the selection.
constexpr int dimAlpha = 96;

Qt::CursorShape cursorFor(SelectionPart part)
{
    switch (part) {
    case SelectionPart::TopLeft:
    case SelectionPart::BottomRight: return Qt::SizeFDiagCursor;
    case SelectionPart::TopRight:
    case SelectionPart::BottomLeft: return Qt::SizeBDiagCursor;
    case SelectionPart::Top:
    case SelectionPart::Bottom: return Qt::SizeVerCursor;
    case SelectionPart::Left:
    case SelectionPart::Right: return Qt::SizeHorCursor;
    case SelectionPart::Inside: return Qt::SizeAllCursor;
    case SelectionPart::Outside: break;
    }
    return Qt::CrossCursor;
}

} // namespace

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
    saveButton = createActionButton(QStringLiteral("保存"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/saveas.png)}"));
    cancelButton = createActionButton(QStringLiteral("取消"),
                                      QStringLiteral("QPushButton{border-image:url(:/resources/img/cancel.png)}"));
    copyButton = createActionButton(QStringLiteral("复制到剪切板"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/copy.png)}"));
    pinButton = createActionButton(QStringLiteral("钉在桌面 (Ctrl+T)"),
                                   QStringLiteral("QPushButton{border-image:url(:/resources/img/pin.png)}"));
    textButton = createActionButton(QStringLiteral("识别文字 (Ctrl+R)"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/ocr.png)}"));
    connect(pinButton, &QPushButton::clicked, this, &FreedomCut::pin_close);
    connect(textButton, &QPushButton::clicked, this, &FreedomCut::text_close);
    longButton = createActionButton(QStringLiteral("长截图 (Ctrl+L)"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/long.png)}"));
    connect(longButton, &QPushButton::clicked, this, &FreedomCut::long_close);
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
    windowFrames = frames;
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

// What the overlay outlines now: the selection, or while none is chosen the window a click
// would take. Empty when there is neither.
Selection FreedomCut::shownSelection() const
{
    if (mode == Mode::Waiting || mode == Mode::Pressed)
        return hovered.isNull() ? Selection{} : selectionAround(hovered);
    return {startPoint, endPoint};
}

// The device pixels that change when `shown` appears or goes: its outline, handles and readout.
QRegion FreedomCut::shownArea(const Selection &shown) const
{
    if (shown == Selection{})
        return {};
    const QRect lit = litArea(shown);
    const int reach = int(std::ceil(handleReach * ratio)) + 1;
    QRegion band(lit.adjusted(-reach, -reach, reach + 1, reach + 1));
    const QRect inner = lit.adjusted(reach, reach, -reach, -reach);
    if (!inner.isEmpty())
        band -= inner;
    return band + sizeReadoutBox(shown, deviceRect(), ratio);
}

QRect FreedomCut::magnifierArea() const
{
    if (!magnifierShown || pointer.x() < 0 || source.isNull())
        return {};
    return magnifierBox(logicalPoint(pointer), rect());
}

// ---- state changes, each repainting only what it changed --------------------------------------

void FreedomCut::repaintChange(const Selection &before)
{
    const Selection after = shownSelection();
    const QRegion litBefore = before == Selection{} ? QRegion() : QRegion(litArea(before));
    const QRegion litAfter = after == Selection{} ? QRegion() : QRegion(litArea(after));
    for (const QRect &rect : litBefore.xored(litAfter) + shownArea(before) + shownArea(after))
        update(toLogical(rect));
}

void FreedomCut::setSelection(const QPoint &start, const QPoint &end)
{
    const Selection before = shownSelection();
    startPoint = start;
    endPoint = end;
    if (shownSelection() != before)
        repaintChange(before);
}

void FreedomCut::setHovered(const QRect &frame)
{
    if (frame == hovered)
        return;
    const Selection before = shownSelection();
    hovered = frame;
    repaintChange(before);
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

void FreedomCut::choose(const Selection &chosen)
{
    const Selection before = shownSelection();
    const Selection s = normalised(chosen);
    mode = Mode::Chosen;
    startPoint = s.start;
    endPoint = s.end;
    repaintChange(before);
    connectActions();
}

void FreedomCut::chooseSelection(const Selection &chosen)
{
    const Selection s = normalised(chosen);
    const QRect inside = QRect(s.start + QPoint(1, 1), s.end - QPoint(1, 1)) & deviceRect();
    if (inside.isEmpty())
        return;
    choose(selectionAround(inside));
    placeButtonRowAtSelection();
}

void FreedomCut::clearSelection()
{
    const Selection before = shownSelection();
    mode = Mode::Waiting;
    hovered = QRect();
    startPoint = endPoint = QPoint();
    repaintChange(before);
    setPointer(QPoint(-1, -1), false);
    hideButtonRow();
}

// ---- buttons ----------------------------------------------------------------------------------

QPushButton *FreedomCut::createActionButton(const QString &toolTip, const QString &styleSheet)
{
    auto *button = new QPushButton(this);
    button->setToolTip(toolTip);
    button->setStyleSheet(styleSheet);
    button->setFixedSize(regionButtonSize, regionButtonSize);
    // The keys belong to the overlay: a focused button would take the arrows for itself.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void FreedomCut::placeButtonRow(const QPoint &pointer)
{
    const RegionButtonRow row = buttonRowAt(pointer, rect());
    saveButton->setGeometry(row.save);
    cancelButton->setGeometry(row.cancel);
    copyButton->setGeometry(row.copy);
    placeMoreActions();
}

void FreedomCut::placeMoreActions()
{
    // Left of the three buttons, in their spacing; right of them where the screen ends first.
    // The mark-up rows stand in line below them once a selection exists.
    constexpr int pitch = 30;
    const QRect three = cancelButton->geometry() | copyButton->geometry();
    int left = three.left() - 2 * pitch;
    if (left < 0)
        left = three.right() + 1 + pitch - regionButtonSize;
    pinButton->move(left, three.top());
    textButton->move(left + pitch, three.top());
    // 长截图 before them, or after them where they went right.
    const int rightOfThree = three.right() + 1 + pitch - regionButtonSize;
    longButton->move(left < three.left() && left - pitch >= 0 ? left - pitch
                     : left < three.left()                    ? rightOfThree
                                                              : left + 2 * pitch,
                     three.top());
    if (!markup)
        return;
    if (hasSelection())
        markup->placeRows(three | pinButton->geometry() | textButton->geometry() | longButton->geometry(), rect());
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
    // Out of sight to the left of the screen, not hidden, until the pointer first moves.
    for (QPushButton *button : {saveButton, cancelButton, copyButton, pinButton, textButton, longButton})
        button->setGeometry(-button->width(), button->height(), button->width(), button->height());
    if (markup)
        markup->hideRows();
}

void FreedomCut::connectActions()
{
    // Every selection comes here; a unique connection keeps one click to one action.
    connect(copyButton, SIGNAL(clicked()), this, SLOT(copy_close()), Qt::UniqueConnection);
    connect(saveButton, SIGNAL(clicked()), this, SLOT(save_close()), Qt::UniqueConnection);
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(close()), Qt::UniqueConnection);
}

// ---- pointer ----------------------------------------------------------------------------------

bool FreedomCut::drawsMarkup() const
{
    return markup && markup->hasTool() && mode == Mode::Chosen;
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
    const bool busy = mode == Mode::Drawing || mode == Mode::Adjusting || mode == Mode::Pressed;
    if (event->button() == Qt::RightButton && !busy) {
        close();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    pressPoint = at;
    if (mode == Mode::Chosen) {
        const SelectionPart part = partAt(selection(), at, int(std::ceil(handleReach * ratio)));
        if (part != SelectionPart::Outside) {
            pressPart = part;
            pressSelection = selection();
            mode = Mode::Adjusting;
            setPointer(at, part != SelectionPart::Inside);
            return;
        }
    }
    // A new selection begins here: a click takes the window under it, a drag a free rectangle.
    const Selection before = shownSelection();
    mode = Mode::Pressed;
    startPoint = endPoint = at;
    hovered = frameAt(windowFrames, at, deviceRect());
    repaintChange(before);
    activateWindow();  // the keys go to the screen where the selection is
    emit selectionStarted();
}

void FreedomCut::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = toDevice(event->localPos());
    if (drawsMarkup()) {
        markup->move(at, event->modifiers());
        return;
    }
    switch (mode) {
    case Mode::Waiting:
        setHovered(frameAt(windowFrames, at, deviceRect()));
        setPointer(at, true);
        break;
    case Mode::Pressed:
        if (isClick(pressPoint, at)) {
            setPointer(at, true);
            break;
        }
    {
        const Selection before = shownSelection();
        mode = Mode::Drawing;
        startPoint = endPoint = pressPoint;
        repaintChange(before);
    }
        Q_FALLTHROUGH();
    case Mode::Drawing:
        setSelection(startPoint, at);
        placeButtonRow(event->pos());
        setPointer(at, true);
        break;
    case Mode::Adjusting: {
        const Selection s = dragged(pressSelection, pressPart, at - pressPoint, deviceRect());
        setSelection(s.start, s.end);
        placeButtonRowAtSelection();
        setPointer(at, pressPart != SelectionPart::Inside);
        break;
    }
    case Mode::Chosen:
        setPointer(at, false);
        break;
    }
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
    switch (mode) {
    case Mode::Pressed:
        choose(selectionAround(frameAt(windowFrames, pressPoint, deviceRect())));
        placeButtonRowAtSelection();
        break;
    case Mode::Drawing:
        setSelection(startPoint, at);
        choose({startPoint, endPoint});
        placeButtonRow(event->pos());
        break;
    case Mode::Adjusting:
        choose(selection());
        break;
    case Mode::Waiting:
    case Mode::Chosen:
        return;
    }
    setPointer(at, false);
    updateCursor(at);
}

void FreedomCut::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (drawsMarkup())
        return;
    if (event->button() == Qt::LeftButton && mode == Mode::Chosen
        && litArea(selection()).contains(toDevice(event->localPos())))
        copy_close();
}

void FreedomCut::leaveEvent(QEvent *)
{
    if (mode == Mode::Waiting)
        setHovered(QRect());
    setPointer(QPoint(-1, -1), false);
}

void FreedomCut::updateCursor(const QPoint &device)
{
    SelectionPart part = SelectionPart::Outside;
    if (mode == Mode::Chosen)
        part = partAt(selection(), device, int(std::ceil(handleReach * ratio)));
    else if (mode == Mode::Adjusting)
        part = pressPart;
    setCursor(cursorFor(part));
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
    if (mode != Mode::Chosen)
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
        const Selection s = nudged(selection(), key, modifiers & Qt::ShiftModifier, control ? 10 : 1, deviceRect());
        setSelection(s.start, s.end);
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
        paintOverlay(painter, frozenPixmap, startPoint, endPoint, placement);
        if (!failure.isEmpty())
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, failure);
        return;
    }
    const Selection shown = shownSelection();
    const QRect lit = shown == Selection{} ? QRect() : litArea(shown);
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    for (const QRect &logical : event->region()) {
        const QRect exposed = QRectF(QPointF(logical.topLeft()) * ratio, QSizeF(logical.size()) * ratio).toAlignedRect()
                              & deviceRect();
        const QRect bright = exposed & lit;
        painter.drawPixmap(exposed.topLeft(), frozenPixmap, exposed.translated(source.topLeft()));
        // Darker outside the selection: a blend over what changed, nothing made in advance.
        for (const QRect &outside : QRegion(exposed).subtracted(bright))
            painter.fillRect(outside, QColor(0, 0, 0, dimAlpha));
        if (!bright.isEmpty())
            markup->paint(painter, bright);
    }
    // The marks and the outline over the picture just drawn, not the picture again.
    paintOverlayInDevicePixels(painter, QPixmap(), shown.start, shown.end,
                               {QRect(QPoint(0, 0), deviceRect().size()), ratio});
    if (!lit.isNull()) {
        if (mode == Mode::Chosen || mode == Mode::Adjusting)
            paintHandles(painter, shown, ratio);
        paintSizeReadout(painter, shown, deviceRect(), ratio);
    }
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
    if (mode == Mode::Waiting && rect().contains(local)) {
        setHovered(frameAt(windowFrames, toDevice(local), deviceRect()));
        setPointer(toDevice(local), true);
    }
}

// ---- actions ----------------------------------------------------------------------------------

QImage FreedomCut::renderRegion(const QRect &area) const
{
    if (!markup)
        return renderOverlayArea(frozenPixmap, startPoint, endPoint, area, placement);
    // The frozen desktop with the items, from the overlay's cache, then the corner marks where
    // the region reaches them: what the overlay showed there, without its decorations.
    QImage picture = markup->markedUp(area).convertToFormat(QImage::Format_RGB32);
    if (picture.size() != area.size())
        return renderOverlayArea(frozenPixmap, startPoint, endPoint, area, placement);
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    paintOverlayInDevicePixels(painter, QPixmap(), startPoint, endPoint, {deviceRect(), ratio});
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return picture;
}

void FreedomCut::pin_close()
{
    const QRect area = copyGrabRect(startPoint, endPoint);
    if (!hasSelection() || area.isNull()) {
        askForSelection();
        return;
    }
    if (markup)
        markup->finishDrawing();
    emit selectionTaken(selection());
    emit pinRequested(renderRegion(area), logicalPoint(area.topLeft()));
    close();
}

void FreedomCut::text_close()
{
    const QRect area = copyGrabRect(startPoint, endPoint);
    if (!hasSelection() || area.isNull()) {
        askForSelection();
        return;
    }
    emit textRequested(renderOverlayArea(frozenPixmap, startPoint, endPoint, area, placement));
    close();
}

void FreedomCut::long_close()
{
    // The region is taken again from the live screen, so the mark-up is not carried along.
    const QRect area = copyGrabRect(startPoint, endPoint);
    if (!hasSelection() || area.isNull()) {
        askForSelection();
        return;
    }
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
    const QRect area = saveGrabRect(startPoint, endPoint);
    if (area.isNull()) {
        askForSelection();
        return;
    }
    if (refuseWhileSaving(this))
        return;
    const QPointer<FreedomCut> self(this);
    const QString fileName = askSavePictureName(QStringLiteral("save flie"), QString(),
                                                QStringLiteral("picture (*.png *.jpg)"));
    if (!self || fileName.isNull())
        return;
    if (markup)
        markup->finishDrawing();
    regionPixmap = QPixmap::fromImage(renderRegion(area));
    emit selectionTaken(selection());
    // The overlay closes once the file is written. A failed write keeps it and its selection, so
    // the capture can still be saved elsewhere or copied.
    savePictureInBackground(this, regionPixmap.toImage(), fileName, [this] { close(); });
}

void FreedomCut::copy_close()
{
    const QRect area = copyGrabRect(startPoint, endPoint);
    if (area.isNull()) {
        askForSelection();
        return;
    }
    if (markup)
        markup->finishDrawing();
    regionPixmap = QPixmap::fromImage(renderRegion(area));
    emit selectionTaken(selection());
    offerOnClipboard(regionPixmap.toImage());
    close();
}
