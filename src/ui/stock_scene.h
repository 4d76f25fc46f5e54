// The rendered view: the stock height field drawn as a lit, coloured surface under one light, seen by a
// camera that orbits its target, with a marker where the tool is.
#pragma once

#include <QMatrix4x4>
#include <QOpenGLBuffer>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLVertexArrayObject>
#include <QOpenGLWidget>
#include <QPoint>
#include <QSurfaceFormat>
#include <QVector3D>
#include <array>
#include <memory>
#include <vector>

#include "display/cam_grid.h"

namespace zorvan::ui {

// Where the scene's camera is: at Camera from its target Dummy, looking at it, with Up pointing up the
// picture.
struct TSceneCamera {
    QVector3D Dummy{0, 0, 0};    // the target and the scene's centre, program units
    QVector3D Camera{0, 0, 10};  // the camera relative to Dummy, program units
    QVector3D Up{0, 1, 0};       // a unit vector at right angles to Camera
    double FocalLength = 100;    // mm, for a frame whose shorter side is TStockScene::FRAME_MM
    double DepthOfView = 500;    // program units from the camera; nothing farther is drawn
};

class TStockScene : public QOpenGLWidget, protected QOpenGLExtraFunctions {
    Q_OBJECT

  public:
    // The shorter side of the camera's frame, mm. A focal length of 100 then sees 33 degrees across it,
    // and the Top preset (focal length 1000, twenty box sizes away) sees 1.2 box sizes: the box with a
    // margin.
    static constexpr double FRAME_MM = 60.0;
    // GLLightSource1, program units: an omnidirectional light with no fall-off.
    static constexpr float LIGHT_X = 0, LIGHT_Y = 0, LIGHT_Z = 100;
    // The grid's colour is emitted (its colour mode) and the light adds a grey diffuse share. The share
    // stays under half so that a surface facing the light keeps its colour readable.
    static constexpr float MATERIAL_DIFFUSE = 0.45f, MATERIAL_AMBIENT = 0.04f;
    // The zoom stops here: at a focal length of 0 the picture would turn inside out.
    static constexpr double MIN_FOCAL_LENGTH = 1.0;
    // Where a cell is smaller than a pixel, only every second, fourth, ... sample is drawn, as long as the
    // drawn squares stay within this many pixels at Dummy's distance: more triangles than pixels only
    // cost time, which software OpenGL does not have.
    static constexpr double MAX_DRAWN_CELL_PX = 2.0;
    static constexpr int DETAIL_LEVELS = 5;  // strides 1, 2, 4, 8, 16
    // While the mouse turns, pans or zooms the scene, no more triangles than this are drawn, so that the
    // stock follows the mouse at 30 pictures a second on software OpenGL; letting go draws it whole.
    static constexpr long long MOVING_TRIANGLES = 250000;

    // OpenGL 3.3 core, or OpenGL ES 3.0 where the system's OpenGL is ES, with a depth buffer.
    static QSurfaceFormat SurfaceFormat();

    // The grid belongs to the window and outlives the scene.
    explicit TStockScene(display::TCamGrid& grid, QWidget* parent = nullptr);
    ~TStockScene() override;

    // After carving: the next paint uploads the cells changed since the last upload, and a paint is
    // scheduled.
    void Refresh();

    // The tool marker: a cone standing on its tip at (x, y, z), program units.
    void SetToolMarker(double x, double y, double z);
    void HideToolMarker();
    bool ToolMarkerShown() const { return marker_shown_; }

    // Top: the camera straight above Dummy at 20 x the larger of the box's width and depth, focal
    // length 1000, depth of view twice that height. A box of no size takes the size of the stock.
    void ViewTop(double width, double depth);
    // Moves the scene's centre; the camera goes with it.
    void SetDummyPosition(double x, double y, double z);
    const TSceneCamera& Camera() const { return camera_; }
    void SetCamera(const TSceneCamera& camera);

    // SceneMouseDown remembers the position. SceneMouseMove takes dx, dy = previous minus new position
    // and, with the left button held, zooms (Ctrl), pans (Shift) or else orbits. From the first such move
    // until SceneMouseUp the scene is moving.
    void SceneMouseDown(const QPoint& position);
    void SceneMouseMove(const QPoint& position, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void SceneMouseUp();
    bool Moving() const { return moving_; }
    // dx turns the camera round the vertical through Dummy and dy tilts it, degrees; dragging right or up
    // turns the stock with the mouse.
    void OrbitCamera(double dx, double dy);
    // Moves Dummy in the picture's plane by (dx, -dy) x distance x 0.12 / focal length, so the stock
    // follows the mouse.
    void PanCamera(double dx, double dy);
    // Adds dy to the focal length: dragging up zooms in.
    void ZoomCamera(double dy);

    // Program units to clip space for the widget's present size.
    QMatrix4x4 ViewProjection() const;

    // Vertices written to the surface's buffer since the scene was made: the whole mesh at the first paint
    // and after a new stock, afterwards only those around changed cells.
    unsigned long long VerticesUploaded() const { return vertices_uploaded_; }
    // One vertex per sample the grid shows.
    long long MeshVertexCount() const;
    // 0 draws every sample, 1 every second, and so on; chosen from the size of a cell in the picture.
    int DetailLevel() const;
    // The level a paint draws: DetailLevel, made coarser while the scene is moving until it is within
    // MOVING_TRIANGLES.
    int DrawnLevel() const;
    // Triangles of the stock at a level.
    long long TrianglesAt(int level) const;
    // Triangles of the stock drawn by the last paint.
    long long TrianglesDrawn() const { return triangles_drawn_; }

  protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct Vertex {
        float position[3];  // program units
        float normal[3];
        float colour[3];  // not clamped
    };
    // What the surface's buffers were built for; a change rebuilds them whole.
    struct MeshLayout {
        int rows = 0, columns = 0;
        std::size_t cells = 0;
        double x_min = 0, y_min = 0, x_step = 0, y_step = 0, zero = 0;
        bool operator==(const MeshLayout&) const = default;
    };

    MeshLayout CurrentLayout() const;
    void UpdateSurface();
    void BuildSurface(const MeshLayout& layout);
    void BuildIndices(int level);
    void UploadChangedCells();
    void FillVertices(int row, int first_column, int last_column, Vertex* out) const;
    float HeightAt(int row, int column) const;
    void BuildMarker();
    void SetAttributes();
    void ReleaseGL();

    display::TCamGrid& grid_;
    TSceneCamera camera_;
    QPoint last_mouse_;
    bool moving_ = false;  // the left button has moved the camera and is still held
    bool marker_shown_ = false;
    QVector3D marker_tip_;

    bool gl_ready_ = false;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    QOpenGLVertexArrayObject surface_array_, marker_array_;
    QOpenGLBuffer surface_vertices_{QOpenGLBuffer::VertexBuffer};
    // Per detail level, built when first drawn for the present layout.
    std::array<QOpenGLBuffer, DETAIL_LEVELS> surface_indices_;
    std::array<int, DETAIL_LEVELS> surface_index_counts_{};  // -1: not built
    QOpenGLBuffer marker_vertices_{QOpenGLBuffer::VertexBuffer};
    int marker_vertex_count_ = 0;
    MeshLayout built_;  // rows 0: nothing built
    std::vector<Vertex> staging_;
    unsigned long long vertices_uploaded_ = 0;
    long long triangles_drawn_ = 0;
};

}  // namespace zorvan::ui
