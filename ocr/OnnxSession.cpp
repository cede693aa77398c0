#include "OnnxSession.h"

#include <QLibrary>
#include <QMutex>

#include <cstddef>

namespace {

// The runtime's C interface is a table of functions that only ever grows at its end; these are
// the places of the few used here, the same in every version since 1.0.
enum Slot : std::size_t {
    GetErrorMessage = 2,
    CreateEnv = 3,
    CreateSessionFromArray = 8,
    Run = 9,
    CreateSessionOptions = 10,
    SetSessionGraphOptimizationLevel = 23,
    SetIntraOpNumThreads = 24,
    SetInterOpNumThreads = 25,
    SessionGetInputName = 36,
    SessionGetOutputName = 37,
    CreateTensorWithDataAsOrtValue = 49,
    GetTensorMutableData = 51,
    GetDimensionsCount = 61,
    GetDimensions = 62,
    GetTensorTypeAndShape = 65,
    CreateCpuMemoryInfo = 69,
    AllocatorFree = 76,
    GetAllocatorWithDefaultOptions = 78,
    ReleaseStatus = 93,
    ReleaseMemoryInfo = 94,
    ReleaseSession = 95,
    ReleaseValue = 96,
    ReleaseTensorTypeAndShapeInfo = 99,
    ReleaseSessionOptions = 100,
};

// The oldest table with every slot above; any newer runtime still hands it out.
constexpr std::uint32_t apiVersion = 3;
constexpr int loggingLevelError = 3;
constexpr int tensorOfFloat = 1;
constexpr int deviceAllocator = 0;
constexpr int cpuMemory = 0;
constexpr int optimiseAll = 99;

using Status = void *;

struct ApiBase
{
    const void *const *(*getApi)(std::uint32_t version);
    const char *(*versionString)();
};

} // namespace

// The loaded library, its table and the one environment a process may have.
struct OnnxRuntime
{
    QLibrary library;
    const void *const *api = nullptr;
    void *environment = nullptr;

    template<typename Function>
    Function function(Slot slot) const
    {
        return reinterpret_cast<Function>(const_cast<void *>(api[slot]));
    }

    // Empty when `status` says all went well; the runtime's message otherwise. Frees the status.
    QString message(Status status) const
    {
        if (!status)
            return QString();
        const QString text = QString::fromUtf8(function<const char *(*)(Status)>(GetErrorMessage)(status));
        function<void (*)(Status)>(ReleaseStatus)(status);
        return text.isEmpty() ? QStringLiteral("ONNX Runtime failed") : text;
    }
};

namespace {

// Loaded once and kept for the rest of the process: the runtime's environment may not be let go
// once its library's own statics are gone at exit, nor loaded a second time.
const OnnxRuntime *sharedRuntime(const QString &path, QString *failure)
{
    static QMutex mutex;
    static const OnnxRuntime *loaded = nullptr;
    const QMutexLocker lock(&mutex);
    if (loaded)
        return loaded;
    auto runtime = std::make_unique<OnnxRuntime>();
    runtime->library.setFileName(path);
    const auto base = reinterpret_cast<const ApiBase *(*)()>(runtime->library.resolve("OrtGetApiBase"));
    if (!base) {
        *failure = runtime->library.errorString();
        return nullptr;
    }
    runtime->api = base()->getApi(apiVersion);
    if (!runtime->api) {
        *failure = QStringLiteral("ONNX Runtime %1 is too old").arg(QString::fromUtf8(base()->versionString()));
        return nullptr;
    }
    using CreateEnvFunction = Status (*)(int, const char *, void **);
    *failure = runtime->message(runtime->function<CreateEnvFunction>(CreateEnv)(loggingLevelError, "tavo", &runtime->environment));
    if (!failure->isEmpty())
        return nullptr;
    loaded = runtime.release();
    return loaded;
}

// The name of the session's first input or output, as the runtime reports it.
QByteArray firstName(const OnnxRuntime &runtime, void *session, Slot slot, QString *failure)
{
    void *allocator = nullptr;
    *failure = runtime.message(runtime.function<Status (*)(void **)>(GetAllocatorWithDefaultOptions)(&allocator));
    char *name = nullptr;
    if (failure->isEmpty())
        *failure = runtime.message(runtime.function<Status (*)(void *, std::size_t, void *, char **)>(slot)(session, 0, allocator, &name));
    if (!failure->isEmpty())
        return QByteArray();
    const QByteArray copy(name);
    runtime.message(runtime.function<Status (*)(void *, void *)>(AllocatorFree)(allocator, name));
    return copy;
}

} // namespace

