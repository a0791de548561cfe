// What every window owes its users, checked on every window the program has: the gallery opens each one
// (some in several states) on a copy of the sample configuration, and each test walks all of them. A window
// added to the program is checked here as soon as the gallery opens it; each failure names the window, the
// control and what to do about it.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QWindow>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "UiTestSupport.h"
#include "core/FileEditor.h"
#include "core/HeadlessServices.h"
#include "editors/Editors.h"
#include "support/TestFiles.h"
#include "ui/AccessKeys.h"
#include "ui/Screenshots.h"
#include "ui/WindowGallery.h"
#include "ui/WindowLayouts.h"

namespace pv::test {
namespace {

namespace fs = std::filesystem;
using ui::FormWindow;

// The faults found, one line each.
class Faults {
  public:
    void Add(const std::string& window, const std::string& what) { lines_.push_back(window + ": " + what); }
    std::string Text() const {
        std::string text;
        for (const auto& line : lines_) text += line + "\n";
        return text;
    }
    bool empty() const { return lines_.empty(); }

  private:
    std::vector<std::string> lines_;
};

std::string Name(const QWidget* widget) {
    return widget->objectName().toStdString();
}

// Opens every window of the gallery as the program does (the main window alone, the others as dialogs of
// the window below) and hands each, shown, to `check`. Returns the kinds of window visited.
std::set<std::string> ForEveryWindow(const std::function<void(FormWindow&, const std::string& name)>& check) {
    TempDir dir;
    fs::copy(std::string(POSTVANE_EXAMPLES) + "/config", dir / "config", fs::copy_options::recursive);
    CollectingPrompts prompts;
    QWidget owner;
    owner.show();
    return ui::VisitEveryWindow(prompts, dir.path(), dir / "config/master.xml", dir.path(),
                                [&](Form& form, const std::string& name) {
                                    const bool main = form.kind() == "frmMain";
                                    FormWindow window(form, main ? nullptr : &owner);
                                    window.show();
                                    QApplication::processEvents();
                                    check(window, name);
                                    window.hide();
                                });
}

// The controls of the logic that are on screen now (a window's content may be scrolled out of sight).
std::vector<QWidget*> ShownControls(FormWindow& window) {
    std::vector<QWidget*> shown;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (window.form().HasControl(Name(widget)) && widget->isVisibleTo(&window)) shown.push_back(widget);
    }
    return shown;
}

bool IsInteractive(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QAbstractButton*>(widget);
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// The access key a widget's text marks ("&Save": 's'), or 0.
QChar AccessKey(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] != u'&') return text[i + 1].toLower();
        ++i;
    }
    return QChar();
}

QString ShownText(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    return QString();
}

bool HasLetter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

bool IsRowControl(FormWindow& window, const QWidget* widget) {
    return window.form().control(Name(widget)).row >= 0;
}

std::string Rgb(const QColor& c) {
    return "rgb(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + ")";
}

// Where the test runs at a scale of its own (the scale-2 run), the screen must really be scaled.
TEST(EveryWindow, RunsAtTheScaleItWasStartedFor) {
    const QByteArray expected = qgetenv("POSTVANE_EXPECT_SCALE");
    if (expected.isEmpty()) GTEST_SKIP() << "not the scaled run";
    EXPECT_EQ(QApplication::primaryScreen()->devicePixelRatio(), expected.toDouble());
}

// A new editor is its logic, its layout and one registration line: the gallery then opens it with nothing
// more.
TEST(EveryWindow, EveryLayoutAndEveryRegisteredEditorIsOpenedByTheGallery) {
    const std::set<std::string> visited = ForEveryWindow([](FormWindow&, const std::string&) {});
    for (const auto& [kind, setup] : ui::WindowLayouts()) {
        // A row repeated inside a window, or a part of one ("frmMain_frameAdvanced"): not a window of its
        // own.
        if (kind.rfind("row", 0) == 0 || kind.find('_') != std::string::npos) continue;
        EXPECT_TRUE(visited.count(kind))
            << kind << " has a layout but the window gallery never opens it: open it in "
            << "VisitEveryWindow (src/ui/WindowGallery.cpp) so that these tests and the "
            << "screenshots cover it";
    }
    for (const EditorRegistration& editor : BuiltInEditors().editors) {
        if (!editor.make) continue;  // a monitor type with nothing to edit has no window
        EXPECT_TRUE(visited.count(editor.setup.formName)) << editor.setup.type;
    }
}

