// The hourly gas emission file for the Ulv/5 air emission model: one row per
// clock hour of the plume's surface arrival, "YY DOY HH  rate  0.01  T+273".
#pragma once

#include <iosfwd>
#include <vector>

struct NearFieldSetup;

// Cumulative mass that has reached the surface by a time of the plume.
struct MassAtTime {
    double time;  // s since the leak opened
    double mass;  // kg
};

// Gregorian leap year: divisible by 4, and not by 100 unless by 400.
bool IsLeapYear(int year);
// Days in a month (1..12) of a year; 0 for an invalid month.
int DaysInMonth(int year, int month);
// Day of the year (1 January = 1); 0 when the month or the day is invalid.
int DayOfYear(int year, int month, int day);

// The mass (kg) reaching the surface in each clock hour. The plume's clock
// starts at the start minute of the start hour; the cumulative mass is
// interpolated linearly between the points, so the hours sum to the last
// point's mass. Always at least one hour.
std::vector<double> HourlyMass(const std::vector<MassAtTime>& points, int startMinute);

// The mass rate of each row in g/s: the mean of each clock hour; a series
// of at most one hour (first to last point) gives one row, its total mass over
// its duration, or over 1 s when that is not above 1 s.
std::vector<double> Ulv5Rates(const std::vector<MassAtTime>& points, int startMinute);

// Writes the rows for the setup's start date and water temperature. False when
// the start date is invalid or the stream fails.
bool WriteUlv5Rows(std::ostream& os, const std::vector<MassAtTime>& points,
                   const NearFieldSetup& setup);
