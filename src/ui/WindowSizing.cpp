// Fitting the screen: the content scrolls inside the window, the window stays within its screen, boxes that
// scroll by themselves give up height first, and folding an area in or out keeps the height the user chose.
#include <QGuiApplication>
#include <QLayout>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Settings.h"
#include "ui/FormWindow.h"

namespace pv::ui {

QSize FormWindow::frameAllowance() {
    return {16, 48};
}

namespace {
// Where every window keeps its place; none in the tests and the screenshots.
pv::ISettings* placeMemory = nullptr;
}  // namespace

void FormWindow::RememberPlacesIn(pv::ISettings* settings) {
    placeMemory = settings;
}

void FormWindow::RestorePlace() {
    if (!placeMemory) return;
    const auto kept = pv::ParsePlace(placeMemory->Text(pv::WindowPlaceKey(form_.kind())));
    if (!kept) return;
    // The screens there are now, the primary first, each less the room a frame takes.
    std::vector<pv::Rect> screens;
    QList<QScreen*> all = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        all.removeAll(primary);
        all.prepend(primary);
    }
    for (const QScreen* screen : all) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width() - frameAllowance().width(),
                           area.height() - frameAllowance().height()});
    }
    const pv::Rect place = pv::FitPlace(*kept, screens);
    const QSize size = QSize(place.width, place.height).expandedTo(minimumSize());
    ++adjusting_;
    setGeometry(place.x, place.y, size.width(), size.height());
    --adjusting_;
    // The height kept is the one the user chose: folding an area in or out starts from it.
    wantedHeight_ = size.height();
    requestedSize_ = size;
}

void FormWindow::KeepPlace() {
    if (!placeMemory || !shownOnce_) return;
    const QRect place = geometry();
    placeMemory->SetText(pv::WindowPlaceKey(form_.kind()),
                         pv::PlaceText({place.x(), place.y(), place.width(), place.height()}));
}

QScrollArea* FormWindow::WrapInScrollArea() {
    QLayout* top = layout();
    if (!top) return nullptr;
    // The window's child until the scroll area takes it, which lays it out: the caller does that once the
    // captions have their access keys, so that the layouts are worked out once rather than twice.
    content_ = new QWidget(this);
    content_->setObjectName("windowContent");
    // Takes the layout and every widget in it away from the window.
    content_->setLayout(top);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("windowScrollArea");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    NoteYieldingBoxes(content_);
    return scroll;
}

void FormWindow::NoteYieldingBoxes(const QWidget* root) {
    for (QAbstractScrollArea* box : root->findChildren<QAbstractScrollArea*>()) {
        // Four lines of text, or about three rows of a row area.
        const int least = 4 * box->fontMetrics().lineSpacing() + 2 * box->frameWidth();
        if (box->minimumHeight() > least) yielding_.push_back({box, box->minimumHeight(), least});
    }
}

QSize FormWindow::Room() const {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return screen->availableGeometry().size() - frameAllowance();
}

int FormWindow::ContentHeight(bool least) {
    for (QLayout* inner : content_->findChildren<QLayout*>()) inner->invalidate();
    content_->layout()->invalidate();
    content_->layout()->activate();
    return least ? content_->minimumSizeHint().height() : content_->sizeHint().height();
}

void FormWindow::GiveWayToScreen(int roomHeight) {
    bool restored = false;
    for (const Yielding& box : yielding_) {
        if (box.box->minimumHeight() == box.designed) continue;
        box.box->setMinimumHeight(box.designed);
        restored = true;
    }
    if (yielding_.empty()) return;
    // Both callers have just laid the content out whole (the scroll area taking it, or a fold measuring it):
    // unless a box got its designed height back since, the least height found then still holds, and a
    // second pass over every layout would only hold up the window.
    const int least = restored ? ContentHeight(true) : content_->minimumSizeHint().height();
    if (least <= roomHeight) return;
    // Every box gives up the same height (boxes side by side then still line up), as little as lets the
    // content fit: the least cut found by halving, each box stopping at its fewest lines.
    int most = 0;
    for (const Yielding& box : yielding_) most = std::max(most, box.designed - box.least);
    const auto cutBy = [this](int cut) {
        for (const Yielding& box : yielding_)
            box.box->setMinimumHeight(std::max(box.least, box.designed - cut));
    };
    int low = 0;
    int high = most;
    while (low < high) {
        const int cut = (low + high) / 2;
        cutBy(cut);
        if (ContentHeight(true) <= roomHeight) {
            high = cut;
        } else {
            low = cut + 1;
        }
    }
    cutBy(low);
}

void FormWindow::ResizeTo(QSize size) {
    const QSize room = Room();
    QSize fitted = size.boundedTo(room);
    if (fitted.height() < size.height() && content_->minimumSizeHint().height() > fitted.height()) {
        // The scroll bar that then appears takes its width beside the content, not from it.
        fitted.setWidth(
            std::min(room.width(), fitted.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
    }
    fitted = fitted.expandedTo(minimumSize());
    requestedSize_ = fitted;
    ++adjusting_;
    resize(fitted);
    --adjusting_;
}

void FormWindow::UpdateMinimumSize() {
    // Never smaller than the content needs, unless the screen itself is smaller: then the content scrolls.
    const QSize room = Room();
    GiveWayToScreen(room.height());
    QSize least = content_->minimumSizeHint();
    if (least.height() > room.height()) least.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ++adjusting_;
    setMinimumSize(least.boundedTo(room));
    --adjusting_;
}

void FormWindow::Refold() {
    // The window grows or shrinks by the height of what folded and keeps the height chosen for the rest, so
    // folding back returns to exactly the same height.
    wantedHeight_ += ContentHeight(false) - heightBefore_;
    UpdateMinimumSize();
    ResizeTo({width(), wantedHeight_});
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    // A size the user chose is the one folding keeps; the sizes this window asked for are not.
    if (!adjusting_ && event->size() != requestedSize_) wantedHeight_ = event->size().height();
    QDialog::resizeEvent(event);
}

}  // namespace pv::ui
