#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
struct TextRecognitionResult;

// Reads the text of `region` in a new window 识别结果, which opens at once and closes itself
// when closed; the text goes onto the clipboard as soon as it is read.
void showTextRecognition(const QImage &region);

// 识别结果: a busy indicator while the text is read off the GUI thread, then the text, editable,
// with 复制 and the time it took.
class TextRecognitionWindow : public QWidget
{
public:
    TextRecognitionWindow();

    // Starts reading; the window shows the outcome when done.
    void recognise(const QImage &region);
    // What reading gave: the text on the clipboard and in the window, or why there is none.
    void showResult(const TextRecognitionResult &result);

private:
    void copyText();

    QProgressBar *busy = nullptr;
    QLabel *status = nullptr;
    QPlainTextEdit *textEdit = nullptr;
    QPushButton *copyButton = nullptr;
};
