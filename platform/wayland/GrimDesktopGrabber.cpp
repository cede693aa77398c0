#include "GrimDesktopGrabber.h"

#include "platform/GrabAnswer.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace {

// PPM: plain pixels, nothing to compress or check. A 1920x1080 desktop took 40-75 ms here,
// against 95-150 ms as an uncompressed PNG and 180-260 ms at grim's default PNG level.
const QStringList grimArguments{QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-")};

QString firstLine(const QByteArray &text)
{
    return QString::fromLocal8Bit(text).trimmed().section(QLatin1Char('\n'), 0, 0);
}

DesktopPicture failedPicture(const QString &detail)
{
    return DesktopPicture::failed(QStringLiteral("grim 没有交出屏幕画面"), detail);
}

// One run of grim, a child of the grab's context. Whichever comes first of the end, a failed start
// and the time-out answers, from the event loop; the rest is ignored. Its going (with the
// context) silences it first: a process still running is killed and waited for then, and
// would otherwise report its end into a context that is half torn down.
class GrimRun : public QObject
{
public:
    GrimRun(QObject *context, DesktopGrabber::Done done)
        : QObject(context)
        , grabAnswer(context, std::move(done))
    {
    }

    ~GrimRun() override { process.disconnect(); }

    void start(const QString &program, int timeoutMs)
    {
        connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, &GrimRun::takeEnd);
        connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                answer(failedPicture(QStringLiteral("cannot start grim: %1").arg(process.errorString())));
        });
        grabAnswer.expireAfter(timeoutMs, [this, seconds = timeoutMs / 1000.0] {
            answer(failedPicture(QStringLiteral("grim took no screenshot within %1 s").arg(seconds, 0, 'g', 2)));
            process.kill();
        });
        process.start(program, grimArguments, QIODevice::ReadOnly);
    }

private:
    void takeEnd(int exitCode, QProcess::ExitStatus status)
    {
        DesktopPicture picture;
        if (status == QProcess::NormalExit && exitCode == 0)
            picture.image = QImage::fromData(process.readAllStandardOutput(), "PPM");
        if (picture.image.isNull()) {
            const QString detail = firstLine(process.readAllStandardError());
            picture = failedPicture(QStringLiteral("grim took no screenshot")
                                    + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail));
        } else {
            picture.screens = screenPartsScaledTo(picture.image.size());
        }
        answer(picture);
    }

    void answer(const DesktopPicture &picture)
    {
        if (grabAnswer.isOver())
            return;
        grabAnswer.answer(picture);
        deleteLater();
    }

    GrabAnswer grabAnswer;
    QProcess process;
};

} // namespace

GrimDesktopGrabber::GrimDesktopGrabber(const QString &program, int timeoutMs)
    : program(program)
    , timeoutMs(timeoutMs)
{
}

bool GrimDesktopGrabber::isAvailable() const
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

void GrimDesktopGrabber::grab(QObject *context, Done done)
{
    (new GrimRun(context, std::move(done)))->start(program, timeoutMs);
}
