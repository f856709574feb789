#include "CSettingsStore.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeConf(const test::IsolatedHome& home, const QByteArray& text) {
    QDir().mkpath(home.configHome() + "/Mirokaze");
    QFile f(home.configHome() + "/Mirokaze/Kuvora.conf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

}  // namespace

TEST(Settings, DefaultsOnAnEmptyStore) {
    test::IsolatedHome home;
    EXPECT_EQ(settings::Mode(), 0);
    EXPECT_EQ(settings::WindowWidth(), 940);
    EXPECT_EQ(settings::WindowHeight(), 550);
    EXPECT_EQ(settings::MenuStyle(), 4);
    EXPECT_FALSE(settings::TcpIpSend());
    EXPECT_EQ(settings::ServerAddress(), "");
    EXPECT_EQ(settings::ServerPort(), 0);
    EXPECT_FALSE(settings::AlwaysHistoryRead());
    EXPECT_EQ(settings::ColumnWidth(3, 81), 81);
}

TEST(Settings, OddStoredValuesReadAsTheDefaultOrTheirRange) {
    test::IsolatedHome home;
    writeConf(home, "[Settings]\nMode=abc\nWindowWidth=-5\nWindowHeight=99999999999\nNewMenuStyle=9\n"
                    "TCPIPSend=yes\nServerPort=70000\nAllWaysHistoryRead=2\nColWith0=-3\nColWith1=wide\n"
                    "ServerAddress=192.0.2.7\n");
    EXPECT_EQ(settings::Mode(), 0);
    EXPECT_EQ(settings::WindowWidth(), 940);
    EXPECT_EQ(settings::WindowHeight(), 550);
    EXPECT_EQ(settings::MenuStyle(), 4);
    EXPECT_FALSE(settings::TcpIpSend());
    EXPECT_EQ(settings::ServerPort(), 0);
    EXPECT_TRUE(settings::AlwaysHistoryRead());  // any non-zero number is on
    EXPECT_EQ(settings::ColumnWidth(0, 51), -3);  // the view ignores negative widths itself
    EXPECT_EQ(settings::ColumnWidth(1, 72), 72);
    EXPECT_EQ(settings::ServerAddress(), "192.0.2.7");
    writeConf(home, "[Settings]\nMode=131\nNewMenuStyle=5\nServerPort=65535\n");
    EXPECT_EQ(settings::Mode(), 131);  // the Read command reports it
    EXPECT_EQ(settings::MenuStyle(), 5);
    EXPECT_EQ(settings::ServerPort(), 65535);
}

TEST(Settings, WritesReachTheFileAtOnce) {
    test::IsolatedHome home;
    settings::SetMode(130);
    settings::WriteString("ServerAddress", "example.invalid");
    QFile f(home.configHome() + "/Mirokaze/Kuvora.conf");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("[Settings]"));
    EXPECT_TRUE(text.contains("Mode=130"));
    EXPECT_TRUE(text.contains("ServerAddress=example.invalid"));
    // Another writer's change is seen by the next read.
    writeConf(home, "[Settings]\nMode=7\n");
    EXPECT_EQ(settings::Mode(), 7);
}
