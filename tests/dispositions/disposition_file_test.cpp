#include <gtest/gtest.h>

#include "core/HeadlessServices.h"
#include "dispositions/DispositionConfiguration.h"
#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::WriteFile;

// A folder with the usual catalogue files: the categories given, two types, the disposition file as given.
struct Folder {
    test::TempDir dir;
    test::ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
    DispositionConfiguration configuration;

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
    DispositionConfiguration::LoadResult Load(const std::string& name = "+/dispositions.xml") {
        return configuration.Load(name, links, s.services.paths, s.prompts);
    }
    bool Save() {
        return RunSave(configuration.Saving(s.services.paths, s.prompts), s.prompts) == SaveOutcome::Written;
    }
    CCatDisposition& First(const std::string& category) {
        return configuration.Find(category)->Dispositions.front();
    }
};

std::string Category(const std::string& name, const std::string& parent = "") {
    return "<Category><Name>" + name + "</Name><ParentCategory>" + parent + "</ParentCategory></Category>";
}

TEST(DispositionFile, SaveChecksRunInOrderAndWriteNothingUntilAllPass) {
    Folder f(Category("Spam") + Category("Junk", "Spam"),
             "<Dispositions><Junk><Disposition><Type>RunSQL</Type></Disposition></Junk></Dispositions>");
    ASSERT_EQ(f.Load().file.problem, FileProblem::None);
    const std::string before = ReadFile(f.file());

    f.s.prompts.ExpectMessage(
        "You must have at least one Default disposition or at least one disposition for every category (even "
        "if it is a DoNothing disposition), Spam has none, and Default has none.");
    EXPECT_FALSE(f.Save());
    f.configuration.Find("Spam")->Dispositions.push_back({"", "+/gone.xml", "D & E", f.file(), true});
    f.s.prompts.ExpectMessage("Type is empty for at least one disposition for category=Spam");
    EXPECT_FALSE(f.Save());
    // A type no catalogue knows is an error of the save, not a check.
    f.First("Spam").Type = "Archive";
    f.s.prompts.ExpectMessage(
        "Error saving=5:The disposition type \"Archive\" of category Spam is not in the disposition types "
        "files");
    EXPECT_FALSE(f.Save());
    // A type without a detailed file is written with whatever name it holds; one with a file needs it there.
    f.First("Spam").Type = "DoNothing";
    const std::string missing =
        "Detailed disposition file is missing or incorrect for at least one disposition in the "
        "Junk category, File=";
    f.s.prompts.ExpectMessage(missing);
    EXPECT_FALSE(f.Save());
    f.First("Junk").DetailedDispositionFile = "+/dispose/none.runsql.xml";
    f.s.prompts.ExpectMessage(missing + "+/dispose/none.runsql.xml");
    EXPECT_FALSE(f.Save());
    // A folder of that name is there: said to be one.
    std::filesystem::create_directories(f.dir / "dispose/none.runsql.xml");
    f.s.prompts.ExpectMessage(
        "The detailed disposition file of a disposition in the Junk category is a folder, "
        "not a file: " +
        f.dir / "dispose/none.runsql.xml");
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), before);

    // Held as a full path, written "+"-relative.
    WriteFile(f.dir / "run.runsql.xml", "<Disposition/>");
    f.First("Junk").DetailedDispositionFile = f.dir / "run.runsql.xml";
    f.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(ReadFile(f.file()),
              CrLf({"<Dispositions>", "\t<Default>", "\t</Default>", "\t<Spam>", "\t\t<Disposition>",
                    "\t\t\t<Type>DoNothing</Type>",
                    "\t\t\t<DetailedDispositionFile>+/gone.xml</DetailedDispositionFile>",
                    "\t\t\t<DirectoryForErrors>D &amp; E</DirectoryForErrors>", "\t\t</Disposition>",
                    "\t</Spam>", "\t<Junk>", "\t\t<Disposition>", "\t\t\t<Type>RunSQL</Type>",
                    "\t\t\t<DetailedDispositionFile>+/run.runsql.xml</DetailedDispositionFile>",
                    "\t\t\t<DirectoryForErrors></DirectoryForErrors>", "\t\t</Disposition>", "\t</Junk>",
                    "</Dispositions>", ""}));
}

