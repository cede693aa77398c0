#pragma once

#include "MarkupKind.h"
#include "MarkupStyle.h"

#include <QVector>
#include <QWidget>

class QButtonGroup;
class QPushButton;

// The small bar shown while a tool is chosen: the eight colours, 自定义… (the colour dialog) and
// three sizes, whose values depend on the tool (line widths, text sizes, mosaic blocks, blur
// radii). The chosen colour and the chosen one of the three sizes stay when the tool changes;
// style() is what the next item of the tool is drawn with.
class MarkupStyleBar : public QWidget
{
    Q_OBJECT

public:
    explicit MarkupStyleBar(QWidget *parent = nullptr);

    // Relabels the size buttons for `kind`; emits styleChanged if the style changed with it.
    void setToolKind(MarkupKind kind);
    MarkupKind toolKind() const { return kind; }

    MarkupStyle style() const;

    void setColour(const QColor &colour);
    // Chooses size 0, 1 or 2 of the three.
    void setSizeChoice(int choice);

    QPushButton *colourButton(int index) const { return swatches.value(index); }
    QPushButton *customColourButton() const { return custom; }
    QPushButton *sizeButton(int choice) const { return sizes.value(choice); }

signals:
    void styleChanged(const MarkupStyle &style);

protected:
    // Asks for a colour of the user's own; an invalid colour when the dialog is cancelled.
    virtual QColor askForColour(const QColor &current);

private:
    QPushButton *addSwatch(const QColor &colour, int x);
    void showColour();
    void relabelSizes();

    MarkupKind kind = MarkupKind::Rectangle;
    QColor colour;
    int sizeChoice;
    QVector<QPushButton *> swatches;
    QPushButton *custom = nullptr;
    QVector<QPushButton *> sizes;
    QButtonGroup *sizeGroup = nullptr;
};
