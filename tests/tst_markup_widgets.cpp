// The tool row and the style bar the overlay places: what a click on each tells the overlay.

#include "TestSupport.h"

#include "markup/MarkupStyleBar.h"
#include "markup/MarkupToolRow.h"
#include "markup/MarkupToolTable.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A bar whose colour dialog answers at once.
class AnsweredStyleBar : public MarkupStyleBar
{
public:
    QColor answer;
    int asked = 0;

protected:
    QColor askForColour(const QColor &) override
    {
        ++asked;
        return answer;
    }
};

} // namespace

class TestMarkupWidgets : public QObject
{
    Q_OBJECT

private slots:
    void toolRowChoosesAndPutsAway();
    void toolRowButtons();
    void undoRedoFollowTheHistory();
    void styleBarSizesFollowTheTool_data();
    void styleBarSizesFollowTheTool();
    void styleBarColours();
};

void TestMarkupWidgets::toolRowChoosesAndPutsAway()
{
    MarkupToolRow row;
    row.show();
    QSignalSpy chosen(&row, &MarkupToolRow::toolChosen);
    QSignalSpy putAway(&row, &MarkupToolRow::toolPutAway);
    QTest::mouseClick(row.toolButton(MarkupKind::Arrow), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.last().at(0).value<MarkupKind>(), MarkupKind::Arrow);
    QVERIFY(row.hasChosenTool());
    QTest::mouseClick(row.toolButton(MarkupKind::Blur), Qt::LeftButton);
    QCOMPARE(chosen.last().at(0).value<MarkupKind>(), MarkupKind::Blur);
    QVERIFY(!row.toolButton(MarkupKind::Arrow)->isChecked());
    // The chosen tool again: back to adjusting the selection.
    QTest::mouseClick(row.toolButton(MarkupKind::Blur), Qt::LeftButton);
    QCOMPARE(putAway.count(), 1);
    QVERIFY(!row.hasChosenTool());
    // A key the overlay took shows in the row without a signal back.
    row.setChosenTool(MarkupKind::Text);
    QCOMPARE(row.chosenTool(), MarkupKind::Text);
    row.clearChosenTool();
    QVERIFY(!row.hasChosenTool());
    QCOMPARE(chosen.count(), 2);
}

void TestMarkupWidgets::toolRowButtons()
{
    MarkupToolRow row;
    int lastRight = -1;
    for (const MarkupToolInfo &info : markup::toolTable()) {
        QPushButton *button = row.toolButton(info.kind);
        QCOMPARE(button->size(), QSize(25, 25));
        QCOMPARE(button->toolTip(), info.toolTip);
        QVERIFY(button->styleSheet().contains(info.picture));
        QVERIFY(button->x() > lastRight);
        QVERIFY(row.rect().contains(button->geometry()));
        lastRight = button->geometry().right();
    }
    QCOMPARE(row.undoButton()->toolTip(), QStringLiteral("撤销 (Ctrl+Z)"));
    QCOMPARE(row.redoButton()->toolTip(), QStringLiteral("重做 (Ctrl+Y)"));
    QVERIFY(row.redoButton()->x() > row.undoButton()->x() && row.undoButton()->x() > lastRight);
    QVERIFY(row.rect().contains(row.redoButton()->geometry()));
}

void TestMarkupWidgets::undoRedoFollowTheHistory()
{
    MarkupToolRow row;
    row.show();
    QSignalSpy undo(&row, &MarkupToolRow::undoRequested);
    QSignalSpy redo(&row, &MarkupToolRow::redoRequested);
    QVERIFY(!row.undoButton()->isEnabled());
    QTest::mouseClick(row.undoButton(), Qt::LeftButton);
    QCOMPARE(undo.count(), 0);
    row.setHistory(true, false);
    QTest::mouseClick(row.undoButton(), Qt::LeftButton);
    QTest::mouseClick(row.redoButton(), Qt::LeftButton);
    QCOMPARE(undo.count(), 1);
    QCOMPARE(redo.count(), 0);
    row.setHistory(false, true);
    QTest::mouseClick(row.redoButton(), Qt::LeftButton);
    QCOMPARE(redo.count(), 1);
}

void TestMarkupWidgets::styleBarSizesFollowTheTool_data()
{
    QTest::addColumn<MarkupKind>("kind");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("defaultSize");
    QTest::newRow("rectangle") << MarkupKind::Rectangle << QStringList{"2", "4", "8"} << 4;
    QTest::newRow("pen") << MarkupKind::Pen << QStringList{"2", "4", "8"} << 4;
    QTest::newRow("text") << MarkupKind::Text << QStringList{"14", "18", "28"} << 18;
    QTest::newRow("mosaic") << MarkupKind::Mosaic << QStringList{"8", "12", "20"} << 12;
}

void TestMarkupWidgets::styleBarSizesFollowTheTool()
{
    QFETCH(MarkupKind, kind);
    QFETCH(QStringList, labels);
    QFETCH(int, defaultSize);
    MarkupStyleBar bar;
    bar.show();
    bar.setToolKind(kind);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(bar.sizeButton(i)->text(), labels[i]);
    QCOMPARE(bar.style().size, defaultSize);
    QCOMPARE(markup::defaultStyleFor(kind).size, defaultSize);
    QSignalSpy changed(&bar, &MarkupStyleBar::styleChanged);
    QTest::mouseClick(bar.sizeButton(2), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).value<MarkupStyle>().size, labels[2].toInt());
    QVERIFY(bar.sizeButton(2)->isChecked() && !bar.sizeButton(1)->isChecked());
}

void TestMarkupWidgets::styleBarColours()
{
    AnsweredStyleBar bar;
    bar.show();
    QSignalSpy changed(&bar, &MarkupStyleBar::styleChanged);
    QCOMPARE(bar.style().colour, QColor(0xFF, 0x00, 0x00));
    QTest::mouseClick(bar.colourButton(4), Qt::LeftButton);
    QCOMPARE(bar.style().colour, markup::paletteColours().at(4));
    QCOMPARE(changed.count(), 1);

    // 自定义…: the dialog's colour, and nothing when it is cancelled.
    bar.answer = QColor(0x12, 0x34, 0x56);
    QTest::mouseClick(bar.customColourButton(), Qt::LeftButton);
    QCOMPARE(bar.style().colour, QColor(0x12, 0x34, 0x56));
    bar.answer = QColor();
    QTest::mouseClick(bar.customColourButton(), Qt::LeftButton);
    QCOMPARE(bar.asked, 2);
    QCOMPARE(bar.style().colour, QColor(0x12, 0x34, 0x56));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(bar.customColourButton()->text(), QStringLiteral("自定义…"));

    // The size kept across tools is the choice, not the number.
    bar.setSizeChoice(0);
    bar.setToolKind(MarkupKind::Text);
    QCOMPARE(bar.style().size, 14);
}

QTEST_MAIN(TestMarkupWidgets)
#include "tst_markup_widgets.moc"
