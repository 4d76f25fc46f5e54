#include "machine/fake_board.h"

#include <sstream>

namespace zorvan::testing {
namespace {

template <typename... Args>
void record(const char* name, Args... args) {
    std::ostringstream text;
    text << name << '(';
    [[maybe_unused]] const char* separator = "";
    ((text << separator << +args, separator = ", "), ...);
    text << ')';
    fake_board().calls.push_back(text.str());
}

std::uint8_t with_position(std::int32_t* x, std::int32_t* y, std::int32_t* z, std::int32_t* a) {
    FakeBoard& b = fake_board();
    *x = b.position[0];
    *y = b.position[1];
    *z = b.position[2];
    *a = b.position[3];
    return b.next_status();
}

}  // namespace

std::uint8_t FakeBoard::next_status() {
    if (dead) return status_code(-39);
    if (busy_moves > 0 && !calls.empty() &&
        (calls.back().rfind("LinearMove", 0) == 0 || calls.back().rfind("RapidMove", 0) == 0)) {
        --busy_moves;
        return '\\';
    }
    if (statuses.empty()) return 'Z';
    const std::uint8_t status = statuses.front();
    statuses.pop_front();
    return status;
}

FakeBoard& fake_board(bool reset) {
    static FakeBoard board;
    if (reset) board = FakeBoard{};
    return board;
}

controller::ZorvanApiTable fake_board_table() {
    controller::ZorvanApiTable t;
    t.Reset = [](std::int32_t* port, std::int32_t mode) {
        record("Reset", *port, mode);
        if (fake_board().port_answer != -1) *port = fake_board().port_answer;
        return fake_board().next_status();
    };
    t.GetFirmwareVersion = [] {
        record("GetFirmwareVersion");
        return fake_board().dead ? 0.0 : fake_board().firmware_version;
    };
    t.SetAccelleration = [](std::int32_t acceleration, std::int32_t max_sps, std::int32_t start,
                            std::uint8_t scale) {
        record("SetAccelleration", acceleration, max_sps, start, scale);
        return fake_board().next_status();
    };
    t.SetMaxSPS = [](std::int32_t max_sps, std::int32_t axes, std::uint8_t invert, std::uint8_t last) {
        record("SetMaxSPS", max_sps, axes, invert, last);
        return fake_board().next_status();
    };
    t.SetArcDirection = [](std::uint8_t code) {
        record("SetArcDirection", code);
        return fake_board().next_status();
    };
    t.SetPosition = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::uint8_t mask) {
        record("SetPosition", x, y, z, a, mask);
        return fake_board().next_status();
    };
    t.GetPosition = [](std::int32_t* x, std::int32_t* y, std::int32_t* z, std::int32_t* a) {
        record("GetPosition");
        // A board with no answers left to give is idle, so that waits for the end of motion end.
        if (fake_board().statuses.empty()) fake_board().statuses.push_back('[');
        return with_position(x, y, z, a);
    };
    t.LinearMove = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::int32_t speed,
                      std::int32_t end_speed, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                      std::int32_t* pa) {
        record("LinearMove", x, y, z, a, speed, end_speed);
        return with_position(px, py, pz, pa);
    };
    t.RapidMove = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::int32_t speed,
                     std::int32_t end_speed, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                     std::int32_t* pa) {
        record("RapidMove", x, y, z, a, speed, end_speed);
        return with_position(px, py, pz, pa);
    };
    t.IndexMove = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::int32_t speed,
                     std::uint8_t mask, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                     std::int32_t* pa) {
        record("IndexMove", x, y, z, a, speed, mask);
        return with_position(px, py, pz, pa);
    };
    t.QuadrantArcMoveCW = [](std::int32_t radius, std::int32_t sx, std::int32_t sy, std::int32_t ex,
                             std::int32_t ey, std::int32_t speed, std::int32_t end_speed,
                             std::uint8_t quadrant, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                             std::int32_t* pa) {
        record("QuadrantArcMoveCW", radius, sx, sy, ex, ey, speed, end_speed, quadrant);
        return with_position(px, py, pz, pa);
    };
    t.QuadrantArcMoveCCW = [](std::int32_t radius, std::int32_t sx, std::int32_t sy, std::int32_t ex,
                              std::int32_t ey, std::int32_t speed, std::int32_t end_speed,
                              std::uint8_t quadrant, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                              std::int32_t* pa) {
        record("QuadrantArcMoveCCW", radius, sx, sy, ex, ey, speed, end_speed, quadrant);
        return with_position(px, py, pz, pa);
    };
    t.Delay = [](std::int32_t* px, std::int32_t* py, std::int32_t* pz, double seconds, std::int32_t* pa) {
        record("Delay", seconds);
        return with_position(px, py, pz, pa);
    };
    t.SetOutput = [](std::uint8_t output, std::uint8_t state, std::int32_t* px, std::int32_t* py,
                     std::int32_t* pz, std::int32_t* pa) {
        record("SetOutput", output, state);
        return with_position(px, py, pz, pa);
    };
    t.Home = [](std::uint8_t mask, std::uint8_t bits, std::int32_t speed) {
        record("Home", mask, bits, speed);
        return fake_board().next_status();
    };
    t.SetFeedOverride = [](std::int32_t value) {
        record("SetFeedOverride", value);
        return fake_board().next_status();
    };
    t.TweakZAxis = [](std::int32_t value) {
        record("TweakZAxis", value);
        return fake_board().next_status();
    };
    t.SetProbePolarity = [](std::uint8_t polarity) {
        record("SetProbePolarity", polarity);
        return fake_board().next_status();
    };
    t.SetPWMOutput = [](std::uint8_t percent) {
        record("SetPWMOutput", percent);
        return fake_board().next_status();
    };
    t.ReadInputs = [] {
        record("ReadInputs");
        return fake_board().inputs;
    };
    t.Pause = [] {
        record("Pause");
        return fake_board().next_status();
    };
    t.Continue = [] {
        record("Continue");
        return fake_board().next_status();
    };
    t.EndCurrentMove = [] {
        record("EndCurrentMove");
        return fake_board().next_status();
    };
    t.EmStop = [] {
        record("EmStop");
        return fake_board().next_status();
    };
    return t;
}

}  // namespace zorvan::testing
