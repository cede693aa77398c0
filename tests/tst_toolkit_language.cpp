#include "app/ToolkitLanguage.h"
#include "board/SaveQuestion.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

// The toolkit's own words, which the program does not write itself, read Chinese like the rest of
// the interface on a system that speaks English (the tests run in the C locale); the captions the
// program gives its dialogs stay as they are.
class TestToolkitLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standardTextsAreChinese();
    void boardSaveQuestionOffersThreeAnswers();
};

void TestToolkitLanguage::initTestCase()
{
    QVERIFY2(useChineseInToolkitTexts(), "no Chinese translation of the toolkit found");
}

void TestToolkitLanguage::standardTextsAreChinese()
{
    QMessageBox message(QMessageBox::Warning, QStringLiteral("TAVO截图"), QStringLiteral("无法保存"), QMessageBox::Ok);
    QCOMPARE(message.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));

    QFileDialog save(nullptr, QStringLiteral("保存截图"));
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    const auto *buttons = save.findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Save)->text(), QStringLiteral("保存(&S)"));
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QCOMPARE(save.windowTitle(), QStringLiteral("保存截图"));

    QColorDialog colour;
    QCOMPARE(colour.windowTitle(), QStringLiteral("选择颜色"));
}

void TestToolkitLanguage::boardSaveQuestionOffersThreeAnswers()
{
    QStringList texts;
    QTimer::singleShot(0, this, [&texts] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (auto button : {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel})
            texts << (box->button(button) ? box->button(button)->text() : QString());
        box->button(QMessageBox::Cancel)->click();
    });
    QWidget window;
    QCOMPARE(askToSaveDrawing(&window), SaveAnswer::Cancel);
    QCOMPARE(texts, (QStringList{QStringLiteral("保存"), QStringLiteral("不保存"), QStringLiteral("取消")}));
}

QTEST_MAIN(TestToolkitLanguage)
#include "tst_toolkit_language.moc"
