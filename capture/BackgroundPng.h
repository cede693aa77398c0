#pragma once

#include <QByteArray>
#include <QImage>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>

// A picture's PNG, encoded on the program's one encoder thread, one picture after the other. A
// picture given up before its turn (replaced on the clipboard) is skipped, so a held capture key
// cannot pile up work; a reader that asked for it all the same (a paste already waiting) still
// gets its PNG, encoded then.
class BackgroundPng
{
public:
    // Starts encoding `picture` in the background.
    static std::shared_ptr<BackgroundPng> start(const QImage &picture);

    // The PNG, once it is encoded; from any thread.
    QByteArray bytes();
    // Nobody will ask any more, unless a reader is already waiting: skip it if its turn has not
    // come yet.
    void giveUp() { givenUp = true; }

private:
    explicit BackgroundPng(const QImage &picture);
    QByteArray encodeUnlessGivenUp();
    QImage pictureStill();

    std::atomic_bool givenUp{false};
    std::mutex guard;
    QImage picture; // until it is encoded
    std::shared_future<QByteArray> png;
};