// A category whose parents do not lead to "Default" is not in the window's tree, so a refusal that names it
// says why the user cannot find it there.
TEST(DispositionFile, ARefusalAboutACategoryTheTreeDoesNotShowSaysWhy) {
    Folder f(Category("Orphan", "Nowhere") + Category("Ping", "Pong") + Category("Pong", "Ping"),
             "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default><Orphan>"
             "<Disposition><Type>RunSQL</Type></Disposition></Orphan></Dispositions>");
    ASSERT_EQ(f.Load().file.problem, FileProblem::None);
    f.s.prompts.ExpectMessage(
        "Detailed disposition file is missing or incorrect for at least one disposition in the Orphan category, "
        "File=\n\nThe Orphan category is not shown in this window: its parent category \"Nowhere\" is not among "
        "the category definitions. Correct the category definitions, or this file in a text editor.");
    EXPECT_FALSE(f.Save());
    f.configuration.Find("Orphan")->Dispositions.clear();
    f.configuration.Find("Ping")->Dispositions.push_back({"", "", "", f.file(), true});
    f.s.prompts.ExpectMessage(
        "Type is empty for at least one disposition for category=Ping\n\nThe Ping category is not shown in this "
        "window: its parent categories lead round to \"Ping\" and never to \"Default\". Correct the category "
        "definitions, or this file in a text editor.");
    EXPECT_FALSE(f.Save());
    // Without a disposition of its own or of Default's.
    f.configuration.Find("Ping")->Dispositions.clear();
    f.configuration.Categories().front().Dispositions.clear();
    f.s.prompts.ExpectMessage(
        "You must have at least one Default disposition or at least one disposition for every category (even "
        "if it is a DoNothing disposition), Orphan has none, and Default has none.\n\nThe Orphan category is "
        "not shown in this window: its parent category \"Nowhere\" is not among the category definitions. "
        "Correct the category definitions, or this file in a text editor.");
    EXPECT_FALSE(f.Save());
}

// The check a run without a display makes keeps no text, yet must refuse what the save refuses, with the
// same message, and pass what it passes.
TEST(DispositionFile, TheSaveCheckWithoutTextSaysWhatTheSaveSays) {
    Folder f(Category("Spam") + Category("Junk", "Spam") + Category("Two Words"),
             "<Dispositions><Junk><Disposition><Type>RunSQL</Type></Disposition></Junk></Dispositions>");
    f.s.prompts.ExpectMessageStartingWith("These categories of the category definitions file");
    ASSERT_TRUE(f.Load().opened);
    WriteFile(f.dir / "run.runsql.xml", "<Disposition/>");
    const auto sameVerdict = [&](bool passes) {
        CollectingPrompts saving, checking;
        const std::optional<std::string> text = f.configuration.WriteText(f.s.services.paths, saving);
        EXPECT_EQ(f.configuration.CheckSave(f.s.services.paths, checking), passes);
        EXPECT_EQ(text.has_value(), passes);
        EXPECT_EQ(checking.messages, saving.messages);
        EXPECT_EQ(saving.messages.size(), passes ? 0u : 1u);
    };
    sameVerdict(false);  // Spam and Default have no disposition
    f.configuration.Find("Default")->Dispositions.push_back({"", "", "", f.file(), true});
    sameVerdict(false);  // an empty type
    f.configuration.Find("Default")->Dispositions.front().Type = "Archive";
    sameVerdict(false);  // a type no catalogue knows
    f.configuration.Find("Default")->Dispositions.front().Type = "DoNothing";
    sameVerdict(false);  // Junk's detailed file is missing
    f.First("Junk").DetailedDispositionFile = "+/run.runsql.xml";
    sameVerdict(false);  // "Two Words" is no element name
    f.configuration.Categories().pop_back();
    f.First("Junk").DirectoryForErrors = std::string("D:\\err\x01ors");
    sameVerdict(false);  // a value no XML file can hold, in the last line of the file
    f.First("Junk").DirectoryForErrors = "D:\\<errors> & more";
    sameVerdict(true);
}

