// Colours: the windows read under a light and a dark palette alike; layouts hold no colours of their own.
#include "ui/Colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include "ui/LayoutReading.h"

namespace pv::ui {
namespace {

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

}  // namespace

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
