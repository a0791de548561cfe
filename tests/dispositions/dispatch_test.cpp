#include <gtest/gtest.h>

#include "dispositions/DispositionEditors.h"
#include "dispositions/DispositionTestKit.h"
#include "support/Scripted.h"

namespace pv {
namespace {

using test::WriteFile;

struct Dispatch {
    test::TempDir dir;
    test::ScriptedServices s{dir.path()};
    MasterLinks links = test::LinksIn(dir);
    bool fakes = (test::UseFakeEditors(s, {"frmRunSQL"}), true);
    CCatDisposition record{"RunSQL", "+/a.runsql.xml", "", dir / "dispositions.xml", false};
};

TEST(EditorDispatch, MissingMeansTheRecordsTypeAndATypeWithoutAFileIsSetAtOnce) {
    Dispatch d;
    WriteFile(d.dir / "dispositionTypes.xml",
              "<DispositionTypes><DispositionType><Name>DoNothing</Name><DetailedDispositionFile>0"
              "</DetailedDispositionFile></DispositionType></DispositionTypes>");
    d.s.windows.Expect("frmRunSQL", test::ClosesUntouched());
    OpenDispositionEditor(d.s.services, d.links, d.record, kUseRecordType);
    EXPECT_EQ(d.record.Type, "RunSQL");
    EXPECT_FALSE(d.record.Changed);

    // A type without a file opens nothing and marks the record; asked again, there is nothing to edit.
    OpenDispositionEditor(d.s.services, d.links, d.record, "DoNothing");
    EXPECT_EQ(d.record.Type, "DoNothing");
    EXPECT_TRUE(d.record.Changed);
    d.s.prompts.ExpectMessage("There is no config file to edit for \"DoNothing\" types");
    OpenDispositionEditor(d.s.services, d.links, d.record, kUseRecordType);
}

}  // namespace
}  // namespace pv
