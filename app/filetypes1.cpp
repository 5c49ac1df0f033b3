#include "app/filetypes1.h"

#include "platform/runtime.h"

namespace FileTypes1 {

Ref<FileType> pAll;

void Initialize() {
    pAll = NewObject(FileType::Class()).Cast<FileType>();
    pAll->SetName("All");
    pAll->SetExtensions("*");
    pAll->SetMacType("alis");
    pAll->SetMacCreator("????");
    // Converting registers the type, now that all four values are in place.
    pAll->ToString();
}

}  // namespace FileTypes1
