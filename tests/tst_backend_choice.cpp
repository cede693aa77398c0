#include "platform/BackendChoice.h"

#include <QtTest>

// TAVO_GRABBER and TAVO_CLIPBOARD: a back end named by hand replaces the automatic choice; a name
// that is unknown or cannot be used here says so and leaves the automatic choice.
class TestBackendChoice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
};

void TestBackendChoice::choice_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("complaint");

    // The back ends: "screencopy" usable, "kwin" not, "qt" usable.
    QTest::newRow("nothing asked") << QString() << -1 << QString();
    QTest::newRow("blank") << QStringLiteral("  ") << -1 << QString();
    QTest::newRow("usable") << QStringLiteral("screencopy") << 0 << QString();
    QTest::newRow("any case, spaces") << QStringLiteral(" QT ") << 2 << QString();
    QTest::newRow("unusable") << QStringLiteral("kwin") << -1
                              << QStringLiteral("TAVO_GRABBER=kwin cannot be used here (KWin does not run); "
                                                "the automatic choice stands");
    QTest::newRow("unknown") << QStringLiteral("Wlroots") << -1
                             << QStringLiteral("TAVO_GRABBER=Wlroots is unknown (known: screencopy, kwin, qt); "
                                               "the automatic choice stands");
}

void TestBackendChoice::choice()
{
    QFETCH(QString, asked);
    QFETCH(int, chosen);
    QFETCH(QString, complaint);

    QStringList taken;
    auto backend = [&taken](const char *name, bool usable) {
        return NamedBackend{QLatin1String(name), [&taken, name, usable](QString *why) {
                                taken << QLatin1String(name);
                                if (!usable)
                                    *why = QStringLiteral("KWin does not run");
                                return usable;
                            }};
    };
    const QVector<NamedBackend> backends{backend("screencopy", true), backend("kwin", false), backend("qt", true)};
    QString said;
    QCOMPARE(chooseNamedBackend("TAVO_GRABBER", asked, backends, &said), chosen);
    QCOMPARE(said, complaint);
    // Only the back end named is set up (a connection to a compositor, a D-Bus call), no other.
    const bool known = chosen >= 0 || complaint.contains(QLatin1String("cannot be used"));
    QCOMPARE(taken, known ? QStringList{asked.trimmed().toLower()} : QStringList());
}

QTEST_MAIN(TestBackendChoice)
#include "tst_backend_choice.moc"
