#include "actions/FrmHttpRequest.h"

#include <algorithm>

#include "dispositions/DispositionEditors.h"
#include "names/frmHttpRequest.h"

namespace pv {
using namespace names::frmHttpRequest;

namespace {

constexpr const char* kUrlTip = "The URL to make the request to.";
constexpr const char* kUserTip =
    "The username to use to connect to the URL. If empty, we connect anonymously.";
constexpr const char* kPasswordTip =
    "The password to use to connect to the URL. If empty, we connect anonymously.";

}  // namespace

FileEditorSetup FrmHttpRequest::Setup() {
    return DetailedFileSetup("HttpRequest", frmHttpRequest, "Edit HttpRequest Disposition Configuration",
                             "http", "Http Request");
}

FrmHttpRequest::FrmHttpRequest(Services& services, const IMasterLinks& master)
    : MessageFieldsEditor(services, master, Setup()) {
    AddControl(Label7, ControlKind::Label, "URL:", kUrlTip);
    AddControl(txtUrl, ControlKind::TextBox, "", kUrlTip);
    AddControl(Label3, ControlKind::Label,
               "Method:", "Which method should be used to send the data to the url, GET or POST.");
    AddControl(Frame1, ControlKind::Frame);
    AddControl(optMethodGet, ControlKind::Option, "GET", "Use the GET method").group = Frame1;
    AddControl(optMethodPost, ControlKind::Option, "POST", "Use the POST method").group = Frame1;
    mutableControl(optMethodGet).checked = true;
    AddControl(Label1, ControlKind::Label, "Username", kUserTip);
    AddControl(txtUser, ControlKind::TextBox, "", kUserTip);
    AddControl(Label4, ControlKind::Label, "Password:", kPasswordTip);
    AddControl(txtPassword, ControlKind::TextBox, "", kPasswordTip);
    DeclareParameterLists(
        "The list of message fields (ordered) that will be used as parameters.  You should have one ? in "
        "your SQL "
        "for each parameter here",
        false);

    // The file, in the order it is written; each check sits where the save meets it.
    Check([this] { return Text(txtUrl).empty(); }, "URL missing", txtUrl);
    TextSetting("Url", txtUrl, "");
    // Another method (PUT) is kept and named, and the save refuses until one of the two is chosen: written
    // as GET it would change the request the server sends.
    ChoiceSetting("Method", "GET", {{"GET", optMethodGet}, {"POST", optMethodPost}}, "Unrecognized Method=");
    TextSetting("UID", txtUser, "");
    PasswordSetting("PWD", txtPassword);
    ListSetting(
        [this](XmlNode root) {
            FillAvailableFields();
            parameterNames_.clear();
            std::vector<std::string> names;
            std::vector<std::pair<std::string, std::string>> read;
            for (const XmlNode& parameter : ParametersRead(root)) {
                names.push_back(ReadNodeText(parameter, "FieldName", ""));
                // A name set by hand is what the server sends the field as: kept, though no control shows it
                // (that of a parameter the list drops is never written).
                std::string sentAs = ReadNodeText(parameter, "ParameterName", names.back());
                read.emplace_back(names.back(), sentAs);
                if (sentAs != names.back()) parameterNames_.emplace(names.back(), std::move(sentAs));
            }
            const std::vector<std::string> dropped = ListLoadedParameters(std::move(names));
            if (!dropped.empty()) {
                ReportDrop(DroppedEntriesMessage("parameters", dropped, GetConfigFilePath()));
            }
            ReportMergedParameters(read, "ParameterName", [this](const std::string& name) {
                const auto sentAs = parameterNames_.find(name);
                return sentAs == parameterNames_.end() ? name : sentAs->second;
            });
        },
        [this](std::string& buffer) {
            WriteOpenTag(buffer, "Parameters", 1);
            for (const std::string& name : Items(lstParameters)) {
                WriteOpenTag(buffer, "Parameter", 2);
                WriteElement(buffer, "FieldName", name, 3);
                const auto sentAs = parameterNames_.find(name);
                WriteElement(buffer, "ParameterName", sentAs == parameterNames_.end() ? name : sentAs->second,
                             3);
                WriteCloseTag(buffer, "Parameter", 2);
            }
            WriteCloseTag(buffer, "Parameters", 1);
        },
        {"Parameters"});
}

void FrmHttpRequest::ParametersRemoved() {
    const std::vector<std::string>& listed = Items(lstParameters);
    std::map<std::string, std::string> gone;
    for (auto name = parameterNames_.begin(); name != parameterNames_.end();) {
        if (std::find(listed.begin(), listed.end(), name->first) == listed.end()) {
            gone.insert(parameterNames_.extract(name++));
        } else {
            ++name;
        }
    }
    if (gone.empty()) return;
    RecordChange([this, gone] { parameterNames_.insert(gone.begin(), gone.end()); },
                 [this, gone] {
                     for (const auto& entry : gone) parameterNames_.erase(entry.first);
                 });
}

}  // namespace pv