TEST(EveryWindow, ShowsEveryControlOfItsLogicPasswordsAsStarsAndNoCaptionOfItsOwn) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        for (const std::string& missing : window.missingControls()) {
            faults.Add(name, "the layout lacks " + missing + ", a control of the logic");
        }
        for (QLineEdit* box : window.findChildren<QLineEdit*>()) {
            if (box->objectName().endsWith("Password") && box->echoMode() != QLineEdit::Password)
                faults.Add(name, Name(box) + " shows the password it holds: mark its control as a password");
        }
        if (window.windowTitle().toStdString() != window.form().caption())
            faults.Add(name, "shows another title");
        // A caption shown by the layout alone would be out of reach of the headless tests.
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            const bool showsText = qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                                   qobject_cast<QGroupBox*>(widget);
            if (showsText && !widget->objectName().startsWith("qt_") &&
                !window.form().HasControl(Name(widget))) {
                faults.Add(name, Name(widget) + " shows a caption but is not a control of the logic");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

// What a window is, for the window manager and for a screen reader alike.
TEST(EveryWindow, TheMainWindowIsAWindowAndTheOthersModalDialogsOfTheirParent) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        const Qt::WindowFlags flags = window.windowFlags();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&window);
        const QAccessible::Role role = accessible ? accessible->role() : QAccessible::NoRole;
        if (window.form().kind() == "frmMain") {
            if ((flags & Qt::WindowType_Mask) != Qt::Window)
                faults.Add(name, "the main window is not a window of its own");
            if (!(flags & Qt::WindowMinimizeButtonHint))
                faults.Add(name, "the main window cannot be minimized");
            if (role != QAccessible::Window)
                faults.Add(name, "the main window is announced with role " + std::to_string(role) +
                                     ", not as a window");
            return;
        }
        if ((flags & Qt::WindowType_Mask) != Qt::Dialog)
            faults.Add(name, "is not a dialog of the window that opened it");
        if (role != QAccessible::Dialog) faults.Add(name, "is not announced as a dialog");
        if (flags & Qt::WindowMinimizeButtonHint)
            faults.Add(name, "has a minimize button: a minimized dialog hides the modal");
        if (window.windowModality() != Qt::ApplicationModal) faults.Add(name, "is not modal");
        const QWindow* handle = window.windowHandle();
        if (!handle || !handle->transientParent())
            faults.Add(name, "is not transient for its parent (own taskbar entry)");
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

