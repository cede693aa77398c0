#include "InstanceGuard.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

namespace {

// How long a peer may take to say its one line before it is dropped.
constexpr int peerPatienceMs = 3000;
// Between two tries to reach an instance that is still starting.
constexpr int retryPauseMs = 30;
const QByteArray accepted = QByteArrayLiteral("ok\n");
const QByteArray refused = QByteArrayLiteral("error\n");

int remainingMs(const QElapsedTimer &clock, int timeoutMs)
{
    return int(qMax<qint64>(1, timeoutMs - clock.elapsed()));
}

} // namespace

QString instanceKey(unsigned int uid, const QString &display, const QString &waylandDisplay)
{
    QString server = display;
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    const int dot = server.indexOf(QLatin1Char('.'), colon + 1);
    if (colon >= 0 && dot > colon)
        server.truncate(dot);
    QString key = QString::fromUtf8(instanceKeyBase) + QLatin1Char('-') + QString::number(uid)
                  + QLatin1Char('-') + server;
    if (!waylandDisplay.isEmpty())
        key += QStringLiteral("-wayland-") + waylandDisplay;
    return key;
}

InstanceGuard::InstanceGuard(const QString &key, const QString &folder, QObject *parent)
    : QObject(parent)
    , key(key)
    , folder(folder)
{
}

InstanceGuard::~InstanceGuard()
{
    // The channel goes before the lock, so a successor never finds a live socket it cannot own.
    delete server;
    server = nullptr;
    if (claimed)
        unlock();
}

bool InstanceGuard::claim()
{
    claimed = lockForThisProcess();
    return claimed;
}

bool InstanceGuard::listen()
{
    if (!claimed)
        return false;
    if (server)
        return true;
    auto *candidate = new QLocalServer(this);
    candidate->setSocketOptions(QLocalServer::UserAccessOption);
    if (!publishChannel(*candidate)) {
        delete candidate;
        return false;
    }
    server = candidate;
    connect(server, &QLocalServer::newConnection, this, &InstanceGuard::acceptPeers);
    return true;
}

bool InstanceGuard::send(const InstanceRequest &request, QString *failure, int timeoutMs)
{
    auto fail = [failure](const QString &reason) {
        if (failure)
            *failure = reason;
        return false;
    };
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    // An instance that holds the key may not listen yet: it is still starting.
    for (;;) {
        const QString name = channelName();
        if (!name.isEmpty()) {
            socket.connectToServer(name);
            if (socket.waitForConnected(remainingMs(clock, timeoutMs)))
                break;
            socket.abort();
        }
        // Not listening: still starting, or ending.
        if (!claimed && claim())
            return fail(QStringLiteral("the running instance has ended"));
        if (clock.elapsed() >= timeoutMs)
            return fail(QStringLiteral("the running instance cannot be reached"));
        QThread::msleep(retryPauseMs);
    }
    socket.write(encodeRequest(request));
    if (!socket.waitForBytesWritten(remainingMs(clock, timeoutMs)))
        return fail(QStringLiteral("the running instance does not listen"));
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(remainingMs(clock, timeoutMs)))
            return fail(QStringLiteral("the running instance does not answer"));
    }
    if (socket.readLine() != accepted)
        return fail(QStringLiteral("the running instance refused the request"));
    return true;
}

void InstanceGuard::acceptPeers()
{
    while (QLocalSocket *peer = server->nextPendingConnection()) {
        // A peer says one short line; whatever does not fit is not a request.
        peer->setReadBufferSize(maxRequestBytes + 2);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
        QTimer::singleShot(peerPatienceMs, peer, [peer] {
            peer->abort();
            peer->deleteLater();
        });
        if (peer->bytesAvailable() > 0)
            readRequest(peer);
    }
}

void InstanceGuard::readRequest(QLocalSocket *peer)
{
    const QByteArray pending = peer->peek(maxRequestBytes + 2);
    const int end = pending.indexOf('\n');
    if (end < 0 && pending.size() <= maxRequestBytes)
        return; // the rest of the line is still on its way
    disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
    const std::optional<InstanceRequest> request = end < 0 ? std::nullopt : decodeRequest(pending.left(end));
    peer->write(request ? accepted : refused);
    // Now, not from the event loop: the action queued below may keep the loop busy for a while
    // (the first capture starts the media back end), and the sender waits for this line.
    peer->flush();
    peer->disconnectFromServer();
    if (!request)
        return;
    // From the event loop: the action may open a modal dialog, which must not run inside this
    // socket's own signal.
    QMetaObject::invokeMethod(this, [this, wanted = *request] { emit requested(wanted); },
                              Qt::QueuedConnection);
}
