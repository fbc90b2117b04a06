#include "SimBoard.h"

#include <set>

using vidrune::fgsim::FailNextCall;
using vidrune::test::SimBoard;

// The board's set-up opens "Stravik-2_1" and its acquisition 0; no other server or device
// exists.
TEST(FgSimHandleTest, LiveOnlyWhileAllocatedNeverReusedBuffersCheckArgumentsFailuresHitOnce) {
    SimBoard board;
    FgHandle server = 1;
    EXPECT_EQ(FG_ERR_NOT_FOUND, FgManGetServerByName("Stravik-2_2", &server));
    EXPECT_EQ(0u, server);
    FgHandle acquisition = 0;
    EXPECT_EQ(FG_ERR_NOT_FOUND, FgAcqGetHandle(board.board, 1, &acquisition));
    EXPECT_EQ(FG_ERR_NOT_FOUND, FgAcqGetHandle(board.local, 0, &acquisition));
    EXPECT_EQ(0, FgIsLiveHandle(board.camera, FG_KIND_VIC));
    EXPECT_EQ(0, FgIsLiveHandle(0x1234, FG_KIND_BUFFER));

    const FgHandle buffer = board.NewBuffer(8, 8, 8);
    EXPECT_EQ(1, FgIsLiveHandle(buffer, FG_KIND_BUFFER));
    ASSERT_EQ(FG_OK, FgBufferFree(buffer));
    EXPECT_EQ(0, FgIsLiveHandle(buffer, FG_KIND_BUFFER));
    EXPECT_EQ(FG_ERR_INVALID_HANDLE, FgBufferFree(buffer));
    EXPECT_EQ(FG_ERR_INVALID_HANDLE, FgCamFree(board.vic)); // a VIC is no camera

    // Buffers need a size, an eight- or sixteen-bit format and a kind, from the local server.
    FgHandle refused = 0;
    EXPECT_EQ(FG_ERR_PARAMETER, FgBufferNew(board.local, 0, 4, 0x800, FG_BUFFER_RING, &refused));
    EXPECT_EQ(FG_ERR_PARAMETER, FgBufferNew(board.local, 4, 4, 0xC00, FG_BUFFER_RING, &refused));
    EXPECT_EQ(FG_ERR_PARAMETER, FgBufferNew(board.local, 4, 4, 0x800, 2, &refused));
    EXPECT_EQ(FG_ERR_NO_MEMORY,
              FgBufferNew(board.local, 65536, 65536, 0x1000, FG_BUFFER_RING, &refused));
    EXPECT_EQ(FG_ERR_INVALID_HANDLE, FgBufferNew(board.vic, 4, 4, 0x800, FG_BUFFER_RING, &refused));
    const FgHandle discard = board.NewBuffer(3, 5, 16, FG_BUFFER_DISCARD);
    EXPECT_EQ(FG_ERR_PARAMETER, FgBufferGetPrm(discard, 0x1234, &refused));

    // An ordered failure hits the next call only (the first of the loop's succeeds), and can
    // be withdrawn.
    FailNextCall("FgCamNew", 0x1234);
    FgHandle failed = 7;
    EXPECT_EQ(0x1234u, FgCamNew(board.local, &failed));
    EXPECT_EQ(0u, failed);
    FailNextCall("FgVicFree", FG_ERR_INJECTED);
    FailNextCall("FgVicFree", 0);
    EXPECT_EQ(FG_OK, FgVicFree(board.vic));

    // Handles are never given out twice, not even a local server's.
    std::set<FgHandle> seen{board.local, board.board, board.acquisition, board.camera, board.vic};
    for (int i = 0; i < 50; ++i) {
        FgHandle camera = 0;
        ASSERT_EQ(FG_OK, FgCamNew(board.local, &camera));
        EXPECT_TRUE(seen.insert(camera).second);
        ASSERT_EQ(FG_OK, FgCamFree(camera));
    }
    ASSERT_EQ(FG_OK, FgManReleaseServer(board.local));
    const FgHandle local = FgManGetLocalServer();
    EXPECT_NE(local, board.local);
    FailNextCall("FgManGetLocalServer", FG_ERR_INJECTED);
    EXPECT_EQ(0u, FgManGetLocalServer());
    EXPECT_EQ(local, FgManGetLocalServer()); // the same live local server
    board.local = local;
}