TEST(EveryWindow, EveryControlIsAnnouncedByANameOfItsOwn) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        std::map<QString, std::string> announced;
        for (QWidget* widget : ShownControls(window)) {
            if (!IsInteractive(widget)) continue;
            const QString spoken = AccessibleName(widget);
            const bool declared = !window.form().control(Name(widget)).accessibleName.empty();
            if (spoken.trimmed().isEmpty()) {
                faults.Add(name, Name(widget) +
                                     " has no accessible name: put its label left of it (or above it) in "
                                     "the layout, or declare Control::accessibleName in the logic");
            } else if (!HasLetter(spoken)) {
                faults.Add(name,
                           Name(widget) + " is announced as \"" + spoken.toStdString() +
                               "\": declare Control::accessibleName in the logic (\"Choose the ... file\")");
            } else if (const auto twin = announced.find(spoken); twin != announced.end()) {
                faults.Add(name, twin->second + " and " + Name(widget) + " are both announced as \"" +
                                     spoken.toStdString() +
                                     "\": declare distinct Control::accessibleName in the logic");
            } else {
                announced[spoken] = Name(widget);
            }
            const bool field = qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
                               qobject_cast<QAbstractItemView*>(widget);
            if (field && !declared && !window.labelOf(widget) && !IsRowControl(window, widget)) {
                faults.Add(name, Name(widget) +
                                     " has no label as its buddy: put its label left of it (or above it) "
                                     "in the layout, or declare Control::accessibleName in the logic");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

TEST(EveryWindow, LabelsAndButtonsHaveAccessKeysThatDoNotClash) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        std::map<QChar, std::string> keys;
        // A control in a folded area keeps its key out of sight: Alt+ that key goes to it, not to a shown
        // one.
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!window.form().HasControl(Name(widget)) || IsRowControl(window, widget)) continue;
            const QString text = ShownText(widget);
            const QChar key = AccessKey(text);
            if (!key.isNull()) {
                const auto [holder, fresh] = keys.emplace(key, Name(widget));
                if (!fresh) {
                    faults.Add(name, "Alt+" + QString(key).toUpper().toStdString() +
                                         " is the access key of both " + holder->second + " and " +
                                         Name(widget));
                }
                continue;
            }
            if (!widget->isVisibleTo(&window)) continue;
            auto* label = qobject_cast<QLabel*>(widget);
            const bool wants = (label && label->buddy()) || qobject_cast<QPushButton*>(widget) ||
                               qobject_cast<QCheckBox*>(widget) ||
                               (qobject_cast<QGroupBox*>(widget) && !text.isEmpty());
            if (wants && HasLetter(ui::WithoutAccessKey(text))) {
                faults.Add(name, Name(widget) + " (\"" + ui::WithoutAccessKey(text).toStdString() +
                                     "\") has no access key: its letters are all taken in this window");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

// A key learnt in one window does the same in the next: the same command has the same access key in every
// window, and the key of a destructive one (deleting, or leaving without saving) is no other control's in
// any window, so that a harmless habit never deletes or discards.
TEST(EveryWindow, ACommandKeepsItsAccessKeyAndADestructiveOneSharesItWithNothing) {
    const std::set<std::string> destructive = {"Delete", "Exit and Discard Changes", "Exit without saving",
                                               "Cancel and exit"};
    std::map<std::string, std::map<QChar, std::string>> commands;  // caption -> key -> where it has it
    std::map<QChar, std::string> destroys;                         // key -> the destructive command
    std::map<QChar, std::vector<std::string>> harmless;            // key -> the other controls with it
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        std::set<std::string> seen;
        for (QWidget* widget : ShownControls(window)) {
            const QChar key = AccessKey(ShownText(widget));
            if (key.isNull() || IsRowControl(window, widget)) continue;
            const std::string caption = ui::WithoutAccessKey(ShownText(widget)).toStdString();
            const std::string where = name + ": " + Name(widget) + " (\"" + caption + "\")";
            // Of two buttons of one caption in a window, the first has the command's key.
            if (qobject_cast<QPushButton*>(widget) && seen.insert(caption).second)
                commands[caption][key] = where;
            if (destructive.count(caption)) {
                destroys[key] = caption;
            } else {
                harmless[key].push_back(where);
            }
        }
    });
    Faults faults;
    for (const auto& [caption, keys] : commands) {
        if (keys.size() < 2) continue;
        std::string places;
        for (const auto& [key, where] : keys)
            places += " Alt+" + QString(key).toUpper().toStdString() + " in " + where;
        faults.Add(caption, "has" + places);
    }
    for (const auto& [key, caption] : destroys) {
        for (const std::string& where : harmless[key]) {
            faults.Add(where, "takes Alt+" + QString(key).toUpper().toStdString() + ", which is \"" +
                                  caption + "\" in another window");
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

TEST(EveryWindow, OptionsAreRadioButtonsAndAGroupIsOneTabStop) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        std::map<QButtonGroup*, int> stops;
        for (QWidget* widget : ShownControls(window)) {
            auto* option = qobject_cast<QRadioButton*>(widget);
            if (!option) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(option);
            if (!accessible || accessible->role() != QAccessible::RadioButton) {
                faults.Add(name, Name(option) + " is not announced as a radio button");
            }
            if (!option->group() || !option->group()->exclusive()) {
                faults.Add(name, Name(option) + " is in no exclusive button group");
                continue;
            }
            stops[option->group()] += (option->focusPolicy() & Qt::TabFocus) && option->isEnabled() ? 1 : 0;
        }
        for (const auto& [group, count] : stops) {
            if (count != 1) {
                faults.Add(name, "the group of " + Name(group->buttons().front()) + " has " +
                                     std::to_string(count) + " Tab stops instead of one");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

// Where a widget stands for a reader: in its window with the window's content scrolled to its start, or,
// inside an area that scrolls rows of its own, where that area stands and then where it stands among the
// rows.
struct ReadingPlace {
    QWidget* area = nullptr;  // the row area the widget is in, if any
    QRect outer;              // the widget, or its area, in the window
    QRect inner;              // the widget among the area's rows
    auto key() const { return std::make_tuple(outer.y(), outer.x(), inner.y(), inner.x()); }
};

ReadingPlace PlaceOf(FormWindow& window, QWidget* widget) {
    ReadingPlace place;
    QWidget* standIn = widget;
    for (QWidget* ancestor = widget->parentWidget(); ancestor && ancestor != &window;
         ancestor = ancestor->parentWidget()) {
        auto* scroll = qobject_cast<QScrollArea*>(ancestor);
        if (scroll && scroll->objectName() != "windowScrollArea" && !place.area) {
            place.area = scroll;
            place.inner = QRect(widget->mapTo(scroll->widget(), QPoint()), widget->size());
            standIn = scroll;
        }
    }
    QPoint at = standIn->mapTo(&window, QPoint());
    if (auto* content = window.findChild<QScrollArea*>("windowScrollArea")) {
        at += QPoint(content->horizontalScrollBar()->value(), content->verticalScrollBar()->value());
    }
    place.outer = QRect(at, standIn->size());
    return place;
}

// Whether `after` comes before `before` in reading order: above it, unless in a column to its right, or
// left of it on the same line.
bool ComesEarlier(const QRect& before, const QRect& after) {
    const bool sameRow = std::abs(before.center().y() - after.center().y()) < before.height() / 2 + 2;
    return sameRow ? after.left() < before.left()
                   : after.center().y() < before.center().y() && after.left() < before.right();
}

// The widgets Tab visits in one round, pressing Tab from the first focus until it comes back, then turned
// to start at the stop that comes first in reading order (top, then left).
std::vector<QWidget*> TabRound(FormWindow& window) {
    std::vector<QWidget*> round;
    QWidget* const start = window.focusWidget();
    for (QWidget* focus = start; focus && round.size() < 600;) {
        round.push_back(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = window.focusWidget();
        if (focus == start) break;
    }
    const auto place = [&window](QWidget* widget) { return PlaceOf(window, widget).key(); };
    const auto top = std::min_element(round.begin(), round.end(),
                                      [&](QWidget* a, QWidget* b) { return place(a) < place(b); });
    std::rotate(round.begin(), top, round.end());
    return round;
}

bool IsEditable(const QWidget* widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return !edit->isReadOnly();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(widget)) return !text->isReadOnly();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->isCheckable();
    return qobject_cast<const QAbstractItemView*>(widget) != nullptr;
}

TEST(EveryWindow, TheFirstFocusIsTheFirstFieldAndTabFollowsTheReadingOrder) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        QWidget* focus = window.focusWidget();
        const std::vector<QWidget*> stops = TabRound(window);
        const auto firstEditable = std::find_if(stops.begin(), stops.end(), IsEditable);
        if (!focus) {
            faults.Add(name, "opens with the focus nowhere");
        } else if (firstEditable != stops.end() && focus != *firstEditable) {
            faults.Add(name, "opens with the focus on " + Name(focus) + " instead of its first field " +
                                 Name(*firstEditable));
        } else if (auto* button = qobject_cast<QPushButton*>(focus); button && !HasLetter(button->text())) {
            faults.Add(name, "opens with the focus on the \"...\" button " + Name(focus));
        }
        for (size_t i = 1; i < stops.size(); ++i) {
            const ReadingPlace before = PlaceOf(window, stops[i - 1]);
            const ReadingPlace after = PlaceOf(window, stops[i]);
            const bool backwards = before.area && before.area == after.area
                                       ? ComesEarlier(before.inner, after.inner)
                                       : ComesEarlier(before.outer, after.outer);
            if (backwards) {
                faults.Add(name, "Tab goes from " + Name(stops[i - 1]) + " back to " + Name(stops[i]) +
                                     ", which comes earlier in the reading order");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

TEST(EveryWindow, FitsItsScreenScrollingRatherThanGrowingPastIt) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        const QSize room = window.screen()->availableGeometry().size() - FormWindow::frameAllowance();
        // The allowance stands for the frame a window manager puts around the window.
        const QSize size = window.size();
        if (size.width() > room.width() || size.height() > room.height()) {
            faults.Add(name, "is " + std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                                 " px, the screen leaves " + std::to_string(room.width()) + "x" +
                                 std::to_string(room.height()));
        }
        auto* scroll = window.findChild<QScrollArea*>("windowScrollArea");
        if (!scroll) {
            faults.Add(name, "has no scroll area around its content");
        } else if (scroll->horizontalScrollBar()->maximum() > 0) {
            faults.Add(name, "needs " + std::to_string(scroll->widget()->minimumSizeHint().width()) +
                                 " px of width, the screen leaves " + std::to_string(room.width()) +
                                 ": narrow its layout (smaller minimum widths, fewer columns)");
        } else if (scroll->verticalScrollBar()->maximum() > 0) {
            // The whole window scrolls (its buttons out of sight) only when the boxes that scroll by
            // themselves are already down to a few lines.
            for (const QAbstractScrollArea* box : scroll->widget()->findChildren<QAbstractScrollArea*>()) {
                const int lines = 4 * box->fontMetrics().lineSpacing() + 2 * box->frameWidth();
                if (box->isVisibleTo(&window) && box->minimumHeight() > lines) {
                    faults.Add(name, "scrolls as a whole while " + Name(box) + " keeps a minimum height of " +
                                         std::to_string(box->minimumHeight()) + " px");
                }
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

TEST(EveryWindow, EveryTextReadsUnderADarkPalette) {
    const QPalette light = QApplication::palette();
    const QString style = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(ui::DarkPalette());
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        QList<QWidget*> widgets = window.findChildren<QWidget*>();
        widgets.prepend(&window);
        for (QWidget* widget : widgets) {
            if (!widget->styleSheet().isEmpty()) {
                faults.Add(name,
                           Name(widget) + " has a style sheet: the binding gives every window its colours");
            }
            if (!widget->isVisibleTo(&window)) continue;
            const QPalette& palette = widget->palette();
            QPalette::ColorRole front = QPalette::NoRole;
            QPalette::ColorRole back = QPalette::NoRole;
            const bool box = qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
                             qobject_cast<QAbstractItemView*>(widget);
            // A disabled caption is meant to be dim; a disabled box still shows a value that must be read.
            if (!box && !widget->isEnabled()) continue;
            if (box) {
                front = QPalette::Text;
                back = QPalette::Base;
            } else if (qobject_cast<QPushButton*>(widget)) {
                front = QPalette::ButtonText;
                back = QPalette::Button;
            } else if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                       qobject_cast<QGroupBox*>(widget)) {
                front = QPalette::WindowText;
                back = QPalette::Window;
            } else {
                continue;
            }
            const QPalette::ColorGroup group = widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
            const QColor text = palette.color(group, front);
            const QColor ground = palette.color(group, back);
            if (Contrast(text, ground) < (widget->isEnabled() ? 4.5 : 3.0)) {
                faults.Add(name, Name(widget) + " shows " + Rgb(text) + " on " + Rgb(ground) +
                                     " under a dark palette: set both colours of the pair, or none");
            }
        }
    });
    QApplication::setPalette(light);
    QApplication::setStyle(style);
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

// How an option's indicator reads, drawn as the option draws it: the contrast of its ring with the window
// around it, the contrast of its dot's centre with what is there when it is not selected, and the share of
// its width that the dot changes by 3:1 or more.
struct IndicatorLook {
    double ring = 0;
    double dot = 0;
    double size = 0;
};

IndicatorLook LookOf(QAbstractButton* option) {
    QStyle* style = option->style();
    const bool radio = qobject_cast<QRadioButton*>(option) != nullptr;
    const QSize size(
        style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr,
                           option),
        style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight, nullptr,
                           option));
    const QColor window = option->palette().color(QPalette::Window);
    const auto draw = [&](bool on) {
        QStyleOptionButton indicator;
        indicator.initFrom(option);
        indicator.rect = QRect(QPoint(2, 2), size);
        indicator.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_HasFocus);
        indicator.state |= on ? QStyle::State_On : QStyle::State_Off;
        QImage image(size + QSize(4, 4), QImage::Format_RGB32);
        image.fill(window);
        QPainter painter(&image);
        style->drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox,
                             &indicator, &painter, option);
        return image;
    };
    const QImage off = draw(false);
    const QImage on = draw(true);
    IndicatorLook look;
    const QPoint centre(2 + size.width() / 2, 2 + size.height() / 2);
    look.dot = Contrast(on.pixelColor(centre), off.pixelColor(centre));
    int dot = 0;
    for (int x = 2; x < 2 + size.width(); ++x) {
        const int y = centre.y();
        if (x < 2 + size.width() / 4) look.ring = std::max(look.ring, Contrast(off.pixelColor(x, y), window));
        if (Contrast(on.pixelColor(x, y), off.pixelColor(x, y)) >= 3) ++dot;
    }
    look.size = static_cast<double>(dot) / size.width();
    return look;
}

// An option shows where it is and whether it is selected under a light and a dark palette: its ring (and a
// check box's outline) stands out from the window by 3:1, as any control's outline must, and its dot, the one
// mark of the selection, stands out as well as text must where it is to be read at a glance (7:1) and covers
// a third of it.
TEST(EveryWindow, OptionsAndCheckBoxesShowTheirOutlineUnderALightAndADarkPalette) {
    const QPalette light = QApplication::palette();
    const QString style = QApplication::style()->name();
    Faults faults;
    for (const bool dark : {false, true}) {
        if (dark) {
            QApplication::setStyle(QStyleFactory::create("Fusion"));
            QApplication::setPalette(ui::DarkPalette());
        }
        ForEveryWindow([&](FormWindow& window, const std::string& name) {
            for (QRadioButton* option : window.findChildren<QRadioButton*>()) {
                if (!option->isVisibleTo(&window) || !option->isEnabled()) continue;
                const IndicatorLook look = LookOf(option);
                const std::string palette = dark ? " under the dark palette" : " under the light palette";
                if (look.ring < 3) {
                    faults.Add(name, Name(option) + "'s ring stands out from the window by " +
                                         std::to_string(look.ring) + ":1" + palette);
                }
                if (look.dot < 7) {
                    faults.Add(name, Name(option) + "'s dot stands out by " + std::to_string(look.dot) +
                                         ":1" + palette);
                }
                if (look.size < 1.0 / 3) {
                    faults.Add(name, Name(option) + "'s dot covers " + std::to_string(look.size) +
                                         " of its width" + palette);
                }
                break;  // every option of a window is drawn alike
            }
            // A check box's outline is a control's outline too; its mark is the platform's own.
            for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
                if (!box->isVisibleTo(&window) || !box->isEnabled()) continue;
                if (const double ring = LookOf(box).ring; ring < 3) {
                    faults.Add(name, Name(box) + "'s outline stands out from the window by " +
                                         std::to_string(ring) + ":1" +
                                         (dark ? " under the dark palette" : " under the light palette"));
                }
                break;
            }
        });
    }
    QApplication::setPalette(light);
    QApplication::setStyle(style);
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

// A check that fails puts the focus on the control the user has to mend: each names its control.
TEST(EveryWindow, EveryCheckOfAFileEditorNamesTheControlAtFault) {
    Faults faults;
    ForEveryWindow([&](FormWindow& window, const std::string& name) {
        auto* editor = dynamic_cast<FileEditorForm*>(&window.form());
        if (!editor) return;
        for (const Message& check : editor->DeclaredChecks()) {
            if (check.place.control.empty()) {
                faults.Add(name, "the check \"" + check.text +
                                     "\" names no control: pass the one at fault to Check()");
            } else if (!editor->HasControl(check.place.control)) {
                faults.Add(name, "the check \"" + check.text + "\" names " + check.place.control +
                                     ", no control of it");
            }
        }
    });
    EXPECT_TRUE(faults.empty()) << faults.Text();
}

}  // namespace
}  // namespace pv::test
