// The tools: what a drag, a click or typing adds to the document, Shift's constraints, and text
// typed through an input method.

#include "TestSupport.h"

#include "markup/ItemPicker.h"
#include "markup/MarkupDocument.h"
#include "markup/MarkupTool.h"
#include "markup/MarkupToolTable.h"
#include "markup/Obscuring.h"
#include "markup/TextEditing.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {

QKeyEvent key(int code, const QString &text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyEvent(QEvent::KeyPress, code, modifiers, text);
}

QInputMethodEvent composing(const QString &preedit)
{
    QInputMethodEvent event(preedit, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, preedit.size(), 1)});
    return event;
}

QInputMethodEvent committing(const QString &commit)
{
    QInputMethodEvent event;
    event.setCommitString(commit);
    return event;
}

void type(TextEditing &editing, const QString &text)
{
    for (const QChar c : text)
        editing.keyPress(key(Qt::Key_unknown, QString(c)));
}

} // namespace

class TestMarkupTools : public QObject
{
    Q_OBJECT

private slots:
    void toolTable();
    void shiftConstrains_data();
    void shiftConstrains();
    void dragAddsOneItemWithItsStyle();
    void clickWithoutDragLeavesNothing();
    void penFollowsThePointer();
    void numberedMarkersCount();
    void obscuringShowsWhileDragging();
    void textKeys();
    void inputMethodComposesAndCommits();
    void cursorRectangleFollowsTheText();
    void textBoxEndsAndEmptyLeavesNothing();
    void pickedItemMovesAndGoes();
};

void TestMarkupTools::toolTable()
{
    const QVector<MarkupToolInfo> &table = markup::toolTable();
    QCOMPARE(table.size(), 10);
    QString keys;
    for (const MarkupToolInfo &info : table) {
        keys += QChar(info.key);
        MarkupDocument document;
        QCOMPARE(markup::createTool(info.kind, document)->kind(), info.kind);
        QVERIFY2(QFile::exists(info.picture), qPrintable(info.picture));
    }
    QCOMPARE(keys, QStringLiteral("RELAPMTNXB"));
    QCOMPARE(markup::toolForKey(Qt::Key_X)->kind, MarkupKind::Mosaic);
    QVERIFY(markup::toolForKey(Qt::Key_Z) == nullptr);
    // The tool tips say which of the two is the one for secrets.
    QVERIFY(markup::toolInfo(MarkupKind::Mosaic).toolTip.startsWith(QStringLiteral("马赛克")));
    QVERIFY(markup::toolInfo(MarkupKind::Mosaic).toolTip.contains(QStringLiteral("机密")));
    QVERIFY(markup::toolInfo(MarkupKind::Blur).toolTip.contains(QStringLiteral("还原")));
    QVERIFY(QFile::exists(markup::undoPicture()) && QFile::exists(markup::redoPicture()));
}

void TestMarkupTools::shiftConstrains_data()
{
    QTest::addColumn<MarkupKind>("kind");
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QPointF>("end");
    // Every drag starts at (100, 100).
    QTest::newRow("rectangle free") << MarkupKind::Rectangle << QPointF(160, 120) << false << QPointF(160, 120);
    QTest::newRow("rectangle square") << MarkupKind::Rectangle << QPointF(160, 120) << true << QPointF(160, 160);
    QTest::newRow("rectangle square up-left") << MarkupKind::Rectangle << QPointF(90, 40) << true << QPointF(40, 40);
    QTest::newRow("ellipse round") << MarkupKind::Ellipse << QPointF(130, 20) << true << QPointF(180, 20);
    QTest::newRow("line horizontal") << MarkupKind::Line << QPointF(200, 110) << true << QPointF(200, 100);
    QTest::newRow("line vertical") << MarkupKind::Line << QPointF(95, 20) << true << QPointF(100, 20);
    QTest::newRow("line diagonal") << MarkupKind::Line << QPointF(150, 160) << true << QPointF(155, 155);
    QTest::newRow("arrow diagonal up-left") << MarkupKind::Arrow << QPointF(40, 50) << true << QPointF(45, 45);
    QTest::newRow("arrow free") << MarkupKind::Arrow << QPointF(150, 160) << false << QPointF(150, 160);
    QTest::newRow("mosaic unconstrained") << MarkupKind::Mosaic << QPointF(160, 120) << true << QPointF(160, 120);
}

