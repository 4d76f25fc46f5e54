// DrawAccel: the acceleration ramp of the setup dialog drawn as velocity over time, on axes marked in
// steps per second and in seconds, so that the operator reads the ramp's shape and length off it.
#pragma once

#include <QWidget>

#include "machine/acceleration_profile.h"

namespace zorvan::ui {

class TAccelPlot : public QWidget {
    Q_OBJECT

  public:
    explicit TAccelPlot(QWidget* parent = nullptr);

    void SetProfile(const machine::AccelerationProfile& profile);
    const machine::AccelerationProfile& Profile() const { return profile_; }
    // The main view's background (24 bits, red in the low byte); the curve and the axes contrast with it.
    void SetBackgroundColour(int colour);
    int BackgroundColour() const { return background_; }

    // Where the plot's corners fall, in pixels: what a test of the picture looks at.
    QRect PlotArea() const;
    // The pixel of a curve point (x in the profile's scaled time, y in steps/s).
    QPointF PixelOf(double x, double y) const;

    QSize sizeHint() const override { return {420, 300}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double XRange() const;
    double YRange() const;

    machine::AccelerationProfile profile_;
    int background_ = 16777215;
};

// Round steps for an axis of `range` (1, 2 or 5 times a power of ten), about `count` of them.
double NiceStep(double range, int count);

}  // namespace zorvan::ui
