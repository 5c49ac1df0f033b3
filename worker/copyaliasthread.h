#pragma once

// CCopyAliasThread: the worker that replaces each alias of a folder (and, when asked, of its
// nested folders) whose original is an existing file by a copy of that file, driving the
// progress window from its own cooperative thread.

#include <cstdint>
#include <vector>

#include "platform/folderitem.h"
#include "platform/thread.h"

class Date;
class ProgressBar;

class CCopyAliasThread : public Thread {
public:
    static const ClassRecord& Class();

    // Interrupt asks the worker to stop at its next check; it can be called at any time.
    void Interrupt();

    // The setters, all called before Run.
    void SetFolder(Ref<FolderItem> folder);
    void SetRecurse(bool value);
    void SetKeepAliasNames(bool value);

protected:
    // Event_Run handles the folder at depth 0.
    void Event_Run() override;

private:
    void WendleAliases(const Ref<FolderItem>& folder, int32_t depth);

    // The steps of one WendleAliases call.
    void ShowWindow(int32_t entryCount);
    void ProgressUpdate(int32_t depth, int32_t& progressCount);
    void EnterSubfolders(const std::vector<Ref<FolderItem>>& subfolders, int32_t depth,
                         int32_t& progressCount);
    void ReplaceIfCopyable(const Ref<FolderItem>& alias, const Ref<FolderItem>& original);
    void CloseBlock(const Date& startTime, int32_t depth);
    void WaitUntilSecondsSince(const Date& startTime, double seconds);
    static Ref<ProgressBar> Bar();

    // Only cooperative threads of the one GUI thread touch it, so a plain bool is enough.
    bool fInterrupted = false;
    Ref<FolderItem> fFolderItem;
    bool fRecurse = false;
    bool fKeepAliasNames = false;
};
