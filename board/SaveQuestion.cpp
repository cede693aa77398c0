#include "SaveQuestion.h"

#include "common/ProgramTitle.h"

#include <QMessageBox>
#include <QPushButton>

SaveAnswer askToSaveDrawing(QWidget *window)
{
    QMessageBox box(QMessageBox::Warning, programTitle(), QStringLiteral("画板上的内容还没有保存，要保存吗？"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window);
    box.setObjectName(QStringLiteral("saveQuestion"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    // The toolkit words this button after the desktop (丢弃, 关闭而不保存 under GNOME's theme);
    // the question asks about saving, so it answers in those words.
    box.button(QMessageBox::Discard)->setText(QStringLiteral("不保存"));
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}
