#include "BlurTool.h"

#include "MarkupDocument.h"

BlurTool::BlurTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Blur, document, parent)
{
}

void BlurTool::update(MarkupItem &drawn)
{
    document.obscure(drawn);
}
