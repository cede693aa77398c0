// The drawing board from the outside: opened from the panel's fourth button, a picture opened with
// Ctrl+O and a pen drag, written with Ctrl+S.
#include "Desktop.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString title = QStringLiteral("^TAVO截图$");

QImage patternPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x % 100, 60 + y % 100, 150));
    return image;
}

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

// Answers the Qt file dialog with the given caption by typing a path into it.
bool answerFileDialog(const QString &caption, const QString &path)
{
    const QStringList dialogs = e2e::waitForWindows(QStringLiteral("^%1$").arg(caption));
    if (dialogs.isEmpty())
        return false;
    e2e::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), dialogs.first()});
    e2e::key(QStringLiteral("ctrl+a"));
    e2e::xdotool({QStringLiteral("type"), path});
    e2e::key(QStringLiteral("Return"));
    return e2e::waitUntil([&] { return e2e::visibleWindows(QStringLiteral("^%1$").arg(caption)).isEmpty(); });
}

// The centres of the picture buttons along the middle row of the panel: runs of pixels that differ
// from the panel's own background (taken at its left edge), with short gaps inside a button's
// picture bridged. The panel's width is not simply the buttons' row, so positions are looked for
// rather than computed.
QVector<QPoint> buttonCentres(const QRect &panelArea)
{
    const QImage shot = e2e::screenShot();
    const int y = panelArea.center().y();
    const QRgb background = shot.pixel(panelArea.left() + 1, y);
    constexpr int largestGapInButton = 4;
    QVector<QPoint> centres;
    int runStart = -1;
    int lastDifferent = -1;
    for (int x = panelArea.left(); x <= panelArea.right() + 1; ++x) {
        const bool different = x <= panelArea.right() && shot.pixel(x, y) != background;
        if (different) {
            if (runStart < 0 || x - lastDifferent > largestGapInButton) {
                if (runStart >= 0)
                    centres << QPoint((runStart + lastDifferent) / 2, y);
                runStart = x;
            }
            lastDifferent = x;
        }
    }
    if (runStart >= 0)
        centres << QPoint((runStart + lastDifferent) / 2, y);
    return centres;
}

bool activate(const QString &window)
{
    int status = 0;
    e2e::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}, &status);
    return status == 0;
}

} // namespace

class TestE2eBoard : public QObject
{
    Q_OBJECT

private slots:
    void panelButtonOpensBoardThatSavesPictureAndStroke();
};

void TestE2eBoard::panelButtonOpensBoardThatSavesPictureAndStroke()
{
    QTemporaryDir dir;
    const QString picturePath = dir.filePath(QStringLiteral("picture.png"));
    const QImage picture = patternPicture(QSize(60, 40));
    QVERIFY(picture.save(picturePath));
    const QString savedPath = dir.filePath(QStringLiteral("board.png"));

    e2e::Program program;
    const QStringList panels = e2e::waitForWindows(title, program.pid());
    QCOMPARE(panels.size(), 1);
    const QString panel = panels.first();

    const QVector<QPoint> buttons = buttonCentres(e2e::windowGeometry(panel));
    QCOMPARE(buttons.size(), 4);
    const QPoint fourthButton = buttons.at(3);
    e2e::xdotool({QStringLiteral("mousemove"), QString::number(fourthButton.x()), QString::number(fourthButton.y()),
                  QStringLiteral("click"), QStringLiteral("1")});

    const QStringList windows = e2e::waitForWindows(title, program.pid(), 2);
    QCOMPARE(windows.size(), 2);
    const QString board = windows.at(0) == panel ? windows.at(1) : windows.at(0);
    QCOMPARE(e2e::windowGeometry(board).size(), QSize(400, 300));

    QVERIFY(activate(board));
    e2e::key(QStringLiteral("ctrl+o"));
    QVERIFY(answerFileDialog(QStringLiteral("openfile"), picturePath));

    // A pen stroke across the free part of the board, in several motion steps.
    QStringList dragSteps{QStringLiteral("mousemove"), QStringLiteral("--window"), board,
                          QStringLiteral("200"), QStringLiteral("150"), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int x = 210; x <= 300; x += 10)
        dragSteps << QStringLiteral("mousemove") << QStringLiteral("--window") << board << QString::number(x)
                  << QStringLiteral("150");
    dragSteps << QStringLiteral("mouseup") << QStringLiteral("1");
    e2e::xdotool(dragSteps);

    QVERIFY(activate(board));
    e2e::key(QStringLiteral("ctrl+s"));
    QVERIFY(answerFileDialog(QStringLiteral("saveFile"), savedPath));
    QVERIFY(e2e::waitUntil([&] { return QFile::exists(savedPath); }));

    const QImage saved(savedPath);
    QCOMPARE(saved.size(), QSize(400, 300));
    QCOMPARE(saved.pixel(0, 0), picture.pixel(0, 0));
    QCOMPARE(saved.pixel(59, 39), picture.pixel(59, 39));
    QCOMPARE(saved.pixel(60, 40), qRgb(255, 255, 255));
    QCOMPARE(saved.pixel(399, 299), qRgb(255, 255, 255));
    for (int x = 200; x <= 300; x += 25)
        QVERIFY2(isDark(saved.pixel(x, 150)), qPrintable(QStringLiteral("no stroke at x=%1").arg(x)));
    QCOMPARE(saved.pixel(250, 160), qRgb(255, 255, 255));
    QCOMPARE(saved.pixel(150, 150), qRgb(255, 255, 255));
}

QTEST_GUILESS_MAIN(TestE2eBoard)
#include "tst_e2e_board.moc"
