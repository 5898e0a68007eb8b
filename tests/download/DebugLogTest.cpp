#include <gtest/gtest.h>

#include <string>

#include "base/DebugLog.h"
#include "tests/support/FileBytes.h"

namespace {

TEST(DebugLog, AnsiBytesCrLfAndPercentUnchanged) {
    WriteLog(L"正在获取缓存位置->");
    WriteLog(L"%s\n", L"D:\\ghofile\\50%_win7u32.qrn");
    WriteLog(L"%s\n", L"");
    // Read while the process runs: the user is sent to the log before it ends.
    EXPECT_EQ(ReadBytes("debug.log"),
              "\xd5\xfd\xd4\xda\xbb\xf1\xc8\xa1\xbb\xba\xb4\xe6\xce\xbb\xd6\xc3->"
              "D:\\ghofile\\50%_win7u32.qrn\r\n\r\n");
}

TEST(DebugLog, EmptiedWhenOpenedAndAnsiConversion) {
    WriteBytes("other.log", "left from an earlier run\r\n");
    {
        DebugLog log(L"other.log");
        log.Write("new");
    }
    EXPECT_EQ(ReadBytes("other.log"), "new");
    EXPECT_EQ(ToAnsi(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(ToAnsi(L"用户中断下载!"), "\xd3\xc3\xbb\xa7\xd6\xd0\xb6\xcf\xcf\xc2\xd4\xd8!");
}

}  // namespace
