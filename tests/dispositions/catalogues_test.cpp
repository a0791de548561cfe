#include <gtest/gtest.h>

#include "dispositions/CCategory.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::CrLf;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> Names(const CategoryCatalogue& catalogue) {
    std::vector<std::string> names;
    for (const auto& category : catalogue)
        names.push_back(category.CategoryName + "<" + category.ParentCategory);
    return names;
}

TEST(CategoryCatalogue, BothFilesInOrderWithMissingParentsUnderDefault) {
    TempDir dir;
    ScriptedServices s(dir.path());
    MasterLinks links = test::LinksIn(dir);
    links.categoryDefinitions[1] = "+/more/categories2.xml";
    WriteFile(dir / "categoryDefinitions.xml",
              "<Categories><Category><Name>Spam</Name></Category>"
              "<Category><Name>Junk</Name><ParentCategory> Spam </ParentCategory></Category>"
              "<Category><ParentCategory>Spam</ParentCategory></Category>"
              "<Category><Name></Name><ParentCategory>   </ParentCategory></Category>"
              "<Other><Name>NotACategory</Name></Other></Categories>");
    WriteFile(dir / "more/categories2.xml",
              "<Categories><Category><Name>Spam</Name><ParentCategory>Junk</ParentCategory></Category>"
              "<Category><Name>Orders</Name><Unknown>x</Unknown></Category></Categories>");

    // Only a missing Name is reported; an empty one is a category with an empty name.
    s.prompts.ExpectMessage("Category name missing in the category definitions file");
    const CategoryCatalogue catalogue = GetCategoryNameList(links, s.services.paths, s.prompts);
    EXPECT_EQ(Names(catalogue), (std::vector<std::string>{"Spam<Default", "Junk<Spam", "<Default",
                                                          "Spam<Junk", "Orders<Default"}));
}

TEST(CategoryCatalogue, EmptyNameIsSilentAndMissingFileIsReported) {
    TempDir dir;
    ScriptedServices s(dir.path());
    MasterLinks links = test::LinksIn(dir);
    links.categoryDefinitions[0] = "";
    links.categoryDefinitions[1] = "+/gone.xml";
    s.prompts.ExpectMessage(
        "Couldn't find the Category Definitions file, please go back to main->Advanced settings to correct "
        "it.");
    EXPECT_TRUE(GetCategoryNameList(links, s.services.paths, s.prompts).empty());
}

TEST(CategoryCatalogue, MalformedFileIsReportedOnceAndAddsNothing) {
    TempDir dir;
    ScriptedServices s(dir.path());
    WriteFile(dir / "categoryDefinitions.xml", "<Categories><Category><Name>Spam</Name></Categ");
    s.prompts.ExpectMessageStartingWith("The file " + (dir / "categoryDefinitions.xml") +
                                        " is not well-formed XML");
    EXPECT_TRUE(GetCategoryNameList(test::LinksIn(dir), s.services.paths, s.prompts).empty());
}

