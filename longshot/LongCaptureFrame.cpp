#include "LongCaptureFrame.h"

#include "platform/WindowPlace.h"

#include <QWidget>

std::array<QRect, LongCaptureFrame::edgeCount> frameEdges(const QRect &region, int width)
{
    const QRect outer = region.adjusted(-width, -width, width, width);
    return {QRect(outer.left(), outer.top(), outer.width(), width),
            QRect(outer.left(), region.bottom() + 1, outer.width(), width),
            QRect(outer.left(), region.top(), width, region.height()),
            QRect(region.right() + 1, region.top(), width, region.height())};
}

LongCaptureFrame::LongCaptureFrame(const QRect &region, const std::function<void()> &placed)
{
    const std::array<QRect, edgeCount> places = frameEdges(region, width);
    for (size_t i = 0; i < edges.size(); ++i) {
        auto *edge = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                              | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
        edge->setAttribute(Qt::WA_ShowWithoutActivating);
        edge->setStyleSheet(QStringLiteral("background:#1e90ff"));
        // A title each, by which a compositor that is asked to place them tells them apart.
        edge->setWindowTitle(QStringLiteral("长截图区域 %1").arg(i + 1));
        edge->setFixedSize(places[i].size());
        placeWindow(edge, places[i].topLeft(), placed);
        edges[i] = edge;
    }
}

LongCaptureFrame::~LongCaptureFrame()
{
    for (QWidget *edge : edges)
        delete edge;
}

void LongCaptureFrame::show()
{
    for (QWidget *edge : edges)
        edge->show();
}
