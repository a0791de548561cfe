#include "master/FrmHelp.h"

#include <gtest/gtest.h>

#include <string>

#include "core/platform.h"
#include "core/xml.h"
#include "master/FrmAbout.h"
#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

// The help shows the README's sections for users, found beside the program as installed (and as the build
// tree copies it), whole and in their order, a picture (not installed) told in words; the main window's Help
// and About buttons open their windows.
TEST(Help, TheWindowShowsTheUsersSectionsOfTheReadmeFoundBesideTheProgram) {
    TempDir temp;
    const std::string readme =
        "# Title\r\nIntro\n\n## Set up\nmake\n## Using the editor\nOpen `a`.\n\n### Detail\nx\n"
        "![The sample](docs/graph.svg) and `![code](x.png)`\n"
        "## Building\ncmake\n## The command-line tool\n```sh\n## not a heading\n![code](x.png)\n```\n";
    WriteFile(temp / "share/postvane-config/README.md", readme);
    WriteFile(temp / "bin/.keep", "");
    ScriptedServices s(temp / "bin");
    EXPECT_EQ(HelpFilePath(temp / "bin"), temp / "share/postvane-config/README.md");
    FrmHelp help(s.services);
    EXPECT_EQ(help.Text("txtHelp"),
              "## Using the editor\nOpen `a`.\n\n### Detail\nx\n"
              "*Picture: The sample (`docs/graph.svg` in the source)* and `![code](x.png)`\n"
              "## The command-line tool\n```sh\n## not a heading\n![code](x.png)\n```\n");

    ScriptedServices elsewhere(temp / "other/bin");
    EXPECT_EQ(FrmHelp(elsewhere.services).Text("txtHelp"),
              "The help text was not found in " + temp / "other/share/postvane-config/README.md" +
                  ". The manual pages say the same: `man postvane-config` and `man postvane-config-tool`.");

    // The project's own README has the sections the window shows.
    const std::string own = MarkdownSections(
        platform::ReadFileBytes(std::string(POSTVANE_EXAMPLES) + "/../README.md"), kHelpSections);
    EXPECT_TRUE(own.starts_with("## Using the editor\n")) << own.substr(0, 80);
    EXPECT_NE(own.find("\n## The command-line tool\n"), std::string::npos);

    FrmAbout about(s.services, "Qt 6.0.0");
    EXPECT_EQ(about.Text("lblProgram"), std::string("PostvaneConfig ") + POSTVANE_VERSION);
    EXPECT_EQ(about.Text("lblLibraries"), "Runs with libxml2 " + XmlLibraryVersion() + " and Qt 6.0.0.");
    EXPECT_TRUE(XmlLibraryVersion().starts_with("2.")) << XmlLibraryVersion();

    FrmMain main(s.services);
    s.windows.Expect("frmHelp", [](Form& window) { window.UserClick("cmdEscape"); })
        .Expect("frmAbout", [](Form& window) { window.UserPressEscape(); });
    main.UserClick("cmdHelp");
    main.UserClick("cmdAbout");
    EXPECT_EQ(s.windows.shown, (std::vector<std::string>{"frmHelp", "frmAbout"}));
}

}  // namespace
}  // namespace pv
