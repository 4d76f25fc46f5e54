#include "ui/stock_scene.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QQuaternion>
#include <QSurfaceFormat>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace zorvan::ui {
namespace {

// Lighting per vertex, as the fixed-function pipeline lit the scene: the grid's colour is emitted and the
// one light adds a grey diffuse share where the surface faces it.
constexpr const char* VERTEX_SHADER = R"(
in vec3 position;
in vec3 normal;
in vec3 colour;
uniform mat4 view_projection;
uniform mat4 model;
uniform vec3 light;
uniform float diffuse;
uniform float ambient;
out vec3 shade;
void main() {
    vec4 world = model * vec4(position, 1.0);
    gl_Position = view_projection * world;
    vec3 facing = normalize(mat3(model) * normal);
    float lit = max(dot(facing, normalize(light - world.xyz)), 0.0);
    shade = colour + vec3(ambient + diffuse * lit);
}
)";

constexpr const char* FRAGMENT_SHADER = R"(
in vec3 shade;
out vec4 fragment;
void main() {
    fragment = vec4(clamp(shade, 0.0, 1.0), 1.0);
}
)";

enum Attribute : GLuint { POSITION = 0, NORMAL = 1, COLOUR = 2 };

// The marker: a cone of height 1 on its tip at the origin, opening upwards, with a lid; scaled to the grid.
constexpr int MARKER_SIDES = 24;
constexpr float MARKER_RADIUS = 0.3f;
constexpr float MARKER_COLOUR[3] = {0.05f, 0.6f, 0.05f};
// Marker height in cells: a few dozen screen pixels when the stock fills the view.
constexpr double MARKER_CELLS = 24.0;

const QVector3D WORLD_UP{0, 0, 1};
// Dark enough for every colour of the surface to stand out.
constexpr float BACKGROUND[3] = {0.12f, 0.12f, 0.14f};

QString with_version(const QOpenGLContext* context, const char* body) {
    const char* header =
        context->isOpenGLES() ? "#version 300 es\nprecision mediump float;\n" : "#version 330 core\n";
    return QString::fromLatin1(header) + QString::fromLatin1(body);
}

}  // namespace

QSurfaceFormat TStockScene::SurfaceFormat() {
    QSurfaceFormat format;
    if (QOpenGLContext::openGLModuleType() == QOpenGLContext::LibGLES) {
        format.setRenderableType(QSurfaceFormat::OpenGLES);
        format.setVersion(3, 0);
    } else {
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
    }
    format.setDepthBufferSize(24);
    return format;
}

TStockScene::TStockScene(display::TCamGrid& grid, QWidget* parent) : QOpenGLWidget(parent), grid_(grid) {
    setFormat(SurfaceFormat());
    // Copies of a buffer share one OpenGL buffer, so each level gets its own.
    for (QOpenGLBuffer& indices : surface_indices_)
        indices = QOpenGLBuffer(QOpenGLBuffer::IndexBuffer);
    surface_index_counts_.fill(-1);
}

TStockScene::~TStockScene() {
    ReleaseGL();
}

void TStockScene::Refresh() {
    update();
}

