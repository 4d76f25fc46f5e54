// The built libZorvanAPI.so through the program's loader, and the board's settings file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "config/profile_file.h"
#include "controller/sim/sim_settings.h"
#include "controller/sim/zorvan_api_sim.h"
#include "controller/zorvan_api_table.h"
#include "support/temp_dir.h"

namespace zorvan::controller {
namespace {

// The library's test functions, from the copy the loader opened.
struct SimHooks {
    decltype(&::ZorvanSimLoadSettings) load_settings = nullptr;
    decltype(&::ZorvanSimUseVirtualClock) use_virtual_clock = nullptr;
    decltype(&::ZorvanSimOutputs) outputs = nullptr;
    decltype(&::ZorvanSimUseRealClock) use_real_clock = nullptr;
};

SimHooks sim_hooks() {
    void* handle = ::dlopen(ZORVAN_API_SO, RTLD_NOW | RTLD_NOLOAD);
    SimHooks hooks;
    if (handle == nullptr) return hooks;
    hooks.load_settings =
        reinterpret_cast<decltype(hooks.load_settings)>(::dlsym(handle, "ZorvanSimLoadSettings"));
    hooks.use_virtual_clock =
        reinterpret_cast<decltype(hooks.use_virtual_clock)>(::dlsym(handle, "ZorvanSimUseVirtualClock"));
    hooks.outputs = reinterpret_cast<decltype(hooks.outputs)>(::dlsym(handle, "ZorvanSimOutputs"));
    hooks.use_real_clock =
        reinterpret_cast<decltype(hooks.use_real_clock)>(::dlsym(handle, "ZorvanSimUseRealClock"));
    ::dlclose(handle);  // the loader's reference keeps it loaded
    return hooks;
}

TEST(ZorvanApiSim, TheLoaderFindsEveryFunctionAndTheBoardRunsAMove) {
    std::string error;
    const auto api = load_zorvan_api(ZORVAN_API_SO, &error);
    ASSERT_TRUE(api) << error;
    EXPECT_TRUE(api->complete());
    const SimHooks sim = sim_hooks();
    ASSERT_TRUE(sim.load_settings && sim.use_virtual_clock && sim.outputs && sim.use_real_clock);
    sim.load_settings("");
    sim.use_virtual_clock(0.001);

    std::int32_t port = 5;
    ASSERT_EQ(api->Reset(&port, 27), ZORVAN_ACCEPTED);
    EXPECT_EQ(port, 5);
    EXPECT_DOUBLE_EQ(api->GetFirmwareVersion(), 2.1);
    ASSERT_EQ(api->SetAccelleration(5000, 1000, 100, 1), ZORVAN_ACCEPTED);
    ASSERT_EQ(api->SetMaxSPS(1000, 4, 0, 0), ZORVAN_ACCEPTED);
    ASSERT_EQ(api->SetPosition(0, 0, 0, 0, 7), ZORVAN_ACCEPTED);
    ASSERT_EQ(api->SetArcDirection(3), ZORVAN_ACCEPTED);

    std::int32_t x = -1, y = -1, z = -1, a = -1;
    ASSERT_EQ(api->LinearMove(200, 0, -50, 0, 100, 0, &x, &y, &z, &a), ZORVAN_ACCEPTED);
    ASSERT_EQ(api->SetOutput(2, 1, &x, &y, &z, &a), ZORVAN_ACCEPTED);
    int polls = 1;
    while (api->GetPosition(&x, &y, &z, &a) == ZORVAN_ACCEPTED && polls < 5000)
        ++polls;
    EXPECT_NEAR(polls, 2000, 2);  // 200 steps at 100 steps/s, one millisecond per call
    EXPECT_EQ(x, 200);
    EXPECT_EQ(z, -50);
    EXPECT_EQ(sim.outputs(), 2);
    EXPECT_EQ(api->LinearMove(0, 0, 0, 0, 0, 0, &x, &y, &z, &a), ZORVAN_ERROR(-44));
}

TEST(ZorvanApiSim, TheLibraryReadsItsSettingsFromItsOwnFolder) {
    // A copy of the library in a folder whose ZorvanSim.Ini says no board is there: a separate library
    // with a board of its own.
    const testing::TempDir dir;
    dir.write("ZorvanSim.Ini", "[BOARD]\nPRESENT=0\n");
    const auto copy = dir.path() / ZORVAN_API_LIBRARY;
    std::filesystem::copy_file(ZORVAN_API_SO, copy);
    const auto api = load_zorvan_api(copy);
    ASSERT_TRUE(api);
    std::int32_t port = 0;
    EXPECT_EQ(api->Reset(&port, 27), ZORVAN_ERROR(-41));
    EXPECT_EQ(api->GetFirmwareVersion(), 0.0);
    EXPECT_EQ(api->Pause(), ZORVAN_ERROR(-1));
}

TEST(ZorvanApiSim, ABoardSetToDieTimesOutForGoodAfterItsLastCall) {
    std::string error;
    const auto api = load_zorvan_api(ZORVAN_API_SO, &error);
    ASSERT_TRUE(api) << error;
    const SimHooks sim = sim_hooks();
    ASSERT_TRUE(sim.load_settings && sim.use_virtual_clock);
    const testing::TempDir dir;
    ASSERT_EQ(sim.load_settings(dir.write("ZorvanSim.Ini", "[FAULTS]\nDEAD_AFTER=4\n").c_str()), 1);
    sim.use_virtual_clock(0.001);

    std::int32_t port = 0, x = 0, y = 0, z = 0, a = 0;
    EXPECT_EQ(api->Reset(&port, 27), ZORVAN_ACCEPTED);
    EXPECT_DOUBLE_EQ(api->GetFirmwareVersion(), 2.1);
    EXPECT_EQ(api->EmStop(), ZORVAN_ACCEPTED);
    EXPECT_EQ(api->GetPosition(&x, &y, &z, &a), ZORVAN_IDLE);  // the 4th call, the last it answers
    EXPECT_EQ(api->GetPosition(&x, &y, &z, &a), ZORVAN_ERROR(-39));
    EXPECT_EQ(api->Reset(&port, 27), ZORVAN_ERROR(-39));
    EXPECT_EQ(api->GetFirmwareVersion(), 0.0);
    EXPECT_EQ(api->ReadInputs(), 0);
    EXPECT_EQ(api->LinearMove(100, 0, 0, 0, 1000, 0, &x, &y, &z, &a), ZORVAN_ERROR(-39));
    sim.load_settings("");
}

TEST(SimSettings, TheFileSetsEveryGroupAndBadValuesKeepTheDefaults) {
    const auto file = config::ProfileFile::parse(
        "[BOARD]\nPRESENT=0\nFIRMWARE=3.25\nBUFFER=8\nCLOCK=virtual\nTICK=0.002\n"
        "[LIMITS]\nX_MIN=-20000\nX_MAX=20000\nZ_MIN=-9000\nA_MAX=abc\n"
        "[PROBE]\nTRIP_Z=-15000\nX=12000\nRADIUS=300\n"
        "[FAULTS]\nTIMEOUT_EVERY=5\nTIMEOUT_ON=position\nBUSY_EVERY=7\nBUSY_ON=nonsense\nFAIL_MOVE=3\n"
        "FAIL_STATUS=-51\n");
    const sim::SimSettings s = sim::read_sim_settings(file);
    EXPECT_FALSE(s.present);
    EXPECT_DOUBLE_EQ(s.firmware_version, 3.25);
    EXPECT_EQ(s.buffer_depth, 8);
    EXPECT_EQ(s.clock, sim::ClockKind::Virtual);
    EXPECT_DOUBLE_EQ(s.tick_s, 0.002);
    EXPECT_EQ(s.limits[0].min_steps, -20000);
    EXPECT_EQ(s.limits[0].max_steps, 20000);
    EXPECT_EQ(s.limits[1].min_steps, std::nullopt);
    EXPECT_EQ(s.limits[2].min_steps, -9000);
    EXPECT_EQ(s.limits[3].max_steps, std::nullopt);  // unreadable: no switch, not one at 0
    EXPECT_EQ(s.probe.trip_z_steps, -15000);
    EXPECT_EQ(s.probe.x_steps, std::nullopt);  // a place needs both X and Y
    EXPECT_EQ(s.probe.radius_steps, 300);
    EXPECT_EQ(s.faults.timeout_every, 5);
    EXPECT_EQ(s.faults.timeout_on, sim::CallKind::Position);
    EXPECT_EQ(s.faults.busy_every, 7);
    EXPECT_EQ(s.faults.busy_on, sim::CallKind::Move);
    EXPECT_EQ(s.faults.fail_move, 3);
    EXPECT_EQ(s.faults.fail_status, 256 - 51);
}

TEST(SimSettings, SensorTravelAndTheDeadBoardAreReadAndNegativeMeansOff) {
    const struct {
        const char* text;
        std::int32_t hysteresis;
        int dead_after;
    } cases[] = {
        {"", 0, 0},
        {"[PROBE]\nHYSTERESIS=250\n[FAULTS]\nDEAD_AFTER=40\n", 250, 40},
        {"[probe]\nhysteresis=-3\n[faults]\ndead_after=-1\n", 0, 0},
    };
    for (const auto& c : cases) {
        const sim::SimSettings s = sim::read_sim_settings(config::ProfileFile::parse(c.text));
        EXPECT_EQ(s.probe.hysteresis_steps, c.hysteresis) << c.text;
        EXPECT_EQ(s.faults.dead_after, c.dead_after) << c.text;
    }
}

TEST(SimSettings, WithoutTheFileTheBoardIsAUsableMachine) {
    const testing::TempDir dir;
    const sim::SimSettings s = sim::load_sim_settings(dir.path() / "ZorvanSim.Ini");
    EXPECT_TRUE(s.present);
    EXPECT_DOUBLE_EQ(s.firmware_version, 2.1);
    EXPECT_EQ(s.buffer_depth, 64);
    EXPECT_EQ(s.clock, sim::ClockKind::Real);
    for (const auto& axis : s.limits) {
        EXPECT_FALSE(axis.min_steps || axis.max_steps);
    }
    EXPECT_FALSE(s.probe.trip_z_steps);
    EXPECT_EQ(s.faults.timeout_every + s.faults.busy_every + s.faults.fail_move, 0);
}

}  // namespace
}  // namespace zorvan::controller
