#pragma once

#include "platform/filetype.h"

// FileTypes1: the application's one document type.
namespace FileTypes1 {

// pAll is the type entry; nil until Initialize.
extern Ref<FileType> pAll;

// Initialize declares the type and registers it.
void Initialize();

}  // namespace FileTypes1
