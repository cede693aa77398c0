#include "ocr/TextEngine.h"

#include <QImage>

namespace {

// What a build without an engine offers: only the reason.
class NoTextEngine : public TextEngine
{
public:
    QString unavailableReason() const override { return QStringLiteral("此版本不含文字识别功能"); }
    QString readLine(const QImage &) override { return QString(); }
};

} // namespace

std::unique_ptr<TextEngine> makeTextEngine()
{
    return std::make_unique<NoTextEngine>();
}
