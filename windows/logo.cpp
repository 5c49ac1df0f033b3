#include "windows/logo.h"

#include "platform/folderitem.h"

namespace {

// Loaded by the first call that can read the file and kept to the end of the process.
Ref<Picture> pic;

}  // namespace

Ref<Picture> calvenorlogo3d() {
    if (pic) return pic;
    const Ref<FolderItem> resources = GetApplicationBundleResources();
    if (!resources) return nullptr;
    const Ref<FolderItem> file = resources->Child("calvenor-logo-3d.png");
    if (!file) return nullptr;
    pic = file->OpenAsPicture();
    return pic;
}
