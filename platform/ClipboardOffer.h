#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Puts data of one type on the clipboard through the window system's own channel where the
// toolkit's clipboard would be refused (on Wayland it needs a recent key or click of the program,
// which a capture started by a desktop-wide key never brings). False where the toolkit's
// clipboard serves: then the caller uses it. `bytes` runs on a worker thread for each paste;
// `dropped` on the calling thread once the offer has left the clipboard.
bool offerBesideToolkit(const QString &mimeType, std::function<QByteArray()> bytes, std::function<void()> dropped);
