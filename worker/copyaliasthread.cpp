#include "worker/copyaliasthread.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "windows/logo.h"
#include "windows/wndprogress.h"

const ClassRecord& CCopyAliasThread::Class() {
    return RegisterClassOf<CCopyAliasThread, Thread>("CCopyAliasThread");
}

void CCopyAliasThread::Interrupt() { fInterrupted = true; }

void CCopyAliasThread::SetFolder(Ref<FolderItem> folder) { fFolderItem = std::move(folder); }

void CCopyAliasThread::SetRecurse(bool value) { fRecurse = value; }

void CCopyAliasThread::SetKeepAliasNames(bool value) { fKeepAliasNames = value; }

void CCopyAliasThread::Event_Run() { WendleAliases(fFolderItem, 0); }

// The bar is looked up by name at every use; the worker keeps no reference to the window.
Ref<ProgressBar> CCopyAliasThread::Bar() {
    return RuntimeWindowControlByName(WndProgress(), "PrgItem").Cast<ProgressBar>();
}

void CCopyAliasThread::WendleAliases(const Ref<FolderItem>& folder, int32_t depth) {
    const Ref<Date> startTime = New<Date>();
    std::vector<Ref<FolderItem>> aliases;
    std::vector<Ref<FolderItem>> originals;
    std::vector<Ref<FolderItem>> subfolders;

    if (fInterrupted || !folder || !folder->Exists() || !folder->Directory()) return;

    const int32_t n = folder->Count();
    int32_t progressCount = 0;
    if (depth == 0) ShowWindow(n);

    // Every index is read before anything in the folder changes.
    for (int32_t i = n; i >= 1 && !fInterrupted;) {
        ProgressUpdate(depth, progressCount);
        if (Ref<FolderItem> item = folder->TrueItem(i)) {
            if (item->Alias()) {
                aliases.push_back(item);
                originals.push_back(folder->Item(i));
            } else if (item->Directory()) {
                subfolders.push_back(item);
            }
        }
        --i;
        Yield();
    }
    // A stop seen after a phase goes straight to the closing block; the replace phase, once
    // begun, gives way once more however it ends.
    if (!fInterrupted) {
        EnterSubfolders(subfolders, depth, progressCount);
        if (!fInterrupted) {
            for (size_t k = 0; k < aliases.size() && !fInterrupted;) {
                ProgressUpdate(depth, progressCount);
                ReplaceIfCopyable(aliases[k], originals[k]);
                ++k;
                Yield();
            }
            Yield();
        }
    }
    CloseBlock(*startTime, depth);
}

void CCopyAliasThread::ShowWindow(int32_t entryCount) {
    // Without its logo the window is shown all the same, with an empty canvas.
    if (Ref<Picture> logo = calvenorlogo3d()) logo->SetTransparent(1);
    WndProgress()->Show();
    Bar()->SetValue(0);
    Bar()->SetMaximum(2 * entryCount + 1);
    WndProgress()->Refresh(true);
}

void CCopyAliasThread::ProgressUpdate(int32_t depth, int32_t& progressCount) {
    if (depth != 0) return;
    Bar()->SetValue(progressCount);
    Bar()->Refresh(true);
    ++progressCount;
}

void CCopyAliasThread::EnterSubfolders(const std::vector<Ref<FolderItem>>& subfolders,
                                       int32_t depth, int32_t& progressCount) {
    if (!fRecurse) {
        // The folders not entered count in one step.
        if (depth == 0) {
            Bar()->SetValue(progressCount);
            Bar()->Refresh(true);
            progressCount += static_cast<int32_t>(subfolders.size());
        }
        return;
    }
    for (size_t k = 0; k < subfolders.size() && !fInterrupted;) {
        ProgressUpdate(depth, progressCount);
        WendleAliases(subfolders[k], depth + 1);
        ++k;
        Yield();
    }
}

void CCopyAliasThread::ReplaceIfCopyable(const Ref<FolderItem>& alias,
                                         const Ref<FolderItem>& original) {
    if (!original || !original->Exists() || original->Directory()) return;
    const std::string originalPath = original->ShellPath();
    if (originalPath == alias->ShellPath()) return;

    // The alias goes only once a complete copy of its listed original stands under the chosen
    // name, and only while it is still the listed link; a copy that cannot be made (name
    // taken, special file, unreadable, disk full, the folder changed) leaves it as it was.
    const std::string name = fKeepAliasNames ? alias->Name() : original->Name();
    // The copy alone is guarded; it reports its failures by its result, which is not read,
    // so what could come here is a nil item.
    try {
        alias->ReplaceWithCopyOf(original, name);
    } catch (const RuntimeException&) {
    }
}

// The closing block paces the window rather than the work: a stopped pass still shows its
// bar full for its two seconds, so it reads no stop request and asks for no repaint.
void CCopyAliasThread::CloseBlock(const Date& startTime, int32_t depth) {
    Bar()->SetValue(Bar()->Maximum() - 1);
    WaitUntilSecondsSince(startTime, 1.0);
    Bar()->SetValue(Bar()->Maximum());
    WaitUntilSecondsSince(startTime, 2.0);
    if (depth == 0) WndProgress()->Hide();
}

void CCopyAliasThread::WaitUntilSecondsSince(const Date& startTime, double seconds) {
    Ref<Date> t = New<Date>();
    while (t->TotalSeconds() - startTime.TotalSeconds() < seconds) {
        Sleep(1000, false);
        t = New<Date>();
        Yield();
    }
}
