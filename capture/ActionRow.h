#pragma once

#include <QObject>
#include <QRect>

class QPushButton;
class QWidget;

// The overlay's row of picture buttons: cancel, save and copy as they have always stood, with
// 长截图, 钉在桌面 and 识别文字 beside them. It waits out of sight until a selection is being
// made, then follows the pointer or stands below the selection, always on the overlay.
class ActionRow : public QObject
{
    Q_OBJECT

public:
    explicit ActionRow(QWidget *overlay);

    // The row below `pointer` (the overlay's logical pixels), turned about near an edge.
    void placeAt(const QPoint &pointer);
    // Out of sight to the left of the overlay, not hidden, so that it appears without a flicker.
    void hide();
    // The logical pixels the buttons cover.
    QRect bounds() const;

signals:
    void cancel();
    void save();
    void copy();
    void pin();
    void text();
    void longShot();

private:
    QPushButton *addButton(const QString &toolTip, const QString &picture, void (ActionRow::*signal)());
    void placeMore();

    QWidget *overlay = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *copyButton = nullptr;
    QPushButton *pinButton = nullptr;
    QPushButton *textButton = nullptr;
    QPushButton *longButton = nullptr;
};
