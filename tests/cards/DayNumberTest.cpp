#include "CSFCard.h"

#include <gtest/gtest.h>

#include <chrono>

// Checked against the C++ calendar (days since 1970-01-01, whose Julian Day
// Number is 2440588), over every day from 1800 to 2400.
TEST(DayNumberToDate, AgreesWithTheCalendarOverSixCenturies) {
    using namespace std::chrono;
    CSFCard card;
    const int first = 2440588 + sys_days{year{1800} / January / 1}.time_since_epoch().count();
    const int last = 2440588 + sys_days{year{2400} / December / 31}.time_since_epoch().count();
    for (int n = first; n <= last; ++n) {
        const year_month_day ymd{sys_days{days{n - 2440588}}};
        int y = 0, m = 0, d = 0;
        card.DayNumberToDate(n, y, m, d);
        ASSERT_EQ(y, int(ymd.year())) << n;
        ASSERT_EQ(m, int(unsigned(ymd.month()))) << n;
        ASSERT_EQ(d, int(unsigned(ymd.day()))) << n;
    }
}

TEST(DayNumberToDate, FeliCaDayZeroIsTheFirstOf2000) {
    CSFCard card;
    int y, m, d;
    card.DayNumberToDate(2451545, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000101);
    card.DayNumberToDate(2451545 + 366, y, m, d);  // 2000 was a leap year
    EXPECT_EQ(y * 10000 + m * 100 + d, 20010101);
}
