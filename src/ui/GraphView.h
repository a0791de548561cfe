#pragma once
#include <QAbstractScrollArea>
#include <QColor>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pv::ui {

// The Overview's drawing of the reference graph: the DOT the logic gives, laid out by Graphviz's library
// (libgvc) and drawn with QPainter, so that each node is known by its place for hit-testing. The nodes are
// numbered as the DOT declares them, which is the order of the logic's list of nodes. Double-clicking a node,
// or Enter on the current one (the arrow keys move it), calls `activated` with its number.
//
// A large installation takes Graphviz seconds to lay out: that is done on another thread, one layout at a
// time, while the view lists the nodes, one to a line, to be read and opened as in the drawing.
class GraphView : public QAbstractScrollArea {
  public:
    explicit GraphView(QWidget* parent = nullptr);
    ~GraphView() override;

    // Lays `dot` out; `lines` are the nodes' lines in the logic, listed until the layout is done, and for
    // good should it fail.
    void setGraph(const std::string& dot, const std::vector<std::string>& lines);
    // Waits for the layout under way, if any, and shows it (for a picture of the window).
    void finishLayout();
    bool layingOut() const { return pending_ != nullptr; }
    const std::string& dot() const { return dot_; }
    std::function<void(int node)> activated;

    // The number of the node at `point` (in the viewport), or -1.
    int nodeAt(QPoint point) const;
    // Where node `index` is drawn, in the viewport (scrolled into view first).
    QPoint nodeCentre(int index);
    int nodeCount() const { return static_cast<int>(nodes_.size()); }
    QString nodeLabel(int index) const { return nodes_.at(static_cast<size_t>(index)).label; }
    // Whether the library laid the graph out (otherwise the lines are listed).
    bool laidOut() const { return laidOut_; }
    void setCurrent(int index);
    int current() const { return current_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override;

  private:
    struct Node {
        QRectF rect;  // in points, the top left of the drawing at 0, 0
        QString label;
        QString shape;
        QColor colour;
        Qt::PenStyle style = Qt::SolidLine;
    };
    struct Edge {
        QPainterPath path;
        QPolygonF arrow;
    };
    // What a layout gives: made on the layout's thread, shown on the window's.
    struct Drawing {
        std::vector<Node> nodes;
        std::vector<Edge> edges;
        QSizeF size;
        bool laidOut = false;
        std::string problem;  // why Graphviz could not be loaded; "" when it was
    };
    struct Pending;
    static Drawing LayOut(const std::string& dot);
    void Show(Drawing drawing);
    void UpdateScrollBars();
    double Scale() const;
    QPointF Offset() const;

    std::string dot_;
    std::vector<std::string> lines_;
    std::vector<Node> nodes_;
    std::vector<Edge> edges_;
    QSizeF size_;
    bool laidOut_ = false;
    int current_ = -1;
    std::shared_ptr<Pending> pending_;  // the layout under way, whose drawing is to be shown
};

}  // namespace pv::ui
