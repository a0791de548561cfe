#include "master/MasterConfiguration.h"

#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {

MasterConfiguration::LoadResult MasterConfiguration::Load(const PathContext& paths, IPrompts& prompts) {
    LoadResult result;
    const std::string path = paths.MakeAbsolutePath(MasterFilePath);
    if (!platform::PathExists(path)) {
        prompts.ShowMessage(MissingFileMessage(prompts, path));
        return result;
    }
    XmlFile file;
    try {
        file = LoadXmlFile(path);
        result.read = file.fingerprint;
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Unexpected error in LoadFile=", error));
        result.outcome = LoadOutcome::Unreadable;
        return result;
    }
    if (!ReportLoad(path, file, prompts)) {
        result.readAsMaster = false;
    } else if (const std::string wrong =
                   WrongRootMessage(path, file, "ResponseHandler", "master configuration file");
               !wrong.empty()) {
        // Another kind of configuration file: taken for an empty master, the next save would replace it.
        prompts.ShowMessage(wrong + ReadAsEmptyMessage(prompts.ForWindows()));
        result.readAsMaster = false;
    }
    Mailboxes.clear();
    try {
        const XmlNode doc = file.root();
        MonitorConfigFile = ReadNodeText(doc, "ResponseHandler/MonitorConfigFile", "+/monitor.xml");
        DispositionTypesFile1 =
            ReadNthNodeText(doc, "ResponseHandler/DispositionTypesFile", 1, "+/dispositionTypes.xml");
        DispositionTypesFile2 = ReadNthNodeText(doc, "ResponseHandler/DispositionTypesFile", 2, "");
        CategoryDefinitionsFile1 =
            ReadNthNodeText(doc, "ResponseHandler/CategoryDefinitionsFile", 1, "+/categoryDefinitions.xml");
        CategoryDefinitionsFile2 = ReadNthNodeText(doc, "ResponseHandler/CategoryDefinitionsFile", 2, "");
        MessageFieldsFile1 =
            ReadNthNodeText(doc, "ResponseHandler/MessageFieldsFile", 1, "+/MessageFields.xml");
        MessageFieldsFile2 = ReadNthNodeText(doc, "ResponseHandler/MessageFieldsFile", 2, "");
        OnePass = ReadNodeText(doc, "ResponseHandler/OnePass", "0") != "0";
        CategorizationOverridesFile = ReadNodeText(doc, "ResponseHandler/CategorizationOverridesFile", "");
        for (const XmlNode& node : SelectNodeList(doc, "ResponseHandler/Mailboxes/Mailbox")) {
            auto record = std::make_shared<CMailbox>();
            record->readFromNode(node);
            const std::string key = record->sName;
            Mailboxes.Add(std::move(record), key);
        }
        result.outcome = LoadOutcome::Complete;
        if (result.readAsMaster) ReportNotKept(path, file, prompts);
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Unexpected error in LoadFile=", error));
        result.outcome = LoadOutcome::Stopped;
    }
    return result;
}

std::string MasterConfiguration::WriteText(const std::string& referringFile, const PathContext& paths,
                                           IPrompts& prompts) {
    const ReferringFileScope scope(paths, referringFile);
    const auto stored = [&](const std::string& value) {
        return paths.MakeStoredPath(true, value, referringFile);
    };
    std::string buffer;
    buffer.reserve(256 + Mailboxes.size() * 1100);
    WriteOpenTag(buffer, "ResponseHandler", 0);
    WriteElement(buffer, "MonitorConfigFile", stored(MonitorConfigFile), 1);
    const auto writePair = [&](const char* tag, const std::string& first, const std::string& second) {
        WriteElement(buffer, tag, stored(first), 1);
        if (!second.empty()) WriteElement(buffer, tag, stored(second), 1);
    };
    writePair("DispositionTypesFile", DispositionTypesFile1, DispositionTypesFile2);
    writePair("CategoryDefinitionsFile", CategoryDefinitionsFile1, CategoryDefinitionsFile2);
    writePair("MessageFieldsFile", MessageFieldsFile1, MessageFieldsFile2);
    WriteElement(buffer, "OnePass", OnePass ? "1" : "0", 1);
    if (!CategorizationOverridesFile.empty()) {
        WriteElement(buffer, "CategorizationOverridesFile", stored(CategorizationOverridesFile), 1);
    }
    WriteOpenTag(buffer, "Mailboxes", 1);
    for (CMailbox* mailbox : Mailboxes.Records()) {
        try {
            mailbox->writeToString(buffer, 2, referringFile, paths, prompts);
        } catch (UnwritableValue& error) {
            error.Within("of mailbox \"" + mailbox->sName + "\"");
            throw;
        }
        mailbox->Changed = false;
    }
    WriteCloseTag(buffer, "Mailboxes", 1);
    WriteCloseTag(buffer, "ResponseHandler", 0);
    return buffer;
}

bool MasterConfiguration::Save(const std::string& referringFile, const PathContext& paths,
                               IPrompts& prompts) {
    try {
        const std::string text = WriteText(referringFile, paths, prompts);
        WriteTextFile(paths.MakeAbsolutePath(MasterFilePath), text);
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Error saving=", error));
        return false;
    }
    prompts.ShowInformation("Saved");
    return true;
}

std::string MasterConfiguration::SkeletonText() {
    return "<ResponseHandler>\r\n"
           "\t<DispositionTypesFile>+/customDispositionTypes.xml</DispositionTypesFile>\r\n"
           "\t<DispositionTypesFile>+/systemDispositionTypes.xml</DispositionTypesFile>\r\n"
           "\t<CategoryDefinitionsFile>+/customCategoryDefinitions.xml</CategoryDefinitionsFile>\r\n"
           "\t<CategoryDefinitionsFile>+/systemCategoryDefinitions.xml</CategoryDefinitionsFile>\r\n"
           "\t<MessageFieldsFile>+/customMessageFields.xml</MessageFieldsFile>\r\n"
           "\t<MessageFieldsFile>+/systemMessageFields.xml</MessageFieldsFile>\r\n"
           "</ResponseHandler>\r\n";
}

void MasterConfiguration::CreateSkeleton(const std::string& fullPath) {
    // Unlike a saved file, the skeleton ends with a single line end.
    platform::ReplaceFileAtomically(fullPath, SkeletonText());
}

MasterLinks LinksOf(const MasterConfiguration& master, const PathContext& paths) {
    MasterLinks links;
    links.masterFilePath = paths.MakeAbsolutePath(master.MasterFilePath);
    links.dispositionTypes[0] = master.DispositionTypesFile1;
    links.dispositionTypes[1] = master.DispositionTypesFile2;
    links.categoryDefinitions[0] = master.CategoryDefinitionsFile1;
    links.categoryDefinitions[1] = master.CategoryDefinitionsFile2;
    links.messageFields[0] = master.MessageFieldsFile1;
    links.messageFields[1] = master.MessageFieldsFile2;
    return links;
}

}  // namespace pv
