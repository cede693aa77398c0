#include "ActionRow.h"

#include "RegionGeometry.h"

#include <QPushButton>
#include <QWidget>

ActionRow::ActionRow(QWidget *overlay)
    : QObject(overlay)
    , overlay(overlay)
{
    saveButton = addButton(QStringLiteral("保存"), QStringLiteral("saveas"), &ActionRow::save);
    cancelButton = addButton(QStringLiteral("取消"), QStringLiteral("cancel"), &ActionRow::cancel);
    copyButton = addButton(QStringLiteral("复制到剪切板"), QStringLiteral("copy"), &ActionRow::copy);
    pinButton = addButton(QStringLiteral("钉在桌面 (Ctrl+T)"), QStringLiteral("pin"), &ActionRow::pin);
    textButton = addButton(QStringLiteral("识别文字 (Ctrl+R)"), QStringLiteral("ocr"), &ActionRow::text);
    longButton = addButton(QStringLiteral("长截图 (Ctrl+L)"), QStringLiteral("long"), &ActionRow::longShot);
    hide();
}

QPushButton *ActionRow::addButton(const QString &toolTip, const QString &picture, void (ActionRow::*signal)())
{
    auto *button = new QPushButton(overlay);
    button->setToolTip(toolTip);
    button->setStyleSheet(QStringLiteral("QPushButton{border-image:url(:/resources/img/%1.png)}").arg(picture));
    button->setFixedSize(regionButtonSize, regionButtonSize);
    // The keys belong to the overlay: a focused button would take the arrows for itself.
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, signal);
    return button;
}

void ActionRow::placeAt(const QPoint &pointer)
{
    const RegionButtonRow row = buttonRowAt(pointer, overlay->rect());
    saveButton->setGeometry(row.save);
    cancelButton->setGeometry(row.cancel);
    copyButton->setGeometry(row.copy);
    placeMore();
}

void ActionRow::placeMore()
{
    // Left of the three buttons, in their spacing; right of them where the screen ends first.
    constexpr int pitch = 30;
    const QRect three = cancelButton->geometry() | copyButton->geometry();
    int left = three.left() - 2 * pitch;
    if (left < 0)
        left = three.right() + 1 + pitch - regionButtonSize;
    pinButton->move(left, three.top());
    textButton->move(left + pitch, three.top());
    // 长截图 before them, or after them where they went right.
    const int rightOfThree = three.right() + 1 + pitch - regionButtonSize;
    longButton->move(left < three.left() && left - pitch >= 0 ? left - pitch
                     : left < three.left()                    ? rightOfThree
                                                              : left + 2 * pitch,
                     three.top());
}

void ActionRow::hide()
{
    for (QPushButton *button : {saveButton, cancelButton, copyButton, pinButton, textButton, longButton})
        button->setGeometry(-button->width(), button->height(), button->width(), button->height());
}

QRect ActionRow::bounds() const
{
    QRect all;
    for (const QPushButton *button : {saveButton, cancelButton, copyButton, pinButton, textButton, longButton})
        all |= button->geometry();
    return all;
}
