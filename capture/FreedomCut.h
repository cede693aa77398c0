#pragma once

#include "RegionGeometry.h"
#include "SelectionTracker.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QVector>
#include <QWidget>

class MarkupDocument;
class OverlayMarkup;
class ActionRow;
class QScreen;

// The full-screen overlay of a region capture on one screen: it shows that screen's part of the
// desktop frozen as it was grabbed, dimmed outside the selection. Before the first press the
// window under the pointer is outlined and a click takes it; a drag makes a free rectangle. A
// chosen selection has eight handles, moves when dragged from inside and answers the arrow keys;
// its size stands beside it, and a magnifier follows the pointer while a corner is being placed.
// Cancel, save and copy stand next to it; Enter, Ctrl+C or a double click copy, Ctrl+S saves,
// C copies the colour under the pointer, Escape or a right click cancels. The selection is kept
// in the overlay's device pixels. One overlay serves one capture and is deleted when it closes.
class FreedomCut : public QWidget
{
    Q_OBJECT

public:
    // `frozen` is the desktop as it was when the capture began, at device pixels; `placement`
    // says which part of it this overlay shows (by default all of it); `document` holds the
    // mark-up the overlays of one capture share (by default one of the overlay's own).
    FreedomCut(const QPixmap &frozen, QWidget *parent);
    FreedomCut(const QPixmap &frozen, const OverlayPlacement &placement, QWidget *parent = nullptr,
               MarkupDocument *document = nullptr);

    // Shows the overlay full screen on `screen`.
    void showOn(QScreen *screen);
    // Back to waiting: no selection, the buttons out of sight (a selection began elsewhere).
    void clearSelection();
    // Without a frozen picture: why there is none, shown in the middle of the overlay.
    void setFailure(const QString &reason);
    // The windows a click may take, top first, in this overlay's device pixels.
    void setWindowFrames(const QVector<QRect> &frames);
    // Starts with `chosen` (device pixels) already chosen, its buttons below it, as if just drawn;
    // clipped to the screen, and left out where nothing of it is on it. Call once shown.
    void chooseSelection(const Selection &chosen);

    bool hasSelection() const { return tracker.hasSelection(); }
    // The chosen selection, normalised, in device pixels.
    Selection selection() const { return tracker.selection(); }

    // While a text box is open, where its cursor is, for the input method's candidate window.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // A new selection began here with the left button.
    void selectionStarted();
    // The region is to be pinned on the screen where it stands (`logicalTopLeft` in the overlay's
    // coordinates), or its text read; the overlay closes.
    void pinRequested(const QImage &picture, const QPoint &logicalTopLeft);
    void textRequested(const QImage &picture);
    // The selection (device pixels) is being copied, saved or pinned.
    void selectionTaken(const Selection &taken);
    // A long screenshot of the region (in the overlay's coordinates) is to begin on the live
    // screen; the overlay closes.
    void longCaptureRequested(const QRect &logicalArea);

public slots:
    void save_close();
    void copy_close();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    using Mode = SelectionTracker::Mode;

    void pin_close();
    void text_close();
    void long_close();
    bool drawsMarkup() const;
    void placeButtonRow(const QPoint &pointer);
    void placeButtonRowAtSelection();
    void hideButtonRow();
    void repaint(const QRegion &device);
    void setPointer(const QPoint &device, bool magnified);
    bool handleSelectionKey(QKeyEvent *event);
    void copyColourUnderPointer();
    void updateCursor(const QPoint &device);

    QRect deviceRect() const;
    QPoint toDevice(const QPointF &logical) const;
    QRect toLogical(const QRect &device) const;
    QPoint logicalPoint(const QPoint &device) const;
    QRect magnifierArea() const;
    QImage renderRegion(const QRect &area) const;
    void askForSelection();
    QRect takenArea(QRect (*grabRect)(const QPoint &, const QPoint &));
    QImage takePicture(const QRect &area);
    // The selection as drawn, not yet normalised: what the taken picture is cut by.
    Selection raw() const { return tracker.rawSelection(); }

    QPixmap frozenPixmap;
    QImage frozenImage;  // the frozen pixmap's own pixels, for the magnifier and the colour key
    QRect source;        // this overlay's part of the frozen desktop; null without a picture
    QPixmap regionPixmap;
    QString failure;
    OverlayPlacement placement;
    qreal ratio = 1;
    SelectionTracker tracker;
    QPoint pointer{-1, -1};  // device pixels; off the overlay while the pointer is elsewhere
    bool magnifierShown = false;
    ActionRow *actions = nullptr;
    OverlayMarkup *markup = nullptr;  // null without a frozen picture
};
