#include <gtest/gtest.h>

#include "dispositions/DispositionConfiguration.h"
#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::WriteFile;
using FileState = DispositionConfiguration::FileState;

constexpr const char* kNoneAndDefaultNone =
    "You must have at least one Default disposition or at least one disposition for every category (even if "
    "it "
    "is a DoNothing disposition), ";

std::vector<std::string> TreeTexts(const DispositionConfiguration& configuration) {
    std::vector<std::string> texts;
    for (const auto& line : configuration.CategoryTree()) texts.push_back(line.text);
    return texts;
}

// A folder with the usual catalogue files: the categories and types given, the disposition file as given.
struct Folder {
    TempDir dir;
    ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);

    Folder(const std::string& categories, const std::string& dispositions) {
        WriteFile(dir / "categoryDefinitions.xml", "<Categories>" + categories + "</Categories>");
        WriteFile(
            dir / "dispositionTypes.xml",
            "<DispositionTypes><DispositionType><Name>RunSQL</Name></DispositionType>"
            "<DispositionType><Name>DoNothing</Name><DetailedDispositionFile>0</DetailedDispositionFile>"
            "</DispositionType></DispositionTypes>");
        WriteFile(dir / "dispositions.xml", dispositions);
    }
    std::string file() const { return dir / "dispositions.xml"; }
    DispositionConfiguration::LoadResult Load(DispositionConfiguration& configuration) {
        return configuration.Load("+/dispositions.xml", links, s.services.paths, s.prompts);
    }
};

std::string Category(const std::string& name, const std::string& parent = "") {
    return "<Category><Name>" + name + "</Name>" +
           (parent.empty() ? "" : "<ParentCategory>" + parent + "</ParentCategory>") + "</Category>";
}

std::string Disposition(const std::string& type, const std::string& file = "") {
    return "<Disposition><Type>" + type + "</Type><DetailedDispositionFile>" + file +
           "</DetailedDispositionFile></Disposition>";
}

TEST(DispositionFile, ResaveKeepsCatalogueCategoriesInOrderAndDropsOthers) {
    TempDir dir;
    test::CopyFixture("basic", dir);
    ScriptedServices s(dir.path());
    const MasterLinks links = test::LinksIn(dir);
    DispositionConfiguration configuration;
    const auto loaded = configuration.Load("+/dispositions.xml", links, s.services.paths, s.prompts);
    ASSERT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.file, FileState::Read);
    EXPECT_EQ(configuration.FullPath(), dir / "dispositions.xml");

    // Both Spam elements count, in document order; Orphan is outside the tree but keeps its dispositions.
    const CCatDispositions* spam = configuration.Find("Spam");
    ASSERT_NE(spam, nullptr);
    ASSERT_EQ(spam->Dispositions.size(), 2u);
    EXPECT_EQ(spam->Dispositions[1].Type, "ForwardMessage");
    EXPECT_EQ(spam->Dispositions[1].DispositionFilePath, dir / "dispositions.xml");
    EXPECT_FALSE(spam->Dispositions[1].Changed);
    EXPECT_EQ(configuration.Find("Retired"), nullptr);
    EXPECT_EQ(TreeTexts(configuration),
              (std::vector<std::string>{"Default", "  Spam", "    Junk", "    Phishing", "  Orders",
                                        "    Invoices"}));

    s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(configuration.Save(s.services.paths, s.prompts));
    EXPECT_EQ(ReadFile(dir / "dispositions.xml"),
              ReadFile(test::TestData("dispositions/basic/expected-resave.xml")));
}

TEST(DispositionFile, NewFileNeedsADefaultDispositionOrOneInEveryCategory) {
    Folder setup(Category("Spam") + Category("Junk", "Spam"), CrLf({"<Dispositions>", "</Dispositions>"}));
    DispositionConfiguration configuration;
    ASSERT_TRUE(setup.Load(configuration).opened);
    const std::string before = ReadFile(setup.file());

    setup.s.prompts.ExpectMessage(std::string(kNoneAndDefaultNone) + "Spam has none, and Default has none.");
    EXPECT_FALSE(configuration.Save(setup.s.services.paths, setup.s.prompts));
    EXPECT_EQ(ReadFile(setup.file()), before);

    // Every other category with one disposition: "Default" may stay empty.
    configuration.Find("Spam")->Dispositions.push_back({"DoNothing", "", "", setup.file(), true});
    configuration.Find("Junk")->Dispositions.push_back({"DoNothing", "", "", setup.file(), true});
    const auto text = configuration.WriteText(setup.s.services.paths, setup.s.prompts);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, CrLf({"<Dispositions>", "\t<Default>", "\t</Default>", "\t<Spam>", "\t\t<Disposition>",
                           "\t\t\t<Type>DoNothing</Type>",
                           "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
                           "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>",
                           "\t</Spam>", "\t<Junk>", "\t\t<Disposition>", "\t\t\t<Type>DoNothing</Type>",
                           "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
                           "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>",
                           "\t</Junk>", "</Dispositions>"}));
}

