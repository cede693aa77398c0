#pragma once

#include <QString>
#include <QStringList>

// Greedy decoding of a recogniser's per-column class scores (connectionist temporal
// classification): the best class of each column, repeats merged, class 0 (the blank between
// characters) dropped; class k stands for `characters[k - 1]`. `scores` holds `columns` rows of
// `classes` values. Pure.
QString decodeCtc(const float *scores, int columns, int classes, const QStringList &characters);