// While dragging and on release alike.
void TestMarkupTools::shiftConstrains()
{
    QFETCH(MarkupKind, kind);
    QFETCH(QPointF, pointer);
    QFETCH(bool, shift);
    QFETCH(QPointF, end);
    MarkupDocument document(support::patternImage(QSize(300, 300)));
    auto tool = markup::createTool(kind, document);
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    tool->press({100, 100}, Qt::NoModifier);
    tool->move(pointer + QPointF(3, 3), modifiers);
    tool->move(pointer, modifiers);
    QVERIFY(tool->drawing());
    QCOMPARE(tool->drawing()->points.last(), end);
    tool->release(pointer, modifiers);
    QVERIFY(!tool->drawing());
    QCOMPARE(document.items().size(), 1);
    QCOMPARE(document.items().first().points, (QVector<QPointF>{{100, 100}, end}));
}

void TestMarkupTools::dragAddsOneItemWithItsStyle()
{
    MarkupDocument document;
    auto tool = markup::createTool(MarkupKind::Rectangle, document);
    QCOMPARE(tool->style().size, 4);
    QCOMPARE(tool->style().colour, QColor(0xFF, 0x00, 0x00));
    QSignalSpy drawingChanged(tool.get(), &MarkupTool::drawingChanged);
    tool->press({10, 10}, Qt::NoModifier);
    const MarkupStyle thick{QColor(Qt::blue), 8};
    tool->setStyle(thick); // during the drag: the item keeps the style it started with
    drawingChanged.clear();
    tool->move({50, 60}, Qt::NoModifier);
    // The outline is repainted, the untouched middle of a large rectangle is not.
    QRegion told;
    for (const QList<QVariant> &signal : drawingChanged)
        told += signal.at(0).toRect();
    for (const QPoint &onOutline : {QPoint(10, 35), QPoint(50, 35), QPoint(30, 10), QPoint(30, 60), QPoint(50, 60)})
        QVERIFY(told.contains(onOutline));
    QVERIFY(!told.contains(QPoint(30, 35)));
    tool->release({50, 60}, Qt::NoModifier);
    tool->press({70, 70}, Qt::NoModifier);
    tool->release({90, 90}, Qt::NoModifier);
    QCOMPARE(document.items().size(), 2);
    QCOMPARE(document.items().at(0).style.size, 4);
    QVERIFY(document.items().at(1).style == thick);
    QVERIFY(document.items().at(0).style.colour == QColor(0xFF, 0x00, 0x00));
}

void TestMarkupTools::clickWithoutDragLeavesNothing()
{
    for (MarkupKind kind : {MarkupKind::Rectangle, MarkupKind::Ellipse, MarkupKind::Line, MarkupKind::Arrow}) {
        MarkupDocument document;
        auto tool = markup::createTool(kind, document);
        QSignalSpy drawingChanged(tool.get(), &MarkupTool::drawingChanged);
        tool->press({10, 10}, Qt::NoModifier);
        tool->release({10, 10}, Qt::NoModifier);
        QVERIFY(document.items().isEmpty());
        QVERIFY(!document.canUndo());
        // What was shown during the press is repainted away.
        QVERIFY(drawingChanged.last().at(0).toRect().contains(QPoint(10, 10)));
    }
}

void TestMarkupTools::penFollowsThePointer()
{
    MarkupDocument document;
    auto marker = markup::createTool(MarkupKind::Marker, document);
    QCOMPARE(marker->style().size, 4);
    marker->press({10, 10}, Qt::NoModifier);
    marker->move({20, 15}, Qt::NoModifier);
    marker->move({20, 15}, Qt::NoModifier);
    marker->move({30, 40}, Qt::ShiftModifier);
    marker->release({35, 45}, Qt::NoModifier);
    QCOMPARE(document.items().size(), 1);
    QCOMPARE(document.items().first().kind, MarkupKind::Marker);
    QCOMPARE(document.items().first().points, (QVector<QPointF>{{10, 10}, {20, 15}, {30, 40}, {35, 45}}));
    // A click is a dot.
    auto pen = markup::createTool(MarkupKind::Pen, document);
    pen->press({80, 80}, Qt::NoModifier);
    pen->release({80, 80}, Qt::NoModifier);
    QCOMPARE(document.items().size(), 2);
}

void TestMarkupTools::numberedMarkersCount()
{
    MarkupDocument document;
    auto tool = markup::createTool(MarkupKind::Number, document);
    tool->press({20, 20}, Qt::NoModifier);
    QCOMPARE(tool->drawing()->number, 1);
    tool->move({25, 30}, Qt::NoModifier);
    tool->release({25, 30}, Qt::NoModifier);
    tool->press({60, 20}, Qt::NoModifier);
    tool->release({60, 20}, Qt::NoModifier);
    QCOMPARE(document.items().at(0).points.first(), QPointF(25, 30));
    QCOMPARE(document.items().at(1).number, 2);
    document.undo();
    tool->press({90, 20}, Qt::NoModifier);
    tool->release({90, 20}, Qt::NoModifier);
    QCOMPARE(document.items().at(1).number, 2);
}

