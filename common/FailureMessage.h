#pragma once

class QString;
class QWidget;

// Short messages that tell the user an action did not do what was asked. Each is a message box
// parented to the window the action belongs to, modal to that window only, that goes away when
// dismissed; the caller carries on at once.

// "Could not save": names the file and gives the reason.
void showSaveFailure(QWidget *window, const QString &fileName, const QString &reason);
// "Could not open": names the file and gives the reason.
void showOpenFailure(QWidget *window, const QString &fileName, const QString &reason);
// "Could not capture the screen", with the reason.
void showCaptureFailure(QWidget *window, const QString &reason);
// Any other failure, said in full.
void showFailure(QWidget *window, const QString &text);
// Any other short notice.
void showNotice(QWidget *window, const QString &text);
