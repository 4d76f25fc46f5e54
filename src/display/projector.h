// The tool-path view's projector (TPantoGraph): a parallel projection of 3D points seen from an azimuth
// and an elevation around a rotation centre, onto a window of view units that fills the control's pixels.
// It owns the off-screen picture and the pen that draws into it.
#pragma once

#include <cstdint>

#include "display/picture.h"

namespace zorvan::display {

struct PixelPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// A point of the projected plane, in view units: u to the right, v upward.
struct ViewPoint {
    double u = 0.0;
    double v = 0.0;
};

// xmin, xmax, ymin, ymax of the projected window, in view units.
struct ProjectedWindow {
    double xmin = -1.0, xmax = 1.0, ymin = -1.0, ymax = 1.0;
};

class TPantoGraph {
  public:
    // The picture is made picture_width x picture_height (the screen's size); the viewport is the
    // control's width x height.
    TPantoGraph(int width, int height, int picture_width, int picture_height);

    // The control's new size; the window stays, so the scales change. The picture grows to hold it.
    void SetViewport(int width, int height);
    void SetAngles(double azimuth_deg, double elevation_deg);
    void SetCentre(double cx, double cy, double cz);
    void SetWindow(const ProjectedWindow& window);

    int Width() const { return width_; }
    int Height() const { return height_; }
    double Azimuth() const { return azimuth_deg_; }
    double Elevation() const { return elevation_deg_; }
    const ProjectedWindow& Window() const { return window_; }
    double Sx() const { return sx_; }  // pixels per view unit, horizontally
    double Sy() const { return sy_; }  // pixels per view unit, vertically
    double CentreX() const { return cx_; }
    double CentreY() const { return cy_; }
    double CentreZ() const { return cz_; }

    ViewPoint Project(double x, double y, double z) const;
    // Each product rounded to the nearest pixel, halves to even.
    PixelPoint ToPixel(ViewPoint point) const;
    PixelPoint ProjectToPixel(double x, double y, double z) const { return ToPixel(Project(x, y, z)); }
    // The view point under a pixel, whether or not the pixel lies inside the viewport.
    ViewPoint FromPixel(double px, double py) const;

    void MoveTo3D(double x, double y, double z) { pen_ = ProjectToPixel(x, y, z); }
    void LineTo3D(double x, double y, double z);
    PixelPoint Pen() const { return pen_; }
    void SetColour(int colour) {
        colour_ = colour;
        picture_.SetColour(colour);
    }
    int Colour() const { return colour_; }
    void SetLinePattern(std::int32_t pattern) { picture_.SetLinePattern(pattern); }

    TDIBUltra& Picture() { return picture_; }
    const TDIBUltra& Picture() const { return picture_; }

  private:
    void ComputeTransform();

    TDIBUltra picture_;
    int width_, height_;  // viewport: left 0, right width_, top 0, bottom height_
    double azimuth_deg_ = 0.0, elevation_deg_ = 90.0;
    double cx_ = 0.0, cy_ = 0.0, cz_ = 0.0;
    ProjectedWindow window_;
    double sx_ = 1.0, sy_ = 1.0;
    // The rotation, computed once per change of angles rather than per point.
    double cos_a_ = 1.0, sin_a_ = 0.0, sin_e_ = 1.0, cos_e_ = 0.0;
    PixelPoint pen_;
    int colour_ = 0;
};

}  // namespace zorvan::display
