#include "MarkupToolRow.h"

#include "MarkupToolTable.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPushButton>

namespace {

// The frame around the chosen tool, drawn in the gap between the buttons.
const QColor chosenFrame(0xFF, 0xD4, 0x00);
constexpr qreal disabledOpacity = 0.35;

void showEnabled(QPushButton *button, bool enabled)
{
    button->setEnabled(enabled);
    // A picture button looks the same disabled; fading it says there is nothing to undo.
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(button->graphicsEffect());
    fade->setEnabled(!enabled);
}

} // namespace

MarkupToolRow::MarkupToolRow(QWidget *parent)
    : QWidget(parent)
{
    const QVector<MarkupToolInfo> &table = markup::toolTable();
    for (int i = 0; i < table.size(); ++i) {
        const MarkupKind kind = table[i].kind;
        QPushButton *button = addButton(i, table[i].toolTip, table[i].picture);
        button->setCheckable(true);
        connect(button, &QPushButton::clicked, this, [this, kind](bool checked) { toolClicked(kind, checked); });
        tools.insert(kind, button);
    }
    undo = addButton(table.size(), markup::undoToolTip(), markup::undoPicture());
    redo = addButton(table.size() + 1, markup::redoToolTip(), markup::redoPicture());
    for (QPushButton *button : {undo, redo}) {
        auto *fade = new QGraphicsOpacityEffect(button);
        fade->setOpacity(disabledOpacity);
        button->setGraphicsEffect(fade);
    }
    connect(undo, &QPushButton::clicked, this, &MarkupToolRow::undoRequested);
    connect(redo, &QPushButton::clicked, this, &MarkupToolRow::redoRequested);
    setHistory(false, false);
    setFixedSize((table.size() + 2) * buttonPitch, buttonPitch);
}

QPushButton *MarkupToolRow::addButton(int index, const QString &toolTip, const QString &picture)
{
    auto *button = new QPushButton(this);
    button->setToolTip(toolTip);
    button->setStyleSheet(QStringLiteral("QPushButton{border-image:url(%1)}").arg(picture));
    button->setFocusPolicy(Qt::NoFocus); // keys stay with the overlay
    const int margin = (buttonPitch - buttonSize) / 2;
    button->setGeometry(margin + index * buttonPitch, margin, buttonSize, buttonSize);
    return button;
}

void MarkupToolRow::toolClicked(MarkupKind kind, bool checked)
{
    if (!checked) {
        update();
        emit toolPutAway();
        return;
    }
    setChosenTool(kind);
    emit toolChosen(kind);
}

void MarkupToolRow::setChosenTool(MarkupKind kind)
{
    for (auto it = tools.cbegin(); it != tools.cend(); ++it)
        it.value()->setChecked(it.key() == kind);
    update();
}

void MarkupToolRow::clearChosenTool()
{
    for (QPushButton *button : tools)
        button->setChecked(false);
    update();
}

bool MarkupToolRow::hasChosenTool() const
{
    for (QPushButton *button : tools)
        if (button->isChecked())
            return true;
    return false;
}

MarkupKind MarkupToolRow::chosenTool() const
{
    for (auto it = tools.cbegin(); it != tools.cend(); ++it)
        if (it.value()->isChecked())
            return it.key();
    return MarkupKind::Rectangle;
}

void MarkupToolRow::setHistory(bool canUndo, bool canRedo)
{
    showEnabled(undo, canUndo);
    showEnabled(redo, canRedo);
}

void MarkupToolRow::paintEvent(QPaintEvent *)
{
    if (!hasChosenTool())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(chosenFrame, 2));
    painter.setBrush(Qt::NoBrush);
    const QRect button = tools.value(chosenTool())->geometry();
    painter.drawRoundedRect(QRectF(button).adjusted(-1.5, -1.5, 1.5, 1.5), 5, 5);
}
