#include "app/dictation/whisper_model_check.h"

#include <QFile>

#include <ggml.h>

#include <cstdint>

namespace tavik {
namespace {

constexpr std::uint32_t kMagic = 0x67676d6c;
constexpr int kHyperParameters = 11;
constexpr int kFtypeIndex = 10;
constexpr std::int32_t kVadWindowSamples = 512;

class Reader {
public:
    explicit Reader(QFile& file) : file_(file) {}
    template <typename T> bool read(T& value) {
        return file_.read(reinterpret_cast<char*>(&value), sizeof value) == sizeof value;
    }
    bool skip(qint64 bytes) {
        if (bytes < 0 || file_.pos() + bytes > file_.size()) {
            return false;
        }
        return file_.seek(file_.pos() + bytes);
    }
    bool atEnd() const { return file_.pos() == file_.size(); }

private:
    QFile& file_;
};

QString checkTensors(Reader& reader) {
    int tensors = 0;
    while (!reader.atEnd()) {
        std::int32_t dimensions = 0;
        std::int32_t nameLength = 0;
        std::int32_t type = 0;
        if (!reader.read(dimensions) || !reader.read(nameLength) || !reader.read(type)) {
            return "a tensor header is cut short";
        }
        if (dimensions < 0 || dimensions > 4 || nameLength < 1 || nameLength > 256 || type < 0 ||
            type >= GGML_TYPE_COUNT) {
            return "a tensor header is damaged";
        }
        // A scalar (no dimensions) is one element.
        const auto ggmlType = static_cast<ggml_type>(type);
        const std::int64_t blockSize = ggml_blck_size(ggmlType);
        const auto typeSize = static_cast<std::int64_t>(ggml_type_size(ggmlType));
        if (blockSize <= 0 || typeSize <= 0) {
            return "a tensor has an unknown type";
        }
        std::int64_t elements = 1;
        for (int i = 0; i < dimensions; ++i) {
            std::int32_t extent = 0;
            if (!reader.read(extent) || extent < 1 || extent > (1 << 24)) {
                return "a tensor has a damaged shape";
            }
            elements *= extent;
            if (elements > (std::int64_t(1) << 34)) {
                return "a tensor has a damaged shape";
            }
        }
        if (elements % blockSize != 0) {
            return "a tensor does not fill its blocks";
        }
        if (!reader.skip(nameLength) || !reader.skip(elements / blockSize * typeSize)) {
            return "the tensor data is cut short";
        }
        ++tensors;
    }
    return tensors > 0 ? QString() : QString("the file holds no weights");
}

QString readVadHeader(Reader& reader) {
    std::int32_t typeLength = 0;
    if (!reader.read(typeLength) || typeLength < 0 || typeLength > 256 ||
        !reader.skip(typeLength)) {
        return "the header is damaged";
    }
    std::int32_t version[3] = {};
    std::int32_t window = 0;
    std::int32_t context = 0;
    std::int32_t layers = 0;
    if (!reader.read(version) || !reader.read(window) || !reader.read(context) ||
        !reader.read(layers) || layers < 1 || layers > 64) {
        return "the header is damaged";
    }
    if (window != kVadWindowSamples) {
        return "the model does not work on 512-sample windows";
    }
    // Per encoder layer: input channels, output channels, kernel size; then the LSTM input and
    // hidden sizes and the final convolution's input and output.
    if (!reader.skip(qint64(layers) * 3 * 4 + 4 * 4)) {
        return "the header is cut short";
    }
    return QString();
}

// Both model kinds begin with ggml's magic number; empty when the file opened and has it.
QString openPastMagic(QFile& file, Reader& reader, const char* notThisKind) {
    if (!file.open(QIODevice::ReadOnly)) {
        return "cannot be opened";
    }
    std::uint32_t magic = 0;
    if (!reader.read(magic) || magic != kMagic) {
        return notThisKind;
    }
    return QString();
}

} // namespace

QString vadModelProblem(const QString& path) {
    QFile file(path);
    Reader reader(file);
    if (const QString problem = openPastMagic(file, reader, "not a voice-activity model");
        !problem.isEmpty()) {
        return problem;
    }
    if (const QString problem = readVadHeader(reader); !problem.isEmpty()) {
        return problem;
    }
    return checkTensors(reader);
}

QString whisperModelProblem(const QString& path) {
    QFile file(path);
    Reader reader(file);
    if (const QString problem = openPastMagic(file, reader, "not a whisper model");
        !problem.isEmpty()) {
        return problem;
    }
    std::int32_t hyper[kHyperParameters] = {};
    for (std::int32_t& value : hyper) {
        if (!reader.read(value)) {
            return "the header is cut short";
        }
    }
    if (hyper[kFtypeIndex] % GGML_QNT_VERSION_FACTOR == 0) {
        return "the weights are all F32, which whisper.cpp cannot run";
    }
    std::int32_t mels = 0;
    std::int32_t fftBins = 0;
    if (!reader.read(mels) || !reader.read(fftBins) || mels < 1 || fftBins < 1 || mels > 512 ||
        fftBins > 4096 || !reader.skip(qint64(mels) * fftBins * qint64(sizeof(float)))) {
        return "the mel filters are damaged";
    }
    std::int32_t tokens = 0;
    if (!reader.read(tokens) || tokens < 0 || tokens > 1 << 20) {
        return "the vocabulary is damaged";
    }
    for (std::int32_t i = 0; i < tokens; ++i) {
        std::uint32_t length = 0;
        if (!reader.read(length) || length > 1024 || !reader.skip(length)) {
            return "the vocabulary is damaged";
        }
    }
    return checkTensors(reader);
}

} // namespace tavik
