// Painting costs of the design system, in ms per frame (the budget at 60 Hz is 16 ms; the aim
// is under 4 ms): the whole control gallery repainted, and a pane with one card of 200 rows,
// painted as it shows in the window and while it scrolls.
#include "app/shell/design/buttons.h"
#include "app/shell/design/field.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/look.h"
#include "app/shell/design/mark.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/option.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace tavik::design;

// Every control in each of its states, every glyph at two sizes, marks, a card and a well.
std::unique_ptr<QWidget> gallery() {
    auto root = std::make_unique<QWidget>();
    root->setAutoFillBackground(true);
    auto* grid = new QGridLayout(root.get());
    grid->setSpacing(12);
    int row = 0;
    const ControlState forced[] = {
        {}, {true, false, false}, {true, true, false}, {false, false, true}};
    for (int s = 0; s < 4; ++s) {
        auto* aurora = new AuroraButton(QStringLiteral("Get started"));
        auto* kelp = new KelpButton(QStringLiteral("Copy all"));
        kelp->setGlyph(QStringLiteral("doc.on.doc"), 11);
        auto* quiet = new QuietButton(QStringLiteral("Kubernetes"));
        auto* glyph = new GlyphButton(QStringLiteral("xmark.circle.fill"), 13, Theme::silver);
        for (auto* hook :
             {&aurora->stateHook(), &kelp->stateHook(), &quiet->stateHook(), &glyph->stateHook()}) {
            hook->force(forced[s]);
        }
        grid->addWidget(aurora, row, s * 2);
        grid->addWidget(kelp, row + 1, s * 2);
        grid->addWidget(quiet, row + 2, s * 2);
        grid->addWidget(glyph, row + 3, s * 2);
    }
    row += 4;
    for (int i = 0; i < 4; ++i) {
        auto* field = new TavikField(QStringLiteral("Add a word or phrase"));
        if (i % 2) {
            field->setText(QStringLiteral("my address"));
        }
        grid->addWidget(field, row, i * 2, 1, 2);
        auto* toggle = new TavikToggle(QStringLiteral("Keep the microphone ready"));
        toggle->setChecked(i % 2);
        grid->addWidget(toggle, row + 1, i * 2, 1, 2);
        auto* slider = new TavikSlider(200, 2000, 50);
        slider->setValue(200 + 600 * i);
        grid->addWidget(slider, row + 2, i * 2, 1, 2);
        auto* option = new TavikOption(QStringLiteral("Fast — base.en"));
        option->setSelected(i == 0);
        grid->addWidget(option, row + 3, i * 2, 1, 2);
    }
    row += 4;
    auto* glyphs = new QWidget;
    auto* glyphRow = new QHBoxLayout(glyphs);
    for (const QString& name : glyphNames()) {
        glyphRow->addWidget(new GlyphView(name, 12, Theme::mist));
        glyphRow->addWidget(new GlyphView(name, 20, Theme::phosphor));
    }
    grid->addWidget(glyphs, row++, 0, 1, 8);
    auto* marks = new QWidget;
    auto* markRow = new QHBoxLayout(marks);
    for (int size : {16, 22, 48, 96}) {
        markRow->addWidget(new TavikMark(size));
    }
    grid->addWidget(marks, row, 0, 1, 4);
    auto* card = new Card;
    card->contentLayout()->addWidget(new SectionLabel(QStringLiteral("A card")));
    grid->addWidget(card, row, 4, 1, 2);
    auto* well = new Well;
    well->setMinimumHeight(60);
    grid->addWidget(well, row, 6, 1, 2);
    root->resize(1080, 760);
    return root;
}

QWidget* listRow(int i) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(16, 11, 16, 11);
    line->setSpacing(10);
    line->addWidget(new GlyphView(QStringLiteral("mic"), 12, Theme::silver));
    line->addWidget(makeText(QStringLiteral("Row %1: what was said, one line of it").arg(i),
                             Theme::body(), Theme::mist),
                    1);
    line->addWidget(new GlyphButton(QStringLiteral("xmark.circle.fill"), 13, Theme::silver));
    return row;
}

std::unique_ptr<PaneFrame> cardList(int rows) {
    auto frame = std::make_unique<PaneFrame>();
    frame->addHeader(QStringLiteral("Dictionary"), QStringLiteral("Two hundred rows in one card."));
    auto* card = new Card(0);
    for (int i = 0; i < rows; ++i) {
        card->addRow(listRow(i));
    }
    frame->content()->addWidget(card);
    frame->resize(810, 660);
    frame->show();
    return frame;
}

// One frame (the reported time per iteration, in ms): the widget and everything in it painted into
// an image of its size.
void paintFrame(QWidget& widget, QImage& target) {
    QPainter painter(&target);
    widget.render(&painter);
}

void BM_GalleryRepaint(benchmark::State& state) {
    auto widget = gallery();
    widget->show();
    QCoreApplication::processEvents();
    QImage target(widget->size(), QImage::Format_ARGB32_Premultiplied);
    paintFrame(*widget, target); // glyph images and fonts warmed once, as on screen
    for (auto _ : state) {
        paintFrame(*widget, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_GalleryRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CardList200Rows(benchmark::State& state) {
    auto frame = cardList(200);
    QCoreApplication::processEvents();
    QImage target(frame->size(), QImage::Format_ARGB32_Premultiplied);
    paintFrame(*frame, target);
    for (auto _ : state) {
        paintFrame(*frame, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_CardList200Rows)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CardList200RowsScrolling(benchmark::State& state) {
    auto frame = cardList(200);
    QCoreApplication::processEvents();
    QScrollBar* bar = frame->verticalScrollBar();
    QImage target(frame->size(), QImage::Format_ARGB32_Premultiplied);
    int position = 0;
    for (auto _ : state) {
        position = (position + 37) % qMax(1, bar->maximum());
        bar->setValue(position); // moves the content, as a wheel step does
        paintFrame(*frame, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_CardList200RowsScrolling)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GlyphDrawnUncached(benchmark::State& state) {
    QImage target(20, 20, QImage::Format_ARGB32_Premultiplied);
    const QStringList names = glyphNames();
    int i = 0;
    for (auto _ : state) {
        target.fill(Qt::transparent);
        QPainter painter(&target);
        paintGlyph(painter, names[i++ % names.size()], QRectF(0, 0, 20, 20), Theme::mist);
    }
}
BENCHMARK(BM_GlyphDrawnUncached)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    applyTavikLook(app);
    Motion::setEnabled(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
