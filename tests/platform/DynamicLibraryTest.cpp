#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

TEST(DynamicLibrary, FailuresCarryTheSystemText)
{
    EXPECT_EQ(qx::OpenLibrary("/nonexistent/libnothing.so"), nullptr);
    std::string text = qx::LastSystemErrorText();
    EXPECT_NE(text.find("libnothing.so"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    qx::LibraryHandle libc = qx::OpenLibrary("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(qx::LibrarySymbol(libc, "strlen"), nullptr);
    EXPECT_EQ(qx::LibrarySymbol(libc, "NoSuchFunction"), nullptr);
    EXPECT_NE(qx::LastSystemErrorText().find("NoSuchFunction"), std::string::npos);
    EXPECT_TRUE(qx::CloseLibrary(libc));
    EXPECT_FALSE(qx::CloseLibrary(nullptr));
}
