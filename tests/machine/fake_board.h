// A board library for the machine tests: each function records its call as text and answers with a
// status the test chose. The table holds plain function pointers, so the fake keeps one board per
// process; every test starts by resetting it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "controller/zorvan_api_table.h"

namespace zorvan::testing {

struct FakeBoard {
    std::vector<std::string> calls;
    std::deque<std::uint8_t> statuses;  // answers in order; then 'Z', or '[' to a position query
    std::int32_t position[4] = {0, 0, 0, 0};
    double firmware_version = 2.5;
    std::uint8_t inputs = 0;
    std::int32_t port_answer = -1;  // written into the port variable by reset when not -1
    bool dead = false;              // unplugged: every call answers -39, the firmware query 0
    int busy_moves = 0;             // straight moves answered busy before any other answer

    std::uint8_t next_status();
};

// The board of this process, reset to its defaults.
FakeBoard& fake_board(bool reset = false);
controller::ZorvanApiTable fake_board_table();

// The status byte of a negative library code.
constexpr std::uint8_t status_code(int code) {
    return static_cast<std::uint8_t>(256 + code);
}

}  // namespace zorvan::testing
