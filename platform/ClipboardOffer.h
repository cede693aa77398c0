#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Puts data of one type on the clipboard through the window system's own channel where the
// toolkit's clipboard would be refused (on Wayland it needs a recent key or click of the program,
// which a capture started by a desktop-wide key never brings). False where the toolkit's
// clipboard serves: then the caller uses it. `bytes` runs on a worker thread for each paste;
// `dropped` on the calling thread once the offer has left the clipboard. Where the channel learns
// only later that the offer never reached the clipboard (GNOME gave no focus), `refused` follows
// on the calling thread, with the reason in the interface's language.
//
// TAVO_CLIPBOARD names the channel instead of the automatic choice: "data-control", "focused"
// (the Wayland ones) or "qt" (the toolkit's clipboard always).
bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped,
                        std::function<void(const QString &why)> refused);