// A check loads one file after another into the same collection, which loads its records again in place:
// what it then holds is what a fresh load reads, also where the next file holds fewer dispositions.
TEST(DispositionFile, LoadingAnotherFileGivesWhatAFreshLoadGives) {
    Folder f(
        Category("Spam") + Category("Junk", "Spam"),
        "<Dispositions><Default><Disposition><Type>DoNothing</Type><DirectoryForErrors>/long/error/folder"
        "</DirectoryForErrors></Disposition><Disposition><Type>RunSQL</Type><DetailedDispositionFile>"
        "+/a/long/detailed/file.runsql.xml</DetailedDispositionFile></Disposition></Default><Spam>"
        "<Disposition><Type>DoNothing</Type></Disposition></Spam></Dispositions>");
    ASSERT_TRUE(f.Load().opened);
    f.First("Default").Changed = true;
    WriteFile(f.dir / "second.xml",
              "<Dispositions><Default><Disposition><Type>RunSQL</Type></Disposition></Default><Junk>"
              "<Disposition><Type>DoNothing</Type><DirectoryForErrors>e</DirectoryForErrors></Disposition>"
              "</Junk></Dispositions>");
    ASSERT_TRUE(f.Load("+/second.xml").opened);
    DispositionConfiguration fresh;
    ASSERT_TRUE(fresh.Load("+/second.xml", f.links, f.s.services.paths, f.s.prompts).opened);
    const auto contents = [](const DispositionConfiguration& configuration) {
        std::vector<std::string> lines;
        for (const CCatDispositions& category : configuration.Categories()) {
            lines.push_back(category.CategoryName);
            for (const CCatDisposition& d : category.Dispositions) {
                lines.push_back(d.Type + "|" + d.DetailedDispositionFile + "|" + d.DirectoryForErrors + "|" +
                                d.DispositionFilePath + "|" + (d.Changed ? "changed" : ""));
            }
        }
        return lines;
    };
    EXPECT_EQ(contents(f.configuration), contents(fresh));
    EXPECT_EQ(contents(fresh),
              (std::vector<std::string>{"Default", "RunSQL|||" + (f.dir / "second.xml") + "|", "Spam", "Junk",
                                        "DoNothing||e|" + (f.dir / "second.xml") + "|"}));
}

