#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(Trace, FormatsArgumentsAndResult) {
    nv::trace::startCapture();
    NV_TRACE_CALL("OpenFile", 5, "C:\\X.TXT", nullptr, 0x4000u);
    NV_TRACE_CALL("LoadStringA", 0, (const char*)MAKEINTRESOURCEA(12), static_cast<const char*>(nullptr));
    auto lines = nv::trace::stopCapture();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OpenFile(\"C:\\X.TXT\", NULL, 16384) = 5");
    EXPECT_EQ(lines[1], "LoadStringA(#12, NULL) = 0");
    NV_TRACE_CALL("Ignored", 0);
    EXPECT_TRUE(nv::trace::captured().empty());
}