void TStockScene::SetToolMarker(double x, double y, double z) {
    marker_shown_ = true;
    marker_tip_ = QVector3D(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    update();
}

void TStockScene::HideToolMarker() {
    marker_shown_ = false;
    update();
}

void TStockScene::ViewTop(double width, double depth) {
    double size = std::max(width, depth);
    if (!(size > 0 && std::isfinite(size))) {
        size = std::max((grid_.SampleColumns() - 1) * grid_.XStep, (grid_.SampleRows() - 1) * grid_.YStep);
        if (!(size > 0 && std::isfinite(size))) size = 1.0;
    }
    const double height = 20.0 * size;
    camera_.Camera = QVector3D(0, 0, static_cast<float>(height));
    camera_.Up = QVector3D(0, 1, 0);
    camera_.FocalLength = 1000;
    camera_.DepthOfView = 2.0 * height;
    update();
}

void TStockScene::SetDummyPosition(double x, double y, double z) {
    camera_.Dummy = QVector3D(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    update();
}

void TStockScene::SetCamera(const TSceneCamera& camera) {
    camera_ = camera;
    update();
}

void TStockScene::SceneMouseDown(const QPoint& position) {
    last_mouse_ = position;
}

void TStockScene::SceneMouseUp() {
    if (!moving_) return;
    moving_ = false;
    update();
}

void TStockScene::SceneMouseMove(const QPoint& position, Qt::MouseButtons buttons,
                                 Qt::KeyboardModifiers modifiers) {
    const double dx = last_mouse_.x() - position.x();
    const double dy = last_mouse_.y() - position.y();
    last_mouse_ = position;
    if (!(buttons & Qt::LeftButton)) return;
    moving_ = true;
    if (modifiers & Qt::ControlModifier) {
        ZoomCamera(dy);
    } else if (modifiers & Qt::ShiftModifier) {
        PanCamera(dx, dy);
    } else {
        OrbitCamera(dx, dy);
    }
}

// The camera keeps its distance from Dummy; Up turns with it, so looking straight down is as good as
// any other direction and the orbit has no pole to stick at.
void TStockScene::OrbitCamera(double dx, double dy) {
    const QQuaternion turn = QQuaternion::fromAxisAndAngle(WORLD_UP, static_cast<float>(dx));
    QVector3D camera = turn.rotatedVector(camera_.Camera);
    QVector3D up = turn.rotatedVector(camera_.Up);
    const QVector3D right = QVector3D::crossProduct(-camera, up).normalized();
    const QQuaternion tilt = QQuaternion::fromAxisAndAngle(right, static_cast<float>(dy));
    camera = tilt.rotatedVector(camera);
    up = tilt.rotatedVector(up);
    const QVector3D along = camera.normalized();
    up = (up - QVector3D::dotProduct(up, along) * along).normalized();
    camera_.Camera = camera;
    camera_.Up = up;
    update();
}

void TStockScene::PanCamera(double dx, double dy) {
    const QVector3D right = QVector3D::crossProduct(-camera_.Camera, camera_.Up).normalized();
    const double scale = camera_.Camera.length() * 0.12 / camera_.FocalLength;
    camera_.Dummy +=
        (right * static_cast<float>(dx) - camera_.Up * static_cast<float>(dy)) * static_cast<float>(scale);
    update();
}

void TStockScene::ZoomCamera(double dy) {
    camera_.FocalLength = std::max(camera_.FocalLength + dy, MIN_FOCAL_LENGTH);
    update();
}

QMatrix4x4 TStockScene::ViewProjection() const {
    const double depth = camera_.DepthOfView > 0 ? camera_.DepthOfView : 1.0;
    // The near plane keeps a thousandth of the depth, well within a 24-bit depth buffer.
    const double near = depth / 1000.0;
    const double half_short = near * (FRAME_MM / 2) / camera_.FocalLength;
    const double w = std::max(width(), 1), h = std::max(height(), 1);
    const double half_x = w >= h ? half_short * w / h : half_short;
    const double half_y = w >= h ? half_short : half_short * h / w;
    QMatrix4x4 projection;
    projection.frustum(static_cast<float>(-half_x), static_cast<float>(half_x), static_cast<float>(-half_y),
                       static_cast<float>(half_y), static_cast<float>(near), static_cast<float>(depth));
    QMatrix4x4 view;
    view.lookAt(camera_.Dummy + camera_.Camera, camera_.Dummy, camera_.Up);
    return projection * view;
}

long long TStockScene::MeshVertexCount() const {
    return static_cast<long long>(grid_.SampleRows()) * grid_.SampleColumns();
}

int TStockScene::DetailLevel() const {
    const double distance = camera_.Camera.length();
    if (!(distance > 0)) return 0;
    const double pixels_per_unit =
        std::min(width(), height()) / 2.0 / (distance * (FRAME_MM / 2) / camera_.FocalLength);
    const double cell_px = std::max(grid_.XStep, grid_.YStep) * pixels_per_unit;
    int level = 0;
    while (level + 1 < DETAIL_LEVELS && cell_px * (2 << level) <= MAX_DRAWN_CELL_PX)
        ++level;
    return level;
}

// The samples a level draws along a side of n: every stride-th and the last.
static long long SamplesAt(int n, int stride) {
    if (n <= 0) return 0;
    return (n - 1) / stride + 1 + ((n - 1) % stride != 0 ? 1 : 0);
}

long long TStockScene::TrianglesAt(int level) const {
    const int stride = 1 << level;
    const long long rows = SamplesAt(grid_.SampleRows(), stride);
    const long long columns = SamplesAt(grid_.SampleColumns(), stride);
    return rows > 1 && columns > 1 ? 2 * (rows - 1) * (columns - 1) : 0;
}

int TStockScene::DrawnLevel() const {
    int level = DetailLevel();
    while (moving_ && level + 1 < DETAIL_LEVELS && TrianglesAt(level) > MOVING_TRIANGLES)
        ++level;
    return level;
}

void TStockScene::mousePressEvent(QMouseEvent* event) {
    SceneMouseDown(event->position().toPoint());
}

void TStockScene::mouseReleaseEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) SceneMouseUp();
}

