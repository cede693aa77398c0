#include "ocr/TextTidy.h"

#include <QTest>

// The engine's raw reading turned into the text as a Chinese user would type it.
class TextTidyTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAsTyped_data();
    void readsAsTyped();
};

void TextTidyTest::readsAsTyped_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("typed");

    QTest::newRow("spaces between Chinese characters") << "文 件 已 保存 到桌面" << "文件已保存到桌面";
    QTest::newRow("space beside Latin words kept") << "按 Ctrl+C 复制" << "按 Ctrl+C 复制";
    QTest::newRow("Chinese punctuation made full-width")
        << "无法连接到服务器, 请稍后再试." << "无法连接到服务器，请稍后再试。";
    QTest::newRow("question mark and colon after Chinese") << "是否删除 ? 设置 : 显示" << "是否删除？设置：显示";
    QTest::newRow("full stop ending a Chinese line after a number")
        << "文件大小超过20MB." << "文件大小超过20MB。";
    QTest::newRow("comma after a number before Chinese") << "共有15条新消息,3条未读" << "共有15条新消息，3条未读";
    QTest::newRow("brackets around Chinese") << "请输入验证码(6位数字)" << "请输入验证码（6位数字）";
    QTest::newRow("English keeps half-width") << "Hello， world ！" << "Hello, world!";
    QTest::newRow("English brackets hug their words") << "Version 2.3.1 ( released )" << "Version 2.3.1 (released)";
    QTest::newRow("decimal points and times stay") << "版本2.3.1已发布，下午3:30开会" << "版本2.3.1已发布，下午3:30开会";
    QTest::newRow("ellipsis stays") << "正在加载..." << "正在加载...";
    QTest::newRow("thousands separator stays") << "共1,024项" << "共1,024项";
    QTest::newRow("size with the multiplication sign") << "分辨率 1920 x 1080" << "分辨率 1920×1080";
    QTest::newRow("hexadecimal left alone") << "错误代码：0x80070005" << "错误代码：0x80070005";
    QTest::newRow("letters inside numbers made digits") << "共1O8条，第2l0页" << "共108条，第210页";
    QTest::newRow("angle bracket opening a round one") << "请输入验证码〈6位数字）" << "请输入验证码（6位数字）";
    QTest::newRow("straight quote closing a Chinese one") << "点击“开始\"按钮" << "点击“开始”按钮";
    QTest::newRow("lines kept, blank ones dropped") << "第一 行\n\n  第二行 " << "第一行\n第二行";
}

void TextTidyTest::readsAsTyped()
{
    QFETCH(QString, raw);
    QFETCH(QString, typed);
    QCOMPARE(tidyRecognisedText(raw), typed);
}

QTEST_GUILESS_MAIN(TextTidyTest)
#include "tst_text_tidy.moc"
