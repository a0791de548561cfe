// The Overview window offscreen: opened from the main window's button, the graph laid out by Graphviz's
// library, and a real double-click on a file's node (and Enter on a mailbox's) opening its editor.
#include <QScrollBar>
#include <QTest>

#include "UiTestSupport.h"
#include "master/FrmOverview.h"
#include "support/Scripted.h"
#include "ui/GraphView.h"

namespace pv::test {
namespace {

using ui::FormWindow;

int NodeNamed(const FrmOverview& overview, const std::string& label) {
    const auto& nodes = overview.graph().nodes;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].label == label) return static_cast<int>(i);
    }
    return -1;
}

TEST(Overview, DoubleClickingANodeOpensTheEditorOfItsFile) {
    SampleCopy sample;
    ScriptedServices s(sample.dir.path());
    ShownMainWindow shown(s.services, sample);
    std::string drawnCaption;
    s.windows.Expect("frmOverview", [&](Form& form) {
        auto& overview = dynamic_cast<FrmOverview&>(form);
        FormWindow window(overview, &shown.window);
        window.show();
        drawnCaption = window.windowTitle().toStdString();
        auto* view = Find<ui::GraphView>(window, "lstOverview");
        ASSERT_NE(view, nullptr);
        // Laid out on another thread: the window lists the nodes at once, and draws them when it is done.
        EXPECT_EQ(std::make_tuple(view->layingOut(), view->laidOut()), std::make_tuple(true, false));
        QTRY_VERIFY_WITH_TIMEOUT(view->laidOut(), 20000);
        EXPECT_EQ(view->nodeCount(), static_cast<int>(overview.graph().nodes.size()));

        const int detailed = NodeNamed(overview, "+/dispose/helpdesk.forward.xml");
        ASSERT_GE(detailed, 0);
        const QPoint centre = view->nodeCentre(detailed);
        EXPECT_EQ(view->nodeAt(centre), detailed);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
        // A type with no editor of its own opens the window that names its file, as the dispositions window
        // opens it.
        view->setCurrent(NodeNamed(overview, "+/dispose/archive.customdisposition.xml"));
        QTest::keyClick(view, Qt::Key_Return);

        view->setCurrent(NodeNamed(overview, "Support"));
        QTest::keyClick(view, Qt::Key_Return);
        // Renamed there, the mailbox is a node of another name, drawn anew: the keys go on from it.
        EXPECT_EQ(view->current(), NodeNamed(overview, "Support Desk"));
        overview.UserClick("cmdEscape");
    });
    std::string forwardFile;
    std::string customFile;
    // Opened on a file no record names: that file only, with no "..." to choose another that nothing would
    // take.
    s.windows.Expect("frmForwardMessage", [&](Form& editor) {
        forwardFile = editor.Text("txtFileName");
        EXPECT_FALSE(editor.Enabled("cmdBrowseConfig"));
        editor.Close();
    });
    s.windows.Expect("frmCustom", [&](Form& editor) {
        customFile = editor.Text("txtFileName");
        EXPECT_FALSE(editor.Enabled("cmdBrowseConfig"));
        editor.Close();
    });
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtMailboxName", "Support Desk");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectMessage("Saved");
    Click(shown.window, "cmdOverview");
    EXPECT_EQ(s.windows.shown,
              (std::vector<std::string>{"frmOverview", "frmForwardMessage", "frmCustom", "frmMailbox"}));
    EXPECT_EQ(drawnCaption, "Overview of the installation");
    EXPECT_EQ(std::tie(forwardFile, customFile),
              std::make_tuple(sample.file("dispose/helpdesk.forward.xml"),
                              sample.file("dispose/archive.customdisposition.xml")));
}

TEST(Overview, ANodeChosenWhileTheDrawingIsLaidOutIsListedInViewAndStaysChosen) {
    std::string dot = "digraph {\n";
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) {
        dot += "n" + std::to_string(i) + " [label=\"box " + std::to_string(i) + "\"];\n";
        lines.push_back("box " + std::to_string(i) + " (mailbox)");
    }
    // A name that turns its text around is drawn with the control by its code.
    dot += "n200 [label=\"box\u202Emaet\"];\n";
    lines.push_back("box\u202Emaet (mailbox)");
    ui::GraphView view;
    view.resize(300, 200);
    view.show();
    view.setGraph(dot + "}\n", lines);
    ASSERT_TRUE(view.layingOut());
    view.setCurrent(150);
    const int line = view.fontMetrics().lineSpacing();
    EXPECT_EQ(view.nodeAt(QPoint(10, 150 * line + 3 + line / 2 - view.verticalScrollBar()->value())), 150);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(view.laidOut(), 20000);
    EXPECT_EQ(std::make_tuple(view.layingOut(), view.nodeCount(), view.current(), view.nodeLabel(200)),
              std::make_tuple(false, 201, 150, QString("box<U+202E>maet")));
}

}  // namespace
}  // namespace pv::test
