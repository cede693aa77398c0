#include "BackendChoice.h"

#include <QStringList>

#include <cstdio>

int chooseNamedBackend(const char *variable, const QString &asked, const QVector<NamedBackend> &backends,
                       QString *complaint)
{
    const QString name = asked.trimmed().toLower();
    if (name.isEmpty())
        return -1;
    QStringList known;
    for (int i = 0; i < backends.size(); ++i) {
        known << backends.at(i).name;
        if (backends.at(i).name != name)
            continue;
        QString why;
        if (backends.at(i).take(&why))
            return i;
        *complaint = QStringLiteral("%1=%2 cannot be used here (%3); the automatic choice stands")
                         .arg(QLatin1String(variable), name, why);
        return -1;
    }
    *complaint = QStringLiteral("%1=%2 is unknown (known: %3); the automatic choice stands")
                     .arg(QLatin1String(variable), asked.trimmed(), known.join(QStringLiteral(", ")));
    return -1;
}

int chooseNamedBackend(const char *variable, const QVector<NamedBackend> &backends)
{
    QString complaint;
    const int chosen = chooseNamedBackend(variable, qEnvironmentVariable(variable), backends, &complaint);
    if (!complaint.isEmpty())
        std::fprintf(stderr, "tavo-screenshot: %s\n", qPrintable(complaint));
    return chosen;
}
