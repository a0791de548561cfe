#include "ui/GraphView.h"

#include <dlfcn.h>
#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "ui/QtText.h"

namespace pv::ui {
namespace {

constexpr double kMargin = 12;      // points around the drawing
constexpr size_t kManyNodes = 300;  // a graph laid out with fewer rounds of crossing reduction

// Graphviz is loaded when the first graph is laid out, not when the editor starts: its libraries made every
// start a few milliseconds slower, for a window most sessions never open. Without it the Overview still
// lists the nodes, one to a line.
struct Graphviz {
    decltype(&gvContext) context = nullptr;
    decltype(&gvLayout) layout = nullptr;
    decltype(&gvFreeLayout) freeLayout = nullptr;
    decltype(&agmemread) read = nullptr;
    decltype(&agclose) close = nullptr;
    decltype(&agget) get = nullptr;
    decltype(&agfstnode) firstNode = nullptr;
    decltype(&agnxtnode) nextNode = nullptr;
    decltype(&agfstout) firstOut = nullptr;
    decltype(&agnxtout) nextOut = nullptr;
    std::string problem;  // why it could not be loaded; "" once it was
};

std::string LoadProblem(const char* what) {
    const char* error = ::dlerror();
    return error ? error : what;
}

template <typename Function>
void Find(void* library, const char* name, Function& function, std::string& problem) {
    function = library ? reinterpret_cast<Function>(::dlsym(library, name)) : nullptr;
    if (!function && problem.empty()) problem = LoadProblem(name);
}

const Graphviz& LoadedGraphviz() {
    static const Graphviz graphviz = [] {
        Graphviz loaded;
        // Kept loaded for the life of the program, as its context is (see Layout).
        void* cgraph = ::dlopen(POSTVANE_CGRAPH_LIBRARY, RTLD_NOW | RTLD_GLOBAL);
        if (!cgraph) loaded.problem = LoadProblem(POSTVANE_CGRAPH_LIBRARY);
        void* gvc = cgraph ? ::dlopen(POSTVANE_GVC_LIBRARY, RTLD_NOW | RTLD_GLOBAL) : nullptr;
        if (cgraph && !gvc) loaded.problem = LoadProblem(POSTVANE_GVC_LIBRARY);
        Find(gvc, "gvContext", loaded.context, loaded.problem);
        Find(gvc, "gvLayout", loaded.layout, loaded.problem);
        Find(gvc, "gvFreeLayout", loaded.freeLayout, loaded.problem);
        Find(cgraph, "agmemread", loaded.read, loaded.problem);
        Find(cgraph, "agclose", loaded.close, loaded.problem);
        Find(cgraph, "agget", loaded.get, loaded.problem);
        Find(cgraph, "agfstnode", loaded.firstNode, loaded.problem);
        Find(cgraph, "agnxtnode", loaded.nextNode, loaded.problem);
        Find(cgraph, "agfstout", loaded.firstOut, loaded.problem);
        Find(cgraph, "agnxtout", loaded.nextOut, loaded.problem);
        return loaded;
    }();
    return graphviz;
}

// An attribute of a node, or "" when the graph does not declare it.
QString Attribute(const Graphviz& graphviz, Agnode_t* node, const char* name) {
    char* value = graphviz.get(node, const_cast<char*>(name));
    return value ? QString::fromUtf8(value) : QString();
}

// A DOT label as text: its "\n" line breaks and "\\" backslashes (the parser has already taken "\"").
QString LabelText(const QString& label) {
    QString text;
    for (int i = 0; i < label.size(); ++i) {
        if (label[i] == '\\' && i + 1 < label.size()) {
            const QChar next = label[++i];
            text += next == 'n' || next == 'l' || next == 'r' ? QChar('\n') : next;
        } else {
            text += label[i];
        }
    }
    return text;
}

}  // namespace

// A layout under way: its drawing, once made, waits here for the window's thread.
struct GraphView::Pending {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Drawing> drawing;
};

GraphView::GraphView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

// A layout still under way runs to its end on its own; its drawing is dropped.
GraphView::~GraphView() = default;

void GraphView::setGraph(const std::string& dot, const std::vector<std::string>& lines) {
    if (dot == dot_ && lines == lines_) return;
    dot_ = dot;
    lines_ = lines;
    nodes_.clear();
    edges_.clear();
    laidOut_ = false;
    size_ = QSizeF();
    current_ = -1;
    auto pending = std::make_shared<Pending>();
    pending_ = pending;
    viewport()->setCursor(Qt::BusyCursor);
    const QPointer<GraphView> view(this);
    // The application's pool, which the application waits for when it ends: a layout never outlives it.
    QThreadPool::globalInstance()->start([pending, view, dot, many = lines.size() > kManyNodes] {
        // Laid out as drawn: a direction control in a name by its code, sized as it is shown.
        std::string shown = S(ToRead(dot));
        // Past a few hundred nodes, ordering each rank to cross fewer edges is nearly all of the layout's
        // time and grows much faster than the graph (a thousand mailboxes sharing their rules files: 4.4 s,
        // of which 4 s ordering). Fewer rounds of it halve that, and on such graphs found no fewer crossings;
        // a small graph keeps every round, where they still untangle a line or two.
        if (many) shown.insert(shown.find('\n') + 1, "  mclimit=0.01;\n");
        Drawing drawing = LayOut(shown);
        {
            const std::lock_guard<std::mutex> lock(pending->mutex);
            pending->drawing = std::move(drawing);
        }
        pending->done.notify_all();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [pending, view] {
                if (view && view->pending_ == pending) view->finishLayout();
            },
            Qt::QueuedConnection);
    });
    UpdateScrollBars();
    viewport()->update();
}

