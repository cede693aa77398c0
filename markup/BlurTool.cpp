#include "BlurTool.h"

#include "MarkupDocument.h"
#include "Obscuring.h"

BlurTool::BlurTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Blur, document, parent)
{
}

void BlurTool::update(MarkupItem &drawn)
{
    const QRect area = drawn.cornerRect();
    const QImage preview = markup::blurPreview(document.background(), area, drawn.style.size);
    drawn.patchOrigin = (area & document.background().rect()).topLeft();
    drawn.patch = preview.isNull() ? nullptr : std::make_shared<const QImage>(preview);
}

void BlurTool::release(const QPointF &point, Qt::KeyboardModifiers modifiers)
{
    if (!active)
        return;
    move(point, modifiers);
    // The document computes the real blur in place of the likeness.
    item.patch.reset();
    commit();
}
