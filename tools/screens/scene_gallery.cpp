// The design system's gallery, part one: every token, the type scale, the brand mark and every
// glyph, on Tavik's dark palette.
#include "app/shell/design/glyphs.h"
#include "app/shell/design/mark.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/surfaces.h"
#include "tools/screens/scene.h"
#include "tools/screens/scene_gallery_support.h"

#include <QPainter>

namespace tavik::screens {
namespace {

using design::Theme;
using namespace gallery;

// A painted swatch: a colour, a gradient or a hairline over kelp, 96 × 44, radius 6.
class Swatch : public QWidget {
public:
    explicit Swatch(std::function<void(QPainter&, const QRectF&)> fill) : fill_(std::move(fill)) {
        setFixedSize(96, 44);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setClipPath(design::paint::roundedRect(rect(), Theme::radiusSmall));
        fill_(painter, rect());
        design::paint::strokeInside(painter, rect(), Theme::radiusSmall, Theme::hairline);
    }

private:
    std::function<void(QPainter&, const QRectF&)> fill_;
};

QWidget* colour(const QColor& c) {
    return new Swatch([c](QPainter& p, const QRectF& r) { p.fillRect(r, c); });
}

QWidget* overKelp(const QColor& line) {
    return new Swatch([line](QPainter& p, const QRectF& r) {
        p.fillRect(r, Theme::kelp);
        design::paint::strokeInside(p, r.adjusted(10, 10, -10, -10), 4, line);
        p.fillRect(QRectF(r.left() + 10, r.center().y(), r.width() - 20, 1), line);
    });
}

QWidget* tokens(SceneContext&) {
    design::Motion::setEnabled(false);
    QVBoxLayout* stack = nullptr;
    QWidget* root = page(stack);

    heading(stack, QStringLiteral("Colours"));
    QHBoxLayout* colours = row(stack, 12);
    const std::pair<const char*, QColor> named[] = {
        {"deep #011D1C", Theme::deep},         {"abyss #012624", Theme::abyss},
        {"kelp #003734", Theme::kelp},         {"kelpHi #004A46", Theme::kelpHi},
        {"platinum #FFFFFF", Theme::platinum}, {"mist #EDFFFE", Theme::mist},
        {"silver #BBC7C6", Theme::silver},     {"slate #707777", Theme::slate},
        {"phosphor #FDE9FF", Theme::phosphor},
    };
    for (const auto& [name, c] : named) {
        colours->addWidget(cell(colour(c), QString::fromUtf8(name)));
    }
    colours->addStretch(1);

    heading(stack, QStringLiteral("Gradients, hairlines and the literal colours"));
    QHBoxLayout* more = row(stack, 12);
    more->addWidget(
        cell(new Swatch([](QPainter& p, const QRectF& r) { p.fillRect(r, Theme::aurora(r)); }),
             QStringLiteral("aurora")));
    more->addWidget(cell(
        new Swatch([](QPainter& p, const QRectF& r) { p.fillRect(r, Theme::bioluminescent(r)); }),
        QStringLiteral("bioluminescent")));
    more->addWidget(cell(overKelp(Theme::hairline), QStringLiteral("hairline 0.07")));
    more->addWidget(cell(overKelp(Theme::hairlineStrong), QStringLiteral("hairlineStrong 0.14")));
    more->addWidget(cell(colour(Theme::auroraLabel), QStringLiteral("aurora label #222222")));
    more->addWidget(cell(colour(Theme::knobOn), QStringLiteral("knob on #012624")));
    more->addWidget(cell(colour(Theme::focusRing), QStringLiteral("focus ring (added)")));
    more->addWidget(cell(colour(Theme::label), QStringLiteral("label (added)")));
    more->addStretch(1);

    heading(stack, QStringLiteral("Type (Inter, pixel sizes)"));
    QHBoxLayout* type = row(stack, 28);
    type->addWidget(cell(design::PaneFrame::makeTitle(QStringLiteral("Title 30")),
                         QStringLiteral("30 medium −0.8 platinum")));
    type->addWidget(
        cell(design::makeText(QStringLiteral("Body text 13"), Theme::body(), Theme::mist),
             QStringLiteral("body 13 mist")));
    type->addWidget(cell(design::PaneFrame::makeSubtitle(QStringLiteral("Subtitle 12")),
                         QStringLiteral("12 silver")));
    type->addWidget(cell(new design::SectionLabel(QStringLiteral("Section label")),
                         QStringLiteral("10 medium 1.5 silver")));
    type->addWidget(cell(design::makeText(QStringLiteral("Mono 13"), Theme::mono(13), Theme::mist),
                         QStringLiteral("mono 13")));
    type->addStretch(1);

    heading(stack, QStringLiteral("Brand mark at 16, 22, 48 and 96; 48 at levels 0.3 and 1"));
    QHBoxLayout* marks = row(stack, 24);
    for (int size : {16, 22, 48, 96}) {
        marks->addWidget(cell(new design::TavikMark(size), QString::number(size)), 0,
                         Qt::AlignBottom);
    }
    for (double level : {0.3, 1.0}) {
        auto* moving = new design::TavikMark(48);
        moving->setLevel(level);
        marks->addWidget(cell(moving, QStringLiteral("level %1").arg(level)), 0, Qt::AlignBottom);
    }
    marks->addStretch(1);

    heading(stack, QStringLiteral("Radii: card 16, small 6"));
    QHBoxLayout* radii = row(stack, 12);
    auto* card = new design::Card(0);
    card->setFixedSize(160, 60);
    radii->addWidget(cell(card, QStringLiteral("card 16")));
    auto* well = new design::Well(6);
    well->setFixedSize(160, 60);
    radii->addWidget(cell(well, QStringLiteral("well 6")));
    radii->addStretch(1);
    stack->addStretch(1);
    return root;
}

QWidget* glyphs(SceneContext&) {
    QVBoxLayout* stack = nullptr;
    QWidget* root = page(stack, 10);
    heading(stack, QStringLiteral("Glyphs at 10, 12, 16 and 20 px (mist; 20 px also in phosphor)"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(8);
    const QStringList names = design::glyphNames();
    const int columns = 2;
    const int perColumn = (int(names.size()) + columns - 1) / columns;
    for (int i = 0; i < names.size(); ++i) {
        const int r = i % perColumn;
        const int c = (i / perColumn) * 6;
        int col = c;
        for (int size : {10, 12, 16, 20}) {
            grid->addWidget(new design::GlyphView(names[i], size, Theme::mist), r, col++,
                            Qt::AlignCenter);
        }
        grid->addWidget(new design::GlyphView(names[i], 20, Theme::phosphor), r, col++,
                        Qt::AlignCenter);
        grid->addWidget(design::makeText(names[i], Theme::font(12), Theme::silver), r, col);
    }
    stack->addLayout(grid);
    stack->addStretch(1);
    return root;
}

// Every glyph large, to judge each drawing's shape.
QWidget* glyphsLarge(SceneContext&) {
    QVBoxLayout* stack = nullptr;
    QWidget* root = page(stack, 10);
    heading(stack, QStringLiteral("Glyphs at 40 px"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(4);
    const QStringList names = design::glyphNames();
    const int columns = 8;
    for (int i = 0; i < names.size(); ++i) {
        const int r = (i / columns) * 2;
        const int c = i % columns;
        grid->addWidget(new design::GlyphView(names[i], 40, Theme::mist), r, c, Qt::AlignCenter);
        auto* name = design::makeText(names[i], Theme::font(9), Theme::slate);
        grid->addWidget(name, r + 1, c, Qt::AlignHCenter | Qt::AlignTop);
    }
    stack->addLayout(grid);
    stack->addStretch(1);
    return root;
}

const SceneRegistration galleryScenes[] = {
    SceneRegistration{Scene{QStringLiteral("gallery-glyphs-large"), QSize(1180, 420), glyphsLarge}},
    SceneRegistration{Scene{QStringLiteral("gallery-tokens"), QSize(1180, 640), tokens}},
    SceneRegistration{Scene{QStringLiteral("gallery-glyphs"), QSize(760, 560), glyphs}},
};

} // namespace
} // namespace tavik::screens
