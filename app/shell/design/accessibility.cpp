#include "app/shell/design/accessibility.h"

#include "app/shell/design/labels.h"
#include "app/shell/design/option.h"
#include "app/shell/design/slider.h"

#include <QAccessibleWidget>

namespace tavik::design {

namespace {

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(TavikSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return QString::number(slider()->value());
        }
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override {
        // A screen reader setting the value acts like the person: snapped and reported.
        TavikSlider* s = slider();
        const double wanted = value.toDouble();
        const double span = s->upper() - s->lower();
        if (span > 0) {
            const double x = (wanted - s->lower()) / span * s->width();
            if (const auto v =
                    TavikSlider::valueForX(x, s->width(), s->lower(), s->upper(), s->step())) {
                s->setValue(*v);
                emit s->valueEdited(*v);
            }
        }
    }
    QVariant maximumValue() const override { return slider()->upper(); }
    QVariant minimumValue() const override { return slider()->lower(); }
    QVariant minimumStepSize() const override { return slider()->step(); }

private:
    TavikSlider* slider() const { return static_cast<TavikSlider*>(object()); }
};

class OptionAccessible : public QAccessibleWidget {
public:
    explicit OptionAccessible(TavikOption* option)
        : QAccessibleWidget(option, QAccessible::RadioButton) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return option()->spokenName();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = option()->isSelected();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction()) {
            option()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    TavikOption* option() const { return static_cast<TavikOption*>(object()); }
};

// A plain text read as static text, named by what it says (the whole text, not the elided one).
template <typename Label> class TextAccessible : public QAccessibleWidget {
public:
    explicit TextAccessible(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<Label*>(object())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* designFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("tavik::design::WrappingLabel")) {
        if (auto* label = qobject_cast<WrappingLabel*>(object)) {
            return new TextAccessible<WrappingLabel>(label);
        }
    }
    if (className == QLatin1String("tavik::design::ElidedLabel")) {
        if (auto* label = qobject_cast<ElidedLabel*>(object)) {
            return new TextAccessible<ElidedLabel>(label);
        }
    }
    if (className == QLatin1String("tavik::design::TavikSlider")) {
        if (auto* slider = qobject_cast<TavikSlider*>(object)) {
            return new SliderAccessible(slider);
        }
    }
    if (className == QLatin1String("tavik::design::TavikOption")) {
        if (auto* option = qobject_cast<TavikOption*>(object)) {
            return new OptionAccessible(option);
        }
    }
    return nullptr;
}

} // namespace

void installDesignAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(designFactory);
        return true;
    }();
    (void)installed;
}

} // namespace tavik::design
