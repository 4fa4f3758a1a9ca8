#include "run_progress.h"

#include <algorithm>
#include <cmath>

int DischargeBar::Shown(int percent, double seconds, bool held) {
    percent = std::clamp(percent, 0, 100);
    if (!held || !(seconds > 0.0)) {
        m_shown = std::max(m_shown, percent);
        return m_shown;
    }
    if (m_heldPercent < 0) {
        m_heldPercent = std::max(m_shown, percent);
        m_heldSeconds = seconds;
    }
    const double horizon =
        m_userEnd > m_heldSeconds ? std::min(m_userEnd, MAX_SECONDS) : MAX_SECONDS;
    double fraction = 1.0;
    if (horizon > m_heldSeconds)
        fraction = std::sqrt(std::max(seconds - m_heldSeconds, 0.0) / (horizon - m_heldSeconds));
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int top = 99;  // 100 is the run's end
    int bar = m_heldPercent + static_cast<int>((top - m_heldPercent) * fraction);
    // A run that outgrows its estimate only a little would stand on the root
    // alone until it ends: one step each time the simulated time grows by
    // NEAR_GROWTH, up to a quarter of the way left, keeps it moving
    // meanwhile. From where those steps end a second root takes the rest of
    // the way to the horizon: the first root lags the steps far behind, and a
    // long run would stand where they end until it caught up.
    if (m_heldSeconds > 0.0 && seconds > m_heldSeconds) {
        const int most = (top - m_heldPercent) / 4;
        const double steps = std::log(seconds / m_heldSeconds) / std::log(NEAR_GROWTH);
        bar = std::max(bar, m_heldPercent + static_cast<int>(std::min(steps, double(most))));
        const double stepsEnd = m_heldSeconds * std::pow(NEAR_GROWTH, most);
        if (seconds > stepsEnd && horizon > stepsEnd) {
            const int from = m_heldPercent + most;
            const double rest =
                std::sqrt(std::min((seconds - stepsEnd) / (horizon - stepsEnd), 1.0));
            bar = std::max(bar, from + static_cast<int>((top - from) * rest));
        }
    }
    m_shown = std::max(m_shown, std::min(bar, top));
    return std::max(m_shown, percent);
}
