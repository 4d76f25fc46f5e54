// "Options" (Setup > Options): the five colours of the tool-path view, each on a panel that opens the
// colour picker. A picked colour takes effect at once; Save writes the five into the main configuration.
#pragma once

#include <QDialog>
#include <QFrame>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;

namespace zorvan::display {
class TVectorDisplay3D;
}

namespace zorvan::ui {

// A coloured panel that answers a click.
class TColourPanel : public QFrame {
    Q_OBJECT

  public:
    explicit TColourPanel(QWidget* parent = nullptr);
    void SetColour(int colour);  // 24 bits, red in the low byte
    int Colour() const { return colour_; }
    std::function<void()> OnClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int colour_ = 0;
};

class TfrmColors : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmColors(QWidget* parent = nullptr);

    // The view whose colours the panels show and change, and the folder of the main configuration file.
    display::TVectorDisplay3D* View = nullptr;
    std::filesystem::path ProgramDir;
    // The colour picker: the chosen colour, or nothing when it was cancelled. QColorDialog when empty.
    std::function<std::optional<int>(int current)> PickColour;
    // Where "Options Saved!" and a failed save go; a message box when empty.
    std::function<void(const QString&)> OnMessage;

    // Before each showing: the panels take the view's colours.
    void FormShow();
    // A panel clicked: 0 linear, 1 rapid, 2 CW, 3 CCW, 4 background.
    void PanelClick(int panel);
    void Button1Click();  // Save
    void Button2Click();  // Cancel

    QGroupBox* GroupBox1 = nullptr;
    std::array<QLabel*, 5> Labels{};  // Label1 .. Label5
    TColourPanel* pnlLinear = nullptr;
    TColourPanel* pnlRapid = nullptr;
    TColourPanel* pnlCW = nullptr;
    TColourPanel* pnlCCW = nullptr;
    TColourPanel* pnlBack = nullptr;
    QPushButton* Button1 = nullptr;  // "Save"
    QPushButton* Button2 = nullptr;  // "Cancel"

  private:
    std::array<int*, 5> ViewColours() const;
    std::array<TColourPanel*, 5> Panels() const { return {pnlLinear, pnlRapid, pnlCW, pnlCCW, pnlBack}; }
    void Message(const QString& text);
};

}  // namespace zorvan::ui
