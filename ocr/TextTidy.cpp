#include "TextTidy.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <array>

namespace {

struct PunctuationPair
{
    char16_t half;
    char16_t full;
};

constexpr std::array<PunctuationPair, 8> punctuation{{
    {u',', u'，'}, {u'.', u'。'}, {u':', u'：'}, {u';', u'；'},
    {u'?', u'？'}, {u'!', u'！'}, {u'(', u'（'}, {u')', u'）'},
}};

const PunctuationPair *pairOf(QChar c)
{
    for (const PunctuationPair &pair : punctuation)
        if (c.unicode() == pair.half || c.unicode() == pair.full)
            return &pair;
    return nullptr;
}

bool isHan(QChar c)
{
    return c.script() == QChar::Script_Han;
}

// Chinese punctuation and full-width forms belong to the Chinese text around them.
bool isChineseSide(QChar c)
{
    const char16_t u = c.unicode();
    return isHan(c) || (u >= 0x3000 && u <= 0x303f) || (u >= 0xff01 && u <= 0xff60) || u == u'“' || u == u'”'
        || u == u'‘' || u == u'’' || u == u'…' || u == u'—';
}

bool isWestern(QChar c)
{
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

// The nearest character of `line` before (step -1) or after (step 1) position i that is no space.
QChar neighbour(const QString &line, int i, int step)
{
    for (int j = i + step; j >= 0 && j < line.size(); j += step)
        if (line.at(j) != QLatin1Char(' '))
            return line.at(j);
    return QChar();
}

bool mostlyChinese(const QString &line)
{
    int han = 0;
    int western = 0;
    for (const QChar c : line) {
        han += isHan(c) ? 1 : 0;
        western += c.isLetter() && c.unicode() < 0x80 ? 1 : 0;
    }
    return han > western;
}

// Whether the punctuation at i reads as part of Chinese text.
bool chineseAt(const QString &line, int i, bool chineseLine, bool &openedFull)
{
    const QChar c = line.at(i);
    const QChar before = neighbour(line, i, -1);
    const QChar after = neighbour(line, i, 1);
    const PunctuationPair *pair = pairOf(c);
    if (pair->half == u'(') {
        openedFull = isChineseSide(before) || isChineseSide(after);
        return openedFull;
    }
    if (pair->half == u')')
        return openedFull || isChineseSide(before);
    // Dots in a row are an ellipsis, as typed.
    const auto dotAt = [&line](int j) { return j >= 0 && j < line.size() && line.at(j) == QLatin1Char('.'); };
    if (pair->half == u'.' && (dotAt(i - 1) || dotAt(i + 1)))
        return false;
    // A decimal point, a time, a thousands separator.
    if ((pair->half == u'.' || pair->half == u':' || pair->half == u',') && before.isDigit() && after.isDigit())
        return false;
    if (isChineseSide(before))
        return true;
    // After a Latin word or a number inside Chinese text: full-width before more Chinese, and
    // the full stop that ends a Chinese line.
    if (isWestern(before))
        return chineseLine && (pair->half == u'.' ? after.isNull() : isHan(after));
    return before.isNull() && isChineseSide(after);
}

QString widenPunctuation(const QString &line)
{
    QString result = line;
    const bool chineseLine = mostlyChinese(line);
    bool openedFull = false;
    for (int i = 0; i < result.size(); ++i) {
        if (const PunctuationPair *pair = pairOf(result.at(i)))
            result[i] = QChar(chineseAt(result, i, chineseLine, openedFull) ? pair->full : pair->half);
    }
    return result;
}

bool spaceBetweenIsNoise(QChar before, QChar after)
{
    if (isChineseSide(before) && isChineseSide(after))
        return true;
    // Full-width punctuation carries its own space; half-width closing punctuation hugs its word.
    const auto fullPunctuation = [](QChar c) { return c.unicode() >= 0xff01 && c.unicode() <= 0xff60; };
    if (fullPunctuation(before) || fullPunctuation(after) || (before.unicode() >= 0x3000 && before.unicode() <= 0x303f))
        return true;
    return QStringLiteral(",.:;?!)%").contains(after) || before == QLatin1Char('(');
}

QString dropNoiseSpaces(const QString &line)
{
    QString result;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char(' ') && !result.isEmpty() && i + 1 < line.size()
            && spaceBetweenIsNoise(result.back(), line.at(i + 1)))
            continue;
        result += c;
    }
    return result;
}

// Letters that look like digits, inside numbers: O for 0, l and I for 1; x between two numbers of
// two digits or more (a size such as 1920x1080) is the multiplication sign.
QString fixNumberLookAlikes(QString line)
{
    static const QRegularExpression zero(QStringLiteral("(?<=\\d)[Oo](?=\\d)"));
    static const QRegularExpression one(QStringLiteral("(?<=\\d)[lI](?=\\d)"));
    static const QRegularExpression times(QStringLiteral("(?<![\\dA-Za-z])(\\d{2,}) ?[xX×] ?(\\d{2,})(?![\\dA-Za-z])"));
    line.replace(zero, QStringLiteral("0"));
    line.replace(one, QStringLiteral("1"));
    line.replace(times, QStringLiteral("\\1×\\2"));
    return line;
}

// Chinese brackets and quotes the engine reads as their look-alikes: 〈 opening what a ） closes,
// and a straight quote closing a “.
QString fixBracketLookAlikes(QString line)
{
    const int angle = line.indexOf(u'〈');
    if (angle >= 0 && line.indexOf(u'〉', angle) < 0) {
        const int closing = line.indexOf(QRegularExpression(QStringLiteral("[)）]")), angle);
        if (closing > angle)
            line[angle] = u'（';
    }
    const int opening = line.indexOf(u'“');
    if (opening >= 0 && line.indexOf(u'”', opening) < 0) {
        const int straight = line.indexOf(QRegularExpression(QStringLiteral("[\"']")), opening);
        if (straight > opening)
            line[straight] = u'”';
    }
    return line;
}

QString tidyLine(const QString &raw)
{
    const QString simple = fixBracketLookAlikes(fixNumberLookAlikes(raw.simplified()));
    return dropNoiseSpaces(widenPunctuation(simple));
}

} // namespace

QString tidyRecognisedText(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString tidy = tidyLine(line);
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(QLatin1Char('\n'));
}
