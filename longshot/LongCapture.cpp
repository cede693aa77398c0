#include "LongCapture.h"

#include "LongCaptureBar.h"
#include "LongCaptureFrame.h"
#include "LongPicture.h"
#include "PointerRest.h"
#include "platform/DesktopGrabber.h"
#include "platform/EndKeys.h"
#include "platform/PageScroller.h"
#include "platform/WindowPlace.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace {

constexpr int frameWidth = LongCaptureFrame::width;
constexpr int gap = 6;                // between the frame and the bar or the preview
constexpr int previewWidth = 160;
constexpr int firstGrabDelayMs = 400;  // the overlay gone and the frame drawn in its place
constexpr int settleMs = 250;          // the page redrawn after a notch
constexpr int handGrabMs = 200;        // how often a page scrolled by hand is looked at
constexpr int unmovedToEnd = 2;        // steps in a row that moved nothing: the end of the page
constexpr int mostNotches = 10;

// Notches for the next step: as many as scroll about half the rows that move, once a step has
// shown how far one notch goes, so that a long page takes few steps and each still overlaps.
int notchesFor(const RowMatch &moved, int height, int notchesBefore)
{
    const int moving = height - moved.header - moved.footer;
    const qreal perNotch = qreal(moved.shift) / std::max(1, notchesBefore);
    return qBound(1, int(moving / 2 / perNotch), mostNotches);
}

// The bar below the region, or above it where the screen ends first, or over its bottom edge.
QPoint barPlace(const QRect &region, const QSize &bar, const QRect &screen)
{
    const int x = qBound(screen.left(), region.right() - bar.width() + 1 + frameWidth,
                         screen.right() - bar.width() + 1);
    const int below = region.bottom() + 1 + frameWidth + gap;
    if (below + bar.height() <= screen.bottom() + 1)
        return {x, below};
    const int above = region.top() - frameWidth - gap - bar.height();
    if (above >= screen.top())
        return {x, above};
    return {x, screen.bottom() + 1 - bar.height()};
}

// The preview right of the region, or left of it where the screen ends first.
QRect previewPlace(const QRect &region, const QRect &screen)
{
    const int height = std::min(region.height(), 400);
    const int right = region.right() + 1 + frameWidth + gap;
    if (right + previewWidth <= screen.right() + 1)
        return {right, region.top(), previewWidth, height};
    return {std::max(screen.left(), region.left() - frameWidth - gap - previewWidth), region.top(), previewWidth,
            height};
}

}  // namespace

LongCapture::LongCapture(const QRect &logicalArea, QScreen *screen, DesktopGrabber &grabber, QObject *parent)
    : QObject(parent)
    , logicalArea(logicalArea)
    , screen(screen)
    , grabber(grabber)
    , scroller(PageScroller::forThisSession())
    , timer(new QTimer(this))
{
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &LongCapture::grabNow);
}

LongCapture::~LongCapture()
{
    delete frame;
    delete bar;
    delete preview;
}

void LongCapture::start()
{
    const QRect screenArea = screen ? screen->geometry() : logicalArea;
    // The first grab waits for the windows to stand beside the region, not over it (sway places
    // them a moment after they are shown, and shows them there a moment later).
    const auto placed = [this] {
        if (--unplacedWindows == 0)
            timer->start(firstGrabDelayMs);
    };
    unplacedWindows = LongCaptureFrame::edgeCount + 2;
    frame = new LongCaptureFrame(logicalArea, placed);
    bar = new LongCaptureBar(!scroller->canScroll());
    connect(bar, &LongCaptureBar::finishRequested, this, &LongCapture::finish);
    connect(bar, &LongCaptureBar::cancelRequested, this, &LongCapture::cancel);
    bar->adjustSize();
    bar->setFixedSize(bar->size());
    placeWindow(bar, barPlace(logicalArea, bar->size(), screenArea), placed);
    preview = new QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                      | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    preview->setAttribute(Qt::WA_ShowWithoutActivating);
    preview->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    preview->setStyleSheet(QStringLiteral("background:#303030;border:1px solid #1e90ff"));
    preview->setWindowTitle(QStringLiteral("长截图预览"));
    const QRect previewArea = previewPlace(logicalArea, screenArea);
    preview->setFixedSize(previewArea.size());
    placeWindow(preview, previewArea.topLeft(), placed);
    scroller->restPointerAt(devicePoint(pointerRestingPlace(logicalArea, screenArea)));
    frame->show();
    preview->show();
    bar->show();
    bar->raise();
    bar->activateWindow();
    // Held only while the capture runs: they go with it.
    EndKeys *keys = EndKeys::create(this);
    connect(keys, &EndKeys::enterPressed, this, &LongCapture::finish);
    connect(keys, &EndKeys::escapePressed, this, &LongCapture::cancel);
}

