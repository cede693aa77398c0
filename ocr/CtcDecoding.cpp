#include "CtcDecoding.h"

#include <algorithm>

QString decodeCtc(const float *scores, int columns, int classes, const QStringList &characters)
{
    QString text;
    int previous = 0;
    for (int column = 0; column < columns; ++column) {
        const float *row = scores + static_cast<qsizetype>(column) * classes;
        const int best = static_cast<int>(std::max_element(row, row + classes) - row);
        if (best != 0 && best != previous && best <= characters.size())
            text += characters[best - 1];
        previous = best;
    }
    return text;
}
