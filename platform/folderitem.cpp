#include "platform/folderitem.h"

#include "platform/runtime.h"

const ClassRecord& FolderItem::Class() {
    static const ClassRecord& record = RegisterClassOf<FolderItem, Object>("FolderItem");
    return record;
}

FolderItem::FolderItem(std::string absolutePath) : fPath(std::move(absolutePath)) {}

bool FolderItem::Exists() const { throw RuntimeException("not yet"); }
bool FolderItem::Directory() const { throw RuntimeException("not yet"); }
bool FolderItem::Alias() const { throw RuntimeException("not yet"); }
int32_t FolderItem::Count() { throw RuntimeException("not yet"); }
std::string FolderItem::Name() const { throw RuntimeException("not yet"); }
std::string FolderItem::ShellPath() const { throw RuntimeException("not yet"); }
Ref<FolderItem> FolderItem::Parent() const { throw RuntimeException("not yet"); }
Ref<FolderItem> FolderItem::TrueItem(int32_t) { throw RuntimeException("not yet"); }
Ref<FolderItem> FolderItem::Item(int32_t) { throw RuntimeException("not yet"); }
Ref<FolderItem> FolderItem::Child(const std::string&) const { throw RuntimeException("not yet"); }
bool FolderItem::Delete() { throw RuntimeException("not yet"); }
const std::vector<std::string>& FolderItem::Listing() { throw RuntimeException("not yet"); }

Ref<FolderItem> GetTrueFolderItem(const std::string&, int32_t) { throw RuntimeException("not yet"); }
Ref<FolderItem> ExecutableFile() { throw RuntimeException("not yet"); }
Ref<FolderItem> GetApplicationBundleResources() { throw RuntimeException("not yet"); }
