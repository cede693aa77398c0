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

// Reads every line of the picture, on the worker threads; blocks until done. Any thread may
// call it. The engines stay loaded for the next call. The lines are scaled to `textHeight`, or
// to the height the engine reads best when it is 0.
TextRecognitionResult recogniseText(const QImage &picture, int textHeight = 0);

// Unloads the engines no recognition is using (tens of MB each): a resident program keeps them
// only while the user is reading text.
void releaseIdleTextEngines();

// The message for a result without text: 未识别到文字, or the reason the engine is missing.
QString failureMessage(const TextRecognitionResult &result);
