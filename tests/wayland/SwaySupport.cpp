#include "SwaySupport.h"

#include "TestSupport.h"

#include <QPainter>
#include <QProcess>

namespace sway {

void PatternWindow::paintEvent(QPaintEvent *)
{
    QPainter(this).drawImage(0, 0, support::patternImage(size()));
}

QImage grimPicture()
{
    QProcess grim;
    grim.start(QStringLiteral("grim"), {QStringLiteral("-")});
    if (!grim.waitForFinished(10000) || grim.exitCode() != 0)
        return {};
    return support::asRgb32(QImage::fromData(grim.readAllStandardOutput(), "PNG"));
}

} // namespace sway
