#pragma once

// Pictures and drawing.

#include <cstdint>
#include <memory>

#include "object.h"

class QImage;
class QPainter;

// Picture is an image held in memory (so it can be loaded on any thread).
class Picture : public Object {
public:
    static const ClassRecord& Class();

    explicit Picture(const QImage& image);
    ~Picture() override;

    int32_t Width() const;
    int32_t Height() const;

    // Transparent 1 draws the picture's white pixels as transparent; 0 draws them white.
    void SetTransparent(int32_t transparent) { fTransparent = transparent; }
    int32_t Transparent() const { return fTransparent; }

    // Image is the picture as it is drawn, Transparent applied.
    const QImage& Image() const;

private:
    std::unique_ptr<QImage> fImage;
    mutable std::unique_ptr<QImage> fMasked;  // made on first draw with Transparent 1
    int32_t fTransparent = 0;
};

// Graphics is a canvas's drawing context during its Paint event.
class Graphics {
public:
    // The marker for "the picture's own size" in DrawPicture's size arguments.
    static constexpr int32_t kOwnSize = -10000;

    explicit Graphics(QPainter& painter) : fPainter(painter) {}

    // DrawPicture draws the part (sx, sy, sw, sh) of picture into (x, y, w, h), scaled to
    // fit; kOwnSize in a size stands for the picture's own. A nil picture draws nothing.
    void DrawPicture(const Ref<Picture>& picture, int32_t x, int32_t y,
                     int32_t w = kOwnSize, int32_t h = kOwnSize, int32_t sx = 0, int32_t sy = 0,
                     int32_t sw = kOwnSize, int32_t sh = kOwnSize);

private:
    QPainter& fPainter;
};