void TestMarkupTools::obscuringShowsWhileDragging()
{
    const QImage picture = support::patternImage(QSize(200, 200));
    MarkupDocument document(picture);
    auto tool = markup::createTool(MarkupKind::Mosaic, document);
    tool->press({10, 10}, Qt::NoModifier);
    tool->move({70, 50}, Qt::NoModifier);
    QVERIFY(tool->drawing()->patch);
    QCOMPARE(*tool->drawing()->patch, markup::mosaicPatch(picture, QRect(10, 10, 61, 41), 12));

    // A blur shows a quick likeness while dragging; what is added is the real blur.
    auto blur = markup::createTool(MarkupKind::Blur, document);
    blur->press({100, 100}, Qt::NoModifier);
    blur->move({180, 160}, Qt::NoModifier);
    QVERIFY(blur->drawing()->patch);
    QCOMPARE(blur->drawing()->patch->size(), QSize(81, 61));
    blur->release({180, 160}, Qt::NoModifier);
    QCOMPARE(*document.items().last().patch, markup::blurPatch(picture, QRect(100, 100, 81, 61), 16));
}

void TestMarkupTools::textKeys()
{
    TextEditing editing({0, 0}, markup::defaultStyleFor(MarkupKind::Text));
    type(editing, QStringLiteral("abd"));
    QVERIFY(editing.keyPress(key(Qt::Key_Left)));
    type(editing, QStringLiteral("c"));
    QCOMPARE(editing.text(), QStringLiteral("abcd"));
    editing.keyPress(key(Qt::Key_End));
    editing.keyPress(key(Qt::Key_Return));
    type(editing, QStringLiteral("xyz"));
    editing.keyPress(key(Qt::Key_Up));
    editing.keyPress(key(Qt::Key_Home));
    editing.keyPress(key(Qt::Key_Delete));
    QCOMPARE(editing.text(), QStringLiteral("bcd\nxyz"));
    editing.keyPress(key(Qt::Key_Down));
    editing.keyPress(key(Qt::Key_Backspace)); // at the start of "xyz": joins the lines
    QCOMPARE(editing.text(), QStringLiteral("bcdxyz"));
    editing.keyPress(key(Qt::Key_Right));
    editing.keyPress(key(Qt::Key_Backspace));
    QCOMPARE(editing.text(), QStringLiteral("bcdyz"));
    // Shortcuts and Esc are the overlay's.
    QVERIFY(!editing.keyPress(key(Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier)));
    QVERIFY(!editing.keyPress(key(Qt::Key_Escape, QStringLiteral("\x1b"))));
    QCOMPARE(editing.text(), QStringLiteral("bcdyz"));
}

// Pinyin composed as "jietu" shows at the cursor, underlined, and is replaced by the commit.
void TestMarkupTools::inputMethodComposesAndCommits()
{
    TextEditing editing({0, 0}, markup::defaultStyleFor(MarkupKind::Text));
    type(editing, QStringLiteral("[]"));
    editing.keyPress(key(Qt::Key_Left));
    editing.inputMethod(composing(QStringLiteral("jie")));
    editing.inputMethod(composing(QStringLiteral("jietu")));
    QCOMPARE(editing.text(), QStringLiteral("[]"));
    QCOMPARE(editing.item().text, QStringLiteral("[jietu]"));
    QCOMPARE(editing.item().preeditStart, 1);
    QCOMPARE(editing.item().preeditLength, 5);
    editing.inputMethod(committing(QStringLiteral("截图")));
    QCOMPARE(editing.text(), QStringLiteral("[截图]"));
    QCOMPARE(editing.preedit(), QString());
    QCOMPARE(editing.item().preeditStart, -1);
    QCOMPARE(editing.cursorPosition(), 3);
}

void TestMarkupTools::cursorRectangleFollowsTheText()
{
    TextEditing editing({40, 30}, markup::defaultStyleFor(MarkupKind::Text));
    const QRect start = editing.cursorRectangle();
    QCOMPARE(start.topLeft(), QPoint(40, 30));
    QVERIFY(start.height() >= 18);
    type(editing, QStringLiteral("ab"));
    const QRect typed = editing.cursorRectangle();
    QVERIFY(typed.x() > start.x());
    QCOMPARE(typed.y(), start.y());
    // The candidate window follows the composition too.
    editing.inputMethod(composing(QStringLiteral("jietu")));
    const QRect composed = editing.cursorRectangle();
    QVERIFY(composed.x() > typed.x());
    editing.inputMethod(committing(QStringLiteral("截图")));
    QVERIFY(editing.cursorRectangle().x() > typed.x());
    editing.keyPress(key(Qt::Key_Return));
    QCOMPARE(editing.cursorRectangle().x(), start.x());
    QVERIFY(editing.cursorRectangle().y() > start.y());
}

