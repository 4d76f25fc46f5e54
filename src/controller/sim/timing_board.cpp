#include "controller/sim/timing_board.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "controller/sim/board_calls.h"

namespace zorvan::controller::sim {
namespace {

thread_local TimingBoard* current = nullptr;

struct CurrentBoard {
    static SimulatedBoard& board() { return current->board(); }
    static void before_queue() { current->MakeRoom(); }
    static void before_poll() { current->RunToIdle(); }
};

// Runs longer than this are taken in pieces, so that the board's time keeps its precision.
constexpr double PIECE_S = 60.0;

}  // namespace

// A tick per call, except that the next call may be told to take the rest of a tick already begun.
class TimingBoard::TickClock final : public BoardClock {
  public:
    explicit TickClock(double tick_s) : tick_s_(tick_s) {}
    double elapsed_s() override {
        const double s = next_s_ >= 0 ? next_s_ : tick_s_;
        next_s_ = -1;
        return s;
    }
    void set_next(double s) { next_s_ = s; }

  private:
    double tick_s_;
    double next_s_ = -1;
};

TimingBoard::TimingBoard(SimSettings settings, double tick_s) : tick_s_(tick_s > 0 ? tick_s : 0.001) {
    auto clock = std::make_unique<TickClock>(tick_s_);
    clock_ = clock.get();
    board_ = std::make_unique<SimulatedBoard>(std::move(settings), std::move(clock));
    current = this;
}

TimingBoard::~TimingBoard() {
    if (current == this) current = nullptr;
}

ZorvanApiTable TimingBoard::Table() const {
    return BoardCalls<CurrentBoard>::Table();
}

void TimingBoard::MakeRoom() {
    if (board_->queued() >= static_cast<std::size_t>(board_->settings().buffer_depth))
        RunOnUntil(SimulatedBoard::RunUntil::Room);
}

void TimingBoard::RunToIdle() {
    if (!board_->idle()) RunOnUntil(SimulatedBoard::RunUntil::Idle);
}

// The host's calls each begin with a tick of motion and then look; the call that finds what it waits for
// is the first whose tick ends at or after the moment it came. The board runs to that moment now, and
// the next call takes the rest of its tick.
void TimingBoard::RunOnUntil(SimulatedBoard::RunUntil until) {
    double ran = 0;
    for (;;) {
        const double piece = board_->run_until(PIECE_S, until);
        ran += piece;
        if (piece < PIECE_S) break;
    }
    if (ran <= 0) return;
    const double ticks = std::max(1.0, std::ceil(ran / tick_s_ - 1e-9));
    clock_->set_next(std::max(0.0, ticks * tick_s_ - ran));
}

// ---- the board in a thread of its own ----------------------------------------------------------------

struct alignas(32) PipelinedTimingBoard::Handed {
    enum Kind : std::uint8_t {
        Linear,
        Rapid,
        Index,
        ArcClockwise,
        ArcCounterClockwise,
        Delay,
        Output,
        ArcDirection,
        FeedOverride,
        Pwm,
        Mark,
        Stop
    };
    // Half a cache line: the board's core reads what the host's core wrote, line by line.
    std::int32_t v[7] = {};
    Kind kind = Stop;
    std::uint8_t small = 0;  // an arc's quadrant, an index move's axes