TEST(DispositionFile, RepeatedLoopingAndUnwritableCatalogueCategories) {
    Folder f(Category("Spam") + Category("Orders") + Category("Spam", "Orders") + Category("Default") +
                 Category("Junk", "Spam") + Category("Junk", "Orders") + Category("Loop1", "Loop2") +
                 Category("Loop2", "Loop1") + Category("Two Words", "Orders") + Category("x:y", "Orders"),
             "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default>"
             "<Spam><Disposition><Type>DoNothing</Type></Disposition></Spam>"
             "<Spam><Disposition><Type>DoNothing</Type><DirectoryForErrors>e</DirectoryForErrors>"
             "</Disposition></Spam></Dispositions>");
    const std::string catalogue = f.dir / "categoryDefinitions.xml";
    // The second file defines a name no element can carry too, and one again: each file is named with its
    // own names.
    const std::string second = f.dir / "more.categorydefinitions.xml";
    WriteFile(second,
              "<Categories>" + Category("a b", "Orders") + Category("Orders", "Spam") + "</Categories>");
    f.links.categoryDefinitions[1] = "+/more.categorydefinitions.xml";
    f.s.prompts.ExpectMessage(
        "These categories are defined more than once in the category definitions files (or are named "
        "Default, which is built in); only the first definition of each is used: \"Spam\", \"Default\", "
        "\"Junk\" (in the file " +
        catalogue + ")");
    f.s.prompts.ExpectMessage(
        "These categories are defined more than once in the category definitions files (or are named "
        "Default, which is built in); only the first definition of each is used: \"Orders\" (in the file " +
        second + ")");
    // Every name no disposition file can carry is told at once, before any edit, and again by a save.
    f.s.prompts.ExpectMessage("These categories of the category definitions file " + catalogue +
                              " cannot be written into a disposition file, as their names are not valid XML "
                              "element names (or hold a colon): \"Two Words\", \"x:y\". No disposition file "
                              "can be saved until they are corrected there.");
    f.s.prompts.ExpectMessage("These categories of the category definitions file " + second +
                              " cannot be written into a disposition file, as their names are not valid XML "
                              "element names (or hold a colon): \"a b\". No disposition file can be saved "
                              "until they are corrected there.");
    // Read as one, as the dispositions of a category are read; saved as one, which is said.
    f.s.prompts.ExpectMessage("The file " + f.file() +
                              " holds the category \"Spam\" in more than one element; a save writes the "
                              "dispositions of each in one element, in the order they come.");
    ASSERT_TRUE(f.Load().opened);
    std::vector<std::string> tree;
    for (const auto& line : f.configuration.CategoryTree()) tree.push_back(line.text);
    EXPECT_EQ(tree, (std::vector<std::string>{"Default", "  Spam", "    Junk", "  Orders", "    Two Words",
                                              "    x:y", "    a b"}));
    EXPECT_EQ(f.configuration.Find("Spam")->Dispositions.size(), 2u);

    // Written without escaping, such a name would make the whole file unreadable to the server.
    const std::string before = ReadFile(f.file());
    f.s.prompts.ExpectMessage(
        "The categories \"Two Words\", \"x:y\" cannot be saved: their names are not valid "
        "XML element names, or hold a colon, which the category's element in this file "
        "cannot safely carry. Correct them in the category definitions file " +
        catalogue + "; nothing was written.");
    f.s.prompts.ExpectMessage(
        "The category \"a b\" cannot be saved: its name is not a valid XML element name. Correct it in the "
        "category definitions file " +
        second + "; nothing was written.");
    EXPECT_FALSE(f.Save());
    f.configuration.Find("a b")->CategoryName = "a_b";
    // Names are judged as the server's reader reads them: U+A640 begins a name only in later editions of
    // XML, a file holding it as one would not be read at all.
    CCatDispositions* const twoWords = f.configuration.Find("Two Words");
    CCatDispositions* const colon = f.configuration.Find("x:y");
    twoWords->CategoryName = "\xEA\x99\x80x";
    f.s.prompts.ExpectMessage(
        "The category \"\xEA\x99\x80x\" cannot be saved: its name is not a valid XML element name. Correct it "
        "in the category definitions file; nothing was written.");
    colon->CategoryName = "x_y";
    EXPECT_FALSE(f.Save());
    colon->CategoryName = "x:y";
    EXPECT_EQ(ReadFile(f.file()), before);
    twoWords->CategoryName = "Übersicht_2.a-b";
    // The server's reader takes a colon in a name, but a reader that knows namespaces takes a prefix.
    f.s.prompts.ExpectMessage(
        "The category \"x:y\" cannot be saved: its name holds a colon, which the category's element in this "
        "file cannot safely carry (an XML reader that knows namespaces takes the part before it as an "
        "undeclared prefix). Correct it in the category definitions file " +
        (f.dir / "categoryDefinitions.xml") + "; nothing was written.");
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), before);
    colon->CategoryName = "x_y";
    f.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(f.Save());
    const std::string saved = ReadFile(f.file());
    EXPECT_EQ(saved.find("<Spam>"), saved.rfind("<Spam>"));
}

TEST(DispositionFile, AFileThatIsNotADispositionFileIsReplacedOnlyOnRequest) {
    const std::string content = "<ResponseHandler><Default/></ResponseHandler>";
    Folder f("", content);
    f.s.prompts.ExpectMessage(
        "The file " + f.file() +
        " is not a disposition configuration file: its root element is <ResponseHandler>, "
        "not <Dispositions>. Every category starts with no dispositions.");
    ASSERT_EQ(f.Load().file.problem, FileProblem::OtherKind);

    const std::string question = "The file " + f.file() +
                                 " was not read as a disposition configuration file. Do you want to replace "
                                 "its content with these dispositions?";
    f.s.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), content);
    f.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(f.Save());
    // Once written, it is a disposition file: no more questions (and, unchanged, nothing more to write).
    f.s.prompts.ExpectSavedUnchanged(f.file());
    EXPECT_TRUE(f.Save());
}

