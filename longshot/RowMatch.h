#pragma once

#include <QVector>

class QImage;

// How a new grab of the region lies against the one before it, found by whole rows that match
// exactly. Rows are compared by a 64-bit hash of their pixels.
struct RowMatch
{
    enum class Kind {
        Moved,      // the content scrolled by `shift` rows
        Unmoved,    // every row is where it was: the end of the page
        NoOverlap,  // nothing of the earlier grab is left: it scrolled farther than the region
    };
    Kind kind = Kind::NoOverlap;
    int shift = 0;   // rows the content moved up
    int header = 0;  // rows at the top that stayed put
    int footer = 0;  // rows at the bottom that stayed put
};

// The hash of each row of `picture`.
QVector<quint64> rowHashes(const QImage &picture);

// Where `after` (the rows of the later grab) lies against `before` (the earlier one, as tall).
// Of the shifts whose rows between the still top and the still bottom all match, the one that
// keeps most rows in common wins, the smaller shift on a tie; it must keep at least
// `minimumOverlap` rows, so that a few blank rows alone never decide where to join.
RowMatch matchRows(const QVector<quint64> &before, const QVector<quint64> &after, int minimumOverlap = 8);
