#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QPushButton;
class RepaintPacer;
struct OverlayPlacement;

// The full-screen overlay of a region capture: it shows the desktop frozen as it was grabbed,
// lets the user drag a rectangle over that picture and offers cancel, save and copy just below
// the pointer. One overlay serves one capture and is deleted when it closes.
class FreedomCut : public QWidget
{
    Q_OBJECT

public:
    // `frozen` is the desktop as it was when the capture began, at device pixels.
    FreedomCut(const QPixmap &frozen, QWidget *parent);

public slots:
    void save_close();
    void copy_close();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *createActionButton(const QString &toolTip, const QString &styleSheet);
    void placeButtonRow(const QPoint &pointer);
    void connectActions();
    OverlayPlacement placement() const;
    QRegion changingArea() const;
    QPixmap renderRegion(const QRect &area) const;

    QPixmap frozenPixmap;
    QPixmap regionPixmap;
    QPoint startPoint;
    QPoint endPoint;
    QPoint paintedStart; // the selection as the last paint showed it
    QPoint paintedEnd;
    QPushButton *copyButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *cancelButton = nullptr;
    RepaintPacer *pacer = nullptr;
};
