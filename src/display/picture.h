// The tool-path view's off-screen picture (TDIBUltra): every segment is drawn into it at once by its own
// line routine, and the whole picture is shown with one copy, so a long preview costs one pixel run per
// segment and nothing per repaint.
#pragma once

#include <QImage>

#include <cstdint>

namespace zorvan::display {

// A colour of the configuration (24 bits, red in the low byte) as a pixel of the picture.
QRgb PixelOfColour(int colour);
// A pixel of the picture as a colour of the configuration.
int ColourOfPixel(QRgb pixel);

class TDIBUltra {
  public:
    // Made white; the size is the largest the view will need (the screen's).
    TDIBUltra(int width, int height);

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // Only ever grows, keeping what is drawn; new pixels are white.
    void Grow(int width, int height);

    // The colour is turned into a pixel once, here, not for every pixel drawn.
    void SetColour(int colour) { pixel_ = PixelOfColour(colour); }
    // A 32-bit mask walked one bit per pixel from the lowest: -1 draws solid lines, 0 draws nothing.
    void SetLinePattern(std::int32_t pattern);
    void Fill(int colour);
    // A line between two pixels, both ends included, clipped to the picture. The ends may lie far
    // outside it: the caller does not clip.
    void Line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);

    const QImage& Image() const { return image_; }

  private:
    void Run(int x0, int y0, int x1, int y1);

    QImage image_;
    QRgb pixel_ = 0xff000000;
    std::uint32_t pattern_ = 0xffffffffu;
    unsigned phase_ = 0;  // bit of the pattern for the next pixel, so dashes run on across segments
};

}  // namespace zorvan::display
