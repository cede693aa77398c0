#pragma once

#include <QString>
#include <QVector>

#include <functional>

// A back end the user may name in an environment variable (TAVO_GRABBER, TAVO_CLIPBOARD) in place
// of the automatic choice, to tell whether a fault lies in one of them, for a bug report.
struct NamedBackend
{
    QString name;
    // Sets the back end up where this session can use it; false, with the reason in `why`
    // (English, for standard error), where it cannot.
    std::function<bool(QString *why)> take;
};

// The index of the back end named `asked` (in any case, spaces around it ignored) once it has been
// taken, or -1 for the automatic choice: when nothing is asked for, and with `complaint` set to a
// line saying why when the name is unknown or its back end cannot be used here.
int chooseNamedBackend(const char *variable, const QString &asked, const QVector<NamedBackend> &backends,
                       QString *complaint);

// The same for the environment variable `variable`; a complaint goes to standard error.
int chooseNamedBackend(const char *variable, const QVector<NamedBackend> &backends);
