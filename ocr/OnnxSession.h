#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct OnnxRuntime;

// One model loaded into ONNX Runtime, run on the calling thread. The runtime is the library the
// program ships beside it (npm's onnxruntime-node carries it for Linux and Windows), loaded on
// first use through its C interface, so that a build without it still builds and runs. A session
// may be run by one thread at a time.
class OnnxSession
{
public:
    // A float tensor and its shape, outermost dimension first.
    struct Tensor
    {
        std::vector<float> values;
        std::vector<std::int64_t> shape;
    };

    // The model `model` (its bytes) in the runtime at `library`; null with `failure` set when
    // either cannot be loaded. A process loads one runtime: once one is loaded, later sessions
    // use it whatever `library` they name.
    static std::unique_ptr<OnnxSession> load(const QString &library, const QByteArray &model, QString *failure);
    ~OnnxSession();
    OnnxSession(const OnnxSession &) = delete;
    OnnxSession &operator=(const OnnxSession &) = delete;

    // Reads the values of an output and its shape, outermost dimension first; they live only
    // while it runs.
    using OutputReader = std::function<void(const float *values, const std::vector<std::int64_t> &shape)>;

    // Runs the model on `input` given to its first input and hands its first output to `read`;
    // false with `failure` set when the runtime refuses.
    bool run(const Tensor &input, const OutputReader &read, QString *failure);

private:
    OnnxSession() = default;

    const OnnxRuntime *runtime = nullptr;
    void *session = nullptr;
    QByteArray inputName;
    QByteArray outputName;
};
