#pragma once

#include <QObject>

#include <functional>
#include <memory>

struct ClipboardContent;
class QTimer;
class QWidget;

// Reads the clipboard's picture where the compositor shows the clipboard only to the client
// with the keyboard focus and offers no data control (GNOME's mutter): a window of one
// transparent pixel takes the focus, the toolkit reads the clipboard as soon as it has it, and
// the window goes; the compositor gives the focus back. Deletes itself when done.
class FocusedClipboardRead : public QObject
{
public:
    // `done` runs once on this thread while `context` lives: with the picture, with nothing
    // when there is none, or with the reason when the focus did not come within `patienceMs`.
    static void start(QObject *context, int patienceMs, std::function<void(const ClipboardContent &)> done);
    ~FocusedClipboardRead() override;

private:
    FocusedClipboardRead(QObject *context, std::function<void(const ClipboardContent &)> done);
    void showFocusWindow(int patienceMs);
    void takeFocus();
    void finish(const ClipboardContent &content);

    std::function<void(const ClipboardContent &)> done;
    std::unique_ptr<QWidget> focusWindow;
    QTimer *patience = nullptr;
};
