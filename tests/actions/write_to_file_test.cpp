#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "actions/DataOutputKit.h"
#include "actions/FrmWriteToFile.h"

namespace pv {
namespace {

using test::CrLf;
using test::DataOutputKit;
using test::DispositionWith;
using test::ReadFile;
using test::TestData;

// Typing, a check box, an option and a field row, each undone in turn back to the file as loaded, which a
// save then writes byte for byte; redone, the save equals one made without undo. Typing in one box is one
// step until something else comes between; typed back to what it was, none; undone by the box's own undo,
// undone.
TEST(WriteToFileEditor, EachChangeIsUndoneInTurnBackToTheFileAsLoadedAndRedone) {
    const std::string original = ReadFile(TestData("actions/writetofile/full.writetofile.xml"));
    const std::string row = Form::RowControl("chkField", 0);
    const auto edit = [&](Form& form) {
        form.UserSetText("txtDelimiter", ";,");
        form.UserSetText("txtDelimiter", ";,|");
        form.UserClick("chkWriteHeader");
        form.UserClick("optDaily");
        form.UserClick(row);
        form.UserSetText("txtDelimiter", "|");
    };
    DataOutputKit directKit("WriteToFile");
    const std::string directFile =
        directKit.PlaceData("full.writetofile.xml", "actions/writetofile/full.writetofile.xml");
    FrmWriteToFile direct(directKit.s.services, directKit.master);
    direct.OpenOn(DetailedFileOf(directKit.record));
    edit(direct);
    directKit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(direct.SaveFile());

    DataOutputKit kit("WriteToFile");
    const std::string file =
        kit.PlaceData("full.writetofile.xml", "actions/writetofile/full.writetofile.xml");
    FrmWriteToFile form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_FALSE(form.CanUndo());
    form.UserSetText("txtDelimiter", ";,");
    form.UserSetText("txtDelimiter", ";");
    EXPECT_FALSE(form.CanUndo());
    EXPECT_FALSE(form.changed());
    // Undone by the box's own undo, the typing is a step undone, as it stood before that undo began.
    form.UserSetText("txtDelimiter", ";,|");
    form.BoxUndoBegins("txtDelimiter");
    form.UserSetText("txtDelimiter", ";,");
    form.UserSetText("txtDelimiter", ";");
    EXPECT_EQ(std::make_tuple(form.CanUndo(), form.CanRedo(), form.changed()),
              std::make_tuple(false, true, false));
    form.UserRedo();
    EXPECT_EQ(std::make_tuple(form.Text("txtDelimiter"), form.changed()), std::make_tuple(";,|", true));
    form.UserUndo();

    const bool rowChecked = form.Checked(row);
    edit(form);
    form.UserUndo();
    EXPECT_EQ(form.Text("txtDelimiter"), ";,|");
    form.UserUndo();
    EXPECT_EQ(form.Checked(row), rowChecked);
    form.UserUndo();
    EXPECT_TRUE(form.Checked("optEveryTenMinutes"));
    EXPECT_FALSE(form.Checked("optDaily"));
    form.UserUndo();
    EXPECT_TRUE(form.Checked("chkWriteHeader"));
    EXPECT_TRUE(form.changed());
    form.UserUndo();  // both keystrokes at once
    EXPECT_EQ(form.Text("txtDelimiter"), ";");
    EXPECT_FALSE(form.changed());
    EXPECT_FALSE(form.CanUndo());
    kit.s.prompts.ExpectSavedUnchanged(file);
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), original);

    for (int step = 0; step < 5; ++step) form.UserRedo();
    EXPECT_FALSE(form.CanRedo());
    EXPECT_TRUE(form.changed());
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(directFile));
    EXPECT_NE(ReadFile(file), original);
    // Undo after a save marks the window changed again; redo back to the save clears it.
    form.UserUndo();
    EXPECT_TRUE(form.changed());
    form.UserRedo();
    EXPECT_FALSE(form.changed());
    EXPECT_TRUE(form.UserRequestClose());
}

