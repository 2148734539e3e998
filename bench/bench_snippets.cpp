// Snippet expansion of a dictation with 200 switched-on snippets.
#include "app/stores/snippets.h"
#include "platform/defaults_store.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_ApplyTwoHundredSnippets(benchmark::State& state) {
    QTemporaryDir folder;
    tavik::platform::DefaultsStore defaults(folder.filePath("defaults.json"));
    tavik::Snippets snippets(defaults);
    QList<tavik::Snippet> list;
    for (int i = 0; i < 200; ++i) {
        list.append(tavik::Snippet{QUuid::createUuid(), "trigger phrase " + QString::number(i),
                                   "expansion number " + QString::number(i), true});
    }
    list.append(tavik::Snippet{QUuid::createUuid(), "brb", "be right back", true});
    snippets.setItems(list);
    const QString text = "brb, I will send the trigger phrase 17 and the trigger phrase 150 to "
                         "the team after lunch so everyone can read them before the meeting";
    QString out;
    for (auto _ : state) {
        out = snippets.apply(text);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ApplyTwoHundredSnippets)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
