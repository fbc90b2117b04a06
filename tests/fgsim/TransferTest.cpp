#include "SimBoard.h"
#include "support/ThreadRefusal.h"

#include <utility>

namespace vidrune::test {

namespace {

constexpr uint32_t kPeriodUs = 5000; // 200 frames per second

fgsim::TransferCounts Counts(FgHandle transfer) {
    fgsim::TransferCounts counts;
    EXPECT_TRUE(fgsim::ReadTransferCounts(transfer, &counts));
    return counts;
}

// A ring of two buffers, each followed by a discard entry, with callbacks on the ring.
struct SkipRing {
    explicit SkipRing(SimBoard& board, int frameRate = 200) {
        board.Program("FrameRate=" + std::to_string(frameRate) + "\n",
                      "MaxWidth=16\nMaxHeight=4\n");
        a = board.NewBuffer(16, 4, 8);
        b = board.NewBuffer(16, 4, 8);
        const FgHandle discard = board.NewBuffer(16, 4, 8, FG_BUFFER_DISCARD);
        transfer = board.NewTransfer({a, discard, b, discard});
        board.Watch(transfer, a, recorder);
        board.Watch(transfer, b, recorder);
        EXPECT_EQ(FG_OK, FgXferSelect(transfer, board.acquisition, a, 0));
    }
    // A failed check must not leave the board calling a recorder that is gone.
    ~SkipRing() { FgXferAbort(transfer); }
    FgHandle a = 0;
    FgHandle b = 0;
    FgHandle transfer = 0;
    FrameRecorder recorder;
};

} // namespace

TEST(FgSimTransferTest,
     CountedStartMovesFramesThroughTheListLeavesThePositionAndChecksItsArguments) {
    SimBoard board;
    // Slow enough that the run is surely still going at the second start, even under a
    // sanitizer on a busy machine.
    SkipRing ring(board, 40);
    // The board clock starts five seconds before its wrap: within minutes of it either way.
    const uint32_t before = fgsim::BoardClockNow();
    EXPECT_LT(before + 5'000'000u, 600'000'000u);
    ASSERT_EQ(FG_OK, FgXferStart(ring.transfer, 5)); // a, discard, b, discard, a
    EXPECT_EQ(FG_ERR_BUSY, FgXferStart(ring.transfer, 5));
    ASSERT_TRUE(ring.recorder.WaitFor(3));
    // Stamps are on the board clock (their schedule is the endless test's).
    EXPECT_LT(ring.recorder.Frames()[0].stamp - before, 1'000'000u);

    // The run ends by itself; the next one starts where the next frame would land (b's
    // discard entry), so b is the first watched buffer to be filled.
    ASSERT_EQ(FG_OK, FgXferStart(ring.transfer, 2));
    ASSERT_TRUE(ring.recorder.WaitFor(4));
    EXPECT_EQ(ring.b, ring.recorder.Frames()[3].buffer);
    ASSERT_EQ(FG_OK, FgXferAbort(ring.transfer));
    EXPECT_EQ(2u, Counts(ring.transfer).delivered);
    EXPECT_FALSE(Counts(ring.transfer).running);

    // What the list operations refuse. A run the system refuses its thread is no run, and a
    // transfer that is no longer connected cannot start.
    const FgHandle other = board.NewBuffer(16, 4, 8);
    EXPECT_EQ(FG_ERR_PARAMETER, FgXferStart(ring.transfer, 0));
    EXPECT_EQ(FG_ERR_NOT_FOUND, FgXferSelect(ring.transfer, board.acquisition, other, 0));
    EXPECT_EQ(FG_ERR_PARAMETER,
              FgXferRegisterCallback(ring.transfer, 1, &FrameRecorder::OnFrame, nullptr));
    EXPECT_EQ(FG_ERR_PARAMETER, FgXferSetPrm(ring.transfer, 0x1234, 1));
    {
        const ThreadRefusal refusal;
        if (refusal.Active()) {
            EXPECT_EQ(FG_ERR_NO_MEMORY, FgXferStart(ring.transfer, 1));
            EXPECT_FALSE(Counts(ring.transfer).running);
        }
    }
    EXPECT_EQ(FG_OK, FgXferStart(ring.transfer, 1));
    EXPECT_EQ(FG_OK, FgXferDisconnect(ring.transfer));
    EXPECT_EQ(FG_ERR_BUSY, FgXferStart(ring.transfer, 1));
    FgHandle transfer = 0;
    EXPECT_EQ(FG_ERR_INVALID_HANDLE,
              FgXferNew(board.local, board.acquisition, other, nullptr, &transfer));
    EXPECT_EQ(FG_OK, FgXferFree(ring.transfer));
    fgsim::TransferCounts counts;
    EXPECT_FALSE(fgsim::ReadTransferCounts(ring.transfer, &counts));
}

// Endless runs deliver every frame with the stamp of its schedule until the abort, and none
// after it. Asked to, and keeping up easily for a while, the delivery thread is woken ahead of
// ordinary threads where the system allows it. A callback that takes five periods makes the
// board late, and its thread stays ordinary.
TEST(FgSimTransferTest, EndlessStartRunsOnScheduleUntilAbortTimeCriticalOnlyWhileItKeepsUp) {
    for (const auto& [asked, delayMs] : {std::pair{false, 0}, {true, 0}, {true, 25}}) {
        Environment::Set("VIDRUNE_SIM_TIME_CRITICAL", asked ? "1" : "");
        SimBoard board;
        SkipRing ring(board);
        ring.recorder.delay = std::chrono::milliseconds(delayMs);
        ASSERT_EQ(FG_OK, FgXferStart(ring.transfer, FG_XFER_ENDLESS));
        // Enough frames for the quick discard entries between them to add up to a calm run.
        ASSERT_TRUE(ring.recorder.WaitFor(delayMs != 0 ? 10 : 40));
        EXPECT_EQ(FG_ERR_BUSY, FgXferSelect(ring.transfer, board.acquisition, ring.a, 0));
        ASSERT_EQ(FG_OK, FgXferAbort(ring.transfer));
        const auto frames = ring.recorder.Frames();
        const auto counts = Counts(ring.transfer);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(frames.size(), ring.recorder.Frames().size());
        EXPECT_FALSE(counts.running);
        EXPECT_TRUE(delayMs == 0 || counts.late >= 3) << counts.late;
        // Alternating ring buffers, each two periods after the previous one. A late wake-up on
        // a busy machine (Wine's above all) rightly gives the priority back for a while, so
        // any frame after the calm first ones may show it.
        bool timeCritical = false;
        for (size_t i = 1; i < frames.size(); ++i) {
            EXPECT_NE(frames[i - 1].buffer, frames[i].buffer);
            EXPECT_EQ(2 * kPeriodUs, frames[i].stamp - frames[i - 1].stamp);
            timeCritical = timeCritical || frames[i].timeCritical;
        }
        EXPECT_FALSE(frames.front().timeCritical);
        EXPECT_EQ(asked && delayMs == 0 && TimeCriticalGranted(), timeCritical) << delayMs;
    }
    Environment::Unset("VIDRUNE_SIM_TIME_CRITICAL");
}

TEST(FgSimTransferTest, AbortFromItsOwnCallbackIsRefusedAndAFreedBufferIsNeverWritten) {
    SimBoard board;
    board.Program("FrameRate=200\n", "MaxWidth=4\nMaxHeight=4\n");
    struct Reentry {
        FgHandle transfer = 0;
        std::atomic<FgStatus> abortStatus{FG_OK};
        std::atomic<int> calls{0};
    } reentry;
    reentry.transfer = board.NewTransfer({board.NewBuffer(4, 4, 8)});
    auto abortFromCallback = [](void* context, uint32_t, FgHandle) -> FgStatus {
        auto* self = static_cast<Reentry*>(context);
        self->abortStatus.store(FgXferAbort(self->transfer));
        self->calls.fetch_add(1);
        return 0;
    };
    ASSERT_EQ(FG_OK, FgXferRegisterCallback(reentry.transfer, FG_EVENT_END_OF_TRANSFER,
                                            abortFromCallback, &reentry));
    ASSERT_EQ(FG_OK, FgXferStart(reentry.transfer, FG_XFER_ENDLESS));
    while (reentry.calls.load() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(FG_ERR_BUSY, reentry.abortStatus.load());
    // Freeing a running transfer stops it first.
    ASSERT_EQ(FG_OK, FgXferFree(reentry.transfer));
    const int calls = reentry.calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(calls, reentry.calls.load());

    // Freeing a buffer of a running transfer never lets the board write freed memory.
    const FgHandle listed = board.NewBuffer(4, 4, 8);
    const FgHandle transfer = board.NewTransfer({listed});
    ASSERT_EQ(FG_OK, FgXferStart(transfer, FG_XFER_ENDLESS));
    ASSERT_EQ(FG_OK, FgBufferFree(listed));
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // AddressSanitizer watches
    ASSERT_EQ(FG_OK, FgXferAbort(transfer));
}

} // namespace vidrune::test
