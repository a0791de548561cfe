#include <gtest/gtest.h>

#include "dispositions/CCategory.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::WriteFile;

struct Folder {
    test::TempDir dir;
    test::ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
};

TEST(CategoryCatalogue, BothFilesInOrderWithMissingParentsUnderDefaultAndAMissingFileReported) {
    Folder f;
    f.links.categoryDefinitions[1] = "+/more/categories2.xml";
    WriteFile(f.dir / "categoryDefinitions.xml",
              "<Categories><Category><Name>Spam</Name></Category>"
              "<Category><Name>Junk</Name><ParentCategory> Spam </ParentCategory></Category>"
              "<Category><ParentCategory>Spam</ParentCategory></Category>"
              "<Category><Name></Name><ParentCategory>   </ParentCategory></Category></Categories>");
    WriteFile(f.dir / "more/categories2.xml",
              "<Categories><Category><Name>Spam</Name><ParentCategory>Junk</ParentCategory></Category>"
              "<Category><Name>Orders</Name></Category></Categories>");

    // Only a missing Name is reported; an empty one is a category with an empty name.
    const std::string nameless =
        "Category name missing in the category definitions file " + (f.dir / "categoryDefinitions.xml");
    f.s.prompts.ExpectMessage(nameless);
    std::vector<std::string> names;
    for (const auto& category : GetCategoryNameList(f.links, f.s.services.paths, f.s.prompts))
        names.push_back(category.CategoryName + "<" + category.ParentCategory);
    EXPECT_EQ(names, (std::vector<std::string>{"Spam<Default", "Junk<Spam", "<Default", "Spam<Junk",
                                               "Orders<Default"}));

    // A missing second file is reported and leaves the first file's categories.
    f.links.categoryDefinitions[1] = "+/gone.xml";
    f.s.prompts.ExpectMessage(nameless).ExpectMessage(
        "Couldn't find the Category Definitions file, please go back to main->Advanced "
        "settings to correct it.");
    EXPECT_EQ(GetCategoryNameList(f.links, f.s.services.paths, f.s.prompts).size(), 3u);
}

TEST(DispositionTypes, FirstTypeOfANameWinsOnlyZeroMeansNoFileAndBadFilesAreReported) {
    Folder f;
    // "-": no DetailedDispositionFile element at all.
    const auto type = [](const std::string& name, const std::string& file) {
        return "<DispositionType>" + (name.empty() ? "" : "<Name>" + name + "</Name>") +
               (file == "-" ? "" : "<DetailedDispositionFile>" + file + "</DetailedDispositionFile>") +
               "</DispositionType>";
    };
    WriteFile(f.dir / "types1.xml", "<DispositionTypes>" + type("Zero", "0") + type("No", "no") +
                                        type("Absent", "-") + type("", "0") + type("Zero", "1") +
                                        "</DispositionTypes>");
    WriteFile(f.dir / "types2.xml",
              "<DispositionTypes>" + type("Absent", "0") + type("Later", "0") + "</DispositionTypes>");
    WriteFile(f.dir / "types3.xml", "<DispositionTypes>" + type("Broken", "0"));
    CDispositionTypes types;
    const auto load = [&](const std::string& name) {
        return types.LoadFromFile(name, f.links.masterFilePath, f.s.services.paths, f.s.prompts);
    };
    using Read = CDispositionTypes::FileRead;
    f.s.prompts.ExpectMessage("Name is missing from a disposition type in the disposition types file " +
                              (f.dir / "types1.xml"));
    EXPECT_EQ(load("+/types1.xml"), Read::Complete);
    EXPECT_EQ(load("+/types2.xml"), Read::Complete);
    // A malformed file is opened on, without types, but known to be incomplete; a missing one is quoted as
    // written.
    f.s.prompts.ExpectMessage("The file " + (f.dir / "types3.xml") +
                              " is not well-formed XML (line 1, column 125: the file ends before the element "
                              "<DispositionTypes> is closed). It was read as empty, so none of its "
                              "disposition types are known.");
    EXPECT_EQ(load("+/types3.xml"), Read::Incomplete);
    f.s.prompts.ExpectMessage(
        "Couldn't find the Disposition Types file, +/missing.xml, please go back to main->Advanced "
        "settings to correct it.");
    EXPECT_EQ(load("+/missing.xml"), Read::Unread);
    EXPECT_EQ(load(""), Read::NotNamed);

    EXPECT_EQ(types.Names(), (std::vector<std::string>{"Zero", "No", "Absent", "Later"}));
    std::vector<std::optional<bool>> needsFile;
    for (const char* name : {"Zero", "No", "Absent", "Later", "zero"})
        needsFile.push_back(types.RequiresDetailedFile(name));
    // An unknown (or differently cased) name is told apart from "no detailed file".
    EXPECT_EQ(needsFile, (std::vector<std::optional<bool>>{false, true, true, false, std::nullopt}));
}

// Opening a record's editor asks the types catalogue whether the type has a detailed file.
TEST(EditorDispatch, TheRecordsOwnTypeOrAChosenOneAndATypeWithoutAFileIsSetAtOnce) {
    Folder d;
    test::UseFakeEditors(d.s, {"frmRunSQL"});
    CCatDisposition record{"RunSQL", "+/a.runsql.xml", "", d.dir / "dispositions.xml", false};
    // A type may be named anything, "missing" too.
    WriteFile(d.dir / "dispositionTypes.xml",
              "<DispositionTypes><DispositionType><Name>DoNothing</Name><DetailedDispositionFile>0"
              "</DetailedDispositionFile></DispositionType><DispositionType><Name>missing</Name>"
              "<DetailedDispositionFile>0</DetailedDispositionFile></DispositionType></DispositionTypes>");
    d.s.windows.Expect("frmRunSQL", test::ClosesUntouched());
    OpenDispositionEditor(d.s.services, d.links, record);
    EXPECT_EQ(record.Type, "RunSQL");
    EXPECT_FALSE(record.Changed);

    // A type without a file opens nothing and marks the record; asked again, there is nothing to edit.
    OpenDispositionEditor(d.s.services, d.links, record, "DoNothing");
    EXPECT_EQ(record.Type, "DoNothing");
    EXPECT_TRUE(record.Changed);
    d.s.prompts.ExpectMessage("There is no config file to edit for \"DoNothing\" types");
    OpenDispositionEditor(d.s.services, d.links, record);
    record.Changed = false;
    OpenDispositionEditor(d.s.services, d.links, record, "missing");
    EXPECT_EQ(record.Type, "missing");
    EXPECT_TRUE(record.Changed);
}

}  // namespace
}  // namespace pv
