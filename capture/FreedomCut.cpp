#include "FreedomCut.h"

#include "ClipboardPicture.h"
#include "common/BackgroundSave.h"
#include "common/FailureMessage.h"
#include "common/PictureDialog.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

FreedomCut::FreedomCut(const QPixmap &frozen, QWidget *parent)
    : FreedomCut(frozen, OverlayPlacement(), parent)
{
}

FreedomCut::FreedomCut(const QPixmap &frozen, const OverlayPlacement &placement, QWidget *parent)
    : QWidget(parent)
    , frozenPixmap(frozen)
    , placement(placement)
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

QPushButton *FreedomCut::createActionButton(const QString &toolTip, const QString &styleSheet)
{
    auto *button = new QPushButton(this);
    button->setToolTip(toolTip);
    button->setStyleSheet(styleSheet);
    button->setFixedSize(regionButtonSize, regionButtonSize);
    return button;
}

void FreedomCut::placeButtonRow(const QPoint &pointer)
{
    const RegionButtonRow row = buttonRowAt(pointer, rect());
    saveButton->setGeometry(row.save);
    cancelButton->setGeometry(row.cancel);
    copyButton->setGeometry(row.copy);
}

void FreedomCut::hideButtonRow()
{
    // Out of sight to the left of the screen, not hidden, until the pointer first moves.
    for (QPushButton *button : {saveButton, cancelButton, copyButton})
        button->setGeometry(-button->width(), button->height(), button->width(), button->height());
}

void FreedomCut::connectActions()
{
    // Every release comes here; a unique connection keeps one click to one action.
    connect(copyButton, SIGNAL(clicked()), this, SLOT(copy_close()), Qt::UniqueConnection);
    connect(saveButton, SIGNAL(clicked()), this, SLOT(save_close()), Qt::UniqueConnection);
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(close()), Qt::UniqueConnection);
}

void FreedomCut::clearSelection()
{
    dragging = false;
    setSelection(QPoint(), QPoint());
    hideButtonRow();
}

QPoint FreedomCut::onOverlay(const QPoint &position) const
{
    // A drag that wanders onto another screen still selects on this one, up to its edge.
    return QPoint(qBound(0, position.x(), width() - 1), qBound(0, position.y(), height() - 1));
}

void FreedomCut::setSelection(const QPoint &start, const QPoint &end)
{
    // Only the outline changes (the buttons repaint themselves): its old and its new place.
    update((outlineArea(startPoint, endPoint) + outlineArea(start, end)) & rect());
    startPoint = start;
    endPoint = end;
}

void FreedomCut::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && !dragging) {
        close();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = onOverlay(event->pos());
    setSelection(at, at);
    dragging = true;
    emit selectionStarted();
}

void FreedomCut::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging)
        return;
    setSelection(startPoint, onOverlay(event->pos()));
    placeButtonRow(endPoint);
}

void FreedomCut::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !dragging)
        return;
    dragging = false;
    setSelection(startPoint, onOverlay(event->pos()));
    placeButtonRow(endPoint);
    connectActions();
}

void FreedomCut::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void FreedomCut::paintEvent(QPaintEvent *)
{
    // Painted only when something changed: an idle overlay draws nothing.
    QPainter painter(this);
    paintOverlay(painter, frozenPixmap, startPoint, endPoint, placement);
    if (frozenPixmap.isNull() && !failure.isEmpty())
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, failure);
}

void FreedomCut::setFailure(const QString &reason)
{
    failure = QStringLiteral("无法截取屏幕：%1\n按 Esc 关闭").arg(reason);
    update();
}

void FreedomCut::showEvent(QShowEvent *)
{
    showFullScreen();
}

QPixmap FreedomCut::renderRegion(const QRect &area) const
{
    return QPixmap::fromImage(renderOverlayArea(frozenPixmap, startPoint, endPoint, area, placement));
}

void FreedomCut::askForSelection()
{
    // A click without a drag selects nothing; the buttons that follow it would otherwise do
    // nothing at all.
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
    regionPixmap = renderRegion(area);
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
    regionPixmap = renderRegion(area);
    offerOnClipboard(regionPixmap.toImage());
    close();
}
