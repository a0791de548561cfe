#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "cli/ReusedEditors.h"
#include "core/MasterLinks.h"
#include "editors/Editors.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::TestData;
using test::WriteFile;

// What an editor said of one file and what its save would write, as one comparable text.
std::string Verdict(const std::vector<Message>& messages, const std::string& printed) {
    std::string said;
    for (const Message& message : messages) {
        said += std::to_string(static_cast<int>(message.kind)) + " " + message.place.file + " | " +
                message.place.control + " | " + ToolText(message) + "\n";
    }
    return said + "--- saved:\n" + printed;
}

// One editor per type, loaded again for every file, says of each file exactly what a fresh editor says: a
// load leaves nothing of the file before it, in the controls, the messages or what a save writes. Every
// editor loads every file of the test data and the sample that has its root, the same with each value
// made nonsense, and files that are empty of settings, hold what no editor reads, are not well-formed, are
// of another kind or are missing, in one order and then in the other.
TEST(ReusedEditors, SayOfEveryFileWhatAFreshEditorSays) {
    test::TempDir temp;
    std::vector<std::string> sources;
    for (const std::string& folder :
         {TestData("actions"), TestData("monitoring"), std::string(POSTVANE_EXAMPLES) + "/config"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".xml")
                sources.push_back(entry.path().string());
        }
    }
    std::sort(sources.begin(), sources.end());
    MasterLinks links;
    links.masterFilePath = temp / "master.xml";
    links.messageFields[0] = TestData("actions/fields/messagefields1.xml");
    links.messageFields[1] = TestData("actions/fields/messagefields2.xml");
    const PathContext paths(temp.path());
    const EditorRegistry& registry = BuiltInEditors();
    size_t compared = 0;
    for (const EditorRegistration& editor : registry.editors) {
        if (!editor.make) continue;
        const std::string& root = editor.setup.root;
        std::vector<std::string> files;
        for (const std::string& source : sources) {
            const std::string text = ReadFile(source);
            if (text.find("<" + root + ">") == std::string::npos &&
                text.find("<" + root + " ") == std::string::npos)
                continue;
            files.push_back(source);
            const std::string nonsense = temp / (std::to_string(files.size()) + ".nonsense.xml");
            WriteFile(nonsense, std::regex_replace(text, std::regex(">[^<>]+</"), ">x?</"));
            files.push_back(nonsense);
        }
        ASSERT_FALSE(files.empty()) << root;
        const std::vector<std::pair<std::string, std::string>> made = {
            {"empty.xml", "<" + root + ">\r\n</" + root + ">\r\n"},
            {"unknown.xml", "<" + root + ">\r\n\t<Unknown>1</Unknown>\r\n</" + root + ">\r\n"},
            {"broken.xml", "<" + root + ">\r\n\t<Unknown>"},
            {"other.xml", "<Other>\r\n</Other>\r\n"}};
        for (const auto& [name, text] : made) {
            WriteFile(temp / name, text);
            files.push_back(temp / name);
        }
        files.push_back(temp / "missing.xml");
        std::vector<std::string> sequence = files;
        sequence.insert(sequence.end(), files.rbegin(), files.rend());

        ReusedEditors reused(paths, registry, links);
        for (const std::string& file : sequence) {
            std::string freshText, reusedText;
            const auto fresh =
                ReusedEditors(paths, registry, links).WhatTheEditorSays(editor, file, "unread", &freshText);
            const auto again = reused.WhatTheEditorSays(editor, file, "unread", &reusedText);
            ASSERT_EQ(Verdict(again, reusedText), Verdict(fresh, freshText))
                << editor.setup.type << " on " << file;
            ++compared;
        }
    }
    EXPECT_GT(compared, 300U);
}

}  // namespace
}  // namespace pv
