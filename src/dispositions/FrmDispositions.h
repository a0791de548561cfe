#pragma once
#include <future>
#include <string>
#include <vector>

#include "core/DiskChangeGuard.h"
#include "core/form.h"
#include "core/services.h"
#include "dispositions/DispositionConfiguration.h"

namespace pv {

class IMasterLinks;

// "Category-Disposition Mappings": the dispositions of every category of one disposition configuration file.
class FrmDispositions : public Form {
  public:
    FrmDispositions(Services& services, const IMasterLinks& master);

    // Loads the catalogues and the file. False when the window closed itself while opening (the first
    // disposition types file could not be loaded, or the file could not be read): the caller then does not
    // show it.
    bool LoadFromFile(const std::string& fileName, const std::string& masterFilePath);
    // The same in two steps, for a window built while its files are read: with thousands of categories the
    // reading takes about as long as the building. StartLoading reads on another thread, asking nothing;
    // FinishLoading waits for it, shows what it reported and gives what LoadFromFile gives. A reading that
    // had a question to ask is done again by FinishLoading, on this thread.
    void StartLoading(const std::string& fileName, const std::string& masterFilePath);
    bool FinishLoading();
    // Opens the window on a file: the one way the other windows open it.
    static void Open(Services& services, const IMasterLinks& master, const std::string& fileName,
                     const std::string& masterFilePath);

    // The save of "Exit and Save Changes": checks, writes, shows "Saved" and clears the changed flag.
    bool SaveDispositionFile();

    const DispositionConfiguration& configuration() const { return configuration_; }

  protected:
    bool QueryClose() override;

  private:
    struct Reading {
        DispositionConfiguration configuration;
        DispositionConfiguration::LoadResult result;
        std::vector<Message> said;
        bool asked = false;
    };
    bool TakeLoad(const DispositionConfiguration::LoadResult& result);
    void FillCategoryList();
    void SelectCategory(size_t category);
    void FillDispositionList();
    // The selected line of lstDispositions, or -1 (after the message) unless exactly one is selected.
    int SelectedDisposition();
    void Add();
    void Edit();
    void Delete();
    void Move(int step);
    void UseParent();
    // Makes the change of a category's dispositions an undo step: the category's list before and after (a
    // category holds a few), shown again with the line the change concerns selected.
    void RecordDispositions(size_t category, std::vector<CCatDisposition> before, int lineBefore,
                            int lineAfter);
    void ShowDispositions(size_t category, int line);

    std::vector<CCatDisposition>& Current() { return configuration_.Categories()[current_].Dispositions; }

    Services& services_;
    const IMasterLinks& master_;
    DispositionConfiguration configuration_;
    std::vector<size_t> lineCategories_;  // category shown on each line of lstCategories
    size_t current_ = 0;
    std::string masterFilePath_;
    DiskChangeGuard disk_;
    std::future<Reading> reading_;
};

}  // namespace pv
