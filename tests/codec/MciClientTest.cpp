// A link played by the system's MCI AVI player, which decodes on its own
// thread and never ends the decompression it began: open, seek and play must
// all succeed, and closing must not hang.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "tests/codec/CodecTestSupport.h"

namespace {

std::string send(const std::string& command) {
    char reply[256] = {};
    const MCIERROR error = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
    if (error == 0) return std::string("ok ") + reply;
    char text[256] = {};
    mciGetErrorStringA(error, text, sizeof text);
    return "error " + std::to_string(error) + ": " + text;
}

}  // namespace

TEST(MciClient, OpensSeeksAndPlaysLinks) {
    registerCodecForVideo();
    for (const char* name : {"yuy2-link.avi", "rgb24-link.avi", "cinepak-link.avi"}) {
        SCOPED_TRACE(name);
        const std::string path = codecMedia(name);
        // The answer to an open is the device's number.
        ASSERT_EQ(send("open " + path + " type avivideo alias clip").substr(0, 3), "ok ");
        EXPECT_EQ(send("status clip length"), "ok 50");
        EXPECT_EQ(send("seek clip to 10"), "ok ");
        EXPECT_EQ(send("status clip position"), "ok 10");
        const DWORD started = GetTickCount();
        EXPECT_EQ(send("play clip from 0 to 10 wait"), "ok ");
        EXPECT_LT(GetTickCount() - started, 10000u);
        EXPECT_EQ(send("close clip"), "ok ");
    }
}

TEST(MciClient, ALinkWhoseSourceIsGoneIsRefusedOrPlaysNothingWithoutHanging) {
    registerCodecForVideo();
    const std::string opened = send("open " + codecMedia("gone-link.avi") + " type avivideo alias gone");
    if (opened.substr(0, 3) == "ok ") {
        // The player may open the file and only fail to show it; it must
        // still answer and close.
        send("play gone from 0 to 5 wait");
        EXPECT_EQ(send("close gone"), "ok ");
    }
    SUCCEED() << opened;
}
