#include "PictureDialog.h"

#include "SafeSave.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>

QString askSavePictureName(const QString &caption, const QString &directory, const QString &filter)
{
    QFileDialog dialog(nullptr, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : withPictureSuffix(chosen.first());
}
