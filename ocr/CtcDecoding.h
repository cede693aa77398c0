#pragma once

#include <QString>
#include <QStringList>

// Greedy decoding of a recogniser's per-column class probabilities (connectionist temporal
// classification): the likeliest class of each column, repeats merged, class 0 (the blank
// between characters) dropped; class k stands for `characters[k - 1]`. `probabilities` holds
// `columns` rows of `classes` values, each row summing to 1. Pure.
QString decodeCtc(const float *probabilities, int columns, int classes, const QStringList &characters);