    // A delay's seconds and a mark's line index take the place of two values.
    void set_seconds(double seconds) { std::memcpy(v, &seconds, sizeof seconds); }
    double seconds() const {
        double seconds = 0;
        std::memcpy(&seconds, v, sizeof seconds);
        return seconds;
    }
    void set_index(std::uint64_t index) { std::memcpy(v, &index, sizeof index); }
    std::uint64_t index() const {
        std::uint64_t index = 0;
        std::memcpy(&index, v, sizeof index);
        return index;
    }
};
static_assert(sizeof(PipelinedTimingBoard::Handed) == 32);

namespace {

thread_local PipelinedTimingBoard* current_pipeline = nullptr;

// Turns of a wait spent looking before sleeping: the other side is usually a moment away.
constexpr int SPINS = 4000;

using Calls = BoardCalls<CurrentBoard>;
using Handed = PipelinedTimingBoard::Handed;

// The answer a handed-over call gets: acceptance. The host treats every status up to '4' alike.
bool AcceptedAlike(ZorvanStatus status) {
    return status <= '4' || status == status::ACCEPTED;
}

// Written straight into the board's ring: a program hands over a call for every move.
template <typename Fill>
ZorvanStatus HandOverFilled(Handed::Kind kind, Fill fill) {
    Handed& call = current_pipeline->NextSlot();
    call.kind = kind;
    fill(call);
    current_pipeline->Commit(kind);
    return status::ACCEPTED;
}

ZorvanStatus HandOver(Handed::Kind kind, std::initializer_list<std::int32_t> values, std::uint8_t small = 0) {
    return HandOverFilled(kind, [&](Handed& call) {
        std::copy(values.begin(), values.end(), call.v);
        call.small = small;
    });
}

// The host's side of the table: calls that only hand work over return at once; the others wait until
// the board has caught up and are then made on it directly.
struct PipelinedCalls {
    template <auto Call, typename... Args>
    static auto CaughtUp(Args... args) {
        current_pipeline->CatchUp();
        return Call(args...);
    }
    static ZorvanStatus LinearMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                   int32_t end_speed, int32_t*, int32_t*, int32_t*, int32_t*) {
        return HandOver(Handed::Linear, {x, y, z, a, speed, end_speed});
    }
    static ZorvanStatus RapidMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                  int32_t end_speed, int32_t*, int32_t*, int32_t*, int32_t*) {
        return HandOver(Handed::Rapid, {x, y, z, a, speed, end_speed});
    }
    static ZorvanStatus IndexMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed, uint8_t mask,
                                  int32_t*, int32_t*, int32_t*, int32_t*) {
        return HandOver(Handed::Index, {x, y, z, a, speed}, mask);
    }
    template <bool CounterClockwise>
    static ZorvanStatus QuadrantArc(int32_t radius, int32_t start_x, int32_t start_y, int32_t end_x,
                                    int32_t end_y, int32_t speed, int32_t end_speed, uint8_t quadrant,
                                    int32_t*, int32_t*, int32_t*, int32_t*) {
        return HandOver(CounterClockwise ? Handed::ArcCounterClockwise : Handed::ArcClockwise,
                        {radius, start_x, start_y, end_x, end_y, speed, end_speed}, quadrant);
    }
    static ZorvanStatus Delay(int32_t*, int32_t*, int32_t*, double seconds, int32_t*) {
        return HandOverFilled(Handed::Delay, [seconds](Handed& call) { call.set_seconds(seconds); });
    }
    static ZorvanStatus SetOutput(uint8_t output, uint8_t state, int32_t*, int32_t*, int32_t*, int32_t*) {
        return HandOver(Handed::Output, {output, state});
    }
    static ZorvanStatus SetArcDirection(uint8_t code) { return HandOver(Handed::ArcDirection, {code}); }
    static ZorvanStatus SetFeedOverride(int32_t value) { return HandOver(Handed::FeedOverride, {value}); }
    static ZorvanStatus SetPWMOutput(uint8_t percent) { return HandOver(Handed::Pwm, {percent}); }
};

}  // namespace

PipelinedTimingBoard::PipelinedTimingBoard(SimSettings settings, double tick_s)
    : board_(std::move(settings), tick_s), ring_(std::make_unique<Handed[]>(RING)) {
    current_pipeline = this;
    worker_ = std::thread([this] { Work(); });
}

PipelinedTimingBoard::~PipelinedTimingBoard() {
    HandOver(Handed{});  // Stop
    worker_.join();
    if (current_pipeline == this) current_pipeline = nullptr;
}

ZorvanApiTable PipelinedTimingBoard::Table() const {
    ZorvanApiTable t = Calls::Table();
    t.Reset = &PipelinedCalls::CaughtUp<&Calls::Reset, int32_t*, int32_t>;
    t.GetFirmwareVersion = &PipelinedCalls::CaughtUp<&Calls::GetFirmwareVersion>;
    t.SetAccelleration =
        &PipelinedCalls::CaughtUp<&Calls::SetAccelleration, int32_t, int32_t, int32_t, uint8_t>;
    t.SetMaxSPS = &PipelinedCalls::CaughtUp<&Calls::SetMaxSPS, int32_t, int32_t, uint8_t, uint8_t>;
    t.SetPosition =
        &PipelinedCalls::CaughtUp<&Calls::SetPosition, int32_t, int32_t, int32_t, int32_t, uint8_t>;
    t.GetPosition = &PipelinedCalls::CaughtUp<&Calls::GetPosition, int32_t*, int32_t*, int32_t*, int32_t*>;
    t.Home = &PipelinedCalls::CaughtUp<&Calls::Home, uint8_t, uint8_t, int32_t>;
    t.TweakZAxis = &PipelinedCalls::CaughtUp<&Calls::TweakZAxis, int32_t>;
    t.SetProbePolarity = &PipelinedCalls::CaughtUp<&Calls::SetProbePolarity, uint8_t>;
    t.ReadInputs = &PipelinedCalls::CaughtUp<&Calls::ReadInputs>;
    t.Pause = &PipelinedCalls::CaughtUp<&Calls::Pause>;
    t.Continue = &PipelinedCalls::CaughtUp<&Calls::Continue>;
    t.EndCurrentMove = &PipelinedCalls::CaughtUp<&Calls::EndCurrentMove>;
    t.EmStop = &PipelinedCalls::CaughtUp<&Calls::EmStop>;
    t.LinearMove = &PipelinedCalls::LinearMove;
    t.RapidMove = &PipelinedCalls::RapidMove;
    t.IndexMove = &PipelinedCalls::IndexMove;
    t.QuadrantArcMoveCW = &PipelinedCalls::QuadrantArc<false>;
    t.QuadrantArcMoveCCW = &PipelinedCalls::QuadrantArc<true>;
    t.Delay = &PipelinedCalls::Delay;
    t.SetOutput = &PipelinedCalls::SetOutput;
    t.SetArcDirection = &PipelinedCalls::SetArcDirection;
    t.SetFeedOverride = &PipelinedCalls::SetFeedOverride;
    t.SetPWMOutput = &PipelinedCalls::SetPWMOutput;
    return t;
}

