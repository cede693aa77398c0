#include "common/SafeSave.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Writing a picture where things go wrong under the program: a file system that fills up halfway,
// and a name that someone else has turned into a symbolic link.
class TestSafeSave : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsOldFileAndSaysSo();
    void symbolicLinks_data();
    void symbolicLinks();
};

namespace {

using support::entriesIn;
using support::fileBytes;

// Runs the save in a child process whose files may not grow beyond `limitBytes`, as on a full
// disk. Returns the child's verdict: 0 the save reported failure with the reason the user should
// read, 1 it reported success, 2 it failed with another reason (printed).
int saveInChildWithFileLimit(const QImage &picture, const QString &path, rlim_t limitBytes)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        const rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        SaveFailure failure;
        const bool saved = savePictureSafely(picture, path, &failure);
        if (saved)
            _exit(1);
        // In the interface's language, not the system's English.
        if (failure.reason != QStringLiteral("文件超过了系统允许的大小")) {
            std::fprintf(stderr, "reason: %s (%s)\n", qPrintable(failure.reason), qPrintable(failure.detail));
            _exit(2);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

void TestSafeSave::fullDiskKeepsOldFileAndSaysSo()
{
    // Small enough to stay in the file's write buffer until the very end, larger than the room left.
    QImage picture(48, 48, QImage::Format_RGB32);
    QRandomGenerator noise(7); // noise does not compress: the file has the size of the pixels
    for (int y = 0; y < picture.height(); ++y)
        noise.fillRange(reinterpret_cast<quint32 *>(picture.scanLine(y)), picture.width());
    const QByteArray png = support::encoded(picture, "PNG");
    QVERIFY(png.size() > 4096 && png.size() < 16384);

    QTemporaryDir place;
    const QString path = place.filePath(QStringLiteral("board.png"));
    const QByteArray old(20000, 'x');
    QVERIFY(support::writeFile(path, old));

    QCOMPARE(saveInChildWithFileLimit(picture, path, 4096), 0);
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(entriesIn(place.path()), QStringList{QStringLiteral("board.png")});
}

void TestSafeSave::symbolicLinks_data()
{
    QTest::addColumn<bool>("linkInSharedFolder");
    // A link that anyone could have planted (in a folder like /tmp) is not followed.
    QTest::newRow("planted in a shared folder") << true;
    // The user's own link, in a folder only the user can write, still saves to its target.
    QTest::newRow("in the user's own folder") << false;
}

void TestSafeSave::symbolicLinks()
{
    QFETCH(bool, linkInSharedFolder);
    QTemporaryDir place;
    QDir root(place.path());
    QVERIFY(root.mkdir(QStringLiteral("home")) && root.mkdir(QStringLiteral("shared")));
    const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions everyone = own | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(root.filePath(QStringLiteral("home")), own));
    QVERIFY(QFile::setPermissions(root.filePath(QStringLiteral("shared")), linkInSharedFolder ? everyone : own));

    const QString target = root.filePath(QStringLiteral("home/precious.txt"));
    const QByteArray old("the user's own file\n");
    QVERIFY(support::writeFile(target, old));
    const QString link = root.filePath(QStringLiteral("shared/shot.png"));
    QVERIFY(QFile::link(target, link));

    SaveFailure failure;
    const bool saved = savePictureSafely(support::patternImage(QSize(20, 10)), link, &failure);

    QVERIFY(QFileInfo(link).isSymLink());
    if (linkInSharedFolder) {
        QVERIFY(!saved);
        QVERIFY(!failure.reason.isEmpty());
        QCOMPARE(fileBytes(target), old);
    } else {
        QVERIFY2(saved, qPrintable(failure.reason));
        QVERIFY(fileBytes(target).startsWith(support::pngMagic));
    }
}

QTEST_GUILESS_MAIN(TestSafeSave)
#include "tst_safe_save.moc"
