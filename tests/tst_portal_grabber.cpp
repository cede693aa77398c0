#include "platform/wayland/PortalDesktopGrabber.h"
#include "PrivateBus.h"
#include "TestSupport.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <optional>

// The Screenshot portal grab against a portal of the test's own on a private bus: the answers a
// desktop may give (a picture file, a refusal, none at all) and no portal whatever.
class TestPortalGrabber : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readsThePictureAndRemovesItsTemporaryFile();
    void reportsWhyThereIsNoPicture_data();
    void reportsWhyThereIsNoPicture();
    void removesOnlyFilesInTemporaryFolders();
    void outputAreasScaleWithThePicture_data();
    void outputAreasScaleWithThePicture();

private:
    std::optional<DesktopPicture> grab(int timeoutMs = 5000);

    std::unique_ptr<PrivateBus> bus;
};

namespace {

// Answers Screenshot the way xdg-desktop-portal does: the call returns the Request's path at
// once, the Response signal on that path follows.
class FakeScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    explicit FakeScreenshotPortal(const QDBusConnection &connection) : connection(connection) {}

    bool answers = true;
    uint response = 0;
    QString uri;
    QVariantMap optionsSeen;

public slots:
    QDBusObjectPath Screenshot(const QString &, const QVariantMap &options)
    {
        optionsSeen = options;
        const QString sender = message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString handle = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                   .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        if (answers) {
            QDBusMessage signal = QDBusMessage::createSignal(handle, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal << response << QVariantMap{{QStringLiteral("uri"), uri}};
            QTimer::singleShot(0, this, [this, signal] { connection.send(signal); });
        }
        return QDBusObjectPath(handle);
    }

private:
    QDBusConnection connection;
};

} // namespace

void TestPortalGrabber::init()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY2(bus->isUp(), "dbus-daemon did not start a private bus");
}

void TestPortalGrabber::cleanup()
{
    bus.reset();
}

std::optional<DesktopPicture> TestPortalGrabber::grab(int timeoutMs)
{
    PortalDesktopGrabber grabber(nullptr, bus->connect(QStringLiteral("client")), timeoutMs);
    std::optional<DesktopPicture> result;
    QObject context;
    grabber.grab(&context, [&result](const DesktopPicture &picture) { result = picture; });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, timeoutMs + 5000))
        return std::nullopt;
    return result;
}

void TestPortalGrabber::readsThePictureAndRemovesItsTemporaryFile()
{
    QDBusConnection portalSide = bus->connect(QStringLiteral("portal"));
    FakeScreenshotPortal portal(portalSide);
    QVERIFY(portalSide.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    const QImage desktop = support::patternImage(QSize(300, 200));
    const QString file = QDir::temp().filePath(QStringLiteral("tavo-portal-%1.png").arg(QCoreApplication::applicationPid()));
    QVERIFY(desktop.save(file));
    portal.uri = QUrl::fromLocalFile(file).toString();

    const std::optional<DesktopPicture> picture = grab();
    QVERIFY(picture.has_value());
    QVERIFY2(picture->isValid(), qPrintable(picture->detail));
    QCOMPARE(support::asRgb32(picture->image), desktop);
    QCOMPARE(portal.optionsSeen.value(QStringLiteral("interactive")), QVariant(false));
    QVERIFY(!QFile::exists(file));
}

void TestPortalGrabber::reportsWhyThereIsNoPicture_data()
{
    QTest::addColumn<bool>("portalRuns");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<uint>("response");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no portal") << false << false << 0u << "no desktop portal offers Screenshot";
    QTest::newRow("cancelled") << true << true << 1u << "the screenshot was cancelled";
    QTest::newRow("refused") << true << true << 2u << "could not take the screenshot (response 2)";
    QTest::newRow("no answer") << true << false << 0u << "did not answer Screenshot within 0.5 s";
    QTest::newRow("no file") << true << true << 0u << "answered without a picture file";
}

void TestPortalGrabber::reportsWhyThereIsNoPicture()
{
    QFETCH(bool, portalRuns);
    QFETCH(bool, answers);
    QFETCH(uint, response);
    QFETCH(QString, reason);
    QDBusConnection portalSide = bus->connect(QStringLiteral("portal"));
    FakeScreenshotPortal portal(portalSide);
    portal.answers = answers;
    portal.response = response;
    if (portalRuns) {
        QVERIFY(portalSide.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }

    const std::optional<DesktopPicture> picture = grab(500);
    QVERIFY2(picture.has_value(), "the grab never answered");
    QVERIFY(!picture->isValid());
    QVERIFY2(picture->detail.contains(reason), qPrintable(picture->detail));
    QVERIFY(!picture->failure.isEmpty());
}

void TestPortalGrabber::removesOnlyFilesInTemporaryFolders()
{
    QTemporaryDir temporary;
    const QString inside = temporary.filePath(QStringLiteral("shot.png"));
    QVERIFY(support::writeFile(inside, "x"));
    QVERIFY(liesInTemporaryFolder(inside));
    // A link in a temporary folder to a file elsewhere names that file: it is not removed.
    const QString link = temporary.filePath(QStringLiteral("link.png"));
    QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), link));
    QVERIFY(!liesInTemporaryFolder(link));
    QVERIFY(!liesInTemporaryFolder(QStringLiteral("/etc/passwd")));
    QVERIFY(!liesInTemporaryFolder(temporary.filePath(QStringLiteral("missing.png"))));
}

void TestPortalGrabber::outputAreasScaleWithThePicture_data()
{
    QTest::addColumn<QRect>("output");
    QTest::addColumn<QRect>("layout");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("area");

    // The compositor makes the picture at the largest output scale.
    QTest::newRow("one output at scale 2") << QRect(0, 0, 640, 360) << QRect(0, 0, 640, 360) << QSize(1280, 720)
                                           << QRect(0, 0, 1280, 720);
    const QRect twoOutputs(0, 0, 2560, 1080);
    QTest::newRow("scale 2 beside scale 1: the first")
        << QRect(0, 0, 640, 360) << twoOutputs << QSize(5120, 2160) << QRect(0, 0, 1280, 720);
    QTest::newRow("scale 2 beside scale 1: the second")
        << QRect(640, 0, 1920, 1080) << twoOutputs << QSize(5120, 2160) << QRect(1280, 0, 3840, 2160);
    QTest::newRow("layout left of the origin")
        << QRect(-1280, 0, 1280, 720) << QRect(-1280, 0, 2560, 720) << QSize(2560, 720) << QRect(0, 0, 1280, 720);
    QTest::newRow("scale 1.5: neighbours meet")
        << QRect(1001, 0, 999, 500) << QRect(0, 0, 2000, 500) << QSize(3000, 750) << QRect(1502, 0, 1498, 750);
}

void TestPortalGrabber::outputAreasScaleWithThePicture()
{
    QFETCH(QRect, output);
    QFETCH(QRect, layout);
    QFETCH(QSize, picture);
    QFETCH(QRect, area);
    QCOMPARE(scaledLayoutArea(output, layout, picture), area);
}

QTEST_MAIN(TestPortalGrabber)
#include "tst_portal_grabber.moc"
