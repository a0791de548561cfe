#pragma once
#include <functional>
#include <string>

#include "core/form.h"
#include "core/services.h"
#include "master/ReferenceGraph.h"

namespace pv {

// "Overview": the files of the installation and how they name one another, drawn as the tool's graph command
// prints them (lstOverview holds the graph's DOT as its text and a line per node as its items, in the
// graph's order). Double-clicking a node, or Enter on its line, opens the editor of what it stands for
// through `open`, the main window's own way of opening it; a missing file says so instead.
class FrmOverview : public Form {
  public:
    using Opener = std::function<void(const GraphNode& node)>;
    FrmOverview(Services& services, ReferenceGraph graph, Opener open);

    const ReferenceGraph& graph() const { return graph_; }
    // Shows `graph` in place of the one shown, the same file kept selected when it is still there, or the
    // node `nowSelected` when given (a mailbox renamed from here).
    void Redraw(ReferenceGraph graph, const std::string& nowSelected = {});

  private:
    void OpenSelected();

    Services& services_;
    ReferenceGraph graph_;
    Opener open_;
};

// The line of a node in the Overview's list: its name, its kind and type, and whether it is missing or could
// not be read.
std::string OverviewLine(const GraphNode& node);

}  // namespace pv
