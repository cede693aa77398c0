#pragma once

#include "markup/MarkupKind.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QVariant>

#include <memory>

class MarkupDocument;
class MarkupLayer;
class MarkupStyleBar;
class MarkupTool;
class MarkupToolRow;
class QInputMethodEvent;
class QKeyEvent;
class QPainter;
class QWidget;

// One overlay's share of the mark-up: its tool row and style bar, the tool in hand, and the
// drawing of the document's items over its part of the frozen desktop. The document itself is
// the capture's, shared by every screen. Points come in the overlay's device pixels; the document
// counts in the frozen picture's, `origin` further on.
class OverlayMarkup : public QObject
{
    Q_OBJECT

public:
    OverlayMarkup(QWidget *overlay, MarkupDocument &document, const QPoint &origin, const QRect &deviceArea);
    ~OverlayMarkup() override;

    bool hasTool() const { return tool != nullptr; }
    // A text box is open: the keys are the text's.
    bool isTyping() const;

    // Shows the rows, once a selection exists, in line with the overlay's three buttons (`anchor`,
    // their row in logical pixels), below them or above where there is no room, on `screen`.
    void placeRows(const QRect &anchor, const QRect &screen);
    void hideRows();

    // The tool keys, undo and redo, and the keys of a text box; Escape puts a tool away. Returns
    // whether the key was used.
    bool keyPress(QKeyEvent *event);
    void inputMethod(QInputMethodEvent *event);
    QVariant inputMethodQuery(Qt::InputMethodQuery query, qreal ratio) const;

    void press(const QPoint &device, Qt::KeyboardModifiers modifiers);
    void move(const QPoint &device, Qt::KeyboardModifiers modifiers);
    void release(const QPoint &device, Qt::KeyboardModifiers modifiers);

    // Paints the items and the item being drawn over `exposed` (device pixels of the overlay, the
    // painter in them), where the frozen desktop has been painted already.
    void paint(QPainter &painter, const QRect &exposed) const;

    // Ends what a tool has under way (a text box is kept as it stands) and puts it away.
    void putToolAway();
    // Ends what a tool has under way, keeping the tool.
    void finishDrawing();

    // `area` (device pixels of the overlay) of the frozen desktop with the items over it, copied
    // from the cache.
    QImage markedUp(const QRect &area) const;

signals:
    // Device pixels of the overlay whose look changed.
    void changed(const QRect &area);
    // A tool was chosen or put away.
    void toolChanged();

private:
    void choose(MarkupKind kind);
    void forwardChange(const QRect &pictureArea);
    QPointF inPicture(const QPoint &device) const;

    QWidget *overlay;
    MarkupDocument &document;
    QPoint origin;
    void makeLayer();
    void makeRows();

    QRect deviceArea;
    std::unique_ptr<MarkupLayer> layer;  // made with the first tool: an overlay never drawn on keeps no copy
    std::unique_ptr<MarkupTool> tool;
    MarkupToolRow *row = nullptr;
    MarkupStyleBar *styleBar = nullptr;
};
