#include "MarkupStyleBar.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QPushButton>

namespace {

constexpr int swatchSize = 20;
constexpr int gap = 4;
constexpr int sizeWidth = 28;

QString swatchSheet(const QColor &colour, bool chosen)
{
    return QStringLiteral("QPushButton{background:%1;border:%2px solid %3;border-radius:3px}")
        .arg(colour.name(), QString::number(chosen ? 2 : 1),
             chosen ? QStringLiteral("#FFD400") : QStringLiteral("#808080"));
}

QString sizeToolTip(MarkupKind kind, int value)
{
    switch (kind) {
    case MarkupKind::Text:
    case MarkupKind::Number:
        return QStringLiteral("字号 %1 像素").arg(value);
    case MarkupKind::Mosaic:
        return QStringLiteral("方块 %1 像素").arg(value);
    case MarkupKind::Blur:
        return QStringLiteral("模糊半径 %1 像素").arg(value);
    default:
        return QStringLiteral("粗细 %1 像素").arg(value);
    }
}

} // namespace

MarkupStyleBar::MarkupStyleBar(QWidget *parent)
    : QWidget(parent)
    , colour(markup::paletteColours().first())
    , sizeChoice(markup::defaultSizeChoice)
{
    // Its own light ground, so it reads the same over any desktop.
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("MarkupStyleBar{background:#F4F4F4;border:1px solid #B0B0B0;border-radius:4px}"));
    int x = gap;
    for (const QColor &choice : markup::paletteColours()) {
        swatches << addSwatch(choice, x);
        x += swatchSize + gap;
    }
    custom = new QPushButton(QStringLiteral("自定义…"), this);
    custom->setFocusPolicy(Qt::NoFocus);
    const int customWidth = custom->fontMetrics().horizontalAdvance(custom->text()) + 3 * gap;
    custom->setGeometry(x, gap, customWidth, swatchSize);
    connect(custom, &QPushButton::clicked, this, [this] {
        const QColor chosen = askForColour(colour);
        if (chosen.isValid())
            setColour(chosen);
    });
    x += customWidth + 2 * gap;

    sizeGroup = new QButtonGroup(this);
    for (int choice = 0; choice < markup::sizeChoices; ++choice) {
        auto *button = new QPushButton(this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(x, gap, sizeWidth, swatchSize);
        sizeGroup->addButton(button, choice);
        sizes << button;
        x += sizeWidth + gap;
    }
    connect(sizeGroup, &QButtonGroup::idClicked, this, &MarkupStyleBar::setSizeChoice);
    setFixedSize(x, swatchSize + 2 * gap);
    showColour();
    relabelSizes();
}

QPushButton *MarkupStyleBar::addSwatch(const QColor &choice, int x)
{
    auto *swatch = new QPushButton(this);
    swatch->setFocusPolicy(Qt::NoFocus);
    swatch->setGeometry(x, gap, swatchSize, swatchSize);
    swatch->setToolTip(choice.name().toUpper());
    connect(swatch, &QPushButton::clicked, this, [this, choice] { setColour(choice); });
    return swatch;
}

void MarkupStyleBar::setToolKind(MarkupKind newKind)
{
    const MarkupStyle before = style();
    kind = newKind;
    relabelSizes();
    if (!(style() == before))
        emit styleChanged(style());
}

MarkupStyle MarkupStyleBar::style() const
{
    return {colour, markup::sizesFor(kind)[sizeChoice]};
}

void MarkupStyleBar::setColour(const QColor &chosen)
{
    if (chosen == colour)
        return;
    colour = chosen;
    showColour();
    emit styleChanged(style());
}

void MarkupStyleBar::setSizeChoice(int choice)
{
    choice = qBound(0, choice, markup::sizeChoices - 1);
    sizes[choice]->setChecked(true);
    if (choice == sizeChoice)
        return;
    sizeChoice = choice;
    emit styleChanged(style());
}

QColor MarkupStyleBar::askForColour(const QColor &current)
{
    return QColorDialog::getColor(current, window());
}

void MarkupStyleBar::showColour()
{
    const QVector<QColor> palette = markup::paletteColours();
    for (int i = 0; i < swatches.size(); ++i)
        swatches[i]->setStyleSheet(swatchSheet(palette[i], palette[i] == colour));
    // A colour of the user's own shows on the 自定义… button itself.
    const bool own = !palette.contains(colour);
    custom->setStyleSheet(own ? QStringLiteral("QPushButton{border:2px solid %1;border-radius:3px}").arg(colour.name())
                              : QString());
}

void MarkupStyleBar::relabelSizes()
{
    const auto values = markup::sizesFor(kind);
    for (int choice = 0; choice < markup::sizeChoices; ++choice) {
        sizes[choice]->setText(QString::number(values[choice]));
        sizes[choice]->setToolTip(sizeToolTip(kind, values[choice]));
    }
    sizes[sizeChoice]->setChecked(true);
}
