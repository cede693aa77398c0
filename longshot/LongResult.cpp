#include "LongResult.h"

#include "common/BackgroundSave.h"
#include "common/PictureDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

LongResult::LongResult(const QImage &picture, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , longPicture(picture)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("长截图 %1 x %2").arg(picture.width()).arg(picture.height()));
    auto *layout = new QVBoxLayout(this);
    auto *scroll = new QScrollArea(this);
    auto *shown = new QLabel(scroll);
    shown->setPixmap(QPixmap::fromImage(picture));
    scroll->setWidget(shown);
    layout->addWidget(scroll);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("已复制到剪贴板"), this));
    buttons->addStretch();
    auto *saveButton = new QPushButton(QStringLiteral("保存"), this);
    auto *pinButton = new QPushButton(QStringLiteral("钉在桌面"), this);
    buttons->addWidget(saveButton);
    buttons->addWidget(pinButton);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &LongResult::save);
    connect(pinButton, &QPushButton::clicked, this, [this] { emit pinRequested(longPicture); });
    resize(std::min(picture.width() + 40, 1000), 600);
}

void LongResult::save()
{
    if (refuseWhileSaving(this))
        return;
    const QString fileName = askSavePictureName(QStringLiteral("保存长截图"), QString(),
                                                QStringLiteral("picture (*.png *.jpg)"));
    if (fileName.isNull())
        return;
    savePictureInBackground(this, longPicture, fileName);
}