TEST(DispositionTypes, FirstTypeOfANameWinsAndOnlyZeroMeansNoFile) {
    TempDir dir;
    ScriptedServices s(dir.path());
    const std::string master = test::LinksIn(dir).masterFilePath;
    WriteFile(dir / "types1.xml",
              "<DispositionTypes>"
              "<DispositionType><Name>Zero</Name><DetailedDispositionFile>0</DetailedDispositionFile></"
              "DispositionType>"
              "<DispositionType><Name>No</Name><DetailedDispositionFile>no</DetailedDispositionFile></"
              "DispositionType>"
              "<DispositionType><Name>Empty</Name><DetailedDispositionFile></DetailedDispositionFile></"
              "DispositionType>"
              "<DispositionType><Name>Absent</Name></DispositionType>"
              "<DispositionType><DetailedDispositionFile>0</DetailedDispositionFile></DispositionType>"
              "<DispositionType><Name>Zero</Name><DetailedDispositionFile>1</DetailedDispositionFile></"
              "DispositionType>"
              "</DispositionTypes>");
    WriteFile(dir / "types2.xml",
              "<DispositionTypes><DispositionType><Name>Absent</Name><DetailedDispositionFile>0"
              "</DetailedDispositionFile></DispositionType><DispositionType><Name>Later</Name>"
              "<DetailedDispositionFile>0</DetailedDispositionFile></DispositionType></DispositionTypes>");

    CDispositionTypes types;
    s.prompts.ExpectMessage("Name is missing from a disposition type in the disposition types file");
    EXPECT_TRUE(types.LoadFromFile("+/types1.xml", master, s.services.paths, s.prompts));
    EXPECT_TRUE(types.LoadFromFile("+/types2.xml", master, s.services.paths, s.prompts));

    EXPECT_EQ(types.Names(), (std::vector<std::string>{"Zero", "No", "Empty", "Absent", "Later"}));
    EXPECT_EQ(types.RequiresDetailedFile("Zero"), false);
    EXPECT_EQ(types.RequiresDetailedFile("No"), true);
    EXPECT_EQ(types.RequiresDetailedFile("Empty"), true);
    EXPECT_EQ(types.RequiresDetailedFile("Absent"), true);
    EXPECT_EQ(types.RequiresDetailedFile("Later"), false);
    // Unknown and differently-cased names are told apart from "no detailed file".
    EXPECT_EQ(types.RequiresDetailedFile("zero"), std::nullopt);
}

TEST(DispositionTypes, MissingFilesAreQuotedAsWrittenAndEmptyNamesFailSilently) {
    TempDir dir;
    ScriptedServices s(dir.path());
    const std::string master = test::LinksIn(dir).masterFilePath;
    WriteFile(dir / "types1.xml",
              "<DispositionTypes><DispositionType><Name>A</Name></DispositionType>"
              "</DispositionTypes>");
    CDispositionTypes types;
    EXPECT_FALSE(types.LoadFromFile("", master, s.services.paths, s.prompts));
    EXPECT_TRUE(types.LoadFromFile("+/types1.xml", master, s.services.paths, s.prompts));
    s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/missing.xml, please go back to "
        "main->Advanced settings to correct it.");
    EXPECT_FALSE(types.LoadFromFile("+/missing.xml", master, s.services.paths, s.prompts));
    EXPECT_EQ(types.Names(), std::vector<std::string>{"A"});
}

TEST(DispositionTypes, MalformedFileCountsAsLoadedWithoutTypes) {
    TempDir dir;
    ScriptedServices s(dir.path());
    WriteFile(dir / "types1.xml", "<DispositionTypes><DispositionType><Name>A</Name>");
    CDispositionTypes types;
    s.prompts.ExpectMessageStartingWith("The file " + (dir / "types1.xml") + " is not well-formed XML");
    EXPECT_TRUE(
        types.LoadFromFile("+/types1.xml", test::LinksIn(dir).masterFilePath, s.services.paths, s.prompts));
    EXPECT_EQ(types.size(), 0u);
}

#ifndef _WIN32
TEST(Catalogues, UnreadableFilesAreReportedNotTakenForEmptyOnes) {
    TempDir dir;
    ScriptedServices s(dir.path());
    test::SocketFile categories(dir / "categoryDefinitions.xml");
    test::SocketFile types(dir / "dispositionTypes.xml");
    if (!categories.bound() || !types.bound()) GTEST_SKIP() << "cannot create a socket file here";
    const MasterLinks links = test::LinksIn(dir);

    s.prompts.ExpectMessageStartingWith("Error loading the Category Definitions file=75:Cannot open");
    EXPECT_TRUE(GetCategoryNameList(links, s.services.paths, s.prompts).empty());
    CDispositionTypes catalogue;
    s.prompts.ExpectMessageStartingWith("Error loading the Disposition Types file=75:Cannot open");
    EXPECT_FALSE(
        catalogue.LoadFromFile(links.dispositionTypes[0], links.masterFilePath, s.services.paths, s.prompts));
}
#endif

}  // namespace
}  // namespace pv
