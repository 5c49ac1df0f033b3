#include "graphics.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "folderitem.h"
#include "runtime.h"

namespace {

constexpr off_t kLargestPicture = 256 << 20;  // no picture file is bigger; a larger one is not read

// A descriptor that closes itself.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fFd(fd) {}
    ~FileDescriptor() { if (fFd >= 0) ::close(fFd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fFd; }

private:
    int fFd = -1;
};

// ReadRegularFile reads a whole regular file; false for anything else (a FIFO would block).
bool ReadRegularFile(const std::string& path, QByteArray& contents) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (info.st_size > kLargestPicture) return false;
    contents.resize(static_cast<qsizetype>(info.st_size));
    qsizetype filled = 0;
    while (filled < contents.size()) {
        ssize_t n = ::read(file.Get(), contents.data() + filled, static_cast<size_t>(contents.size() - filled));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;  // the file shrank meanwhile
        filled += n;
    }
    contents.truncate(filled);
    return true;
}

// Fits says whether a rectangle's far edge stays within int, as QRect needs.
bool Fits(int32_t origin, int32_t size) {
    int64_t end = int64_t{origin} + size;
    return size > 0 && end <= std::numeric_limits<int>::max();
}

}  // namespace

const ClassRecord& Picture::Class() { return RegisterClassOf<Picture, Object>("Picture"); }

Picture::Picture(const QImage& image) : fImage(std::make_unique<QImage>(image)) {}

Picture::~Picture() = default;

int32_t Picture::Width() const { return fImage->width(); }

int32_t Picture::Height() const { return fImage->height(); }

const QImage& Picture::Image() const {
    if (fTransparent != 1) return *fImage;
    if (!fMasked) {
        auto masked = std::make_unique<QImage>(fImage->convertToFormat(QImage::Format_ARGB32));
        for (int y = 0; y < masked->height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(masked->scanLine(y));
            for (int x = 0; x < masked->width(); ++x)
                if ((line[x] & 0x00FFFFFF) == 0x00FFFFFF) line[x] = 0;
        }
        fMasked = std::move(masked);
    }
    return *fMasked;
}

void Graphics::DrawPicture(const Ref<Picture>& picture, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    if (!picture) return;
    const QImage& image = picture->Image();
    if (w == kOwnSize) w = image.width();
    if (h == kOwnSize) h = image.height();
    if (sw == kOwnSize) sw = image.width();
    if (sh == kOwnSize) sh = image.height();
    if (!Fits(x, w) || !Fits(y, h) || !Fits(sx, sw) || !Fits(sy, sh)) return;
    fPainter.drawImage(QRect(x, y, w, h), image, QRect(sx, sy, sw, sh));
}

Ref<Picture> FolderItem::OpenAsPicture() const {
    QByteArray contents;
    if (!ReadRegularFile(AbsolutePath(), contents)) return nullptr;
    QImage image;
    if (!image.loadFromData(contents) || image.isNull()) return nullptr;
    Ref<Picture> picture = New<Picture>(image);
    Runtime::SetClass(*picture, Picture::Class());
    return picture;
}