void LongCapture::finish()
{
    end(QString());
}

void LongCapture::cancel()
{
    if (ending)
        return;
    ending = true;
    timer->stop();
    emit finished(QImage(), QString());
    deleteLater();
}

void LongCapture::grabNow()
{
    if (ending || grabbing)
        return;
    grabbing = true;
    grabber.grab(this, [this](const DesktopPicture &desktop) { grabbed(desktop); });
}

QRect LongCapture::areaIn(const DesktopPicture &desktop) const
{
    for (const ScreenPart &part : desktop.screens) {
        if (part.screen != screen)
            continue;
        const qreal scale = part.scale > 0 ? part.scale : screen->devicePixelRatio();
        const QPoint offset = logicalArea.topLeft() - screen->geometry().topLeft();
        const QRect area(part.area.topLeft() + QPoint(qRound(offset.x() * scale), qRound(offset.y() * scale)),
                         QSize(qRound(logicalArea.width() * scale), qRound(logicalArea.height() * scale)));
        return area.intersected(part.area);
    }
    return {};
}

void LongCapture::grabbed(const DesktopPicture &desktop)
{
    grabbing = false;
    if (ending)
        return;
    const QRect area = areaIn(desktop);
    if (!desktop.isValid() || area.isEmpty()) {
        end(desktop.isValid() ? QStringLiteral("长截图的区域不在屏幕上。") : desktop.failure);
        return;
    }
    const QImage grab = desktop.image.copy(area);
    if (!picture) {
        picture = std::make_unique<LongPicture>(grab);
    } else {
        const RowMatch match = picture->add(grab);
        if (match.kind == RowMatch::Kind::NoOverlap) {
            end(QStringLiteral("页面滚动得太远，与上一屏没有重叠，长截图停在这里。"));
            return;
        }
        if (picture->full()) {
            end(QStringLiteral("长截图已达 %1 像素的高度上限，停在这里。").arg(LongPicture::heightLimit));
            return;
        }
        unmovedSteps = match.kind == RowMatch::Kind::Unmoved ? unmovedSteps + 1 : 0;
        // Only ever more: a short step (the page's end, a page still drawing) says nothing about
        // how far a notch goes.
        if (match.kind == RowMatch::Kind::Moved)
            notches = std::max(notches, notchesFor(match, grab.height(), notchesBefore));
        if (scroller->canScroll() && unmovedSteps >= unmovedToEnd) {
            end(QString());
            return;
        }
    }
    bar->setHeight(picture->height());
    showPreview();
    scrollAndGrab();
}

void LongCapture::scrollAndGrab()
{
    if (!scroller->canScroll()) {
        timer->start(handGrabMs);
        return;
    }
    notchesBefore = notches;
    scroller->scrollDown(devicePoint(logicalArea.center()), notches);
    timer->start(settleMs);
}

QPoint LongCapture::devicePoint(const QPoint &logical) const
{
    const QPoint offset = logical - (screen ? screen->geometry().topLeft() : QPoint());
    const qreal ratio = screen ? screen->devicePixelRatio() : 1;
    const QPoint origin = screen ? deviceArea(screen).topLeft() : QPoint();
    return origin + QPoint(qRound(offset.x() * ratio), qRound(offset.y() * ratio));
}

void LongCapture::showPreview()
{
    // Each strip is sampled down on its own, so the preview costs its own pixels, not the whole.
    const QRect box = preview->contentsRect();
    const qreal scale = std::min(qreal(box.width()) / picture->width(), qreal(box.height()) / picture->height());
    QImage small(std::max(1, qRound(picture->width() * scale)), std::max(1, qRound(picture->height() * scale)),
                 QImage::Format_RGB32);
    QPainter painter(&small);
    qreal y = 0;
    for (const QImage &strip : picture->strips()) {
        const QRectF target(0, y * scale, small.width(), strip.height() * scale);
        painter.drawImage(target, strip);
        y += strip.height();
    }
    painter.end();
    preview->setPixmap(QPixmap::fromImage(small));
}

void LongCapture::end(const QString &message)
{
    if (ending)
        return;
    ending = true;
    timer->stop();
    emit finished(picture ? picture->picture() : QImage(), message);
    deleteLater();
}
