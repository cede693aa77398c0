#include "FreedomCut.h"

#include "RegionGeometry.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"
#include "common/RepaintPacer.h"
#include "common/SafeSave.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

FreedomCut::FreedomCut(const QPixmap &frozen, QWidget *parent)
    : QWidget(parent)
    , frozenPixmap(frozen)
    // Between paints only the outline moves (the buttons repaint themselves), so the continuous
    // repaint covers where it was and where it is instead of the whole screen each time.
    , pacer(new RepaintPacer(this, [this] { return changingArea(); }))
{
    // Nothing refers to an overlay once it has closed, and its frozen desktop is large.
    setAttribute(Qt::WA_DeleteOnClose);
    // The frozen picture covers every pixel, so Qt need not clear the surface before each paint;
    // without one (a refused grab) the cleared background is what hides an old outline.
    setAttribute(Qt::WA_OpaquePaintEvent, !frozenPixmap.isNull());
    saveButton = createActionButton(QStringLiteral("保存"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/saveas.png)}"));
    cancelButton = createActionButton(QStringLiteral("取消"),
                                      QStringLiteral("QPushButton{border-image:url(:/resources/img/cancel.png)}"));
    copyButton = createActionButton(QStringLiteral("复制到剪切板"),
                                    QStringLiteral("QPushButton{border-image:url(:/resources/img/copy.png)}"));
}

QPushButton *FreedomCut::createActionButton(const QString &toolTip, const QString &styleSheet)
{
    auto *button = new QPushButton(this);
    button->setToolTip(toolTip);
    button->setStyleSheet(styleSheet);
    button->setFixedSize(regionButtonSize, regionButtonSize);
    // Out of sight to the left of the screen, not hidden, until the pointer first moves.
    button->setGeometry(-button->width(), button->height(), button->width(), button->height());
    return button;
}

void FreedomCut::placeButtonRow(const QPoint &pointer)
{
    const RegionButtonRow row = buttonRowAt(pointer);
    saveButton->setGeometry(row.save);
    cancelButton->setGeometry(row.cancel);
    copyButton->setGeometry(row.copy);
}

void FreedomCut::connectActions()
{
    // Every release comes here; a unique connection keeps one click to one action.
    connect(copyButton, SIGNAL(clicked()), this, SLOT(copy_close()), Qt::UniqueConnection);
    connect(saveButton, SIGNAL(clicked()), this, SLOT(save_close()), Qt::UniqueConnection);
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(close()), Qt::UniqueConnection);
}

void FreedomCut::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    endPoint = event->pos();
    startPoint = event->pos();
}

void FreedomCut::mouseMoveEvent(QMouseEvent *event)
{
    endPoint = event->pos();
    placeButtonRow(endPoint);
}

void FreedomCut::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    endPoint = event->pos();
    placeButtonRow(endPoint);
    connectActions();
}

void FreedomCut::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    paintOverlay(painter, frozenPixmap, startPoint, endPoint, placement());
    painter.end();
    // Only a paint that covered the old outline and the new one has put the new one on screen;
    // one for a moved button, say, leaves the old outline where it was.
    if (changingArea().subtracted(event->region()).isEmpty()) {
        paintedStart = startPoint;
        paintedEnd = endPoint;
    }
    // The overlay keeps repainting while shown, but no faster than the screen refreshes.
    pacer->scheduleNextPaint();
}

void FreedomCut::showEvent(QShowEvent *)
{
    showFullScreen();
}

OverlayPlacement FreedomCut::placement() const
{
    // The frozen picture starts at the desktop's origin; the overlay covers the screen the window
    // system gave it, which need not be the one there.
    return {mapToGlobal(QPoint(0, 0)), width()};
}

QRegion FreedomCut::changingArea() const
{
    return (outlineArea(paintedStart, paintedEnd) + outlineArea(startPoint, endPoint)) & rect();
}

QPixmap FreedomCut::renderRegion(const QRect &area) const
{
    return QPixmap::fromImage(renderOverlayArea(frozenPixmap, startPoint, endPoint, area, placement()));
}

void FreedomCut::save_close()
{
    // Checked before asking for a name: a selection with nothing inside it cannot be saved.
    const QRect area = saveGrabRect(startPoint, endPoint);
    if (area.isNull())
        return;
    const QPointer<FreedomCut> self(this);
    const QString fileName = askSavePictureName(QStringLiteral("save flie"), QString(),
                                                QStringLiteral("picture (*.png *.jpg)"));
    if (!self || fileName.isNull())
        return;
    regionPixmap = renderRegion(area);
    // A failed write keeps the overlay and its selection, so the capture can still be saved
    // elsewhere or copied.
    QString failure;
    if (!savePictureSafely(regionPixmap, fileName, &failure)) {
        showSaveFailure(this, fileName, failure);
        return;
    }
    close();
}

void FreedomCut::copy_close()
{
    const QRect area = copyGrabRect(startPoint, endPoint);
    if (area.isNull())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    regionPixmap = renderRegion(area);
    clipboard->setPixmap(regionPixmap, QClipboard::Clipboard);
    close();
}
