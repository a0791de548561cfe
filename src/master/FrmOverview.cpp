#include "master/FrmOverview.h"

#include <utility>

#include "names/frmOverview.h"

namespace pv {

using namespace names::frmOverview;

std::string OverviewLine(const GraphNode& node) {
    std::string line = node.label + " (" + GraphNodeKindName(node.kind);
    if (!node.type.empty()) line += ", " + node.type;
    line += ")";
    if (node.state == GraphFileState::Missing) line += " - missing";
    if (node.state == GraphFileState::Unreadable) line += " - could not be read";
    return line;
}

namespace {

std::vector<std::string> Lines(const ReferenceGraph& graph) {
    std::vector<std::string> lines;
    for (const GraphNode& node : graph.nodes) lines.push_back(OverviewLine(node));
    return lines;
}

}  // namespace

FrmOverview::FrmOverview(Services& services, ReferenceGraph graph, Opener open)
    : Form(frmOverview, "Overview of the installation"),
      services_(services),
      graph_(std::move(graph)),
      open_(std::move(open)) {
    // One short line: on a small screen a label that wraps would take the graph's room.
    AddControl(lblOverview, ControlKind::Label,
               "The files the master leads to, unsaved changes included. Double-click one to edit it.");
    Control& overview = AddControl(
        lstOverview, ControlKind::List, GraphDot(graph_),
        "Missing files are dashed and red, files that could not be read dotted and orange. The arrow "
        "keys choose a file, Enter opens it.");
    overview.items = Lines(graph_);
    overview.accessibleName = "Files of the installation";
    AddControl(cmdEscape, ControlKind::Button, "Close");
    setDefaultButton(cmdEscape);
    OnClick(cmdEscape, [this] { Close(); });
    OnDoubleClick(lstOverview, [this] { OpenSelected(); });
}

void FrmOverview::OpenSelected() {
    const std::vector<int>& selection = Selection(lstOverview);
    if (selection.size() != 1 || selection.front() < 0 ||
        static_cast<size_t>(selection.front()) >= graph_.nodes.size()) {
        return;
    }
    // A copy: the opener may draw the graph anew.
    const GraphNode node = graph_.nodes[static_cast<size_t>(selection.front())];
    if (node.isFile() && node.state == GraphFileState::Missing) {
        services_.prompts.ShowMessage("The " + std::string(GraphNodeKindName(node.kind)) + " " + node.label +
                                      " does not exist" + (node.path.empty() ? "" : ": " + node.path));
        return;
    }
    open_(node);
}

void FrmOverview::Redraw(ReferenceGraph graph, const std::string& nowSelected) {
    std::string selectedId = nowSelected;
    if (const std::vector<int>& selection = Selection(lstOverview);
        selectedId.empty() && selection.size() == 1 &&
        static_cast<size_t>(selection.front()) < graph_.nodes.size()) {
        selectedId = graph_.nodes[static_cast<size_t>(selection.front())].id;
    }
    graph_ = std::move(graph);
    SetText(lstOverview, GraphDot(graph_));
    SetItems(lstOverview, Lines(graph_));
    std::vector<int> selected;
    for (size_t i = 0; i < graph_.nodes.size(); ++i) {
        if (graph_.nodes[i].id == selectedId) selected.push_back(static_cast<int>(i));
    }
    SetSelection(lstOverview, selected);
}

}  // namespace pv
