#include <dlfcn.h>

#include "controller/zorvan_api_table.h"

namespace zorvan::controller {

bool ZorvanApiTable::complete() const {
    return Reset && GetFirmwareVersion && SetAccelleration && SetMaxSPS && SetArcDirection && SetPosition &&
           GetPosition && LinearMove && RapidMove && IndexMove && QuadrantArcMoveCW && QuadrantArcMoveCCW &&
           Delay && SetOutput && Home && SetFeedOverride && TweakZAxis && SetProbePolarity && SetPWMOutput &&
           ReadInputs && Pause && Continue && EndCurrentMove && EmStop;
}

namespace {

template <typename Fn>
bool resolve(void* handle, const char* name, Fn& slot, std::string* error) {
    slot = reinterpret_cast<Fn>(::dlsym(handle, name));
    if (slot == nullptr && error != nullptr) *error = std::string("the board library has no ") + name;
    return slot != nullptr;
}

}  // namespace

std::optional<ZorvanApiTable> load_zorvan_api(const std::filesystem::path& library, std::string* error) {
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        if (error != nullptr) {
            const char* reason = ::dlerror();
            *error = reason != nullptr ? reason : "the board library cannot be loaded";
        }
        return std::nullopt;
    }
    ZorvanApiTable t;
    const bool ok = resolve(handle, "ZorvanReset", t.Reset, error) &&
                    resolve(handle, "ZorvanGetFirmwareVersion", t.GetFirmwareVersion, error) &&
                    resolve(handle, "ZorvanSetAccelleration", t.SetAccelleration, error) &&
                    resolve(handle, "ZorvanSetMaxSPS", t.SetMaxSPS, error) &&
                    resolve(handle, "ZorvanSetArcDirection", t.SetArcDirection, error) &&
                    resolve(handle, "ZorvanSetPosition", t.SetPosition, error) &&
                    resolve(handle, "ZorvanGetPosition", t.GetPosition, error) &&
                    resolve(handle, "ZorvanLinearMove", t.LinearMove, error) &&
                    resolve(handle, "ZorvanRapidMove", t.RapidMove, error) &&
                    resolve(handle, "ZorvanIndexMove", t.IndexMove, error) &&
                    resolve(handle, "ZorvanQuadrantArcMoveCW", t.QuadrantArcMoveCW, error) &&
                    resolve(handle, "ZorvanQuadrantArcMoveCCW", t.QuadrantArcMoveCCW, error) &&
                    resolve(handle, "ZorvanDelay", t.Delay, error) &&
                    resolve(handle, "ZorvanSetOutput", t.SetOutput, error) &&
                    resolve(handle, "ZorvanHome", t.Home, error) &&
                    resolve(handle, "ZorvanSetFeedOverride", t.SetFeedOverride, error) &&
                    resolve(handle, "ZorvanTweakZAxis", t.TweakZAxis, error) &&
                    resolve(handle, "ZorvanSetProbePolarity", t.SetProbePolarity, error) &&
                    resolve(handle, "ZorvanSetPWMOutput", t.SetPWMOutput, error) &&
                    resolve(handle, "ZorvanReadInputs", t.ReadInputs, error) &&
                    resolve(handle, "ZorvanPause", t.Pause, error) &&
                    resolve(handle, "ZorvanContinue", t.Continue, error) &&
                    resolve(handle, "ZorvanEndCurrentMove", t.EndCurrentMove, error) &&
                    resolve(handle, "ZorvanEmStop", t.EmStop, error);
    if (!ok) {
        // A library with a hole is not a controller; it is not kept loaded.
        ::dlclose(handle);
        return std::nullopt;
    }
    return t;
}

}  // namespace zorvan::controller
