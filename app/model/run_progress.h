// The bar of a discharge run. The library's percentage rises while the run is
// expected to end where its estimate says; a run that outgrows the estimate
// keeps its percentage still while the simulated time goes on. The bar then
// moves on toward the furthest the run can reach (the user's end time, else 30
// days after the leak opened) as the square root of the share of that span
// simulated so far: a long run moves on throughout (a run simulates days at a
// steady pace, and the root keeps the steps at its end about as frequent as
// at its start), a shorter one still visibly. Besides, while the simulated
// time is less than a few times where the percentage held, the bar moves a
// step each time that time has grown by 9 %, for up to a quarter of the way
// left: a run that ends soon after its estimate keeps moving to its end. From
// where those steps end, the rest of the way to the furthest end follows a
// root of its own, so that a long run does not stand there until the first
// root has caught up. The bar never goes back and stays below 100 until the
// run has ended.
#pragma once

#include <release/release.h>

class DischargeBar {
public:
    static constexpr double MAX_SECONDS = RELEASE_LONGEST_RELEASE;
    // The growth of the simulated time that moves the bar one step once the
    // percentage holds (a stand is then at most 9/109 of that time).
    static constexpr double NEAR_GROWTH = 1.09;

    // userEndSeconds: the user's end time after the leak opened, 0 for none.
    explicit DischargeBar(double userEndSeconds = 0.0) : m_userEnd(userEndSeconds) {}

    // The bar for the library's percentage and simulated time; held says the
    // percentage holds still while the run goes on.
    int Shown(int percent, double seconds, bool held);

private:
    double m_userEnd;
    int m_shown = 0;
    int m_heldPercent = -1;  // the percentage that held; -1 before
    double m_heldSeconds = 0.0;
};