TEST(WriteToFileEditor, OlderElementsAreReplacedATabDelimiterSurvivesAndAnUnknownIntervalIsSaid) {
    DataOutputKit kit("WriteToFile");
    const std::string file =
        kit.PlaceData("legacy.writetofile.xml", "actions/writetofile/legacy.input.writetofile.xml");
    FrmWriteToFile form(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage(
        "These fields have no length or date format in the file " + file +
        ": they are shown, and saved, with the message fields files' default: Subject "
        "(255)");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(form.Checked("optNever"));
    EXPECT_EQ(form.Text("txtLogDaysToBackup"), "30");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/writetofile/legacy.expected.writetofile.xml")));

    // A tab delimiter, saved as the one character it is, is read back as that character and saved again.
    const std::string tab = kit.Place(
        "tab.writetofile.xml", DispositionWith("<FileName>+/tab.txt</FileName><Delimiter>\t</Delimiter>"));
    FrmWriteToFile tabbed(kit.s.services, kit.master);
    tabbed.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(tabbed.Text("txtDelimiter"), "\t");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(tabbed.SaveFile());
    EXPECT_NE(ReadFile(tab).find("\t<Delimiter>\t</Delimiter>\r\n"), std::string::npos);

    // An empty interval lets the older element speak.
    for (const auto& [elements, option] :
         {std::pair{"<BackupInterval></BackupInterval><BackupDaily>0</BackupDaily>", "optNever"},
          std::pair{"<BackupInterval>Hourly</BackupInterval>", "optHourly"}}) {
        kit.Place("interval.writetofile.xml", DispositionWith(elements));
        FrmWriteToFile other(kit.s.services, kit.master);
        other.OpenOn(DetailedFileOf(kit.record));
        EXPECT_TRUE(other.Checked(option)) << elements;
    }
    // The older element's text other than 0 and 1 is said as the Log editor says its own.
    const std::string older =
        kit.Place("interval.writetofile.xml", DispositionWith("<BackupDaily>false</BackupDaily>"));
    FrmWriteToFile flag(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage("Unrecognized BackupDaily=false, shown and saved as Daily (in the file " +
                                older + ")");
    flag.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(flag.Checked("optDaily"));

    // An interval none of the four names shows as Daily and is saved so; the window says it when loading,
    // rather than change the file without a word at the next save.
    const std::string weekly = kit.Place(
        "weekly.writetofile.xml", DispositionWith("<FileName>+/out.txt</FileName><BackupInterval>Weekly</"
                                                  "BackupInterval><BackupDaily>0</BackupDaily>"));
    FrmWriteToFile unknown(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage("Unrecognized BackupInterval=Weekly, shown and saved as Daily (in the file " +
                                weekly + ")");
    unknown.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(unknown.Checked("optDaily"));
    EXPECT_FALSE(unknown.changed());
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(unknown.SaveFile());
    EXPECT_NE(ReadFile(weekly).find("\r\n\t<BackupInterval>Daily</BackupInterval>\r\n"), std::string::npos);
}

TEST(WriteToFileEditor, ANewFileShowsTheDefaultsAndTheChecksRunInFileOrder) {
    DataOutputKit kit("WriteToFile");
    FrmWriteToFile form(kit.s.services, kit.master);
    const std::string file = kit.OpenOnNewFile(form, "new.writetofile.xml");
    EXPECT_EQ(form.Text("txtOutputFileName"), "");
    EXPECT_EQ(form.Text("txtDelimiter"), "|");
    EXPECT_FALSE(form.Checked("chkWriteHeader"));
    EXPECT_TRUE(form.Checked("optDaily"));
    EXPECT_EQ(form.Text("txtLogDaysToBackup") + " " + form.Text("txtOutputFileEncoding"), "14 ASCII");

    kit.s.prompts.ExpectMessage("The path to the output file does not exist");
    EXPECT_FALSE(form.SaveFile());
    // A file in a folder whose name holds a backslash cannot be named in the file, which reads one as a
    // folder separator: said, and the box keeps what it had.
    const std::string backslashed = kit.dir / "a\\b/out.txt";
    kit.s.dialogs.AnswerFile(backslashed);
    kit.s.prompts.ExpectMessage(
        "Error=1001:The file " + backslashed +
        " cannot be named in a configuration file: its path holds a backslash, which a "
        "configuration file reads as a folder separator");
    form.UserClick("cmdBrowseOutput");
    EXPECT_EQ(form.Text("txtOutputFileName"), "");
    // A folder that exists is no output file, though the folder it is in exists too.
    kit.s.dialogs.AnswerFile(kit.dir / "dispose");
    form.UserClick("cmdBrowseOutput");
    kit.s.prompts.ExpectMessage("The output file is a folder, not a file: " + kit.dir / "dispose");
    EXPECT_FALSE(form.SaveFile());
    // Chosen below the program's folder, the name is kept relative to it; saved below the detailed file's
    // folder, it is stored relative to that.
    kit.s.dialogs.AnswerFile(kit.dir / "dispose/out.txt");
    form.UserClick("cmdBrowseOutput");
    // A save dialog names a file that need not exist yet, and never asks to create it; with no output
    // folder below the program's, it starts beside the file that names the output file.
    const FileDialogRequest& request = kit.s.dialogs.requests.back();
    EXPECT_EQ(
        std::tie(request.initialFolder, request.fileName, request.filter, request.mode,
                 request.defaultExtension),
        std::make_tuple(platform::ParentFolder(file), "output.txt", "*.txt|*.txt", FileCheck::SaveAs, "txt"));
    EXPECT_EQ(form.Text("txtOutputFileName"), "./dispose/out.txt");
    EXPECT_TRUE(form.changed());
    // Counted as the server's strings count: a character beyond U+FFFF is two of them.
    for (const char* delimiter : {"", ";;", "\xF0\x9F\x98\x80"}) {
        form.UserSetText("txtDelimiter", delimiter);
        kit.s.prompts.ExpectMessage("The delimiter must be a single character");
        EXPECT_FALSE(form.SaveFile());
    }
    form.UserSetText("txtDelimiter", "\xC2\xA7");  // one character of two bytes
    form.UserClick("chkField(4)");                 // Size: an integer, its box hidden
    form.UserClick("chkField(1)");
    form.UserSetText("txtFieldLength(1)", "many");
    kit.s.prompts.ExpectMessage("Length not numeric for Subject");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    form.UserSetText("txtFieldLength(1)", " 80 ");
    kit.s.prompts.ExpectMessage(
        "The MaxLength value of Subject \" 80 \" begins or ends with a blank, which the "
        "file " +
        file + " does not keep: it would read back as \"80\". Remove the blank.");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtFieldLength(1)", "80");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(
        ReadFile(file),
        CrLf({"<Disposition>", "\t<FileName>+/out.txt</FileName>", "\t<Delimiter>\xC2\xA7</Delimiter>",
              "\t<WriteHeader>0</WriteHeader>", "\t<BackupInterval>Daily</BackupInterval>",
              "\t<BackupFilesToKeep>14</BackupFilesToKeep>",
              "\t<OutputFileEncoding>ASCII</OutputFileEncoding>", "\t<TimeZone></TimeZone>", "\t<Fields>",
              "\t\t<Field>", "\t\t\t<Name>Subject</Name>", "\t\t\t<MaxLength>80</MaxLength>", "\t\t</Field>",
              "\t\t<Field>", "\t\t\t<Name>Size</Name>", "\t\t\t<MaxLength>10</MaxLength>", "\t\t</Field>",
              "\t</Fields>", "</Disposition>"}) +
            "\r\n");

    // The header box and the encoding box mark the editor changed like every other control.
    form.UserClick("chkWriteHeader");
    EXPECT_TRUE(form.changed());
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    form.UserClick("cmdReload");
    form.UserSetText("txtOutputFileEncoding", "UTF-8");
    EXPECT_TRUE(form.changed());
}

}  // namespace
}  // namespace pv