void TStockScene::mouseMoveEvent(QMouseEvent* event) {
    SceneMouseMove(event->position().toPoint(), event->buttons(), event->modifiers());
}

void TStockScene::initializeGL() {
    initializeOpenGLFunctions();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TStockScene::ReleaseGL,
            Qt::DirectConnection);
    program_ = std::make_unique<QOpenGLShaderProgram>();
    const bool built =
        program_->addShaderFromSourceCode(QOpenGLShader::Vertex, with_version(context(), VERTEX_SHADER)) &&
        program_->addShaderFromSourceCode(QOpenGLShader::Fragment, with_version(context(), FRAGMENT_SHADER));
    program_->bindAttributeLocation("position", POSITION);
    program_->bindAttributeLocation("normal", NORMAL);
    program_->bindAttributeLocation("colour", COLOUR);
    if (!built || !program_->link()) {
        qWarning("The rendered view cannot draw: %s", qPrintable(program_->log()));
        return;
    }
    surface_array_.create();
    surface_vertices_.create();
    surface_vertices_.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    for (QOpenGLBuffer& indices : surface_indices_)
        indices.create();
    {
        QOpenGLVertexArrayObject::Binder bound(&surface_array_);
        surface_vertices_.bind();
        SetAttributes();
    }
    marker_array_.create();
    marker_vertices_.create();
    {
        QOpenGLVertexArrayObject::Binder bound(&marker_array_);
        marker_vertices_.bind();
        BuildMarker();
        SetAttributes();
    }
    built_ = MeshLayout{};
    gl_ready_ = true;
}

void TStockScene::SetAttributes() {
    const auto stride = static_cast<GLsizei>(sizeof(Vertex));
    glEnableVertexAttribArray(POSITION);
    glEnableVertexAttribArray(NORMAL);
    glEnableVertexAttribArray(COLOUR);
    glVertexAttribPointer(POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, position)));
    glVertexAttribPointer(NORMAL, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    glVertexAttribPointer(COLOUR, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(Vertex, colour)));
}

void TStockScene::BuildMarker() {
    std::vector<Vertex> vertices;
    const float slope = std::sqrt(1 + MARKER_RADIUS * MARKER_RADIUS);
    auto add = [&](float x, float y, float z, float nx, float ny, float nz) {
        vertices.push_back({{x, y, z}, {nx, ny, nz}, {MARKER_COLOUR[0], MARKER_COLOUR[1], MARKER_COLOUR[2]}});
    };
    for (int k = 0; k < MARKER_SIDES; ++k) {
        const double a0 = 2 * std::numbers::pi * k / MARKER_SIDES;
        const double a1 = 2 * std::numbers::pi * (k + 1) / MARKER_SIDES;
        const auto c0 = static_cast<float>(std::cos(a0)), s0 = static_cast<float>(std::sin(a0));
        const auto c1 = static_cast<float>(std::cos(a1)), s1 = static_cast<float>(std::sin(a1));
        // The side faces outwards and a little down.
        add(0, 0, 0, (c0 + c1) / 2 / slope, (s0 + s1) / 2 / slope, -MARKER_RADIUS / slope);
        add(MARKER_RADIUS * c0, MARKER_RADIUS * s0, 1, c0 / slope, s0 / slope, -MARKER_RADIUS / slope);
        add(MARKER_RADIUS * c1, MARKER_RADIUS * s1, 1, c1 / slope, s1 / slope, -MARKER_RADIUS / slope);
        // The lid faces up, where the light and the Top view are.
        add(0, 0, 1, 0, 0, 1);
        add(MARKER_RADIUS * c0, MARKER_RADIUS * s0, 1, 0, 0, 1);
        add(MARKER_RADIUS * c1, MARKER_RADIUS * s1, 1, 0, 0, 1);
    }
    marker_vertices_.allocate(vertices.data(), static_cast<int>(vertices.size() * sizeof(Vertex)));
    marker_vertex_count_ = static_cast<int>(vertices.size());
}

void TStockScene::ReleaseGL() {
    if (!gl_ready_ || context() == nullptr) return;
    makeCurrent();
    surface_array_.destroy();
    marker_array_.destroy();
    surface_vertices_.destroy();
    for (QOpenGLBuffer& indices : surface_indices_)
        indices.destroy();
    surface_index_counts_.fill(-1);
    marker_vertices_.destroy();
    program_.reset();
    built_ = MeshLayout{};
    gl_ready_ = false;
    doneCurrent();
}