void GraphView::finishLayout() {
    const std::shared_ptr<Pending> pending = pending_;
    if (!pending) return;
    std::unique_lock<std::mutex> lock(pending->mutex);
    pending->done.wait(lock, [&] { return pending->drawing.has_value(); });
    Drawing drawing = std::move(*pending->drawing);
    lock.unlock();
    pending_.reset();
    Show(std::move(drawing));
}

void GraphView::Show(Drawing drawing) {
    viewport()->unsetCursor();
    if (!drawing.problem.empty()) {
        setToolTip(tr("The drawing needs Graphviz's library, which could not be loaded: %1")
                       .arg(QString::fromLocal8Bit(drawing.problem.c_str())));
    }
    nodes_ = std::move(drawing.nodes);
    edges_ = std::move(drawing.edges);
    size_ = drawing.size;
    laidOut_ = drawing.laidOut;
    // The drawing from its top left, the node the keys were on current and in view.
    UpdateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    if (current_ >= 0) setCurrent(current_);
    viewport()->update();
}

GraphView::Drawing GraphView::LayOut(const std::string& dot) {
    Drawing drawing;
    // Graphviz keeps state of its own between layouts: one at a time.
    static std::mutex oneAtATime;
    const std::lock_guard<std::mutex> lock(oneAtATime);
    // One Graphviz context for the life of the program: its text-measuring plug-in remembers the last font
    // it measured by a pointer into the context's table of fonts, and compares the next one with it, so a
    // second context after the first was freed would read freed memory.
    const Graphviz& gv = LoadedGraphviz();
    if (!gv.problem.empty()) {
        drawing.problem = gv.problem;
        return drawing;
    }
    static GVC_t* const context = gv.context();
    Agraph_t* graph = dot.empty() ? nullptr : gv.read(dot.c_str());
    if (graph && gv.layout(context, graph, "dot") == 0) {
        const boxf box = GD_bb(graph);
        drawing.size = QSizeF(box.UR.x - box.LL.x + 2 * kMargin, box.UR.y - box.LL.y + 2 * kMargin);
        // Graphviz puts y upwards; the drawing has it downwards.
        const auto at = [&](pointf p) { return QPointF(p.x - box.LL.x + kMargin, box.UR.y - p.y + kMargin); };
        // The nodes in the order the DOT declares them, which is the order of the logic's list.
        std::vector<Agnode_t*> declared;
        for (Agnode_t* node = gv.firstNode(graph); node; node = gv.nextNode(graph, node))
            declared.push_back(node);
        std::sort(declared.begin(), declared.end(),
                  [](Agnode_t* a, Agnode_t* b) { return AGSEQ(a) < AGSEQ(b); });
        for (Agnode_t* node : declared) {
            Node drawn;
            const double width = ND_width(node) * 72, height = ND_height(node) * 72;
            const QPointF centre = at(ND_coord(node));
            drawn.rect = QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height);
            drawn.label = LabelText(Attribute(gv, node, "label"));
            drawn.shape = Attribute(gv, node, "shape");
            const QString colour = Attribute(gv, node, "color");
            drawn.colour = colour.isEmpty() || colour == "black" ? QColor() : QColor(colour);
            const QString style = Attribute(gv, node, "style");
            drawn.style = style == "dashed" ? Qt::DashLine : style == "dotted" ? Qt::DotLine : Qt::SolidLine;
            drawing.nodes.push_back(drawn);
            for (Agedge_t* edge = gv.firstOut(graph, node); edge; edge = gv.nextOut(graph, edge)) {
                const splines* lines = ED_spl(edge);
                if (!lines || lines->size == 0) continue;
                const bezier& curve = lines->list[0];
                if (curve.size < 1) continue;
                Edge drawnEdge;
                drawnEdge.path.moveTo(at(curve.list[0]));
                for (int i = 1; i + 2 < curve.size; i += 3)
                    drawnEdge.path.cubicTo(at(curve.list[i]), at(curve.list[i + 1]), at(curve.list[i + 2]));
                if (curve.eflag) {
                    const QPointF tip = at(curve.ep), from = at(curve.list[curve.size - 1]);
                    const QPointF along = tip - from;
                    const double length = std::hypot(along.x(), along.y());
                    if (length > 0) {
                        const QPointF unit = along / length, normal(-unit.y(), unit.x());
                        drawnEdge.arrow << tip << from + normal * 3.5 << from - normal * 3.5;
                    }
                    drawnEdge.path.lineTo(from);
                }
                drawing.edges.push_back(drawnEdge);
            }
        }
        drawing.laidOut = true;
        gv.freeLayout(context, graph);
    }
    if (graph) gv.close(graph);
    return drawing;
}

