#pragma once

#include <QRect>

#include <array>
#include <functional>

class QWidget;

// The border a running long screenshot draws around its region on the live screen: four thin
// windows, one an edge, so that nothing of it lies over the region. The region shows (and is
// grabbed from) what lies under it, and the pointer reaches it: on sway one window around the
// region, its inside cut out of the input (and transparent), still kept the wheel from the page.
class LongCaptureFrame
{
public:
    static constexpr int width = 2;
    static constexpr int edgeCount = 4;

    // Around `region`, in the desktop's logical coordinates; `placed` is called as each edge
    // stands in its place (see placeWindow()).
    LongCaptureFrame(const QRect &region, const std::function<void()> &placed);
    ~LongCaptureFrame();
    LongCaptureFrame(const LongCaptureFrame &) = delete;
    LongCaptureFrame &operator=(const LongCaptureFrame &) = delete;

    void show();

private:
    std::array<QWidget *, edgeCount> edges{};
};

// The four edges' places around `region`: top, bottom, left, right.
std::array<QRect, LongCaptureFrame::edgeCount> frameEdges(const QRect &region, int width);
