#include "LinePreparation.h"

#include <QImage>

#include <algorithm>
#include <array>

namespace {

// How far from the ground a pixel must be to count as ink: anti-aliased edges and compression
// noise stay below it.
constexpr int inkContrast = 60;
// Thinner bands are rules and underlines, not text.
constexpr int minimumTextHeight = 4;

// How many pixels of each column are ink.
std::vector<int> inkPerColumn(const QImage &grey, int threshold)
{
    const int width = grey.width();
    std::vector<int> inked(width);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < width; ++x)
            inked[x] += row[x] < threshold ? 1 : 0;
    }
    return inked;
}

// Columns inked nearly all the way down are frames and separators, not text: counted, they would
// join every line beside them into one.
std::vector<bool> ruleColumns(const QImage &grey, int threshold)
{
    const int width = grey.width();
    const std::vector<int> inked = inkPerColumn(grey, threshold);
    std::vector<bool> rules(width);
    for (int x = 0; x < width; ++x)
        rules[x] = inked[x] * 10 > grey.height() * 9;
    return rules;
}

bool rowHasInk(const QImage &grey, int y, int threshold, const std::vector<bool> &rules)
{
    const uchar *row = grey.constScanLine(y);
    const int width = grey.width();
    for (int x = 0; x < width; ++x)
        if (row[x] < threshold && !rules[x])
            return true;
    return false;
}

// The columns [left, right) that hold ink in the band.
std::pair<int, int> inkColumns(const QImage &grey, const TextBand &band, int threshold)
{
    const int width = grey.width();
    int left = width;
    int right = 0;
    for (int y = band.top; y < band.bottom; ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (row[x] < threshold) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
            }
        }
    }
    return {left, std::max(left, right)};
}

int inkThreshold(int ground)
{
    return std::max(1, ground - inkContrast);
}

std::vector<TextBand> mergeThinGaps(const std::vector<TextBand> &runs)
{
    std::vector<TextBand> lines;
    for (const TextBand &run : runs) {
        if (!lines.empty()) {
            TextBand &last = lines.back();
            const int gap = run.top - last.bottom;
            if (gap * 5 < std::min(last.height(), run.height()) || gap <= 1) {
                last.bottom = run.bottom;
                continue;
            }
        }
        lines.push_back(run);
    }
    return lines;
}

} // namespace

int groundLevel(const QImage &grey)
{
    const int width = grey.width();
    std::array<int, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < width; ++x)
            ++histogram[row[x]];
    }
    return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

QImage greyscale(const QImage &picture)
{
    return picture.convertToFormat(QImage::Format_Grayscale8);
}

bool hasDarkGround(const QImage &grey)
{
    return !grey.isNull() && groundLevel(grey) < 128;
}

QImage textOnLightGround(const QImage &picture)
{
    QImage grey = greyscale(picture);
    if (hasDarkGround(grey))
        grey.invertPixels();
    return grey;
}

std::vector<TextBand> findTextBands(const QImage &lightGrey)
{
    const int threshold = inkThreshold(groundLevel(lightGrey));
    const std::vector<bool> rules = ruleColumns(lightGrey, threshold);
    std::vector<TextBand> runs;
    for (int y = 0; y < lightGrey.height(); ++y) {
        if (!rowHasInk(lightGrey, y, threshold, rules))
            continue;
        if (!runs.empty() && runs.back().bottom == y)
            runs.back().bottom = y + 1;
        else
            runs.push_back(TextBand{y, y + 1});
    }
    return mergeThinGaps(runs);
}

QImage preparedLine(const QImage &lightGrey, int ground, const TextBand &band, int textHeight, int margin)
{
    const auto [left, right] = inkColumns(lightGrey, band, inkThreshold(ground));
    if (right <= left)
        return QImage();
    const QImage ink = lightGrey.copy(left, band.top, right - left, band.height());
    const double scale = static_cast<double>(textHeight) / band.height();
    const QImage scaled = ink.scaled(std::max(1, qRound(ink.width() * scale)), textHeight, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_Grayscale8);
    QImage line(scaled.width() + 2 * margin, scaled.height() + 2 * margin, QImage::Format_Grayscale8);
    line.fill(ground);
    for (int y = 0; y < scaled.height(); ++y)
        std::copy_n(scaled.constScanLine(y), scaled.width(), line.scanLine(y + margin) + margin);
    return line;
}

namespace {

// Runs of columns without ink, as pieces: [left, right).
std::vector<LinePiece> blankRuns(const QImage &line)
{
    const std::vector<int> inked = inkPerColumn(line, inkThreshold(groundLevel(line)));
    std::vector<LinePiece> runs;
    for (int x = 0; x < line.width(); ++x) {
        if (inked[x] > 0)
            continue;
        if (!runs.empty() && runs.back().right == x)
            runs.back().right = x + 1;
        else
            runs.push_back(LinePiece{x, x + 1, 0});
    }
    return runs;
}

} // namespace

std::vector<LinePiece> linePieces(const QImage &line, int maxWidth)
{
    std::vector<LinePiece> pieces{LinePiece{0, line.width(), 0}};
    const std::vector<LinePiece> blanks = blankRuns(line);
    while (pieces.back().right - pieces.back().left > maxWidth) {
        LinePiece &last = pieces.back();
        const int from = last.left + maxWidth / 2;
        const int limit = last.left + maxWidth;
        const LinePiece *chosen = nullptr;
        for (const LinePiece &run : blanks) {
            const int middle = (run.left + run.right) / 2;
            // Not the line's own margins, and past the middle of the piece.
            if (run.left == 0 || run.right == line.width() || middle <= from)
                continue;
            if (middle > limit) {
                if (!chosen)
                    chosen = &run;
                break;
            }
            if (!chosen || run.right - run.left >= chosen->right - chosen->left)
                chosen = &run;
        }
        if (!chosen)
            break;
        const int cut = (chosen->left + chosen->right) / 2;
        const int end = last.right;
        last.right = cut;
        pieces.push_back(LinePiece{cut, end, chosen->right - chosen->left});
    }
    return pieces;
}

std::vector<TextBand> findTextLines(const QImage &lightGrey)
{
    std::vector<TextBand> lines = findTextBands(lightGrey);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const TextBand &band) { return band.height() < minimumTextHeight; }),
                lines.end());
    return lines;
}

std::vector<QImage> preparedLines(const QImage &picture, int textHeight, int margin)
{
    const QImage light = textOnLightGround(picture);
    const int ground = groundLevel(light);
    std::vector<QImage> lines;
    for (const TextBand &band : findTextLines(light)) {
        QImage line = preparedLine(light, ground, band, textHeight, margin);
        if (!line.isNull())
            lines.push_back(std::move(line));
    }
    return lines;
}
