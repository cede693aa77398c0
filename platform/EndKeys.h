#pragma once

#include <QObject>

// Enter and Esc held system-wide for as long as this object lives, so that they end a running
// long screenshot whichever window has the focus. Where the window system gives no such hold,
// nothing is held and the program's own windows answer the keys when they have the focus.
class EndKeys : public QObject
{
    Q_OBJECT

public:
    // The back end for the window system the application runs on.
    static EndKeys *create(QObject *parent);

signals:
    void enterPressed();
    void escapePressed();

protected:
    using QObject::QObject;
};
