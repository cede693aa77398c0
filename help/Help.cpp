#include "Help.h"

#include <QHBoxLayout>
#include <QLabel>

Help::Help()
{
    auto *layout = new QHBoxLayout(this);
    helpLabel = new QLabel(this);
    helpLabel->setText(text());
    layout->addWidget(helpLabel, 1);
}

Help::~Help() = default;

QString Help::text()
{
    return QStringLiteral(
        "<center><h1>欢迎使用TAVO截图</h1></center><ul><li>功能说明:</li>支持全屏截图，部分截图，和图片简单涂鸦。"
        "<li>使用说明：</li>双击托盘图标,显示本软件,连续两次单击（注意不要过快，否则变双击了）隐藏.<br>"
        "通过快捷键ctrl+alt+x进行全屏截图.<br>通过快捷键ctrl+alt+s保存全屏截图.<br>"
        "通过快捷键ctrl+alt+f打开部分截图.<br>通过ctrl+alt+o打开涂鸦画窗.<br></ul>");
}