TEST(DispositionFile, WithOnlyDefaultAnEmptyFileSavesAnEmptyDefaultElement) {
    Folder setup("", CrLf({"<Dispositions>", "</Dispositions>"}));
    DispositionConfiguration configuration;
    ASSERT_TRUE(setup.Load(configuration).opened);
    setup.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(configuration.Save(setup.s.services.paths, setup.s.prompts));
    EXPECT_EQ(ReadFile(setup.file()),
              CrLf({"<Dispositions>", "\t<Default>", "\t</Default>", "</Dispositions>", ""}));
}

TEST(DispositionFile, ChecksStopAtTheFirstFailureAndWriteNothing) {
    Folder setup(Category("Spam") + Category("Junk", "Spam"),
                 "<Dispositions><Default>" + Disposition("DoNothing") + "</Default><Spam>" +
                     Disposition("RunSQL", "") + "</Spam><Junk>" + Disposition("") +
                     "</Junk></Dispositions>");
    DispositionConfiguration configuration;
    ASSERT_TRUE(setup.Load(configuration).opened);
    const std::string before = ReadFile(setup.file());
    auto& prompts = setup.s.prompts;
    const PathContext& paths = setup.s.services.paths;

    prompts.ExpectMessage(
        "Detailed disposition file is missing or incorrect for at least one disposition in the "
        "Spam category, File=");
    EXPECT_FALSE(configuration.Save(paths, prompts));

    // A name that does not resolve to an existing file is quoted as held.
    configuration.Find("Spam")->Dispositions[0].DetailedDispositionFile = "+/dispose/none.runsql.xml";
    prompts.ExpectMessage(
        "Detailed disposition file is missing or incorrect for at least one disposition in the "
        "Spam category, File=+/dispose/none.runsql.xml");
    EXPECT_FALSE(configuration.Save(paths, prompts));

    // The file exists now, and is held as a full path: written "+"-relative. Junk's empty type is next.
    WriteFile(setup.dir / "run.runsql.xml", "<Disposition/>");
    configuration.Find("Spam")->Dispositions[0].DetailedDispositionFile = setup.dir / "run.runsql.xml";
    prompts.ExpectMessage("Type is empty for at least one disposition for category=Junk");
    EXPECT_FALSE(configuration.Save(paths, prompts));

    // A type no catalogue knows is an error of the save, not a check.
    configuration.Find("Junk")->Dispositions[0].Type = "Archive";
    prompts.ExpectMessage(
        "Error saving=5:The disposition type \"Archive\" of category Junk is not in the "
        "disposition types files");
    EXPECT_FALSE(configuration.Save(paths, prompts));
    EXPECT_EQ(ReadFile(setup.file()), before);

    // A type without a detailed file is written with whatever name it holds, existing or not.
    configuration.Find("Junk")->Dispositions[0] = {"DoNothing", "+/gone.xml", "D & E", setup.file(), false};
    prompts.ExpectMessage("Saved");
    ASSERT_TRUE(configuration.Save(paths, prompts));
    EXPECT_EQ(ReadFile(setup.file()),
              CrLf({"<Dispositions>",
                    "\t<Default>",
                    "\t\t<Disposition>",
                    "\t\t\t<Type>DoNothing</Type>",
                    "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>",
                    "\t\t\t<DirectoryForErrors></DirectoryForErrors>",
                    "\t\t</Disposition>",
                    "\t</Default>",
                    "\t<Spam>",
                    "\t\t<Disposition>",
                    "\t\t\t<Type>RunSQL</Type>",
                    "\t\t\t<DetailedDispositionFile>+/run.runsql.xml</DetailedDispositionFile>",
                    "\t\t\t<DirectoryForErrors></DirectoryForErrors>",
                    "\t\t</Disposition>",
                    "\t</Spam>",
                    "\t<Junk>",
                    "\t\t<Disposition>",
                    "\t\t\t<Type>DoNothing</Type>",
                    "\t\t\t<DetailedDispositionFile>+/gone.xml</DetailedDispositionFile>",
                    "\t\t\t<DirectoryForErrors>D &amp; E</DirectoryForErrors>",
                    "\t\t</Disposition>",
                    "\t</Junk>",
                    "</Dispositions>",
                    ""}));
}

