// The widget that shows the wire-frame view: it owns the view, copies its off-screen picture to the
// screen and hands the mouse to it. What a paint or a mouse event means for the program is the main
// window's, through the hooks.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "display/tool_path_view.h"

namespace zorvan::ui {

class ToolPathWidget final : public QWidget {
    Q_OBJECT
  public:
    explicit ToolPathWidget(QWidget* parent = nullptr);

    display::TVectorDisplay3D& View() { return *view_; }
    // Copies the drawn picture to the screen at once, without the paint hook's redrawing.
    void ShowPicture();
    // The corner labels (the view's extents) are written on every paint while shown.
    void SetExtentsShown(bool shown) { extents_shown_ = shown; }
    bool ExtentsShown() const { return extents_shown_; }

    std::function<void()> on_paint;       // before the picture is copied (Draw3DPaint)
    std::function<void()> on_mouse_move;  // after the view's own handling (Draw3DMouseMove)
    std::function<void()> on_mouse_up;    // Draw3DMouseUp
    std::function<void()> on_resize;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::unique_ptr<display::TVectorDisplay3D> view_;
    bool copy_only_ = false;
    bool extents_shown_ = true;
};

}  // namespace zorvan::ui
