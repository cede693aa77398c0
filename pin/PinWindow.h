#pragma once

#include <QImage>
#include <QPoint>
#include <QSizeF>
#include <QTimer>
#include <QWidget>

class QMenu;

// A picture pinned on the screen: a frameless window kept above the others that shows the picture
// at one device pixel to one pixel, framed by a thin line so it stands out from the desktop. It
// holds the picture's only copy and frees it when it closes (it deletes itself on closing).
class PinWindow : public QWidget
{
    Q_OBJECT

public:
    // The line around the picture, in logical pixels: the window is this much larger on every side.
    static constexpr int frameWidth = 1;
    // How long a new zoom stays written on the pin.
    static constexpr int zoomLabelMs = 800;
    // How long after its last paint a pin gives back its window buffer (X11).
    static constexpr int bufferReleaseMs = 200;

    // `picture` keeps its device pixel ratio: a picture of ratio 2 shows at half its pixel size
    // in logical pixels, pixel for pixel on a screen of scale 2.
    explicit PinWindow(const QImage &picture, QWidget *parent = nullptr);

    const QImage &picture() const { return shown; }
    int zoomPercent() const { return zoom; }
    int opacityPercent() const { return opacity; }
    // Where the picture itself is on the screen (inside the frame), in logical pixels.
    QRect pictureGeometry() const;

    // Puts the picture's top-left at `logicalTopLeft` (the frame goes around it).
    void placePicture(const QPoint &logicalTopLeft);
    // Zooms, keeping the picture's point under `anchor` (global logical coordinates) in place.
    void setZoomPercent(int percent, const QPoint &anchor);
    void setOpacityPercent(int percent);
    // The picture onto the clipboard, at its own pixels.
    void copyPicture();
    // Asks for a file name and saves the picture there in the background.
    void savePictureAs();

signals:
    // The menu's 关闭所有贴图: whoever keeps the pins closes them all.
    void closeAllRequested();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void resizeToZoom();
    void paintZoomLabel(QPainter &painter);
    void addOpacityMenu(QMenu *menu);
    void releaseWindowBuffer();

    QImage shown;
    QSizeF naturalSize; // the picture's size in logical pixels at 100 %
    QPointF exactTopLeft; // the picture's place in fractions of a pixel, which zooming keeps
    int zoom = 100;
    int opacity = 100;
    int pendingWheel = 0;
    bool dragging = false;
    QPoint dragOffset;
    QTimer zoomLabel;
    QTimer bufferRelease;
    bool buffersReleased = false; // the window's own copy of the picture goes once it is on screen
};
