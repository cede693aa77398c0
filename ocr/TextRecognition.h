#pragma once

#include <QString>

class QImage;

// What reading a picture gave: its text, or why there is none.
struct TextRecognitionResult
{
    enum class Outcome { Text, NoText, NoEngine };
    Outcome outcome = Outcome::NoText;
    // The text, tidied, one line per line of the picture (Outcome::Text).
    QString text;
    // Why the engine cannot read, naming the Debian package to install (Outcome::NoEngine).
    QString failure;
    qint64 milliseconds = 0;
};

// The text height the engine reads best, in pixels (measured by bench/ocr-accuracy), and the
// margin of ground left around each line.
inline constexpr int engineTextHeight = 32;
inline constexpr int lineMargin = 12;

// Reads every line of the picture, on the worker threads; blocks until done. Any thread may
// call it. The engines stay loaded for the next call.
TextRecognitionResult recogniseText(const QImage &picture, int textHeight = engineTextHeight);

// Unloads the engines no recognition is using (about 40 MB each): a resident program keeps them
// only while the user is reading text.
void releaseIdleTextEngines();

// The message for a result without text: 未识别到文字, or the reason the engine is missing.
QString failureMessage(const TextRecognitionResult &result);