std::unique_ptr<OnnxSession> OnnxSession::load(const QString &library, const QByteArray &model, QString *failure)
{
    std::unique_ptr<OnnxSession> loaded(new OnnxSession);
    loaded->runtime = sharedRuntime(library, failure);
    if (!loaded->runtime)
        return nullptr;
    const OnnxRuntime &runtime = *loaded->runtime;
    void *options = nullptr;
    *failure = runtime.message(runtime.function<Status (*)(void **)>(CreateSessionOptions)(&options));
    if (!failure->isEmpty())
        return nullptr;
    // Each worker runs its own session on its own core: threads of the runtime's own beside them
    // would only take turns with them.
    for (const Slot slot : {SetIntraOpNumThreads, SetInterOpNumThreads})
        runtime.message(runtime.function<Status (*)(void *, int)>(slot)(options, 1));
    runtime.message(runtime.function<Status (*)(void *, int)>(SetSessionGraphOptimizationLevel)(options, optimiseAll));
    using CreateFunction = Status (*)(void *, const void *, std::size_t, void *, void **);
    *failure = runtime.message(runtime.function<CreateFunction>(CreateSessionFromArray)(
        runtime.environment, model.constData(), static_cast<std::size_t>(model.size()), options, &loaded->session));
    runtime.function<void (*)(void *)>(ReleaseSessionOptions)(options);
    if (!failure->isEmpty())
        return nullptr;
    loaded->inputName = firstName(runtime, loaded->session, SessionGetInputName, failure);
    if (failure->isEmpty())
        loaded->outputName = firstName(runtime, loaded->session, SessionGetOutputName, failure);
    return failure->isEmpty() ? std::move(loaded) : nullptr;
}

OnnxSession::~OnnxSession()
{
    if (session)
        runtime->function<void (*)(void *)>(ReleaseSession)(session);
}

namespace {

// The input as a value of the runtime's that reads `input`'s own floats; null with `failure` set.
void *valueOf(const OnnxRuntime &rt, const OnnxSession::Tensor &input, QString *failure)
{
    void *memory = nullptr;
    *failure = rt.message(rt.function<Status (*)(int, int, void **)>(CreateCpuMemoryInfo)(deviceAllocator, cpuMemory, &memory));
    if (!failure->isEmpty())
        return nullptr;
    void *value = nullptr;
    using TensorFunction = Status (*)(void *, void *, std::size_t, const std::int64_t *, std::size_t, int, void **);
    *failure = rt.message(rt.function<TensorFunction>(CreateTensorWithDataAsOrtValue)(
        memory, const_cast<float *>(input.values.data()), input.values.size() * sizeof(float), input.shape.data(),
        input.shape.size(), tensorOfFloat, &value));
    rt.function<void (*)(void *)>(ReleaseMemoryInfo)(memory);
    return failure->isEmpty() ? value : nullptr;
}

// The shape of a tensor value of the runtime's.
std::vector<std::int64_t> shapeOf(const OnnxRuntime &rt, void *value, QString *failure)
{
    void *info = nullptr;
    *failure = rt.message(rt.function<Status (*)(void *, void **)>(GetTensorTypeAndShape)(value, &info));
    if (!failure->isEmpty())
        return {};
    std::size_t rank = 0;
    rt.message(rt.function<Status (*)(void *, std::size_t *)>(GetDimensionsCount)(info, &rank));
    std::vector<std::int64_t> shape(rank);
    rt.message(rt.function<Status (*)(void *, std::int64_t *, std::size_t)>(GetDimensions)(info, shape.data(), rank));
    rt.function<void (*)(void *)>(ReleaseTensorTypeAndShapeInfo)(info);
    return shape;
}

} // namespace

bool OnnxSession::run(const Tensor &input, const OutputReader &read, QString *failure)
{
    const OnnxRuntime &rt = *runtime;
    void *in = valueOf(rt, input, failure);
    if (!in)
        return false;
    const char *inputNames[] = {inputName.constData()};
    const char *outputNames[] = {outputName.constData()};
    void *out = nullptr;
    using RunFunction = Status (*)(void *, const void *, const char *const *, const void *const *, std::size_t,
                                   const char *const *, std::size_t, void **);
    *failure = rt.message(rt.function<RunFunction>(Run)(session, nullptr, inputNames, &in, 1, outputNames, 1, &out));
    rt.function<void (*)(void *)>(ReleaseValue)(in);
    if (!failure->isEmpty())
        return false;
    const std::vector<std::int64_t> shape = shapeOf(rt, out, failure);
    float *values = nullptr;
    if (failure->isEmpty())
        *failure = rt.message(rt.function<Status (*)(void *, void **)>(GetTensorMutableData)(out, reinterpret_cast<void **>(&values)));
    if (failure->isEmpty())
        read(values, shape);
    rt.function<void (*)(void *)>(ReleaseValue)(out);
    return failure->isEmpty();
}
