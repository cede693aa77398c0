#pragma once

#include <QImage>
#include <QWidget>

// The window a long screenshot ends in: the picture, scrollable, with 保存 and 钉在桌面. The
// picture is on the clipboard already when it opens. Deleted when closed.
class LongResult : public QWidget
{
    Q_OBJECT

public:
    explicit LongResult(const QImage &picture, QWidget *parent = nullptr);

    const QImage &picture() const { return longPicture; }

signals:
    void pinRequested(const QImage &picture);

private:
    void save();

    QImage longPicture;
};
