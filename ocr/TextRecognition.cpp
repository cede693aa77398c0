#include "TextRecognition.h"

#include "ocr/LinePreparation.h"
#include "ocr/TextEngine.h"
#include "ocr/TextTidy.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QStringList>
#include <QtConcurrent>

#include <functional>
#include <memory>
#include <vector>

namespace {

// Engines take a while to load their models and read on one thread at a time: each worker
// borrows one from here and gives it back, so there are never more than workers, and the next
// recognition finds them loaded.
class EnginePool
{
public:
    std::unique_ptr<TextEngine> take()
    {
        {
            const QMutexLocker lock(&mutex);
            if (!idle.empty()) {
                std::unique_ptr<TextEngine> engine = std::move(idle.back());
                idle.pop_back();
                return engine;
            }
        }
        return makeTextEngine();
    }

    void giveBack(std::unique_ptr<TextEngine> engine)
    {
        const QMutexLocker lock(&mutex);
        idle.push_back(std::move(engine));
    }

    void clear()
    {
        std::vector<std::unique_ptr<TextEngine>> unloading;
        {
            const QMutexLocker lock(&mutex);
            unloading.swap(idle);
        }
    }

private:
    QMutex mutex;
    std::vector<std::unique_ptr<TextEngine>> idle;
};

EnginePool &enginePool()
{
    static EnginePool pool;
    return pool;
}

// What `use` makes of an engine borrowed from the pool for the while.
template<typename Use>
auto withEngine(const Use &use)
{
    std::unique_ptr<TextEngine> engine = enginePool().take();
    auto answer = use(*engine);
    enginePool().giveBack(std::move(engine));
    return answer;
}

// A line read by a borrowed engine.
QString readLine(const QImage &line)
{
    return withEngine([&line](TextEngine &engine) { return engine.readLine(line); });
}

// Whether an engine can read, and how it wants its lines.
std::pair<QString, LineShape> engineReadiness()
{
    return withEngine([](const TextEngine &engine) {
        return std::pair<QString, LineShape>{engine.unavailableReason(), engine.lineShape()};
    });
}

} // namespace

TextRecognitionResult recogniseText(const QImage &picture, int textHeight)
{
    QElapsedTimer clock;
    clock.start();
    TextRecognitionResult result;
    auto [failure, shape] = engineReadiness();
    if (!failure.isEmpty()) {
        result.outcome = TextRecognitionResult::Outcome::NoEngine;
        result.failure = failure;
        result.milliseconds = clock.elapsed();
        return result;
    }
    if (textHeight > 0)
        shape.textHeight = textHeight;
    const QImage light = textOnLightGround(picture);
    const int ground = groundLevel(light);
    const std::vector<TextBand> bands = findTextLines(light);
    // Each worker scales its own lines too; the results come back in the order of the bands.
    const auto readBand = [&light, ground, shape = shape](const TextBand &band) {
        return readLine(preparedLine(light, ground, band, shape.textHeight, shape.margin));
    };
    const QStringList texts =
        QtConcurrent::blockingMapped<QStringList>(bands, std::function<QString(const TextBand &)>(readBand));
    result.text = tidyRecognisedText(texts.join(QLatin1Char('\n')));
    result.outcome = result.text.isEmpty() ? TextRecognitionResult::Outcome::NoText : TextRecognitionResult::Outcome::Text;
    result.milliseconds = clock.elapsed();
    return result;
}

void releaseIdleTextEngines()
{
    enginePool().clear();
}

QString failureMessage(const TextRecognitionResult &result)
{
    if (result.outcome == TextRecognitionResult::Outcome::NoEngine)
        return result.failure;
    return result.outcome == TextRecognitionResult::Outcome::NoText ? QStringLiteral("未识别到文字") : QString();
}
