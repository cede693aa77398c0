#include "LongCaptureBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

LongCaptureBar::LongCaptureBar(bool byHand, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("longCaptureBar"));
    setWindowTitle(QStringLiteral("长截图进行中"));
    setStyleSheet(QStringLiteral("#longCaptureBar{background:#f4f4f4;border:1px solid #1e90ff}"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    height = new QLabel(this);
    // Wide enough for any height from the start: the bar keeps its first size (a tiling
    // compositor floats it for that).
    height->setMinimumWidth(height->fontMetrics().horizontalAdvance(QStringLiteral("高度 000000 px")));
    layout->addWidget(height);
    if (byHand)
        layout->addWidget(new QLabel(QStringLiteral("请用鼠标滚轮滚动页面"), this));
    auto *done = new QPushButton(QStringLiteral("完成"), this);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    layout->addWidget(done);
    layout->addWidget(cancel);
    connect(done, &QPushButton::clicked, this, &LongCaptureBar::finishRequested);
    connect(cancel, &QPushButton::clicked, this, &LongCaptureBar::cancelRequested);
    setHeight(0);
}

void LongCaptureBar::setHeight(int pixels)
{
    height->setText(QStringLiteral("高度 %1 px").arg(pixels));
}

void LongCaptureBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit finishRequested();
    else if (event->key() == Qt::Key_Escape)
        emit cancelRequested();
    else
        QWidget::keyPressEvent(event);
}
