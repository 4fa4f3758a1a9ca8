#include "ulv5_file.h"

#include "nearfield_model.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <ostream>

namespace {
constexpr double kSecondsPerHour = 3600.0;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DayOfYear(int year, int month, int day) {
    if (day < 1 || day > DaysInMonth(year, month)) return 0;
    int doy = day;
    for (int m = 1; m < month; ++m) doy += DaysInMonth(year, m);
    return doy;
}

std::vector<double> HourlyMass(const std::vector<MassAtTime>& points, int startMinute) {
    const double shift = 60.0 * startMinute;
    // Cumulative mass at a clock time (s after the start hour began): 0 until the
    // first point, linear between points, the last mass after the last point.
    auto cumulative = [&](double clock) {
        if (points.empty() || clock <= 0.0) return 0.0;
        const double t = clock - shift;
        if (t < points.front().time) return 0.0;
        if (t >= points.back().time) return points.back().mass;
        auto hi = std::upper_bound(points.begin(), points.end(), t,
                                   [](double v, const MassAtTime& p) { return v < p.time; });
        auto lo = hi - 1;
        const double span = hi->time - lo->time;
        if (span <= 0.0) return hi->mass;
        return lo->mass + (hi->mass - lo->mass) * (t - lo->time) / span;
    };

    const double end = points.empty() ? shift : shift + points.back().time;
    const int hours = std::max(1, static_cast<int>(std::ceil(end / kSecondsPerHour)));
    std::vector<double> mass(hours);
    double before = 0.0;
    for (int h = 0; h < hours; ++h) {
        const double after =
            h + 1 == hours ? cumulative(HUGE_VAL) : cumulative((h + 1) * kSecondsPerHour);
        mass[h] = after - before;
        before = after;
    }
    return mass;
}

std::vector<double> Ulv5Rates(const std::vector<MassAtTime>& points, int startMinute) {
    // A release that has all reached the surface within an hour is one row,
    // its mean rate over its own duration rather than diluted over the hour.
    const double duration = points.empty() ? 0.0 : points.back().time - points.front().time;
    if (duration <= kSecondsPerHour)
        return {(points.empty() ? 0.0 : points.back().mass) * 1000.0 / std::max(duration, 1.0)};
    std::vector<double> rates = HourlyMass(points, startMinute);
    for (double& kg : rates) kg *= 1000.0 / kSecondsPerHour;
    return rates;
}

bool WriteUlv5Rows(std::ostream& os, const std::vector<MassAtTime>& points,
                   const NearFieldSetup& setup) {
    int year = setup.start_year;
    int doy = DayOfYear(year, setup.start_month, setup.start_day);
    if (year <= 0 || doy == 0 || setup.start_hour > 23 || setup.start_minute > 59) return false;
    // Rows are labelled by the hour they end: the hour from 13:00 to 14:00 is 14,
    // the last of a day 24.
    int hour = setup.start_hour + 1;
    const double kelvin = static_cast<double>(setup.water_temperature) + 273.0;
    const auto fill = os.fill();
    for (double rate : Ulv5Rates(points, setup.start_minute)) {
        os << std::setfill('0') << std::setw(2) << year % 100 << ' ' << doy << ' ' << std::setw(2)
           << hour << std::setfill(fill) << "  " << rate << "  " << 0.01 << "  " << kelvin << "\n";
        os.flush();
        if (++hour > 24) {
            hour = 1;
            if (++doy > (IsLeapYear(year) ? 366 : 365)) {
                doy = 1;
                ++year;
            }
        }
    }
    return os.good();
}
