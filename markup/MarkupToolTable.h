#pragma once

#include "MarkupKind.h"

#include <QString>
#include <QVector>

#include <memory>

class MarkupDocument;
class MarkupTool;
class QObject;

// The tools as the user meets them: in the tool row's order, each with its key (pressed while no
// text is being typed), its Chinese tool tip and its picture, here and nowhere else.
struct MarkupToolInfo {
    MarkupKind kind;
    int key;          // Qt::Key
    QString toolTip;
    QString picture;  // resource path of the 25 × 25 button picture
};

namespace markup {

const QVector<MarkupToolInfo> &toolTable();

// The tool a key chooses (Qt::Key, no modifier), or nullptr.
const MarkupToolInfo *toolForKey(int key);
const MarkupToolInfo &toolInfo(MarkupKind kind);

// The undo and redo buttons.
QString undoToolTip();
QString undoPicture();
QString redoToolTip();
QString redoPicture();

// A new tool of `kind` drawing into `document`.
std::unique_ptr<MarkupTool> createTool(MarkupKind kind, MarkupDocument &document, QObject *parent = nullptr);

} // namespace markup