void TStockScene::paintGL() {
    glClearColor(BACKGROUND[0], BACKGROUND[1], BACKGROUND[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!gl_ready_) return;
    glEnable(GL_DEPTH_TEST);
    UpdateSurface();

    program_->bind();
    program_->setUniformValue("view_projection", ViewProjection());
    program_->setUniformValue("light", QVector3D(LIGHT_X, LIGHT_Y, LIGHT_Z));
    program_->setUniformValue("diffuse", MATERIAL_DIFFUSE);
    program_->setUniformValue("ambient", MATERIAL_AMBIENT);
    program_->setUniformValue("model", QMatrix4x4());
    {
        const int level = DrawnLevel();
        QOpenGLVertexArrayObject::Binder bound(&surface_array_);
        if (surface_index_counts_[static_cast<std::size_t>(level)] < 0) BuildIndices(level);
        // The index buffer bound here is the vertex array's.
        surface_indices_[static_cast<std::size_t>(level)].bind();
        const int count = surface_index_counts_[static_cast<std::size_t>(level)];
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
        triangles_drawn_ = count / 3;
    }
    if (marker_shown_) {
        QMatrix4x4 model;
        model.translate(marker_tip_);
        model.scale(static_cast<float>(MARKER_CELLS * std::max(grid_.XStep, grid_.YStep)));
        program_->setUniformValue("model", model);
        QOpenGLVertexArrayObject::Binder bound(&marker_array_);
        glDrawArrays(GL_TRIANGLES, 0, marker_vertex_count_);
    }
    program_->release();
}

TStockScene::MeshLayout TStockScene::CurrentLayout() const {
    MeshLayout layout;
    layout.rows = grid_.SampleRows();
    layout.columns = grid_.SampleColumns();
    layout.cells = grid_.Heights.size();
    layout.x_min = grid_.XMin;
    layout.y_min = grid_.YMin;
    layout.x_step = grid_.XStep;
    layout.y_step = grid_.YStep;
    // Only a grid that is not set up takes its heights from Zero.
    layout.zero = grid_.Heights.empty() ? grid_.Zero : 0.0;
    return layout;
}

void TStockScene::UpdateSurface() {
    const MeshLayout layout = CurrentLayout();
    if (!(layout == built_)) {
        BuildSurface(layout);
    } else if (grid_.HasChanges()) {
        UploadChangedCells();
    }
    grid_.ClearChanged();
}

// One vertex per sample at the cell's centre; the triangles are built per detail level when drawn.
void TStockScene::BuildSurface(const MeshLayout& layout) {
    const std::size_t rows = static_cast<std::size_t>(std::max(layout.rows, 0));
    const std::size_t columns = static_cast<std::size_t>(std::max(layout.columns, 0));
    std::vector<Vertex> vertices(rows * columns);
    for (std::size_t row = 0; row < rows; ++row)
        FillVertices(static_cast<int>(row), 0, static_cast<int>(columns) - 1, &vertices[row * columns]);
    surface_vertices_.bind();
    surface_vertices_.allocate(vertices.data(), static_cast<int>(vertices.size() * sizeof(Vertex)));
    surface_vertices_.release();
    surface_index_counts_.fill(-1);
    vertices_uploaded_ += vertices.size();
    built_ = layout;
}

// Two triangles per square between the samples of every stride-th row and column; the last row and
// column are always among them, so the stock keeps its edges at every level.
void TStockScene::BuildIndices(int level) {
    const int stride = 1 << level;
    auto taken = [stride](int count) {
        std::vector<GLuint> samples;
        for (int k = 0; k < count; k += stride)
            samples.push_back(static_cast<GLuint>(k));
        if (count > 0 && samples.back() != static_cast<GLuint>(count - 1))
            samples.push_back(static_cast<GLuint>(count - 1));
        return samples;
    };
    const std::vector<GLuint> rows = taken(built_.rows);
    const std::vector<GLuint> columns = taken(built_.columns);
    const auto width = static_cast<GLuint>(built_.columns);
    std::vector<GLuint> indices;
    if (rows.size() > 1 && columns.size() > 1) indices.reserve((rows.size() - 1) * (columns.size() - 1) * 6);
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
            const GLuint here = rows[r] * width + columns[c], right = rows[r] * width + columns[c + 1];
            const GLuint above = rows[r + 1] * width + columns[c],
                         corner = rows[r + 1] * width + columns[c + 1];
            indices.insert(indices.end(), {here, right, corner, here, corner, above});
        }
    }
    QOpenGLBuffer& buffer = surface_indices_[static_cast<std::size_t>(level)];
    buffer.bind();
    buffer.allocate(indices.data(), static_cast<int>(indices.size() * sizeof(GLuint)));
    surface_index_counts_[static_cast<std::size_t>(level)] = static_cast<int>(indices.size());
}

