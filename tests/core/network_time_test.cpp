// Reading of daytime reply lines, the network correction, the clock split
// and the query time-out.
#include "core/network_time.h"
#include "platform/daytime_client.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

TEST(NetworkTime, ParsesTheDayAfterTheEpochAtNoon)
{
    int64_t seconds = -1;
    int daylight = -1, leap = -1, health = -1;
    double advance = -1.0;
    ASSERT_EQ(parseNistTime("\n40588 70-01-02 12:00:00 00 0 0  25.0 UTC(NIST) * \n", &seconds,
                            &daylight, &leap, &health, &advance),
              1);
    EXPECT_EQ(seconds, 86400 + 12 * 3600);
    EXPECT_EQ(daylight, 0);
    EXPECT_EQ(leap, 0);
    EXPECT_EQ(health, 0);
    EXPECT_DOUBLE_EQ(advance, 25.0);
}

TEST(NetworkTime, ParsesEveryFieldOfARecentLine)
{
    // 2023-02-25 23:59:58, daylight code 50, leap flag 1, health 2.
    int64_t seconds = 0;
    int daylight = 0, leap = 0, health = 0;
    double advance = 0.0;
    ASSERT_EQ(parseNistTime("60000 23-02-25 23:59:58 50 1 2 883.5 UTC(NIST) *", &seconds,
                            &daylight, &leap, &health, &advance),
              1);
    EXPECT_EQ(seconds, int64_t(60000 - 40587) * 86400 + 23 * 3600 + 59 * 60 + 58);
    EXPECT_EQ(daylight, 50);
    EXPECT_EQ(leap, 1);
    EXPECT_EQ(health, 2);
    EXPECT_DOUBLE_EQ(advance, 883.5);
}

TEST(NetworkTime, OutValuesAreOptional)
{
    int64_t seconds = 0;
    EXPECT_EQ(parseNistTime("40587 70-01-01 00:00:01 00 0 0 0.0", &seconds, NULL, NULL, NULL,
                            NULL),
              1);
    EXPECT_EQ(seconds, 1);
    EXPECT_EQ(parseNistTime("40587 70-01-01 00:00:01 00 0 0 0.0", NULL, NULL, NULL, NULL, NULL),
              1);
}

TEST(NetworkTime, LinesThatDoNotReadWholeAreRefused)
{
    const char *lines[] = {
        "",
        "\n",
        "garbage from a server that is no daytime server",
        "60000 23-02-25 12:00:00 00 0 0",          // advance missing
        "60000 23/02/25 12:00:00 00 0 0 25.0",     // wrong date separators
        "60000 23-02-25 12.00.00 00 0 0 25.0",     // wrong time separators
        "Sat Feb 25 12:00:00 2023\r\n",            // another daytime format
    };
    for (const char *line : lines) {
        int64_t seconds = 7;
        int health = 7;
        double advance = 7.0;
        EXPECT_EQ(parseNistTime(line, &seconds, NULL, NULL, &health, &advance), 0) << line;
        EXPECT_EQ(seconds, 7) << line;
        EXPECT_EQ(health, 7) << line;
        EXPECT_EQ(advance, 7.0) << line;
    }
}

TEST(NetworkTime, CorrectionAddsHalfTheRoundTripLessTheAdvance)
{
    struct Case { double elapsed, advance, expected; } cases[] = {
        {100.0, 25.0, 1000.025},  // 50 ms late, 25 ms already added by the server
        {0.0, 0.0, 1000.0},
        {0.0, 500.0, 999.5},
        {3000.0, 0.0, 1001.5},
    };
    for (const Case &c : cases) {
        EXPECT_NEAR(correctedServerTime(1000, c.advance, c.elapsed), c.expected, 1e-9)
            << "elapsed " << c.elapsed << " advance " << c.advance;
    }
}

TEST(NetworkTime, ClockSplitCarriesARoundedThousand)
{
    struct Case { double time; int64_t seconds; int milliseconds; } cases[] = {
        {1000.25, 1000, 250},
        {1000.0, 1000, 0},
        {1000.9996, 1001, 0},   // rounds to 1000 ms: one second more
        {1000.9994, 1000, 999},
        {1677326399.5004, 1677326399, 500},
        {-0.25, -1, 750},
    };
    for (const Case &c : cases) {
        int64_t seconds = 0;
        int milliseconds = -1;
        splitClockTime(c.time, &seconds, &milliseconds);
        EXPECT_EQ(seconds, c.seconds) << c.time;
        EXPECT_EQ(milliseconds, c.milliseconds) << c.time;
    }
}

TEST(NetworkTime, TimeoutIsWholeSecondsAndRoundedMicroseconds)
{
    struct Case { double set, expected; } cases[] = {
        {-2.0, 0.0},
        {0.25, 0.25},
        {1.0000004, 1.0},
        {1.9999999, 2.0},       // rounds to a whole second more
        {NAN, 0.0},
        {3.5, 3.5},
    };
    for (const Case &c : cases) {
        setTimeServerTimeout(c.set);
        EXPECT_NEAR(getTimeServerTimeout(), c.expected, 1e-9) << c.set;
    }
    setTimeServerTimeout(1.0);
}

TEST(NetworkTime, TableResetsAndRestores)
{
    const char *addresses[] = {"127.0.0.53", "127.0.0.54"};
    ASSERT_EQ(resetTimeServers(addresses, 2), 1);
    EXPECT_STREQ(timeServerAddress(0), "127.0.0.53");
    EXPECT_STREQ(timeServerAddress(1), "127.0.0.54");
    EXPECT_STREQ(timeServerAddress(2), "");
    EXPECT_EQ(timeServerId(13), 13);
    EXPECT_DOUBLE_EQ(timeServerResponse(13), 513.0);

    const char *tooLong[] = {"127.000.000.053.extra"};
    EXPECT_EQ(resetTimeServers(tooLong, 1), 0);
    EXPECT_STREQ(timeServerAddress(0), "127.0.0.53");

    ASSERT_EQ(resetTimeServers(NULL, 0), 1);
    EXPECT_EQ(timeServerCount(), 14);
    for (int i = 0; i < timeServerCount(); i++) {
        EXPECT_EQ(timeServerId(i), i);
        EXPECT_DOUBLE_EQ(timeServerResponse(i), 500.0 + i);
        EXPECT_NE(timeServerAddress(i)[0], '\0');
        EXPECT_NE(timeServerHostName(i)[0], '\0');
    }
    EXPECT_EQ(timeServerId(14), -1);
    EXPECT_EQ(timeServerAddress(-1), nullptr);
}

TEST(NetworkTime, InvalidAddressFailsWithoutTheNetwork)
{
    char reply[DAYTIME_REPLY_MAX + 1] = "stale";
    double elapsed = -1.0;
    for (const char *address : {"", "not.an.address", "256.1.1.1", "127.0.0"}) {
        EXPECT_EQ(queryTimeServer(reply, address, &elapsed), 0) << address;
        EXPECT_STREQ(reply, "") << address;
        EXPECT_GE(elapsed, 0.0) << address;
    }
}

}  // namespace