TEST(DispositionFile, CategoryNamesThatAreNotElementNamesAreNeverWritten) {
    for (const std::string name : {"Two Words", "2ndLevel", "a:b", "Bad&amp;Name"}) {
        SCOPED_TRACE(name);
        Folder setup(Category("Spam") + Category(name, "Spam"),
                     "<Dispositions><Default>" + Disposition("DoNothing") + "</Default></Dispositions>");
        DispositionConfiguration configuration;
        ASSERT_TRUE(setup.Load(configuration).opened);
        const std::string before = ReadFile(setup.file());
        const std::string shown = name == "Bad&amp;Name" ? "Bad&Name" : name;
        setup.s.prompts.ExpectMessage(
            "The category \"" + shown +
            "\" cannot be saved: its name is not a valid XML element name. Correct it in "
            "the category definitions file; nothing was written.");
        EXPECT_FALSE(configuration.Save(setup.s.services.paths, setup.s.prompts));
        EXPECT_EQ(ReadFile(setup.file()), before);
    }
    // An empty name (an empty Name element) is refused too; names in other scripts are fine.
    EXPECT_FALSE(IsXmlElementName(""));
    EXPECT_TRUE(
        IsXmlElementName("\xC3\x9C"
                         "bersicht-2.x_y"));
    EXPECT_FALSE(IsXmlElementName("-dash"));
}

TEST(DispositionFile, RepeatedCategoryNamesKeepTheFirstDefinitionAndAreReportedOnce) {
    Folder setup(Category("Spam") + Category("Orders") + Category("Spam", "Orders") + Category("Default") +
                     Category("Junk", "Spam") + Category("Junk", "Orders"),
                 "<Dispositions><Default>" + Disposition("DoNothing") + "</Default><Spam>" +
                     Disposition("DoNothing") + "</Spam></Dispositions>");
    DispositionConfiguration configuration;
    setup.s.prompts.ExpectMessage(
        "These categories are defined more than once in the category definitions files (or are named "
        "Default, "
        "which is built in); only the first definition of each is used: \"Spam\", \"Default\", \"Junk\"");
    ASSERT_TRUE(setup.Load(configuration).opened);
    ASSERT_EQ(configuration.Categories().size(), 4u);
    EXPECT_EQ(configuration.Find("Default")->Dispositions.size(), 1u);
    EXPECT_EQ(configuration.Find("Spam")->Dispositions.size(), 1u);
    EXPECT_EQ(TreeTexts(configuration),
              (std::vector<std::string>{"Default", "  Spam", "    Junk", "  Orders"}));
}

TEST(DispositionFile, ParentChainsThatNeverReachDefaultAreLeftOutOfTheTree) {
    Folder setup(Category("A") + Category("Loop1", "Loop2") + Category("Loop2", "Loop1") +
                     Category("Self", "Self") + Category("B", "A") + Category("C"),
                 "<Dispositions/>");
    DispositionConfiguration configuration;
    ASSERT_TRUE(setup.Load(configuration).opened);
    EXPECT_EQ(TreeTexts(configuration), (std::vector<std::string>{"Default", "  A", "    B", "  C"}));
    EXPECT_EQ(configuration.Categories().size(), 7u);
}

