#include "CtcDecoding.h"

namespace {

// The likeliest class of one column. A probability over one half is the likeliest of its row,
// and most columns have one (the blank between characters, mostly) early in the row: the search
// stops there rather than reading all of the thousands of classes.
int likeliest(const float *row, int classes)
{
    int best = 0;
    for (int k = 0; k < classes; ++k) {
        if (row[k] > 0.5f)
            return k;
        if (row[k] > row[best])
            best = k;
    }
    return best;
}

} // namespace

QString decodeCtc(const float *probabilities, int columns, int classes, const QStringList &characters)
{
    QString text;
    int previous = 0;
    for (int column = 0; column < columns; ++column) {
        const int best = likeliest(probabilities + static_cast<qsizetype>(column) * classes, classes);
        if (best != 0 && best != previous && best <= characters.size())
            text += characters[best - 1];
        previous = best;
    }
    return text;
}
