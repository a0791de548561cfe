#pragma once
// What the tests of the data-output editors start from: a detailed editor kit whose master names the two
// test message fields files.
#include <string>

#include "actions/DetailedEditorKit.h"
#include "core/MasterLinks.h"

namespace pv::test {

// Offered, in order: MessageId, Subject, From, ReceivedDate (date, not null), Size (integer), CustomerId
// (constant length 12), HasAttachments (Boolean), SpamScore (Double), then from the second file Priority
// (integer) and Department; InternalId is excluded and the second file's "subject" repeats a name.
struct DataOutputKit : DetailedEditorKit {
    explicit DataOutputKit(const std::string& type) : DetailedEditorKit(type) {
        WriteFile(dir / "master.xml", "<ResponseHandler/>");
        master.masterFilePath = dir / "master.xml";
        master.messageFields[0] = TestData("actions/fields/messagefields1.xml");
        master.messageFields[1] = TestData("actions/fields/messagefields2.xml");
    }
    MasterLinks master;
};

}  // namespace pv::test
