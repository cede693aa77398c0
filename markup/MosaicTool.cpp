#include "MosaicTool.h"

#include "MarkupDocument.h"

MosaicTool::MosaicTool(MarkupDocument &document, QObject *parent)
    : MarkupTool(MarkupKind::Mosaic, document, parent)
{
}

void MosaicTool::update(MarkupItem &drawn)
{
    document.obscure(drawn);
}
