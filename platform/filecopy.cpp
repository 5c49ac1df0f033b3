#include "platform/folderitem.h"

bool FolderItem::CopyFileTo(const Ref<FolderItem>&) { throw RuntimeException("not yet"); }
bool FolderItem::ReplaceWithCopyOf(const Ref<FolderItem>&) { throw RuntimeException("not yet"); }
