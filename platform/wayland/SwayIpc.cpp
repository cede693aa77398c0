#include "SwayIpc.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QtEndian>

namespace {

constexpr char magic[] = "i3-ipc";
constexpr int magicLength = 6;
constexpr int headerLength = magicLength + 8;
// A tree of hundreds of windows is a few hundred kilobytes.
constexpr quint32 largestReply = 64 << 20;

bool readFully(QLocalSocket &socket, char *into, qint64 length, const QDeadlineTimer &deadline)
{
    qint64 done = 0;
    while (done < length) {
        if (socket.bytesAvailable() == 0
            && !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
        const qint64 got = socket.read(into + done, length - done);
        if (got < 0 || deadline.hasExpired())
            return false;
        done += got;
    }
    return true;
}

} // namespace

QByteArray swayReply(const QString &socketPath, SwayMessage message, const QByteArray &payload, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return QByteArray();
    // Magic, payload length and type, the numbers in the host's byte order as sway reads them.
    QByteArray request(magic, magicLength);
    request.append(QByteArray(8, '\0'));
    qToUnaligned<quint32>(quint32(payload.size()), request.data() + magicLength);
    qToUnaligned<quint32>(quint32(message), request.data() + magicLength + 4);
    request.append(payload);
    socket.write(request);
    if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
        return QByteArray();
    char header[headerLength];
    if (!readFully(socket, header, headerLength, deadline) || QByteArray(header, magicLength) != magic)
        return QByteArray();
    const quint32 length = qFromUnaligned<quint32>(header + magicLength);
    if (length > largestReply || qFromUnaligned<quint32>(header + magicLength + 4) != quint32(message))
        return QByteArray();
    QByteArray answer(int(length), Qt::Uninitialized);
    if (!readFully(socket, answer.data(), length, deadline))
        return QByteArray();
    return answer;
}
