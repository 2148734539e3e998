// The floating button on scaled screens: at device pixel ratios 1, 1.5 and 2 (set by Qt's scale
// factor or by the desktop's Xft.dpi) every point of the disc a person sees takes the click,
// the square's corners let clicks through, and a click on the centre dictates into the
// application that keeps the keyboard.
#include "tests/shell/orb_desktop_support.h"

#include <cmath>

namespace tavik {
namespace {

struct Scale {
    const char* name;
    double ratio;
    const char* scaleFactor; // QT_SCALE_FACTOR for Tavik, or null
    int xftDpi;              // the desktop's Xft.dpi resource, or 0
};

// Sets the desktop's Xft.dpi resource (the root window's RESOURCE_MANAGER, where desktops keep
// it) for as long as it lives, then puts back what was there. Desktop tests run one at a time,
// so no other program starts under it.
class XftDpi {
public:
    XftDpi(test::XQuery& x, int dpi)
        : display_(x.display()), property_(XInternAtom(display_, "RESOURCE_MANAGER", False)) {
        before_ = x.text(DefaultRootWindow(display_), "RESOURCE_MANAGER").toUtf8();
        const QByteArray resources = before_ + "Xft.dpi:\t" + QByteArray::number(dpi) + "\n";
        write(resources);
    }
    ~XftDpi() {
        if (before_.isEmpty()) {
            XDeleteProperty(display_, DefaultRootWindow(display_), property_);
            XSync(display_, False);
        } else {
            write(before_);
        }
    }

private:
    void write(const QByteArray& resources) {
        XChangeProperty(display_, DefaultRootWindow(display_), property_, XA_STRING, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                        int(resources.size()));
        XSync(display_, False);
    }

    Display* display_;
    Atom property_;
    QByteArray before_;
};

void PrintTo(const Scale& scale, std::ostream* out) {
    *out << scale.name;
}

class OrbAtScale : public ::testing::TestWithParam<Scale> {};

TEST_P(OrbAtScale, EveryPointOfTheDiscTakesTheClickAndTheCentreStartsADictation) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    const Scale scale = GetParam();
    const std::vector<float> speech = test::threeSecondsOf(speechFile);
    test::XQuery settings;
    ASSERT_TRUE(settings.valid());
    std::optional<XftDpi> dpi;
    if (scale.xftDpi > 0) {
        dpi.emplace(settings, scale.xftDpi);
    }
    QProcessEnvironment environment;
    if (scale.scaleFactor != nullptr) {
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"),
                           QString::fromLatin1(scale.scaleFactor));
    }
    // The 74 px button is 74 · ratio device pixels wide.
    test::OrbDesktop desk;
    ASSERT_NO_FATAL_FAILURE(desk.start(environment, scale.ratio));
    test::XQuery& x = desk.x;
    const Window orb = desk.orb;
    const QRect frame = x.rootGeometry(orb);
    const int side = frame.width();

    // A grid over the square: every point of the drawn disc (44 px across at rest) reaches the
    // button; points beyond the round frame reach whatever lies below.
    const double centre = side / 2.0;
    const double disc = 44 * scale.ratio / 2;
    const int step = std::max(2, side / 18);
    QStringList missed;
    QStringList caught;
    int inside = 0;
    for (int y = 0; y < side; y += step) {
        for (int dx = 0; dx < side; dx += step) {
            const double distance = std::hypot(dx + 0.5 - centre, y + 0.5 - centre);
            const QPoint point(dx, y);
            if (distance <= disc - 1) {
                ++inside;
                if (test::windowUnderPointer(x, frame.topLeft() + point) != orb) {
                    missed << QStringLiteral("%1,%2").arg(dx).arg(y);
                }
            } else if (distance >= side / 2.0 + 1.5) {
                if (test::windowUnderPointer(x, frame.topLeft() + point) == orb) {
                    caught << QStringLiteral("%1,%2").arg(dx).arg(y);
                }
            }
        }
    }
    EXPECT_GT(inside, 60);
    EXPECT_TRUE(missed.isEmpty()) << "points of the disc that let the click through: "
                                  << missed.join(' ').toStdString();
    EXPECT_TRUE(caught.isEmpty()) << "corner points the button takes: "
                                  << caught.join(' ').toStdString();

    test::dictateByClicking(x, desk.tavik, desk.target, orb, speech);
    EXPECT_EQ(desk.tavik.terminate(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ratios, OrbAtScale,
                         ::testing::Values(Scale{"One", 1, nullptr, 0},
                                           Scale{"OneAndAHalf", 1.5, "1.5", 0},
                                           Scale{"TwoFromXftDpi", 2, nullptr, 192},
                                           Scale{"TwoFromTheScaleFactor", 2, "2", 0}),
                         [](const ::testing::TestParamInfo<Scale>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace tavik
