#pragma once

#include "InstanceRequest.h"

#include <QObject>
#include <QString>

#ifdef Q_OS_WIN
#include <QSharedMemory>
#endif

class QLocalServer;
class QLocalSocket;

// The text every instance key starts from.
inline constexpr char instanceKeyBase[] = "tavo截图";

// The key of one desktop session: the base text, the user id, the X display (host and display
// number; the screen part is dropped because all screens of a display share one desktop) and the
// Wayland display. Users and displays thereby get instances of their own and never meet.
QString instanceKey(unsigned int uid, const QString &display, const QString &waylandDisplay = QString());
// The key for this process: the base text alone on Windows, where the session already separates
// users and desktops, otherwise the real user id, $DISPLAY and the socket $WAYLAND_DISPLAY names.
QString currentInstanceKey();
// A folder that only this user can enter, for the lock and the channel: $XDG_RUNTIME_DIR when it
// is such a folder, otherwise one of the user's own (made with mode 0700 in the temporary folder,
// or in the home folder's cache when another user has taken that name), checked before use.
// Empty when there is none, and always on Windows, whose session keeps the marker private.
QString privateRuntimeFolder();

// Makes sure only one instance runs per key, and is the channel through which later starts hand
// their requests to it. On Unix a kernel file lock in the private folder decides who runs (the
// kernel releases it however the process ends) and the channel is a local socket beside it; on
// Windows a named marker of the session decides and holds the name of a pipe only this user may
// open. Nothing lives where another user can plant or take it.
class InstanceGuard : public QObject
{
    Q_OBJECT

public:
    explicit InstanceGuard(const QString &key = currentInstanceKey(),
                           const QString &folder = privateRuntimeFolder(), QObject *parent = nullptr);
    ~InstanceGuard() override;

    // True when this process may run: no other instance holds the key. Call once. False also
    // when the lock could not be tried at all (too many open files, say): lockFailure() then says
    // why, and a running instance may still be reached through send().
    bool claim();
    bool isClaimed() const { return claimed; }
    QString lockFailure() const { return lockProblem; }

    // The running instance: accepts requests from later starts, each arriving as requested()
    // from the event loop after its sender has been answered. Needs the application object;
    // false when no channel could be opened (the program still runs, only alone).
    bool listen();
    // A later start: hands the request to the instance that holds the key and waits for its
    // answer, also while that instance is still starting. False, with a short reason in
    // `failure`, when it could not be delivered in time. When the instance ends meanwhile, this
    // process claims the key in its place: false, and isClaimed() turns true.
    bool send(const InstanceRequest &request, QString *failure = nullptr, int timeoutMs = 5000);

signals:
    void requested(const InstanceRequest &request);

private:
    // Per system: the lock and the channel's name.
    bool lockForThisProcess();
    void unlock();
    QString channelName() const;
    bool publishChannel(QLocalServer &server);

    void acceptPeers();
    void readRequest(QLocalSocket *peer);

    QString key;
    QString folder;
    bool claimed = false;
    QString lockProblem;
    QLocalServer *server = nullptr;
#ifdef Q_OS_WIN
    QSharedMemory marker;
#else
    int lockFd = -1;
#endif
};
