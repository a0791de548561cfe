#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "actions/CMessageFields.h"
#include "actions/MessageFieldRows.h"
#include "core/FileEditor.h"

namespace pv {

class IMasterLinks;

// What the editors of dispositions that write message data to a database share.
// The driver class, connection string, user and password boxes with their labels; `userCaption` is the user
// label's caption ("Username" or "Username:").
void AddConnectionControls(FileEditorForm& editor, const std::string& userCaption);
// "DriverClass", "ConnectionString" (refused while empty), "UID" and "PWD" (scrambled).
void ConnectionSettings(FileEditorForm& editor);
// The button that shows a CREATE TABLE statement.
void AddGenerateDDLButton(FileEditorForm& editor, std::function<std::string()> statement);

// A detailed editor that works with the message fields catalogue (Write To File, Write To DB, Run SQL,
// Http Request): the catalogue is read afresh from the master's two message fields files at every load; an
// editor that cannot read the first one says so and closes, and a save on a catalogue not read completely
// (the second file named but not read, a field that could not be read) asks first, and the tool refuses
// it. Gives the field rows and the lists of available fields and parameters as settings.
class MessageFieldsEditor : public FileEditorForm {
  public:
    const CMessageFields& catalogue() const { return catalogue_; }
    // Whether the file last read holds a Fields element: the table a Write To DB file describes.
    bool FileHoldsFields() const { return fileHoldsFields_; }

  protected:
    MessageFieldsEditor(Services& services, const IMasterLinks& master, FileEditorSetup setup);

    bool BeforeLoading() override;

    // The field rows under "Fields To Include:", and their "Fields" element at this point of the file order.
    void FieldRowsSetting();
    MessageFieldRows& rows() { return rows_; }
    const MessageFieldRows& rows() const { return rows_; }

    // The sorted list of offered fields (lstFields), the ordered parameter list (lstParameters) and the
    // buttons between them; with `moves`, Move Up and Move Down too.
    void DeclareParameterLists(const std::string& parametersTooltip, bool moves);
    // Refills lstFields from the catalogue and empties lstParameters.
    void FillAvailableFields();
    // Lists the parameters read from the file, in their order, that lstFields offers (exact names); returns
    // the others, which a save drops. The list is set once, so a long one loads in linear time.
    std::vector<std::string> ListLoadedParameters(std::vector<std::string> names);
    // The Parameter elements of the root's first Parameters element, the one the server reads: those of
    // another are left unread, so that a save names them as what it would leave out.
    static std::vector<XmlNode> ParametersRead(XmlNode root);
    // A field listed more than once among the parameters has one value of `element` for all of its entries
    // (the editor holds it by the field's name): an entry the file gives another is said as the file loads,
    // and counts as a change. `read`: each parameter's name and value as read, "" for none; `written`: the
    // value a save writes for a name. Parameters the list dropped are left to their own message.
    void ReportMergedParameters(const std::vector<std::pair<std::string, std::string>>& read,
                                const std::string& element,
                                const std::function<std::string(const std::string&)>& written);

    const IMasterLinks& master_;

    // The user took entries off lstParameters (the list shows what is left), within that action.
    virtual void ParametersRemoved() {}

  private:
    void SelectFields();
    void RemoveParameters();
    void MoveParameters(int step);

    CMessageFields catalogue_;
    MessageFieldRows rows_;
    bool fileHoldsFields_ = false;
};

}  // namespace pv
