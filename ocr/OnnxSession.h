#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
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
    // either cannot be loaded.
    static std::unique_ptr<OnnxSession> load(const QString &library, const QByteArray &model, QString *failure);
    ~OnnxSession();
    OnnxSession(const OnnxSession &) = delete;
    OnnxSession &operator=(const OnnxSession &) = delete;

    // The model's first output for `input` given to its first input; false with `failure` set
    // when the runtime refuses.
    bool run(const Tensor &input, Tensor *output, QString *failure);

private:
    OnnxSession() = default;

    const OnnxRuntime *runtime = nullptr;
    void *session = nullptr;
    QByteArray inputName;
    QByteArray outputName;
};
