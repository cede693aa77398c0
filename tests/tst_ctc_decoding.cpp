#include "ocr/CtcDecoding.h"

#include <QTest>

#include <vector>

// The recogniser's column scores turned into text: the best class per column, repeats merged,
// blanks dropped.
class CtcDecodingTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesBestClasses_data();
    void decodesBestClasses();
};

namespace {

const QStringList characters{QStringLiteral("文"), QStringLiteral("字"), QStringLiteral(" ")};
constexpr int classes = 4; // the blank, then the three characters

// Probabilities whose likeliest class in each column is the one given: a sure one (0.7), or,
// for a negative class, an unsure one (0.4, the others 0.2).
std::vector<float> scoresFor(const QList<int> &best)
{
    std::vector<float> scores(static_cast<std::size_t>(best.size()) * classes);
    for (int column = 0; column < best.size(); ++column) {
        const bool sure = best[column] >= 0;
        float *row = scores.data() + static_cast<std::size_t>(column) * classes;
        std::fill(row, row + classes, sure ? 0.1f : 0.2f);
        row[sure ? best[column] : -best[column]] = sure ? 0.7f : 0.4f;
    }
    return scores;
}

} // namespace

void CtcDecodingTest::decodesBestClasses_data()
{
    QTest::addColumn<QList<int>>("best");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << QList<int>{} << "";
    QTest::newRow("only blanks") << QList<int>{0, 0, 0} << "";
    QTest::newRow("repeats merged") << QList<int>{1, 1, 1, 2, 2} << "文字";
    QTest::newRow("a blank parts a doubled character") << QList<int>{1, 0, 1} << "文文";
    QTest::newRow("blanks around") << QList<int>{0, 2, 0, 0, 3, 1, 0} << "字 文";
    QTest::newRow("unsure columns") << QList<int>{-1, -1, 0, -2, -3} << "文字 ";
}

void CtcDecodingTest::decodesBestClasses()
{
    QFETCH(QList<int>, best);
    QFETCH(QString, text);

    const std::vector<float> probabilities = scoresFor(best);
    QCOMPARE(decodeCtc(probabilities.data(), best.size(), classes, characters), text);
}

QTEST_APPLESS_MAIN(CtcDecodingTest)
#include "tst_ctc_decoding.moc"
