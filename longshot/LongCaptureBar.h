#pragma once

#include <QWidget>

class QLabel;

// The small bar of a running long screenshot: 完成, 取消 and the height so far. Enter means 完成
// and Esc 取消 while it has the keyboard.
class LongCaptureBar : public QWidget
{
    Q_OBJECT

public:
    // `byHand`: the program cannot scroll here, so the bar asks the user to.
    explicit LongCaptureBar(bool byHand, QWidget *parent = nullptr);

    void setHeight(int pixels);

signals:
    void finishRequested();
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *height = nullptr;
};
