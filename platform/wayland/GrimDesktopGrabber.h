#pragma once

#include "platform/DesktopGrabber.h"

#include <QString>

// The desktop from grim, the screenshot tool of wlroots compositors (sway and its kin), which
// writes every output as one picture to its standard output. For those desktops where no
// Screenshot portal runs.
class GrimDesktopGrabber : public DesktopGrabber
{
public:
    static constexpr int defaultTimeoutMs = 10000;

    explicit GrimDesktopGrabber(const QString &program = QStringLiteral("grim"), int timeoutMs = defaultTimeoutMs);

    // Whether the program can be found on PATH (or, given with a path, exists).
    bool isAvailable() const;

    void grab(QObject *context, Done done) override;

private:
    QString program;
    int timeoutMs;
};