double PipelinedTimingBoard::board_time_s() {
    CatchUp();
    return board_.board_time_s();
}

void PipelinedTimingBoard::Mark(std::size_t index) {
    Handed call;
    call.kind = Handed::Mark;
    call.set_index(index);
    HandOver(call);
}

void PipelinedTimingBoard::HandOver(const Handed& call) {
    NextSlot() = call;
    Commit(call.kind);
}

PipelinedTimingBoard::Handed& PipelinedTimingBoard::NextSlot() {
    int spins = 0;
    while (handed_here_ - done_seen_ >= RING) {
        if (spins == 0) {
            Publish();
            handed_.notify_one();
        }
        if (++spins > SPINS) done_.wait(done_seen_, std::memory_order_acquire);
        done_seen_ = done_.load(std::memory_order_acquire);
    }
    return ring_[handed_here_ % RING];
}

void PipelinedTimingBoard::Commit(std::uint8_t kind) {
    ++handed_here_;
    // The count the board's thread reads is written for a few calls at once: each write takes the
    // count's cache line away from the board's core.
    if (handed_here_ % PUBLISH == 0 || kind == Handed::Stop) Publish();
    // The board's thread, when it has run out of calls, is woken for a batch of them: waking it for each
    // would cost more than the call. A wait for the board and the end wake it at once.
    if (handed_here_ % BATCH == 0 || kind == Handed::Stop) handed_.notify_one();
}

void PipelinedTimingBoard::Publish() {
    handed_.store(handed_here_, std::memory_order_release);
}

void PipelinedTimingBoard::CatchUp() {
    Publish();
    const std::uint32_t handed = handed_here_;
    handed_.notify_one();
    int spins = 0;
    for (std::uint32_t done = done_.load(std::memory_order_acquire); done != handed;
         done = done_.load(std::memory_order_acquire)) {
        if (++spins > SPINS) done_.wait(done, std::memory_order_acquire);
    }
}

void PipelinedTimingBoard::Work() {
    current = &board_;
    std::uint32_t done = done_.load(std::memory_order_relaxed);
    for (;;) {
        std::uint32_t handed = handed_.load(std::memory_order_acquire);
        for (int spins = 0; handed == done; handed = handed_.load(std::memory_order_acquire)) {
            if (++spins > SPINS) handed_.wait(done, std::memory_order_acquire);
        }
        // The host is told of progress now and then, and whenever the calls handed over run out.
        while (done != handed) {
            const Handed& call = ring_[done % RING];
            if (call.kind == Handed::Stop) return;
            Carry(call);
            ++done;
            if (done % 64 == 0 || done == handed) {
                done_.store(done, std::memory_order_release);
                done_.notify_one();
            }
        }
    }
}

void PipelinedTimingBoard::Carry(const Handed& call) {
    const std::int32_t* v = call.v;
    ZorvanStatus status = status::ACCEPTED;
    switch (call.kind) {
        case Handed::Linear:
            status =
                Calls::LinearMove(v[0], v[1], v[2], v[3], v[4], v[5], nullptr, nullptr, nullptr, nullptr);
            break;
        case Handed::Rapid:
            status = Calls::RapidMove(v[0], v[1], v[2], v[3], v[4], v[5], nullptr, nullptr, nullptr, nullptr);
            break;
        case Handed::Index:
            status = Calls::IndexMove(v[0], v[1], v[2], v[3], v[4], call.small, nullptr, nullptr, nullptr,
                                      nullptr);
            break;
        case Handed::ArcClockwise:
        case Handed::ArcCounterClockwise: {
            const auto arc =
                call.kind == Handed::ArcClockwise ? &Calls::QuadrantArc<false> : &Calls::QuadrantArc<true>;
            status =
                arc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], call.small, nullptr, nullptr, nullptr, nullptr);
            break;
        }
        case Handed::Delay:
            status = Calls::Delay(nullptr, nullptr, nullptr, call.seconds(), nullptr);
            break;
        case Handed::Output:
            status = Calls::SetOutput(static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), nullptr,
                                      nullptr, nullptr, nullptr);
            break;
        case Handed::ArcDirection:
            status = Calls::SetArcDirection(static_cast<uint8_t>(v[0]));
            break;
        case Handed::FeedOverride:
            status = Calls::SetFeedOverride(v[0]);
            break;
        case Handed::Pwm:
            status = Calls::SetPWMOutput(static_cast<uint8_t>(v[0]));
            break;
        case Handed::Mark:
            if (on_mark_) on_mark_(static_cast<std::size_t>(call.index()), board_.board_time_s());
            break;
        case Handed::Stop:
            break;
    }
    if (!AcceptedAlike(status)) diverged_.store(true, std::memory_order_release);
}

}  // namespace zorvan::controller::sim