double GraphView::Scale() const {
    // Graphviz measures in points. The whole installation is shown when it fits at its natural size (a
    // point to a point), else shrunk to fit, but never below the size at which its names can still be read:
    // past that it scrolls.
    const double natural = logicalDpiY() / 72.0;
    if (size_.isEmpty()) return natural;
    const QSize room = maximumViewportSize();
    const double fit = std::min(room.width() / size_.width(), room.height() / size_.height());
    return std::clamp(fit, 0.7 * natural, natural);
}

QPointF GraphView::Offset() const {
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void GraphView::UpdateScrollBars() {
    const QSize shown = viewport()->size();
    // Listed, the lines scroll as the lines of a list do.
    const QSizeF drawn =
        laidOut_ ? size_ * Scale()
                 : QSizeF(0, static_cast<double>(lines_.size()) * fontMetrics().lineSpacing() + 6);
    horizontalScrollBar()->setRange(0,
                                    std::max(0, static_cast<int>(std::ceil(drawn.width())) - shown.width()));
    verticalScrollBar()->setRange(0,
                                  std::max(0, static_cast<int>(std::ceil(drawn.height())) - shown.height()));
    horizontalScrollBar()->setPageStep(shown.width());
    verticalScrollBar()->setPageStep(shown.height());
}

void GraphView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

QSize GraphView::sizeHint() const {
    return QSize(640, 420);
}

void GraphView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    if (!laidOut_) {
        // Without a layout the nodes are still there to read and open: one line each.
        painter.setPen(colours.color(QPalette::Text));
        const int line = fontMetrics().lineSpacing();
        int y = line - verticalScrollBar()->value();
        for (size_t i = 0; i < lines_.size(); ++i, y += line) {
            if (static_cast<int>(i) == current_)
                painter.fillRect(QRect(0, y - line + 3, viewport()->width(), line), colours.highlight());
            painter.drawText(6, y, ToRead(lines_[i]));
        }
        if (pending_) {
            // Said in a corner, where no line's place is taken from it.
            const QString note = tr("Laying out the drawing\u2026");
            QRect corner = viewport()->rect().adjusted(6, 6, -6, -6);
            corner.setTop(corner.bottom() - line);
            painter.fillRect(
                corner.adjusted(corner.width() - fontMetrics().horizontalAdvance(note) - 8, 0, 0, 0),
                colours.window());
            painter.setPen(colours.color(QPalette::WindowText));
            painter.drawText(corner, Qt::AlignRight | Qt::AlignVCenter, note);
        }
        return;
    }
    painter.translate(-Offset());
    painter.scale(Scale(), Scale());
    // The font the DOT asks for, in points as the layout measured it (the painter's scale makes them pixels).
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    painter.setFont(font);
    const QColor ink = colours.color(QPalette::Text);
    painter.setPen(QPen(ink, 1));
    for (const Edge& edge : edges_) {
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(edge.path);
        painter.setBrush(ink);
        painter.drawPolygon(edge.arrow);
    }
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const Node& node = nodes_[i];
        const bool current = static_cast<int>(i) == current_;
        const QColor colour = node.colour.isValid() ? node.colour : ink;
        painter.setPen(
            QPen(current ? colours.color(QPalette::Highlight) : colour, current ? 2.5 : 1, node.style));
        painter.setBrush(colours.color(QPalette::Base));
        if (node.shape == "ellipse") {
            painter.drawEllipse(node.rect);
        } else if (node.shape == "doubleoctagon" || node.shape == "box3d") {
            painter.drawRect(node.rect);
            painter.drawRect(node.rect.adjusted(3, 3, -3, -3));
        } else {
            painter.drawRoundedRect(node.rect, 4, 4);
        }
        painter.setPen(colour);
        painter.drawText(node.rect, Qt::AlignCenter, node.label);
    }
}

