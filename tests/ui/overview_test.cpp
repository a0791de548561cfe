// The Overview window offscreen: opened from the main window's button, the graph laid out by Graphviz's
// library, and a real double-click on a file's node (and Enter on a mailbox's) opening its editor.
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
        ASSERT_TRUE(view->laidOut());
        EXPECT_EQ(view->nodeCount(), static_cast<int>(overview.graph().nodes.size()));

        const int detailed = NodeNamed(overview, "+/dispose/helpdesk.forward.xml");
        ASSERT_GE(detailed, 0);
        const QPoint centre = view->nodeCentre(detailed);
        EXPECT_EQ(view->nodeAt(centre), detailed);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);

        view->setCurrent(NodeNamed(overview, "Support"));
        QTest::keyClick(view, Qt::Key_Return);
        // Renamed there, the mailbox is a node of another name, drawn anew: the keys go on from it.
        EXPECT_EQ(view->current(), NodeNamed(overview, "Support Desk"));
        overview.UserClick("cmdEscape");
    });
    std::string forwardFile;
    s.windows.Expect("frmForwardMessage", [&](Form& editor) {
        forwardFile = editor.Text("txtFileName");
        editor.Close();
    });
    s.windows.Expect("frmMailbox", [](Form& editor) {
        editor.UserSetText("txtMailboxName", "Support Desk");
        editor.UserClick("cmdSave");
    });
    s.prompts.ExpectMessage("Saved");
    Click(shown.window, "cmdOverview");
    EXPECT_EQ(s.windows.shown, (std::vector<std::string>{"frmOverview", "frmForwardMessage", "frmMailbox"}));
    EXPECT_EQ(drawnCaption, "Overview of the installation");
    EXPECT_EQ(forwardFile, sample.file("dispose/helpdesk.forward.xml"));
}

}  // namespace
}  // namespace pv::test
