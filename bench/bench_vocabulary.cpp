// Vocabulary correction of a 50-word dictation against 200 terms, with the system word list
// already loaded (it is read once per process, on first need).
#include "app/stores/vocabulary_correction.h"

#include <benchmark/benchmark.h>

namespace {

QStringList twoHundredTerms() {
    QStringList terms = {"Kubernetes", "Postgres", "Grafana", "Terraform",  "idempotency",
                         "webhook",    "OAuth",    "Azure",   "Prometheus", "Elasticsearch"};
    const QStringList stems = {"Velt", "Quill", "Corv", "Lumen", "Brisk", "Nord", "Halv", "Strat"};
    const QStringList tails = {"ana",  "ora",   "ix",   "ity",   "ware", "stack", "mark", "flow",
                               "dale", "ridge", "wick", "ton",   "byte", "grid",  "path", "vane",
                               "fold", "crest", "holm", "verse", "line", "port",  "cast", "loom"};
    for (const QString& stem : stems) {
        for (const QString& tail : tails) {
            if (terms.size() < 200) {
                terms.append(stem + tail);
            }
        }
    }
    return terms;
}

const QString dictation =
    "okay so this morning we moved the kubernetis cluster over to the new postgress database "
    "and the grafanna dashboards finally show the webhooks firing after the terraforms change, "
    "but the idempotensy checks still fail when quillmarks retries the request twice, so please "
    "look at the logs before lunch and tell me what you find";

void BM_CorrectFiftyWordsTwoHundredTerms(benchmark::State& state) {
    const tavik::VocabularyLexicon& lexicon = *tavik::VocabularyLexicon::system();
    state.counters["lexicon_words"] = double(lexicon.size()); // loads it before timing
    const QStringList terms = twoHundredTerms();
    QString out;
    for (auto _ : state) {
        tavik::vocabulary::Corrector corrector(terms, lexicon);
        out = corrector.correct(dictation);
        benchmark::DoNotOptimize(out);
    }
    state.counters["words"] = double(dictation.split(' ').size());
    state.counters["terms"] = double(terms.size());
}
BENCHMARK(BM_CorrectFiftyWordsTwoHundredTerms)->Unit(benchmark::kMicrosecond);

void BM_LoadSystemWordList(benchmark::State& state) {
    for (auto _ : state) {
        tavik::VocabularyLexicon lexicon({"/usr/share/dict/words", "/usr/dict/words"});
        benchmark::DoNotOptimize(lexicon.size());
    }
}
BENCHMARK(BM_LoadSystemWordList)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
