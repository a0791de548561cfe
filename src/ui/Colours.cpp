// Colours: the windows read under a light and a dark palette alike; layouts hold no colours of their own.
#include "ui/Colours.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>

#include "ui/LayoutReading.h"

namespace pv::ui {
namespace {

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// Draws an option's indicator itself, and a check box's outline: platform styles draw the ring in a shade of
// the window's colour and the dot in a dimmed text colour, which all but vanish under a dark palette.
class DrawnOptions : public QProxyStyle {
  public:
    // The outline of an option or a check box: the highlight while the keyboard is on it, else a blend of
    // text and window that stands out from the window by more than 3:1 under either palette.
    static QColor RingColour(const QStyleOption* option) {
        const QPalette::ColorGroup group =
            option->state & State_Enabled ? QPalette::Active : QPalette::Disabled;
        const QPalette& palette = option->palette;
        const bool keyboardFocus =
            (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
        return keyboardFocus ? palette.color(group, QPalette::Highlight)
                             : Blend(palette.color(group, QPalette::WindowText),
                                     palette.color(group, QPalette::Window), 0.6);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_IndicatorCheckBox) {
            // The platform draws the box and its mark; only its outline, a shade of the window's colour
            // that a dark palette leaves at about 1.2:1, is drawn over in the ring's colour.
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(QPen(RingColour(option), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
            painter->restore();
            return;
        }
        if (element != PE_IndicatorRadioButton)
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        const QPalette::ColorGroup group =
            option->state & State_Enabled ? QPalette::Active : QPalette::Disabled;
        const QPalette& palette = option->palette;
        const QColor text = palette.color(group, QPalette::Text);
        const QColor base = palette.color(group, QPalette::Base);
        const QColor ring = RingColour(option);
        const QRectF circle = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(ring, 1));
        painter->setBrush(option->state & State_Sunken ? Blend(text, base, 0.2) : base);
        painter->drawEllipse(circle);
        if (option->state & State_On) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(text);
            painter->drawEllipse(circle.center(), circle.width() * 0.3, circle.height() * 0.3);
        }
        painter->restore();
    }
};

}  // namespace

QStyle* OptionStyle() {
    static QStyle* const style = new DrawnOptions;
    return style;
}

void ApplyColourRule(QWidget* root) {
    const QPalette app = QApplication::palette();
    const bool light = app.color(QPalette::Active, QPalette::Base).lightness() >=
                       app.color(QPalette::Active, QPalette::Text).lightness();
    const QColor base = light ? QColor(Qt::white) : app.color(QPalette::Active, QPalette::Base);
    const QColor text = light ? QColor(Qt::black) : app.color(QPalette::Active, QPalette::Text);
    const QColor disabledBase = light ? QColor(240, 240, 240) : app.color(QPalette::Active, QPalette::Window);
    const QColor disabledText = Blend(text, disabledBase, 0.6);
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!IsTextInput(widget)) continue;
        QPalette palette = widget->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Base, base);
            palette.setColor(group, QPalette::Text, text);
        }
        palette.setColor(QPalette::Disabled, QPalette::Base, disabledBase);
        palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
        widget->setPalette(palette);
    }
}

}  // namespace pv::ui
