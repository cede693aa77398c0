#pragma once

#include "MarkupKind.h"

#include <QMap>
#include <QWidget>

class QPushButton;

// The row of mark-up buttons the overlay places beside its own three: the ten tools in the order
// of markup::toolTable(), then undo and redo, 25 × 25 pictures like the overlay's buttons. At
// most one tool is chosen; choosing the chosen one again puts it away.
//
// The row only tells; the overlay decides. It reflects keys the overlay takes itself through
// setChosenTool() and the document's history through setHistory().
class MarkupToolRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int buttonSize = 25;
    static constexpr int buttonPitch = 30; // from one button's left edge to the next

    explicit MarkupToolRow(QWidget *parent = nullptr);

    // Shows `kind` as the chosen tool (a tool key, say) without a signal.
    void setChosenTool(MarkupKind kind);
    // Shows no tool chosen, without a signal.
    void clearChosenTool();
    bool hasChosenTool() const;
    MarkupKind chosenTool() const;

    // Enables the undo and redo buttons as the document allows.
    void setHistory(bool canUndo, bool canRedo);

    QPushButton *toolButton(MarkupKind kind) const { return tools.value(kind); }
    QPushButton *undoButton() const { return undo; }
    QPushButton *redoButton() const { return redo; }

signals:
    void toolChosen(MarkupKind kind);
    // The chosen tool was clicked again: back to adjusting the selection.
    void toolPutAway();
    void undoRequested();
    void redoRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *addButton(int index, const QString &toolTip, const QString &picture);
    void toolClicked(MarkupKind kind, bool checked);

    QMap<MarkupKind, QPushButton *> tools;
    QPushButton *undo = nullptr;
    QPushButton *redo = nullptr;
};
