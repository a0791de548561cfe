#include "cli/InstallationSample.h"

#include "core/platform.h"
#include "core/xml.h"

namespace pv {
namespace {

std::string Number(size_t n) {
    return std::to_string(n);
}

std::string ForwardFile(size_t mailbox, size_t file) {
    return "fwd" + Number(mailbox) + "-" + Number(file) + ".forwardmessage.xml";
}

void WriteForward(const std::string& path, size_t mailbox, size_t file) {
    std::string text;
    WriteOpenTag(text, "Disposition", 0);
    WriteElement(text, "From", "postvane" + Number(mailbox) + "@example.com", 1);
    WriteElement(text, "SMTPServer", "smtp" + Number(file) + ".example.com", 1);
    WriteElement(text, "SMTPPort", "25", 1);
    WriteElement(text, "TlsOption", "None", 1);
    WriteOpenTag(text, "Addresses", 1);
    WriteElement(text, "Address", "team" + Number(file) + "@example.com", 2);
    WriteElement(text, "Address", "desk" + Number(mailbox) + "@example.com", 2);
    WriteCloseTag(text, "Addresses", 1);
    WriteElement(text, "ForwardAsAttachment", "1", 1);
    WriteElement(text, "SubjectFormat", "[%category%] %originalsubject% & more", 1);
    WriteElement(text, "Retries", "10", 1);
    for (const char* flag : {"PreserveToAddresses", "PreserveFromAddress", "PreserveEnvelopeToAddresses",
                             "PreserveEnvelopeFromAddress"}) {
        WriteElement(text, flag, "0", 1);
    }
    WriteCloseTag(text, "Disposition", 0);
    WriteTextFile(path, text);
}

}  // namespace

InstallationSample WriteInstallationSample(const std::string& folder, size_t mailboxes, size_t categories,
                                           size_t dispositionsPerCategory, size_t forwardFiles) {
    const std::string base = folder + platform::kSeparator;
    InstallationSample sample;
    sample.master = base + "master.xml";

    std::string text;
    WriteOpenTag(text, "Categories", 0);
    for (size_t c = 0; c < categories; ++c) {
        WriteOpenTag(text, "Category", 1);
        WriteElement(text, "Name", "Category" + Number(c), 2);
        if (c >= 10) WriteElement(text, "ParentCategory", "Category" + Number(c % 10), 2);
        WriteCloseTag(text, "Category", 1);
    }
    WriteCloseTag(text, "Categories", 0);
    WriteTextFile(base + "categoryDefinitions.xml", text);

    text.clear();
    WriteOpenTag(text, "DispositionTypes", 0);
    WriteOpenTag(text, "DispositionType", 1);
    WriteElement(text, "Name", "ForwardMessage", 2);
    WriteElement(text, "DetailedDispositionFile", "1", 2);
    WriteCloseTag(text, "DispositionType", 1);
    WriteCloseTag(text, "DispositionTypes", 0);
    WriteTextFile(base + "dispositionTypes.xml", text);
    WriteTextFile(base + "rules.categorization.xml", "<Rules>\r\n</Rules>\r\n");
    WriteTextFile(base + "monitor.xml", "<Monitors>\r\n</Monitors>\r\n");
    sample.files = 5;

    std::string master;
    WriteOpenTag(master, "ResponseHandler", 0);
    WriteElement(master, "MonitorConfigFile", "+/monitor.xml", 1);
    WriteElement(master, "DispositionTypesFile", "+/dispositionTypes.xml", 1);
    WriteElement(master, "CategoryDefinitionsFile", "+/categoryDefinitions.xml", 1);
    WriteElement(master, "OnePass", "0", 1);
    WriteOpenTag(master, "Mailboxes", 1);
    for (size_t m = 0; m < mailboxes; ++m) {
        const std::string dispositionFile = "d" + Number(m) + ".disposition.xml";
        WriteOpenTag(master, "Mailbox", 2);
        WriteElement(master, "Name", "Mailbox " + Number(m), 3);
        WriteElement(master, "Host", "mail" + Number(m % 50) + ".example.com", 3);
        WriteElement(master, "Port", "-1", 3);
        WriteElement(master, "Protocol", "imaps", 3);
        WriteElement(master, "User", "user" + Number(m), 3);
        WriteElement(master, "Password", "", 3);
        WriteElement(master, "Subfolder", "", 3);
        WriteElement(master, "CategorizationRulesFileName", "+/rules.categorization.xml", 3);
        WriteElement(master, "DispositionFileName", "+/" + dispositionFile, 3);
        WriteCloseTag(master, "Mailbox", 2);

        for (size_t f = 0; f < forwardFiles; ++f) WriteForward(base + ForwardFile(m, f), m, f);
        std::string dispositions;
        WriteOpenTag(dispositions, "Dispositions", 0);
        size_t next = 0;
        for (size_t c = 0; c <= categories; ++c) {
            const std::string category = c == 0 ? "Default" : "Category" + Number(c - 1);
            WriteOpenTag(dispositions, category, 1);
            for (size_t d = 0; d < dispositionsPerCategory && forwardFiles > 0; ++d) {
                WriteOpenTag(dispositions, "Disposition", 2);
                WriteElement(dispositions, "Type", "ForwardMessage", 3);
                WriteElement(dispositions, "DetailedDispositionFile",
                             "+/" + ForwardFile(m, next++ % forwardFiles), 3);
                WriteElement(dispositions, "DirectoryForErrors", "/var/spool/postvane/errors", 3);
                WriteCloseTag(dispositions, "Disposition", 2);
            }
            WriteCloseTag(dispositions, category, 1);
        }
        WriteCloseTag(dispositions, "Dispositions", 0);
        WriteTextFile(base + dispositionFile, dispositions);
        sample.files += 1 + forwardFiles;
    }
    WriteCloseTag(master, "Mailboxes", 1);
    WriteCloseTag(master, "ResponseHandler", 0);
    WriteTextFile(sample.master, master);
    return sample;
}

}  // namespace pv
