// The pen settings dialog: what a confirmation writes into the record and sends, and how the
// colour chooser behaves.
#include "settings/PainterSetting.h"

#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

using Record = QHash<QString, int>;

// What `ack` carried, emission by emission: the pointer and a copy of the record at that moment.
struct AckRecorder
{
    explicit AckRecorder(PainterSetting &dialog)
    {
        QObject::connect(&dialog, &PainterSetting::ack, [this](Record *args) {
            pointers << args;
            records << *args;
        });
    }
    int count() const { return records.size(); }
    QVector<Record *> pointers;
    QVector<Record> records;
};

QPushButton *button(PainterSetting &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

QString swatchStyle(PainterSetting &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("colorSwatch"))->styleSheet();
}

// Answers the colour chooser once it is up: `answer` gets the chooser, remembers what it needs
// and closes it. Polls because the chooser runs its own event loop inside the button press.
void answerColorDialog(std::function<void(QColorDialog *)> answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (auto *chooser = qobject_cast<QColorDialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(chooser);
        }
    });
    poll->start(20);
}

// Presses the colour button and answers the chooser; returns the colour it opened on and, if
// asked, the chooser's parent.
QColor chooseColor(PainterSetting &dialog, const QColor &pick, bool accept, QWidget **parent = nullptr)
{
    QColor openedOn;
    answerColorDialog([&](QColorDialog *chooser) {
        openedOn = chooser->currentColor();
        if (parent)
            *parent = chooser->parentWidget();
        if (!accept) {
            chooser->reject();
            return;
        }
        chooser->setCurrentColor(pick);
        chooser->accept();
    });
    QTest::mousePress(button(dialog, "colorButton"), Qt::LeftButton);
    return openedOn;
}

} // namespace

class TestPainterSetting : public QObject
{
    Q_OBJECT

private slots:
    void startsEmptyAndTitled();
    void confirmationWritesRecord_data();
    void confirmationWritesRecord();
    void confirmationReusesOneRecord();
    void chosenColourIsSentAndShown();
    void chooserAlwaysOpensOnBlack();
    void cancelledChooserMeansBlack();
    void closingSendsNothingAndKeepsInput();
    void sharedDialogIsCreatedOnce();
};

void TestPainterSetting::startsEmptyAndTitled()
{
    PainterSetting dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("TAVO截图"));
    QVERIFY(dialog.isWindow());
    QVERIFY(dialog.record().isEmpty());
    QCOMPARE(dialog.chosenColor(), QColor(0, 0, 0, 255));
    QCOMPARE(swatchStyle(dialog), QStringLiteral("QLabel{background-color:rgb(0,0,0)}"));
    QCOMPARE(button(dialog, "colorButton")->text(), QStringLiteral("选择颜色"));
    QCOMPARE(button(dialog, "confirmButton")->text(), QStringLiteral("确认"));
    QStringList labels;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("画笔大小:")));
    QVERIFY(labels.contains(QStringLiteral("画笔颜色:")));
}

void TestPainterSetting::confirmationWritesRecord_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("width");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("abc") << QStringLiteral("abc") << 0;
    QTest::newRow("12px") << QStringLiteral("12px") << 0;
    QTest::newRow("-5 passes unchanged") << QStringLiteral("-5") << -5;
    QTest::newRow("5") << QStringLiteral("5") << 5;
}

void TestPainterSetting::confirmationWritesRecord()
{
    QFETCH(QString, typed);
    QFETCH(int, width);

    PainterSetting dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QLineEdit *>(QStringLiteral("widthEdit"))->setText(typed);

    AckRecorder spy(dialog);
    // The button only goes down: the confirmation must already have happened.
    QTest::mousePress(button(dialog, "confirmButton"), Qt::LeftButton);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.records.at(0), (Record{{"width", width}, {"r", 0}, {"g", 0}, {"b", 0}}));
    QCOMPARE(dialog.confirmedWidth(), width);
    QVERIFY(dialog.isHidden());
    QTest::mouseRelease(button(dialog, "confirmButton"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
}

void TestPainterSetting::confirmationReusesOneRecord()
{
    PainterSetting dialog;
    AckRecorder spy(dialog);
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("widthEdit"));
    edit->setText(QStringLiteral("3"));
    QTest::mousePress(button(dialog, "confirmButton"), Qt::LeftButton);
    edit->setText(QStringLiteral("7"));
    QTest::mousePress(button(dialog, "confirmButton"), Qt::LeftButton);

    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.pointers.at(0), spy.pointers.at(1));
    QCOMPARE(spy.records.at(0).value(QStringLiteral("width")), 3);
    QCOMPARE(spy.records.at(1), (Record{{"width", 7}, {"r", 0}, {"g", 0}, {"b", 0}}));
}

void TestPainterSetting::chosenColourIsSentAndShown()
{
    PainterSetting dialog;
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("widthEdit"))->setText(QStringLiteral("5"));
    chooseColor(dialog, QColor(255, 128, 0), true);
    QCOMPARE(swatchStyle(dialog), QStringLiteral("QLabel{background-color:rgb(255,128,0)}"));

    AckRecorder spy(dialog);
    QTest::mousePress(button(dialog, "confirmButton"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.records.at(0), (Record{{"width", 5}, {"r", 255}, {"g", 128}, {"b", 0}}));
}

void TestPainterSetting::chooserAlwaysOpensOnBlack()
{
    PainterSetting dialog;
    dialog.show();
    QWidget *parent = nullptr;
    QCOMPARE(chooseColor(dialog, Qt::red, true, &parent), QColor(Qt::black));
    QCOMPARE(parent, &dialog);
    QCOMPARE(dialog.chosenColor(), QColor(Qt::red));
    QCOMPARE(chooseColor(dialog, Qt::green, true), QColor(Qt::black));
}

void TestPainterSetting::cancelledChooserMeansBlack()
{
    PainterSetting dialog;
    dialog.show();
    chooseColor(dialog, Qt::red, true);
    chooseColor(dialog, Qt::blue, false);
    QCOMPARE(swatchStyle(dialog), QStringLiteral("QLabel{background-color:rgb(0,0,0)}"));

    AckRecorder spy(dialog);
    QTest::mousePress(button(dialog, "confirmButton"), Qt::LeftButton);
    QCOMPARE(spy.records.at(0), (Record{{"width", 0}, {"r", 0}, {"g", 0}, {"b", 0}}));
}

void TestPainterSetting::closingSendsNothingAndKeepsInput()
{
    PainterSetting dialog;
    AckRecorder spy(dialog);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("widthEdit"))->setText(QStringLiteral("9"));
    chooseColor(dialog, Qt::red, true);
    dialog.close();
    dialog.show();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("widthEdit"))->text(), QStringLiteral("9"));
    QCOMPARE(swatchStyle(dialog), QStringLiteral("QLabel{background-color:rgb(255,0,0)}"));
}

void TestPainterSetting::sharedDialogIsCreatedOnce()
{
    QWidget creator;
    QVERIFY(!PainterSetting::shared());
    PainterSetting *dialog = PainterSetting::sharedOrCreate(&creator);
    QVERIFY(dialog);
    QCOMPARE(PainterSetting::sharedOrCreate(&creator), dialog);
    QCOMPARE(PainterSetting::shared(), dialog);
    // Not a child of the board that made it, so it survives that board.
    QVERIFY(!dialog->parent());
    QVERIFY(dialog->isHidden());
}

QTEST_MAIN(TestPainterSetting)
#include "tst_painter_setting.moc"
