#pragma once

#include "RegionGeometry.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QPushButton;
class QScreen;

// The full-screen overlay of a region capture on one screen: it shows that screen's part of the
// desktop frozen as it was grabbed, lets the user drag a rectangle over it and offers cancel,
// save and copy next to the pointer. Escape, or a right click while no selection is being
// dragged, cancels. One overlay serves one capture and is deleted when it closes.
class FreedomCut : public QWidget
{
    Q_OBJECT

public:
    // `frozen` is the desktop as it was when the capture began, at device pixels; `placement`
    // says which part of it this overlay shows (by default all of it).
    FreedomCut(const QPixmap &frozen, QWidget *parent);
    FreedomCut(const QPixmap &frozen, const OverlayPlacement &placement, QWidget *parent = nullptr);

    // Shows the overlay full screen on `screen`.
    void showOn(QScreen *screen);
    // Back to waiting: no selection, the buttons out of sight (a selection began elsewhere).
    void clearSelection();
    // Without a frozen picture: why there is none, shown in the middle of the overlay.
    void setFailure(const QString &reason);

signals:
    // A new selection began here with the left button.
    void selectionStarted();

public slots:
    void save_close();
    void copy_close();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *createActionButton(const QString &toolTip, const QString &styleSheet);
    void placeButtonRow(const QPoint &pointer);
    void hideButtonRow();
    void connectActions();
    void setSelection(const QPoint &start, const QPoint &end);
    QPoint onOverlay(const QPoint &position) const;
    QPixmap renderRegion(const QRect &area) const;
    void askForSelection();

    QPixmap frozenPixmap;
    QPixmap regionPixmap;
    QString failure;
    OverlayPlacement placement;
    QPoint startPoint;
    QPoint endPoint;
    bool dragging = false;
    QPushButton *copyButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
