// The drawing board from the outside: Ctrl+Alt+O from another program's focus opens boards of
// their own, and a board opened from the panel's fourth button opens a picture with Ctrl+O, takes
// a pen drag and writes both with Ctrl+S.
#include "Desktop.h"
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace e2e;

namespace {

// Boards are normal windows titled like the panel, which is a utility window.
QStringList boards(qint64 pid)
{
    return titledWindows(pid, "_NET_WM_WINDOW_TYPE_NORMAL");
}

} // namespace

class TestE2eBoard : public QObject
{
    Q_OBJECT

private slots:
    void hotKeyOpensIndependentBoards();
    void panelButtonOpensBoardThatSavesPictureAndStroke();
};

void TestE2eBoard::hotKeyOpensIndependentBoards()
{
    Program program;
    const QString panel = panelWindow(program.pid());
    QVERIFY(!panel.isEmpty());
    ForeignWindow foreign;

    for (int count = 1; count <= 2; ++count) {
        QVERIFY(foreign.activate());
        key(QStringLiteral("ctrl+alt+o"));
        QVERIFY2(waitUntil([&] { return boards(program.pid()).size() == count; }),
                 qPrintable(QStringLiteral("%1 board(s) expected").arg(count)));
    }
    const QStringList opened = boards(program.pid());
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened.first() != opened.last());
    for (const QString &board : opened)
        QCOMPARE(windowGeometry(board).size(), QSize(400, 300));

    // Closing one through the window manager leaves the other, the panel and the program.
    QVERIFY(activate(opened.first()));
    key(QStringLiteral("alt+F4"));
    QVERIFY(waitUntil([&] { return boards(program.pid()) == QStringList{opened.last()}; }));
    QVERIFY(isViewable(panel));
    QVERIFY(program.isRunning());
}

void TestE2eBoard::panelButtonOpensBoardThatSavesPictureAndStroke()
{
    QTemporaryDir dir;
    const QString picturePath = dir.filePath(QStringLiteral("picture.png"));
    const QImage picture = support::patternImage(QSize(60, 40));
    QVERIFY(picture.save(picturePath));
    const QString savedPath = dir.filePath(QStringLiteral("board.png"));

    Program program;
    const QString panel = panelWindow(program.pid());
    QVERIFY(!panel.isEmpty());
    const QVector<QPoint> buttons = panelButtonCentres(panel);
    QCOMPARE(buttons.size(), 4);
    clickAt(buttons.at(3));

    QVERIFY(waitUntil([&] { return boards(program.pid()).size() == 1; }));
    const QString board = boards(program.pid()).first();
    QCOMPARE(windowGeometry(board).size(), QSize(400, 300));

    QVERIFY(activate(board));
    key(QStringLiteral("ctrl+o"));
    QVERIFY(answerFileDialog(QStringLiteral("openfile"), picturePath));

    // A pen stroke across the free part of the board, in several motion steps.
    QStringList dragSteps{QStringLiteral("mousemove"), QStringLiteral("--window"), board,
                          QStringLiteral("200"), QStringLiteral("150"), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int x = 210; x <= 300; x += 10)
        dragSteps << QStringLiteral("mousemove") << QStringLiteral("--window") << board << QString::number(x)
                  << QStringLiteral("150");
    dragSteps << QStringLiteral("mouseup") << QStringLiteral("1");
    xdotool(dragSteps);

    QVERIFY(activate(board));
    key(QStringLiteral("ctrl+s"));
    QVERIFY(answerFileDialog(QStringLiteral("saveFile"), savedPath));
    QVERIFY(waitUntil([&] { return QFile::exists(savedPath); }));

    const QImage saved(savedPath);
    QCOMPARE(saved.size(), QSize(400, 300));
    QCOMPARE(saved.pixel(0, 0), picture.pixel(0, 0));
    QCOMPARE(saved.pixel(59, 39), picture.pixel(59, 39));
    QCOMPARE(saved.pixel(60, 40), qRgb(255, 255, 255));
    QCOMPARE(saved.pixel(399, 299), qRgb(255, 255, 255));
    for (int x = 200; x <= 300; x += 25)
        QVERIFY2(support::isDark(saved.pixel(x, 150)), qPrintable(QStringLiteral("no stroke at x=%1").arg(x)));
    QCOMPARE(saved.pixel(250, 160), qRgb(255, 255, 255));
    QCOMPARE(saved.pixel(150, 150), qRgb(255, 255, 255));
}

QTEST_GUILESS_MAIN(TestE2eBoard)
#include "tst_e2e_board.moc"