void TestMarkupTools::textBoxEndsAndEmptyLeavesNothing()
{
    MarkupDocument document;
    auto tool = markup::createTool(MarkupKind::Text, document);
    QVERIFY(!tool->isTyping());
    tool->press({50, 50}, Qt::NoModifier);
    tool->release({50, 50}, Qt::NoModifier);
    QVERIFY(tool->isTyping());
    QVERIFY(tool->keyPress(key(Qt::Key_A, QStringLiteral("a"))));
    tool->inputMethod(committing(QStringLiteral("截图")));
    QVERIFY(!tool->cursorRectangle().isEmpty());
    // The cursor is shown in the text's colour, within what the tool has asked to repaint.
    QRegion told;
    connect(tool.get(), &MarkupTool::drawingChanged, [&told](const QRect &area) { told += area; });
    tool->keyPress(key(Qt::Key_Left));
    QImage shown(200, 200, QImage::Format_RGB32);
    shown.fill(Qt::white);
    {
        QPainter painter(&shown);
        tool->paintDecorations(painter);
    }
    const QPoint cursorMiddle = tool->cursorRectangle().center();
    QCOMPARE(shown.pixelColor(cursorMiddle), tool->style().colour);
    QVERIFY(told.contains(tool->cursorRectangle()));
    tool->press({52, 55}, Qt::NoModifier); // inside the box: still typing
    QVERIFY(tool->isTyping());
    QVERIFY(document.items().isEmpty());
    tool->press({300, 300}, Qt::NoModifier); // elsewhere: the box ends
    QVERIFY(!tool->isTyping());
    QCOMPARE(document.items().size(), 1);
    QCOMPARE(document.items().first().text, QStringLiteral("a截图"));
    QCOMPARE(document.items().first().points.first(), QPointF(50, 50));

    // An empty box, ended by Esc (finish), and one with only a composition leave nothing.
    tool->press({10, 10}, Qt::NoModifier);
    tool->finish();
    tool->press({10, 10}, Qt::NoModifier);
    tool->inputMethod(composing(QStringLiteral("jijijiji")));
    const QRect composedBox = markup::itemBounds(*tool->drawing());
    QSignalSpy repaint(tool.get(), &MarkupTool::drawingChanged);
    tool->finish();
    // Nothing of the box may stay on the screen.
    QRegion repainted;
    for (const QList<QVariant> &signal : repaint)
        repainted += signal.at(0).toRect();
    QVERIFY(repainted.contains(composedBox));
    QCOMPARE(document.items().size(), 1);
    QVERIFY(!tool->keyPress(key(Qt::Key_A, QStringLiteral("a"))));
}

void TestMarkupTools::pickedItemMovesAndGoes()
{
    MarkupDocument document(support::patternImage(QSize(300, 300)));
    auto rectangles = markup::createTool(MarkupKind::Rectangle, document);
    rectangles->press({10, 10}, Qt::NoModifier);
    rectangles->release({100, 80}, Qt::NoModifier);
    auto mosaics = markup::createTool(MarkupKind::Mosaic, document);
    mosaics->press({150, 150}, Qt::NoModifier);
    mosaics->release({199, 199}, Qt::NoModifier);
    ItemPicker picker(document);

    // The empty middle of an outline is no press on it.
    QVERIFY(!picker.press({50, 40}));
    QCOMPARE(picker.picked(), -1);

    QVERIFY(picker.press({11, 40}));
    QCOMPARE(picker.picked(), 0);
    picker.move({41, 60});
    QCOMPARE(picker.drawing()->points, (QVector<QPointF>{{40, 30}, {130, 100}}));
    QCOMPARE(document.items().at(0).points.first(), QPointF(10, 10)); // until the release
    picker.release({41, 60});
    QVERIFY(!picker.drawing());
    QCOMPARE(document.items().at(0).points, (QVector<QPointF>{{40, 30}, {130, 100}}));
    QCOMPARE(picker.picked(), 0);
    document.undo();
    QCOMPARE(document.items().at(0).points.first(), QPointF(10, 10));

    // A moved mosaic hides what is under it now; Delete removes it, one step again.
    QVERIFY(picker.press({170, 170}));
    picker.release({120, 170});
    QCOMPARE(*document.items().at(1).patch, markup::mosaicPatch(document.background(), QRect(100, 150, 50, 50), 12));
    QVERIFY(picker.press({110, 160}));
    picker.release({110, 160});
    picker.removePicked();
    QCOMPARE(document.items().size(), 1);
    document.undo();
    QCOMPARE(document.items().size(), 2);
}

QTEST_MAIN(TestMarkupTools)
#include "tst_markup_tools.moc"