int GraphView::nodeAt(QPoint point) const {
    if (!laidOut_) {
        const int index = (point.y() + verticalScrollBar()->value() - 3) / fontMetrics().lineSpacing();
        return index >= 0 && index < static_cast<int>(lines_.size()) ? index : -1;
    }
    const QPointF at = (QPointF(point) + Offset()) / Scale();
    for (size_t i = nodes_.size(); i-- > 0;) {
        if (nodes_[i].rect.contains(at)) return static_cast<int>(i);
    }
    return -1;
}

QPoint GraphView::nodeCentre(int index) {
    if (index < 0 || index >= nodeCount()) return {};
    const QPointF centre = nodes_[static_cast<size_t>(index)].rect.center() * Scale();
    horizontalScrollBar()->setValue(static_cast<int>(centre.x()) - viewport()->width() / 2);
    verticalScrollBar()->setValue(static_cast<int>(centre.y()) - viewport()->height() / 2);
    return (centre - Offset()).toPoint();
}

void GraphView::setCurrent(int index) {
    const int count = laidOut_ ? nodeCount() : static_cast<int>(lines_.size());
    current_ = count == 0 ? -1 : std::clamp(index, 0, count - 1);
    if (laidOut_ && current_ >= 0) {
        const QRectF shown = QRectF(nodes_[static_cast<size_t>(current_)].rect.topLeft() * Scale(),
                                    nodes_[static_cast<size_t>(current_)].rect.size() * Scale());
        if (!QRectF(Offset(), QSizeF(viewport()->size())).contains(shown)) nodeCentre(current_);
    } else if (current_ >= 0) {
        // The current line in view, as a list keeps it.
        const int line = fontMetrics().lineSpacing();
        const int top = current_ * line + 3, bottom = top + line;
        QScrollBar* bar = verticalScrollBar();
        if (top < bar->value()) bar->setValue(top);
        if (bottom > bar->value() + viewport()->height()) bar->setValue(bottom - viewport()->height());
    }
    viewport()->update();
}

void GraphView::mousePressEvent(QMouseEvent* event) {
    if (const int node = nodeAt(event->position().toPoint()); node >= 0) setCurrent(node);
    QAbstractScrollArea::mousePressEvent(event);
}

void GraphView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int node = nodeAt(event->position().toPoint());
    if (node < 0) return;
    setCurrent(node);
    if (activated) activated(node);
}

void GraphView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down:
            setCurrent(current_ + 1);
            return;
        case Qt::Key_Left:
        case Qt::Key_Up:
            setCurrent(current_ < 0 ? 0 : current_ - 1);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current_ >= 0 && activated) {
                activated(current_);
                return;
            }
            break;
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace pv::ui
