// What the machine interface asks of the main window. The operator program implements it with its
// widgets; the headless implementation keeps the values for the CLI and the tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

    // The position display takes the board's step counts.
    virtual void UpdatePositionDisplay(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a) = 0;
    // Enters (true) or leaves the emergency-stop state of the whole machine.
    virtual void EmergencyStop(bool on) = 0;
    // Lets button and key handlers run inside a wait.
    virtual void ProcessMessages() = 0;
    // A modal message box with an OK button.
    virtual void ShowModalMessage(std::string_view text) = 0;
    // The timer reload value of the board's top speed, which bounds the feed-override values.
    virtual void SetControllerTimerBase(int reload) = 0;
    // The tool position in steps as last shown, less the backlash display offsets.
    virtual std::array<double, 4> DisplayPosition() const = 0;
    virtual void SetPauseButton(bool down) = 0;
    // The feed-override slider to 0; its change handler sends the override when the value changes.
    virtual void ZeroFeedOverride() = 0;
    // A pause of the waiting loops, in milliseconds.
    virtual void Sleep(int milliseconds) = 0;
};

// The position display with each value rounded to a whole step, as the previews and the coordinate
// modes show it.
void ShowRoundedPosition(OperatorPanel& panel, const std::array<double, 4>& steps);

class HeadlessOperatorPanel final : public OperatorPanel {
  public:
    void ShowStatus(std::string_view text) override {
        status = text;
        if (on_status) on_status(text);
    }
    void ShowStatusNow(std::string_view text) override { ShowStatus(text); }
    void SetUnitsLabel(std::string_view text) override { units_label = text; }
    void SetFeedLabel(double rate) override { feed_rate = rate; }
    void SetToolLabel(std::string_view text) override { tool_label = text; }
    void SetOutputButton(OutputButton button, int caption_entry, bool pressed) override;
    void SetSpindleSliderRange(int minimum_percent, int maximum_percent) override {
        slider_minimum = minimum_percent;
        slider_maximum = maximum_percent;
    }
    // Like the window's slider, the change handler runs only when the position changes.
    void SetSpindleSlider(int percent) override {
        const bool changed = percent != slider_percent;
        slider_percent = percent;
        if (changed && on_spindle_slider) on_spindle_slider(percent);
    }
    bool AbsoluteCoordinates() const override { return absolute_coordinates; }
    void UpdatePositionDisplay(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a) override {
        display_steps = {x, y, z, a};
        ++position_updates;
    }
    void EmergencyStop(bool on) override;
    void ProcessMessages() override {
        ++messages_processed;
        if (on_process_messages) on_process_messages();
    }
    void ShowModalMessage(std::string_view text) override { modal_messages.emplace_back(text); }
    void SetControllerTimerBase(int reload) override { controller_timer_base = reload; }
    std::array<double, 4> DisplayPosition() const override;
    void SetPauseButton(bool down) override { pause_button_down = down; }
    // The headless slider never leaves 0, so there is no change to send.
    void ZeroFeedOverride() override {}
    void Sleep(int milliseconds) override {
        slept_ms += milliseconds;
        if (on_sleep) on_sleep(milliseconds);
    }

    struct Button {
        int caption_entry = -1;
        bool pressed = false;
    };
    std::string status, units_label, tool_label;
    double feed_rate = 0;  // program units per minute
    Button buttons[4];
    int slider_minimum = 0, slider_maximum = 100, slider_percent = 0;
    bool absolute_coordinates = false;
    std::array<std::int32_t, 4> display_steps{};
    int position_updates = 0;
    int emergency_stops = 0;
    bool in_emergency_stop = false;
    long messages_processed = 0;
    std::vector<std::string> modal_messages;
    int controller_timer_base = 0;
    bool pause_button_down = false;
    long slept_ms = 0;
    const std::array<double, 4>* backlash_offsets = nullptr;  // steps; the canon's, when set
    std::function<void(int)> on_sleep;
    std::function<void(std::string_view)> on_status;
    // What the machine does on an emergency stop (set by the composition root), and what a wait lets
    // run; both optional.
    std::function<void(bool)> on_emergency_stop;
    std::function<void()> on_process_messages;
    // The spindle slider's change handler (the PWM output), when set.
    std::function<void(int)> on_spindle_slider;
};

}  // namespace zorvan::machine
