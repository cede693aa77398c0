#include "help/Help.h"
#include "app/Home.h"

#include "TestSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

// The help window: its text, how the text renders, and one window per request.
class HelpTest : public QObject
{
    Q_OBJECT

private slots:
    void textIsExact();
    void textRendersAsHeadingAndList();
    void everyRequestOpensOwnWindow();
};

namespace {

QList<Help *> helpWindows() { return support::topLevels<Help>(); }

} // namespace

void HelpTest::textIsExact()
{
    Help help;
    auto *label = help.findChild<QLabel *>();
    QVERIFY(label);
    QCOMPARE(label->text(), Help::text());
    QCOMPARE(label->text().toUtf8().size(), 455);
    QVERIFY(label->text().toUtf8().startsWith("<center><h1>欢迎使用TAVO截图</h1></center><ul>"));
    QVERIFY(label->text().toUtf8().endsWith("通过ctrl+alt+o打开涂鸦画窗.<br></ul>"));
    QCOMPARE(label->textFormat(), Qt::AutoText);
    QVERIFY(!label->wordWrap());

    auto *layout = qobject_cast<QHBoxLayout *>(help.layout());
    QVERIFY(layout);
    QCOMPARE(layout->indexOf(label), 0);
    QCOMPARE(layout->stretch(0), 1);
    QVERIFY(help.windowTitle().isEmpty()); // the opener names it
}

void HelpTest::textRendersAsHeadingAndList()
{
    QVERIFY(Qt::mightBeRichText(Help::text()));
    QTextDocument document;
    document.setHtml(Help::text());
    QVERIFY(!document.toPlainText().contains(QLatin1Char('<')));

    const QTextBlock heading = document.begin();
    QCOMPARE(heading.text(), QStringLiteral("欢迎使用TAVO截图"));
    QCOMPARE(heading.blockFormat().headingLevel(), 1);
    QVERIFY(heading.blockFormat().alignment() & Qt::AlignHCenter);

    QStringList items;
    for (QTextBlock block = heading.next(); block.isValid(); block = block.next())
        if (block.textList() && block.textList()->itemNumber(block) >= 0)
            items << block.text();
    QCOMPARE(items.value(0), QStringLiteral("功能说明:"));
    QCOMPARE(items.value(1), QStringLiteral("使用说明："));
    QVERIFY(document.toPlainText().contains(QStringLiteral("通过ctrl+alt+o打开涂鸦画窗.")));
}

void HelpTest::everyRequestOpensOwnWindow()
{
    Home home;
    home.help();
    home.help();
    const QList<Help *> windows = helpWindows();
    QCOMPARE(windows.size(), 2);
    for (Help *window : windows) {
        QCOMPARE(window->windowTitle(), QStringLiteral("TAVO截图"));
        QVERIFY(window->isVisible());
        QVERIFY(!window->parent());
        QCOMPARE(window->findChild<QLabel *>()->text(), Help::text());
    }

    QPointer<Help> closed = windows.at(0);
    closed->close();
    QTRY_VERIFY(closed.isNull());
    QCOMPARE(helpWindows(), QList<Help *>{windows.at(1)});
    QVERIFY(windows.at(1)->isVisible());
    delete windows.at(1);
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
