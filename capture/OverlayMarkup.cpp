#include "OverlayMarkup.h"

#include "markup/MarkupDocument.h"
#include "markup/MarkupLayer.h"
#include "markup/MarkupStyleBar.h"
#include "markup/MarkupTool.h"
#include "markup/MarkupToolRow.h"
#include "markup/MarkupToolTable.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

namespace {

constexpr int rowGap = 5;  // between the lines of buttons, logical pixels

QRect keptOn(QRect area, const QRect &screen)
{
    area.moveLeft(qBound(screen.left(), area.left(), screen.right() + 1 - area.width()));
    area.moveTop(qBound(screen.top(), area.top(), screen.bottom() + 1 - area.height()));
    return area;
}

} // namespace

OverlayMarkup::OverlayMarkup(QWidget *overlay, MarkupDocument &document, const QPoint &origin, const QRect &deviceArea)
    : QObject(overlay)
    , overlay(overlay)
    , document(document)
    , origin(origin)
    , deviceArea(deviceArea)
{
    connect(&document, &MarkupDocument::changed, this, &OverlayMarkup::forwardChange);
    // Another screen's overlay may draw first: its items show here too.
    connect(&document, &MarkupDocument::changed, this, &OverlayMarkup::makeLayer);
}

void OverlayMarkup::makeLayer()
{
    if (!layer)
        layer = std::make_unique<MarkupLayer>(document, deviceArea.translated(origin));
}

// The rows are made when first shown: an overlay opens sooner without them.
void OverlayMarkup::makeRows()
{
    if (row)
        return;
    row = new MarkupToolRow(overlay);
    styleBar = new MarkupStyleBar(overlay);
    row->setHistory(document.canUndo(), document.canRedo());
    connect(&document, &MarkupDocument::historyChanged, row,
            [this] { row->setHistory(this->document.canUndo(), this->document.canRedo()); });
    connect(row, &MarkupToolRow::toolChosen, this, &OverlayMarkup::choose);
    connect(row, &MarkupToolRow::toolPutAway, this, &OverlayMarkup::putToolAway);
    connect(row, &MarkupToolRow::undoRequested, &document, &MarkupDocument::undo);
    connect(row, &MarkupToolRow::redoRequested, &document, &MarkupDocument::redo);
    connect(styleBar, &MarkupStyleBar::styleChanged, this, [this](const MarkupStyle &style) {
        if (tool)
            tool->setStyle(style);
    });
}

OverlayMarkup::~OverlayMarkup() = default;

bool OverlayMarkup::isTyping() const
{
    return tool && tool->isTyping();
}

QPointF OverlayMarkup::inPicture(const QPoint &device) const
{
    return QPointF(device + origin);
}

void OverlayMarkup::forwardChange(const QRect &pictureArea)
{
    emit changed(pictureArea.translated(-origin).adjusted(-2, -2, 2, 2));
}

// ---- tools ------------------------------------------------------------------------------------

void OverlayMarkup::choose(MarkupKind kind)
{
    putToolAway();
    makeLayer();
    makeRows();
    tool = markup::createTool(kind, document);
    styleBar->setToolKind(kind);
    tool->setStyle(styleBar->style());
    connect(tool.get(), &MarkupTool::drawingChanged, this, &OverlayMarkup::forwardChange);
    row->setChosenTool(kind);
    if (row->isVisible())
        styleBar->show();
    overlay->setAttribute(Qt::WA_InputMethodEnabled, kind == MarkupKind::Text);
    emit toolChanged();
}

void OverlayMarkup::putToolAway()
{
    if (!tool)
        return;
    tool->finish();
    tool.reset();
    if (row) {
        row->clearChosenTool();
        styleBar->hide();
    }
    overlay->setAttribute(Qt::WA_InputMethodEnabled, false);
    emit toolChanged();
}

QImage OverlayMarkup::markedUp(const QRect &area) const
{
    return layer ? layer->markedUp(area.translated(origin)) : QImage();
}

void OverlayMarkup::finishDrawing()
{
    if (tool)
        tool->finish();
}

// ---- rows -------------------------------------------------------------------------------------

void OverlayMarkup::placeRows(const QRect &anchor, const QRect &screen)
{
    makeRows();
    // Right-aligned under the three buttons; above them where the screen ends first.
    QRect line(QPoint(anchor.right() + 1 - row->width(), anchor.bottom() + 1 + rowGap), row->size());
    QRect bar(QPoint(anchor.right() + 1 - styleBar->width(), line.bottom() + 1 + rowGap), styleBar->size());
    if (bar.bottom() > screen.bottom()) {
        line.moveBottom(anchor.top() - 1 - rowGap);
        bar.moveBottom(line.top() - 1 - rowGap);
    }
    row->setGeometry(keptOn(line, screen));
    styleBar->setGeometry(keptOn(bar, screen));
    row->show();
    row->raise();
    styleBar->setVisible(tool != nullptr);
    styleBar->raise();
}

void OverlayMarkup::hideRows()
{
    if (!row)
        return;
    row->hide();
    styleBar->hide();
}

// ---- keys -------------------------------------------------------------------------------------

bool OverlayMarkup::keyPress(QKeyEvent *event)
{
    if (isTyping()) {
        if (tool->keyPress(*event))
            return true;
        // Escape ends the text box; the text tool stays in hand for the next one.
        if (event->key() == Qt::Key_Escape) {
            tool->finish();
            return true;
        }
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier && key == Qt::Key_Z) {
        document.undo();
        return true;
    }
    if ((modifiers == Qt::ControlModifier && key == Qt::Key_Y)
        || (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z)) {
        document.redo();
        return true;
    }
    if (key == Qt::Key_Escape && tool) {
        putToolAway();
        return true;
    }
    if (modifiers != Qt::NoModifier || !row || !row->isVisible())
        return false;
    const MarkupToolInfo *info = markup::toolForKey(key);
    if (!info)
        return false;
    // The chosen tool's key again goes back to adjusting the selection.
    if (tool && tool->kind() == info->kind)
        putToolAway();
    else
        choose(info->kind);
    return true;
}

void OverlayMarkup::inputMethod(QInputMethodEvent *event)
{
    if (tool)
        tool->inputMethod(*event);
}

QVariant OverlayMarkup::inputMethodQuery(Qt::InputMethodQuery query, qreal ratio) const
{
    if (!tool || query != Qt::ImCursorRectangle)
        return {};
    const QRect device = tool->cursorRectangle().translated(-origin);
    return QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio);
}

// ---- pointer and painting ---------------------------------------------------------------------

void OverlayMarkup::press(const QPoint &device, Qt::KeyboardModifiers modifiers)
{
    if (tool)
        tool->press(inPicture(device), modifiers);
}

void OverlayMarkup::move(const QPoint &device, Qt::KeyboardModifiers modifiers)
{
    if (tool)
        tool->move(inPicture(device), modifiers);
}

void OverlayMarkup::release(const QPoint &device, Qt::KeyboardModifiers modifiers)
{
    if (tool)
        tool->release(inPicture(device), modifiers);
}

void OverlayMarkup::paint(QPainter &painter, const QRect &exposed) const
{
    if (!layer)
        return;
    painter.save();
    painter.translate(-origin);
    layer->paint(painter, exposed.translated(origin), tool ? tool->drawing() : nullptr);
    if (tool) {
        painter.setClipRect(exposed.translated(origin), Qt::IntersectClip);
        tool->paintDecorations(painter);
    }
    painter.restore();
}
