#include "graphics.h"

#include <QImage>

#include "folderitem.h"
#include "runtime.h"

namespace { [[noreturn]] void NotYet() { throw RuntimeException("not yet"); } }

const ClassRecord& Picture::Class() { return RegisterClassOf<Picture, Object>("Picture"); }
Picture::Picture(const QImage& image) : fImage(std::make_unique<QImage>(image)) {}
Picture::~Picture() = default;
int32_t Picture::Width() const { return fImage->width(); }
int32_t Picture::Height() const { return fImage->height(); }
const QImage& Picture::Image() const { return *fImage; }
void Graphics::DrawPicture(const Ref<Picture>&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                           int32_t, int32_t) { NotYet(); }
Ref<Picture> FolderItem::OpenAsPicture() const { return nullptr; }