// A changed cell moves its own vertex and turns the normals of its four neighbours, so each row uploads
// its changed span widened by one, joined with the spans of the rows above and below. Rows whose spans
// follow on in the buffer go up in one write.
void TStockScene::UploadChangedCells() {
    const int rows = built_.rows, columns = built_.columns;
    const display::CellRect changed = grid_.ChangedBounds();
    if (changed.empty() || rows <= 0 || columns <= 0) return;
    auto changed_span = [&](int row) {
        return row >= 0 && row < grid_.Rows() ? grid_.ChangedColumns(row) : display::CellSpan{};
    };
    surface_vertices_.bind();
    std::size_t pending_first = 0;
    staging_.clear();
    auto flush = [&] {
        if (staging_.empty()) return;
        surface_vertices_.write(static_cast<int>(pending_first * sizeof(Vertex)), staging_.data(),
                                static_cast<int>(staging_.size() * sizeof(Vertex)));
        vertices_uploaded_ += staging_.size();
        staging_.clear();
    };
    const int first_row = std::max(changed.first_row - 1, 0);
    const int last_row = std::min(changed.last_row + 1, rows - 1);
    for (int row = first_row; row <= last_row; ++row) {
        int first = columns, last = -1;
        for (int neighbour = row - 1; neighbour <= row + 1; ++neighbour) {
            const display::CellSpan span = changed_span(neighbour);
            if (span.empty()) continue;
            const int widen = neighbour == row ? 1 : 0;
            first = std::min(first, span.first - widen);
            last = std::max(last, span.last + widen);
        }
        first = std::max(first, 0);
        last = std::min(last, columns - 1);
        if (last < first) continue;
        const std::size_t begin = static_cast<std::size_t>(row) * columns + first;
        if (!staging_.empty() && begin != pending_first + staging_.size()) flush();
        if (staging_.empty()) pending_first = begin;
        const std::size_t at = staging_.size();
        staging_.resize(at + static_cast<std::size_t>(last - first + 1));
        FillVertices(row, first, last, &staging_[at]);
    }
    flush();
    surface_vertices_.release();
}

float TStockScene::HeightAt(int row, int column) const {
    if (grid_.Heights.empty()) return static_cast<float>(grid_.Zero);
    row = std::clamp(row, 0, grid_.Rows() - 1);
    column = std::clamp(column, 0, grid_.Columns() - 1);
    return grid_.Cell(row, column).height;
}

// The normal from the heights on either side, over the cells' true spacing, so slopes light as they are.
void TStockScene::FillVertices(int row, int first_column, int last_column, Vertex* out) const {
    const bool set_up = !grid_.Heights.empty();
    const int last_row = set_up ? grid_.Rows() - 1 : 0;
    const int below = std::max(row - 1, 0), above = std::min(row + 1, last_row);
    const double y = grid_.YMin + row * grid_.YStep;
    const double y_run = std::max(above - below, 1) * grid_.YStep;
    for (int column = first_column; column <= last_column; ++column, ++out) {
        const float height = HeightAt(row, column);
        const bool cut = set_up && grid_.Cell(row, column).Cut;
        const int left = std::max(column - 1, 0);
        const int right = set_up ? std::min(column + 1, grid_.Columns() - 1) : column;
        const double x_run = std::max(right - left, 1) * grid_.XStep;
        const double slope_x = (HeightAt(row, right) - HeightAt(row, left)) / x_run;
        const double slope_y = (HeightAt(above, column) - HeightAt(below, column)) / y_run;
        const double length = std::sqrt(slope_x * slope_x + slope_y * slope_y + 1);
        const display::CamColour colour = display::TCamGrid::ColourOf(height, cut);
        *out = Vertex{
            {static_cast<float>(grid_.XMin + column * grid_.XStep), static_cast<float>(y), height},
            {static_cast<float>(-slope_x / length), static_cast<float>(-slope_y / length),
             static_cast<float>(1 / length)},
            {static_cast<float>(colour.r), static_cast<float>(colour.g), static_cast<float>(colour.b)}};
    }
}

}  // namespace zorvan::ui
