#include "MarkupToolTable.h"

#include "ArrowTool.h"
#include "BlurTool.h"
#include "EllipseTool.h"
#include "LineTool.h"
#include "MarkerTool.h"
#include "MosaicTool.h"
#include "NumberTool.h"
#include "PenTool.h"
#include "RectangleTool.h"
#include "TextTool.h"

namespace markup {

namespace {

QString picture(const char *name)
{
    return QStringLiteral(":/resources/img/%1.png").arg(QLatin1String(name));
}

} // namespace

const QVector<MarkupToolInfo> &toolTable()
{
    static const QVector<MarkupToolInfo> table = {
        {MarkupKind::Rectangle, Qt::Key_R, QStringLiteral("矩形"), picture("rectangle")},
        {MarkupKind::Ellipse, Qt::Key_E, QStringLiteral("椭圆"), picture("ellipse")},
        {MarkupKind::Line, Qt::Key_L, QStringLiteral("直线"), picture("line")},
        {MarkupKind::Arrow, Qt::Key_A, QStringLiteral("箭头"), picture("arrow")},
        {MarkupKind::Pen, Qt::Key_P, QStringLiteral("画笔"), picture("pen")},
        {MarkupKind::Marker, Qt::Key_M, QStringLiteral("记号笔"), picture("marker")},
        {MarkupKind::Text, Qt::Key_T, QStringLiteral("文字"), picture("text")},
        {MarkupKind::Number, Qt::Key_N, QStringLiteral("序号"), picture("number")},
        {MarkupKind::Mosaic, Qt::Key_X, QStringLiteral("马赛克（遮盖密码等机密请用它：无法还原）"), picture("mosaic")},
        {MarkupKind::Blur, Qt::Key_B, QStringLiteral("模糊（可能被他人还原，遮盖机密请用马赛克）"), picture("blur")},
    };
    return table;
}

const MarkupToolInfo *toolForKey(int key)
{
    for (const MarkupToolInfo &info : toolTable())
        if (info.key == key)
            return &info;
    return nullptr;
}

const MarkupToolInfo &toolInfo(MarkupKind kind)
{
    for (const MarkupToolInfo &info : toolTable())
        if (info.kind == kind)
            return info;
    return toolTable().first();
}

QString undoToolTip()
{
    return QStringLiteral("撤销 (Ctrl+Z)");
}

QString undoPicture()
{
    return picture("undo");
}

QString redoToolTip()
{
    return QStringLiteral("重做 (Ctrl+Y)");
}

QString redoPicture()
{
    return picture("redo");
}

std::unique_ptr<MarkupTool> createTool(MarkupKind kind, MarkupDocument &document, QObject *parent)
{
    switch (kind) {
    case MarkupKind::Rectangle: return std::make_unique<RectangleTool>(document, parent);
    case MarkupKind::Ellipse: return std::make_unique<EllipseTool>(document, parent);
    case MarkupKind::Line: return std::make_unique<LineTool>(document, parent);
    case MarkupKind::Arrow: return std::make_unique<ArrowTool>(document, parent);
    case MarkupKind::Pen: return std::make_unique<PenTool>(document, parent);
    case MarkupKind::Marker: return std::make_unique<MarkerTool>(document, parent);
    case MarkupKind::Text: return std::make_unique<TextTool>(document, parent);
    case MarkupKind::Number: return std::make_unique<NumberTool>(document, parent);
    case MarkupKind::Mosaic: return std::make_unique<MosaicTool>(document, parent);
    case MarkupKind::Blur: return std::make_unique<BlurTool>(document, parent);
    }
    return nullptr;
}

} // namespace markup
