#include "actions/MessageFieldsSample.h"

#include "actions/FrmRunSQL.h"
#include "actions/FrmWriteToDB.h"
#include "core/HeadlessServices.h"
#include "core/password.h"
#include "core/xml.h"
#include "dispositions/DispositionEditors.h"

namespace pv {

MessageFieldsSample WriteMessageFieldsSample(const std::string& folder, size_t fields) {
    static const char* const kTypes[] = {"java.lang.String", "java.util.Date", "java.lang.Integer",
                                         "java.lang.Boolean", "java.lang.Double"};
    std::string catalogue;
    std::string detailed;
    WriteOpenTag(catalogue, "MessageFields", 0);
    WriteOpenTag(detailed, "Disposition", 0);
    WriteElement(detailed, "ConnectionString", "jdbc:example://db.example.com/mail", 1);
    WriteElement(detailed, "TableName", "MessageLog", 1);
    WriteOpenTag(detailed, "Fields", 1);
    for (size_t i = 0; i < fields; ++i) {
        const std::string name = "Field" + std::to_string(i);
        WriteOpenTag(catalogue, "MessageField", 1);
        WriteElement(catalogue, "Name", name, 2);
        WriteElement(catalogue, "DataTypeClassName", kTypes[i % 5], 2);
        WriteElement(catalogue, "DefaultLength", std::to_string(10 + i % 200), 2);
        WriteCloseTag(catalogue, "MessageField", 1);
        if (i % 3 == 0) {
            WriteOpenTag(detailed, "Field", 2);
            WriteElement(detailed, "Name", name, 3);
            if (i % 5 == 1) {
                WriteElement(detailed, "DateFormat", "yyyy-MM-dd", 3);
            } else {
                WriteElement(detailed, "MaxLength", std::to_string(10 + i % 200), 3);
            }
            WriteCloseTag(detailed, "Field", 2);
        }
    }
    WriteCloseTag(catalogue, "MessageFields", 0);
    WriteCloseTag(detailed, "Fields", 1);
    WriteCloseTag(detailed, "Disposition", 0);
    WriteTextFile(folder + "/master.xml", "<ResponseHandler>\r\n</ResponseHandler>");
    WriteTextFile(folder + "/fields.xml", catalogue);
    WriteTextFile(folder + "/log.writetodb.xml", detailed);

    MessageFieldsSample sample;
    sample.master.masterFilePath = folder + "/master.xml";
    sample.master.messageFields[0] = "+/fields.xml";
    sample.disposition.Type = "WriteToDB";
    sample.disposition.DispositionFilePath = folder + "/master.xml";
    sample.disposition.DetailedDispositionFile = "+/log.writetodb.xml";
    return sample;
}

size_t OpenWriteToDBSample(MessageFieldsSample& sample, const std::string& programDirectory) {
    CollectingPrompts prompts;
    HeadlessServices headless(PathContext(programDirectory), prompts);
    FrmWriteToDB editor(headless.services, sample.master);
    editor.OpenOn(DetailedFileOf(sample.disposition));
    return editor.IsClosed() ? 0 : static_cast<size_t>(editor.RowCount("Fields"));
}

MessageFieldsSample WriteParameterSample(const std::string& folder, size_t fields, size_t parameters) {
    std::string catalogue;
    WriteOpenTag(catalogue, "MessageFields", 0);
    for (size_t i = 0; i < fields; ++i) {
        WriteOpenTag(catalogue, "MessageField", 1);
        WriteElement(catalogue, "Name", "Field" + std::to_string(i), 2);
        WriteElement(catalogue, "DataTypeClassName", "java.lang.String", 2);
        WriteElement(catalogue, "DefaultLength", "40", 2);
        WriteCloseTag(catalogue, "MessageField", 1);
    }
    WriteCloseTag(catalogue, "MessageFields", 0);

    std::string detailed;
    WriteOpenTag(detailed, "Disposition", 0);
    WriteElement(detailed, "DriverClass", "org.example.jdbc.Driver", 1);
    WriteElement(detailed, "ConnectionString", "jdbc:example://db.example.com/mail", 1);
    WriteElement(detailed, "UID", "", 1);
    CollectingPrompts prompts;
    WriteElement(detailed, "PWD", ScramblePassword("", prompts), 1);
    WriteElement(detailed, "TimeZone", "", 1);
    std::string sql = "insert into Log values (";
    sql.reserve(sql.size() + parameters * 2 + 1);
    for (size_t i = 0; i < parameters; ++i) sql += i == 0 ? "?" : ",?";
    WriteElement(detailed, "SQL", sql + ")", 1);
    WriteOpenTag(detailed, "Parameters", 1);
    for (size_t i = 0; i < parameters; ++i) {
        WriteOpenTag(detailed, "Parameter", 2);
        WriteElement(detailed, "FieldName", "Field" + std::to_string(i % fields), 3);
        // The editor keeps one length per name: a field has the same at each of its bindings.
        if (i % fields % 2 == 0) WriteElement(detailed, "MaxLength", std::to_string(10 + i % fields), 3);
        WriteCloseTag(detailed, "Parameter", 2);
    }
    WriteCloseTag(detailed, "Parameters", 1);
    WriteElement(detailed, "PoolSize", "4", 1);
    WriteCloseTag(detailed, "Disposition", 0);
    WriteTextFile(folder + "/master.xml", "<ResponseHandler>\r\n</ResponseHandler>");
    WriteTextFile(folder + "/fields.xml", catalogue);
    WriteTextFile(folder + "/bound.runsql.xml", detailed);

    MessageFieldsSample sample;
    sample.master.masterFilePath = folder + "/master.xml";
    sample.master.messageFields[0] = "+/fields.xml";
    sample.disposition.Type = "RunSQL";
    sample.disposition.DispositionFilePath = folder + "/master.xml";
    sample.disposition.DetailedDispositionFile = "+/bound.runsql.xml";
    return sample;
}

size_t OpenRunSQLSample(MessageFieldsSample& sample, const std::string& programDirectory, bool* saved) {
    CollectingPrompts prompts;
    HeadlessServices headless(PathContext(programDirectory), prompts);
    FrmRunSQL editor(headless.services, sample.master);
    editor.OpenOn(DetailedFileOf(sample.disposition));
    if (editor.IsClosed()) return 0;
    if (saved) *saved = editor.SaveFile();
    return editor.Items("lstParameters").size();
}

}  // namespace pv