TEST(DispositionFile, AFileThatIsNotADispositionFileIsReportedOnceAndReplacedOnlyOnRequest) {
    struct Case {
        std::string content;
        FileState state;
        std::string message;
    };
    for (const Case& c :
         {Case{"<ResponseHandler><Default/></ResponseHandler>", FileState::NotDispositions,
               " has no Dispositions root element; every category starts with no dispositions."},
          Case{"<Dispositions><Default>", FileState::Malformed, " is not well-formed XML"}}) {
        SCOPED_TRACE(c.content);
        Folder setup(Category("Spam") + Category("Junk") + Category("Orders"), c.content);
        DispositionConfiguration configuration;
        if (c.state == FileState::Malformed) {
            setup.s.prompts.ExpectMessageStartingWith("The file " + setup.file() + c.message);
        } else {
            setup.s.prompts.ExpectMessage("Error loading Dispositions from file: " + setup.file() +
                                          c.message);
        }
        const auto loaded = setup.Load(configuration);
        ASSERT_TRUE(loaded.opened);
        EXPECT_EQ(loaded.file, c.state);
        for (const auto& category : configuration.Categories()) EXPECT_TRUE(category.Dispositions.empty());

        configuration.Find("Default")->Dispositions.push_back({"DoNothing", "", "", setup.file(), true});
        const std::string question =
            "The file " + setup.file() +
            " was not read as a disposition configuration file. Do you want to replace its "
            "content with these dispositions?";
        setup.s.prompts.ExpectYesNo(question, Answer::No);
        EXPECT_FALSE(configuration.Save(setup.s.services.paths, setup.s.prompts));
        EXPECT_EQ(ReadFile(setup.file()), c.content);
        setup.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
        EXPECT_TRUE(configuration.Save(setup.s.services.paths, setup.s.prompts));
        EXPECT_EQ(ReadFile(setup.file()).substr(0, 16), "<Dispositions>\r\n");
        // Once written, it is a disposition file: no more questions.
        setup.s.prompts.ExpectMessage("Saved");
        EXPECT_TRUE(configuration.Save(setup.s.services.paths, setup.s.prompts));
    }
}

TEST(DispositionFile, AMissingFileStartsEmptyAndIsCreatedBySaving) {
    Folder setup(Category("Spam"), "");
    std::filesystem::remove(setup.file());
    DispositionConfiguration configuration;
    setup.s.prompts.ExpectMessage(
        "The file " + setup.file() +
        " does not exist; every category starts with no dispositions and saving creates it.");
    const auto loaded = setup.Load(configuration);
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.file, FileState::Missing);
    configuration.Find("Spam")->Dispositions.push_back({"DoNothing", "", "", setup.file(), true});
    setup.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(configuration.Save(setup.s.services.paths, setup.s.prompts));
    EXPECT_EQ(ReadFile(setup.file()).substr(0, 29), "<Dispositions>\r\n\t<Default>\r\n\t");
}

TEST(DispositionFile, AWriteFailureIsAnErrorOfTheSave) {
    Folder setup("", "");
    DispositionConfiguration configuration;
    setup.s.prompts.ExpectMessageStartingWith("The file " + (setup.dir / "no/such/folder/d.xml") +
                                              " does not exist");
    ASSERT_TRUE(
        configuration.Load("+/no/such/folder/d.xml", setup.links, setup.s.services.paths, setup.s.prompts)
            .opened);
    setup.s.prompts.ExpectMessageStartingWith("Error saving=76:Path not found");
    EXPECT_FALSE(configuration.Save(setup.s.services.paths, setup.s.prompts));
}

TEST(DispositionFile, TheFirstTypesFileDecidesWhetherTheFileOpens) {
    Folder setup(Category("Spam"), "<Dispositions/>");
    setup.links.dispositionTypes[0] = "+/gone.xml";
    setup.links.dispositionTypes[1] = "+/dispositionTypes.xml";
    DispositionConfiguration configuration;
    setup.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/gone.xml, please go back to "
        "main->Advanced settings to correct it.");
    EXPECT_FALSE(setup.Load(configuration).opened);

    // A missing second file is reported and leaves the first file's types.
    setup.links.dispositionTypes[0] = "+/dispositionTypes.xml";
    setup.links.dispositionTypes[1] = "+/gone2.xml";
    WriteFile(setup.file(), "<Dispositions><Default/></Dispositions>");
    setup.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/gone2.xml, please go back to "
        "main->Advanced settings to correct it.");
    EXPECT_TRUE(setup.Load(configuration).opened);
    EXPECT_EQ(configuration.Types().Names(), (std::vector<std::string>{"RunSQL", "DoNothing"}));
}

}  // namespace
}  // namespace pv
