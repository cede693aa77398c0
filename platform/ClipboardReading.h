#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// What the clipboard held of a picture.
struct ClipboardContent
{
    // The encoded picture and its type, for the caller to decode with its own limits.
    QByteArray mimeType;
    QByteArray bytes;
    // Where only the toolkit can turn the clipboard into a picture (a Windows bitmap), the
    // picture itself instead.
    QImage picture;
    // Set when a picture was offered but could not be read: why, in the interface's language.
    QString failure;

    bool isEmpty() const { return bytes.isEmpty() && picture.isNull(); }
};

// Reads the clipboard's picture whichever program has the focus: on Wayland through the
// compositor's data control where it has it (wlroots compositors, KWin), else with a tiny window
// of ours that takes the focus for the moment of the read (GNOME); elsewhere through the
// toolkit. `done` runs once, on the calling thread while `context` lives, within about
// `timeoutMs`; with nothing (and no failure) when the clipboard offers no picture. The bytes
// come through a pipe read off the GUI thread, so a program that is slow to hand them over holds
// up nothing. TAVO_CLIPBOARD picks the channel as it does for writing.
void readClipboardPicture(QObject *context, int timeoutMs, std::function<void(const ClipboardContent &)> done);

// Whether readClipboardPicture() reads without a window of its own: false where it must take the
// focus with one (GNOME), which a process without widgets cannot.
bool clipboardReadsWithoutWindow();

// The toolkit's clipboard now, read on this thread (which may wait there for its owner): the
// best picture type's bytes, or the toolkit's own picture where it offers no such type.
ClipboardContent toolkitClipboardPicture();

// The offered type to read a picture as: PNG first, then the other types whose decoders tell the
// picture's size before decoding it (BMP, GIF, JPEG, lossy last); empty when none of `offered`
// is one of them. Types compare without case and without parameters ("image/png; x=1").
QString bestPictureType(const QStringList &offered);
