// An image-format plug-in that only tells whether it was loaded: when its library is loaded it
// writes a file into the folder named by TAVO_PROBE_DIR. It claims the "png" suffix, so a program
// that searches a folder holding it loads it at its first PNG picture.
#include <QDir>
#include <QFile>
#include <QImageIOPlugin>

namespace {

const bool loadedMark = [] {
    const QString dir = qEnvironmentVariable("TAVO_PROBE_DIR");
    if (!dir.isEmpty()) {
        QFile mark(QDir(dir).filePath(QStringLiteral("probe-plugin-was-loaded")));
        mark.open(QIODevice::WriteOnly);
    }
    return true;
}();

} // namespace

class ProbePlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "probe.json")

public:
    Capabilities capabilities(QIODevice *, const QByteArray &) const override { return {}; }
    QImageIOHandler *create(QIODevice *, const QByteArray &) const override { return nullptr; }
};

#include "ProbePlugin.moc"
