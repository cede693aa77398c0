#include "MarkerTool.h"

MarkerTool::MarkerTool(MarkupDocument &document, QObject *parent)
    : PenTool(MarkupKind::Marker, document, parent)
{
}
