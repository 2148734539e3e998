// whisper.cpp's encoder attends through ggml's tiled flash-attention kernel, which the whisper.cpp
// cache patches to convert and compare a vector at a time. Each CPU module is built for another
// instruction set and is picked by the processor it runs on, so every module this processor can
// load must still compute what attention is: softmax(scale · Q·Kᵀ) · V.
#include "app/dictation/ggml_backends.h"

#include <QDir>

#include <gtest/gtest.h>

#include <ggml-alloc.h>
#include <ggml-backend.h>
#include <ggml.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace tavik {
namespace {

// Whisper's head size. The kernel tiles 64 queries by 64 keys: 100 queries and 150 keys leave a
// partial tile on both sides, and two heads keep the head offsets honest.
constexpr int kDim = 64, kQueries = 100, kKeys = 150, kHeads = 2;
constexpr float kScale = 0.125f; // 1/√64

// The module's flash attention on three threads (so the rows are shared out in chunks), laid out
// as ggml gives it: [kDim, kHeads, kQueries].
std::vector<float> moduleAttention(ggml_backend_reg_t module, const std::vector<float>& queries,
                                   const std::vector<ggml_fp16_t>& keys,
                                   const std::vector<ggml_fp16_t>& values) {
    ggml_init_params params{ggml_tensor_overhead() * 8 + ggml_graph_overhead(), nullptr, true};
    ggml_context* ctx = ggml_init(params);
    ggml_tensor* q = ggml_new_tensor_3d(ctx, GGML_TYPE_F32, kDim, kQueries, kHeads);
    ggml_tensor* k = ggml_new_tensor_3d(ctx, GGML_TYPE_F16, kDim, kKeys, kHeads);
    ggml_tensor* v = ggml_new_tensor_3d(ctx, GGML_TYPE_F16, kDim, kKeys, kHeads);
    ggml_tensor* result = ggml_flash_attn_ext(ctx, q, k, v, nullptr, kScale, 0.0f, 0.0f);
    ggml_cgraph* graph = ggml_new_graph(ctx);
    ggml_build_forward_expand(graph, result);

    ggml_backend_t backend = ggml_backend_dev_init(ggml_backend_reg_dev_get(module, 0), nullptr);
    if (auto setThreads = reinterpret_cast<ggml_backend_set_n_threads_t>(
            ggml_backend_reg_get_proc_address(module, "ggml_backend_set_n_threads"))) {
        setThreads(backend, 3);
    }
    ggml_backend_buffer_t buffer = ggml_backend_alloc_ctx_tensors(ctx, backend);
    ggml_backend_tensor_set(q, queries.data(), 0, ggml_nbytes(q));
    ggml_backend_tensor_set(k, keys.data(), 0, ggml_nbytes(k));
    ggml_backend_tensor_set(v, values.data(), 0, ggml_nbytes(v));
    std::vector<float> out;
    if (ggml_backend_graph_compute(backend, graph) == GGML_STATUS_SUCCESS) {
        out.resize(ggml_nelements(result));
        ggml_backend_tensor_get(result, out.data(), 0, ggml_nbytes(result));
    }
    ggml_backend_buffer_free(buffer);
    ggml_backend_free(backend);
    ggml_free(ctx);
    return out;
}

TEST(RecognitionCpuAttention, EveryModuleThisProcessorRunsComputesAttention) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> q(kDim * kQueries * kHeads);
    for (size_t i = 0; i < q.size(); ++i) {
        // Every tenth query is sharp: scores in the hundreds, whose exponentials overflow unless
        // each row's maximum is found and taken off first.
        q[i] = value(random) * ((i / kDim) % kQueries % 10 == 0 ? 300.0f : 1.0f);
    }
    std::vector<ggml_fp16_t> k(kDim * kKeys * kHeads);
    std::vector<ggml_fp16_t> v(k.size());
    for (size_t i = 0; i < k.size(); ++i) {
        k[i] = ggml_fp32_to_fp16(value(random));
        v[i] = ggml_fp32_to_fp16(value(random));
    }
    // The textbook formula in double precision, in ggml's layout.
    std::vector<double> expected(kDim * kHeads * kQueries);
    for (int h = 0; h < kHeads; ++h) {
        for (int i = 0; i < kQueries; ++i) {
            std::vector<double> weight(kKeys);
            for (int j = 0; j < kKeys; ++j) {
                for (int d = 0; d < kDim; ++d) {
                    weight[j] += kScale * double(q[d + kDim * (i + kQueries * h)]) *
                                 ggml_fp16_to_fp32(k[d + kDim * (j + kKeys * h)]);
                }
            }
            const double top = *std::max_element(weight.begin(), weight.end());
            double total = 0;
            for (double& w : weight) {
                total += (w = std::exp(w - top));
            }
            for (int j = 0; j < kKeys; ++j) {
                for (int d = 0; d < kDim; ++d) {
                    expected[d + kDim * (h + kHeads * i)] +=
                        weight[j] / total * ggml_fp16_to_fp32(v[d + kDim * (j + kKeys * h)]);
                }
            }
        }
    }

    const QDir folder(GGMLBackends::bundledFolder());
    int loaded = 0;
    for (const QString& name : folder.entryList({"libggml-cpu*.so"}, QDir::Files)) {
        // A module built for instructions this processor lacks refuses to load. One that loads is
        // left loaded, as the application leaves its own: what a module keeps for the life of the
        // process would look lost to the leak checker once the module is gone.
        ggml_backend_reg_t module = ggml_backend_load(folder.filePath(name).toUtf8().constData());
        if (module == nullptr) {
            continue;
        }
        ++loaded;
        const std::vector<float> got = moduleAttention(module, q, k, v);
        ASSERT_EQ(got.size(), expected.size()) << name.toStdString();
        double worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            worst =
                std::isfinite(got[i]) ? std::max(worst, std::abs(got[i] - expected[i])) : INFINITY;
        }
        // Single-precision sums of scores in the hundreds stay well within this; a wrong value,
        // layout or maximum is off by tenths or overflows.
        EXPECT_LT(worst, 1e-3) << name.toStdString();
    }
    EXPECT_GT(loaded, 0) << "this processor loads none of the CPU modules in "
                         << folder.path().toStdString();
}

} // namespace
} // namespace tavik
