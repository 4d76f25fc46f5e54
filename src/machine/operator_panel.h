// What the machine interface asks of the main window. The operator program implements it with its
// widgets; the headless implementation keeps the values for the CLI and the tests.
#pragma once

#include <string>
#include <string_view>

namespace zorvan::machine {

enum class OutputButton { Mist, Flood, SpindleClockwise, SpindleCounterClockwise };

class OperatorPanel {
  public:
    virtual ~OperatorPanel() = default;
    virtual void ShowStatus(std::string_view text) = 0;
    virtual void ShowStatusNow(std::string_view text) = 0;
    virtual void SetUnitsLabel(std::string_view text) = 0;
    // The feed label shows the rate with two decimals ("%.2f"); formatting is left to the label, which
    // a long preview updates on every F word.
    virtual void SetFeedLabel(double rate) = 0;
    virtual void SetToolLabel(std::string_view text) = 0;
    // caption_entry indexes the main window's message table (17..24 are the output captions).
    virtual void SetOutputButton(OutputButton button, int caption_entry, bool pressed) = 0;
    virtual void SetSpindleSliderRange(int minimum_percent, int maximum_percent) = 0;
    virtual void SetSpindleSlider(int percent) = 0;
    // Tool-path coordinates relative to the program origin instead of the machine's.
    virtual bool AbsoluteCoordinates() const = 0;
};

class HeadlessOperatorPanel final : public OperatorPanel {
  public:
    void ShowStatus(std::string_view text) override { status = text; }
    void ShowStatusNow(std::string_view text) override { status = text; }
    void SetUnitsLabel(std::string_view text) override { units_label = text; }
    void SetFeedLabel(double rate) override { feed_rate = rate; }
    void SetToolLabel(std::string_view text) override { tool_label = text; }
    void SetOutputButton(OutputButton button, int caption_entry, bool pressed) override;
    void SetSpindleSliderRange(int minimum_percent, int maximum_percent) override {
        slider_minimum = minimum_percent;
        slider_maximum = maximum_percent;
    }
    void SetSpindleSlider(int percent) override { slider_percent = percent; }
    bool AbsoluteCoordinates() const override { return absolute_coordinates; }

    struct Button {
        int caption_entry = -1;
        bool pressed = false;
    };
    std::string status, units_label, tool_label;
    double feed_rate = 0;  // program units per minute
    Button buttons[4];
    int slider_minimum = 0, slider_maximum = 100, slider_percent = 0;
    bool absolute_coordinates = false;
};

}  // namespace zorvan::machine