TEST(DispositionFile, WhileACategoryFileCannotBeReadASaveThatWouldDropItsCategoriesAsksFirst) {
    const std::string content =
        "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default>"
        "<Extra><Disposition><Type>DoNothing</Type></Disposition></Extra><Other/></Dispositions>";
    for (const std::string& second : {std::string(), std::string("<Categories><Category>")}) {
        SCOPED_TRACE(second.empty() ? "missing" : "not well-formed");
        Folder f(Category("Spam"), content);
        f.links.categoryDefinitions[1] = "+/extra.categorydefinitions.xml";
        if (second.empty()) {
            f.s.prompts.ExpectMessage(
                "Couldn't find the Category Definitions file, please go back to main->Advanced settings to "
                "correct it.");
        } else {
            WriteFile(f.dir / "extra.categorydefinitions.xml", second);
            // A catalogue has no defaults: what is not shown is its categories.
            f.s.prompts.ExpectMessage(
                "The file " + f.dir / "extra.categorydefinitions.xml" +
                " is not well-formed XML (line 1, column 23: the file ends before the element <Category> is "
                "closed). It was read as empty, so its categories are not shown.");
        }
        ASSERT_TRUE(f.Load().opened);
        EXPECT_EQ(f.configuration.UnreadCatalogues(),
                  std::vector<std::string>{"+/extra.categorydefinitions.xml"});
        const std::string question =
            "The category definitions file \"+/extra.categorydefinitions.xml\" could not be read, so the "
            "categories it defines are not loaded: saving would drop from " +
            f.file() +
            " the dispositions of the categories \"Extra\" and the elements without dispositions of the categories "
            "\"Other\". Do you want to save anyway?";
        f.s.prompts.ExpectYesNo(question, Answer::No);
        EXPECT_FALSE(f.Save());
        EXPECT_EQ(ReadFile(f.file()), content);
        f.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
        EXPECT_TRUE(f.Save());
        EXPECT_EQ(ReadFile(f.file()).find("Extra"), std::string::npos);
    }
    // Neither file read: both named, in the plural.
    Folder f(Category("Spam"), content);
    f.links.categoryDefinitions[0] = "+/gone.categorydefinitions.xml";
    f.links.categoryDefinitions[1] = "+/extra.categorydefinitions.xml";
    const std::string missing =
        "Couldn't find the Category Definitions file, please go back to main->Advanced settings to correct it.";
    f.s.prompts.ExpectMessage(missing).ExpectMessage(missing);
    ASSERT_TRUE(f.Load().opened);
    f.s.prompts.ExpectYesNo(
        "The category definitions files \"+/gone.categorydefinitions.xml\", \"+/extra.categorydefinitions.xml\" "
        "could not be read, so the categories they define are not loaded: saving would drop from " +
            f.file() +
            " the dispositions of the categories \"Extra\" and the elements without dispositions of the "
            "categories \"Other\". Do you want to save anyway?",
        Answer::No);
    EXPECT_FALSE(f.Save());
}

// The same for a second disposition types file that was not read completely: the dispositions' types were
// checked against part of the catalogue.
TEST(DispositionFile, WhileATypesFileIsNotReadCompletelyASaveAsksFirst) {
    const std::string content =
        "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default></Dispositions>";
    for (const std::string& second :
         {std::string(), std::string("<DispositionTypes>"), std::string("<Other/>")}) {
        SCOPED_TRACE(second);
        Folder f("", content);
        f.links.dispositionTypes[1] = "+/more.dispositiontypes.xml";
        const std::string path = f.dir / "more.dispositiontypes.xml";
        if (second.empty()) {
            f.s.prompts.ExpectMessageStartingWith(
                "Couldn't find the Disposition Types file, +/more.dispositiontypes.xml,");
        } else {
            WriteFile(path, second);
            f.s.prompts.ExpectMessageStartingWith("The file " + path);
        }
        ASSERT_TRUE(f.Load().opened);
        const std::string question =
            "The disposition types file \"+/more.dispositiontypes.xml\" could not be read completely, so the "
            "types of the dispositions in " +
            f.file() + " were checked against only part of the catalogue. Do you want to save anyway?";
        f.s.prompts.ExpectYesNo(question, Answer::No);
        EXPECT_FALSE(f.Save());
        EXPECT_EQ(ReadFile(f.file()), content);
        f.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
        EXPECT_TRUE(f.Save());
    }
}

TEST(DispositionFile, AMissingFileIsCreatedBySavingAndAFailedWriteIsReported) {
    Folder f("", "");
    const std::string file = f.dir / "new/d.xml";
    f.s.prompts.ExpectMessage(
        "The file " + file +
        " does not exist; every category starts with no dispositions and saving creates it.");
    ASSERT_EQ(f.Load("+/new/d.xml").file.problem, FileProblem::Missing);
    f.s.prompts.ExpectMessageStartingWith("Error saving=76:Path not found");
    EXPECT_FALSE(f.Save());
    std::filesystem::create_directory(f.dir / "new");
    f.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(f.Save());
    EXPECT_EQ(ReadFile(file), CrLf({"<Dispositions>", "\t<Default>", "\t</Default>", "</Dispositions>", ""}));
}

}  // namespace
}  // namespace pv
