// The board library as a table of function pointers: resolved at run time from libZorvanAPI.so, or
// bound by a test to functions of its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "controller/ZorvanAPI.h"

namespace zorvan::controller {

struct ZorvanApiTable {
    decltype(&::ZorvanReset) Reset = nullptr;
    decltype(&::ZorvanGetFirmwareVersion) GetFirmwareVersion = nullptr;
    decltype(&::ZorvanSetAccelleration) SetAccelleration = nullptr;
    decltype(&::ZorvanSetMaxSPS) SetMaxSPS = nullptr;
    decltype(&::ZorvanSetArcDirection) SetArcDirection = nullptr;
    decltype(&::ZorvanSetPosition) SetPosition = nullptr;
    decltype(&::ZorvanGetPosition) GetPosition = nullptr;
    decltype(&::ZorvanLinearMove) LinearMove = nullptr;
    decltype(&::ZorvanRapidMove) RapidMove = nullptr;
    decltype(&::ZorvanIndexMove) IndexMove = nullptr;
    decltype(&::ZorvanQuadrantArcMoveCW) QuadrantArcMoveCW = nullptr;
    decltype(&::ZorvanQuadrantArcMoveCCW) QuadrantArcMoveCCW = nullptr;
    decltype(&::ZorvanDelay) Delay = nullptr;
    decltype(&::ZorvanSetOutput) SetOutput = nullptr;
    decltype(&::ZorvanHome) Home = nullptr;
    decltype(&::ZorvanSetFeedOverride) SetFeedOverride = nullptr;
    decltype(&::ZorvanTweakZAxis) TweakZAxis = nullptr;
    decltype(&::ZorvanSetProbePolarity) SetProbePolarity = nullptr;
    decltype(&::ZorvanSetPWMOutput) SetPWMOutput = nullptr;
    decltype(&::ZorvanReadInputs) ReadInputs = nullptr;
    decltype(&::ZorvanPause) Pause = nullptr;
    decltype(&::ZorvanContinue) Continue = nullptr;
    decltype(&::ZorvanEndCurrentMove) EndCurrentMove = nullptr;
    decltype(&::ZorvanEmStop) EmStop = nullptr;

    // Every entry resolved: a table with a hole means no controller.
    bool complete() const;
};

inline constexpr const char* ZORVAN_API_LIBRARY = "libZorvanAPI.so";

// Loads the library and resolves all 24 functions. On failure (no library, a missing symbol) the
// result is nullopt and `error`, when given, says why; the program then runs without a controller.
// The library stays loaded for the life of the process.
std::optional<ZorvanApiTable> load_zorvan_api(const std::filesystem::path& library,
                                              std::string* error = nullptr);

}  // namespace zorvan::controller
