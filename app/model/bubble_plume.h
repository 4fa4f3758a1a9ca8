// The bubble-plume near-field model: the gas released at the leak rises as a
// plume through still water; per release interval it gives the surface arrival
// time, the centreline velocity and the boil-zone radius at the surface, and
// writes them as the plume result file (".dbs") and, on request, the hourly
// emission file of the Ulv/5 air emission model (".dat").
#pragma once

#include "nearfield_model.h"
#include "ulv5_file.h"

#include <vector>

// One kept row of the discharge result file.
struct ReleaseSample {
    float Time;    // s since the leak opened
    float MASSLK;  // kg, cumulative leaked mass
    float QGLEAK;  // m3/s, gas volume rate at leak conditions
    float dMass;   // kg released since the previous kept row
};
static_assert(sizeof(ReleaseSample) == 16);

// One row of the plume result file.
struct PlumeSample {
    double Time;   // s, arrival at the surface
    double Vgas0;  // m3/s, gas volume rate at the leak
    double Macc;   // kg
    double W;      // m/s, centreline velocity at the surface
    double Rtime;  // s, centreline transit time
    double Qgas;   // kg/s
    double R;      // m, boil-zone radius at the surface
};

// Surface values of the self-similar round bubble plume from a point source in
// still water with hydrostatic gas expansion, at the relative height z = depth
// / H (H = depth + the 10 m water head of the atmosphere): surface radius
// b = 2 alpha H c1, velocity u = U c2, transit time t = (H / U) c3.
struct PlumeCoefficients {
    double c1, c2, c3;
};
// Integrates the plume equations from the source up to z (0 < z < 1).
PlumeCoefficients SurfacePlumeCoefficients(double z);

// Scales of the plume over one leak depth.
struct PlumeState {
    double H;  // m, depth + 10
    double A;  // m, surface radius scale 0.2 H c1
    double B;  // 1/m, K / H
    double C;  // m, transit length scale H c3
    PlumeCoefficients c;
    static PlumeState Build(double depth);
};

// The plume of one release interval: t and q are the interval's mean time (s)
// and gas volume rate (m3/s), m its mass (kg). False when the interval carries
// no plume; throws the identifier of a negative rate or mass.
bool MakePlumeSample(const PlumeState& state, double t, double q, double m, PlumeSample& out);

class CBubblePlume : public CNearFieldModel {
public:
    CBubblePlume();

    bool IsConfirmed() const override { return gas_confirmed; }
    void SetConfirmed(bool confirmed) override { gas_confirmed = confirmed; }
    bool HasResult() const override { return m_hasResult; }
    float ResultValue() const override { return static_cast<float>(avg_boilzone_radius); }
    // The plume file, and the Ulv/5 file when the settings ask for it.
    QStringList ResultFiles() const override;
    // Deeper than 500 m the gas the model carries to the surface is overstated.
    QString Warning() const override;
    void LoadSetup(xmlNodePtr setup) override;
    void SaveSetup(xmlNodePtr setup) const override;
    void LoadRelease(float temperature) override;
    int Compute() override;
    void PrintSettings(std::ostream& os) const override;

    // Adds one row of the result file; rows before the leak opened are skipped.
    void AppendReleaseRow(float time, float masslk, float qgleak);
    void ClearSamples() { m_samples.clear(); }
    const std::vector<ReleaseSample>& Samples() const { return m_samples; }

    // Half-width of the mass-rate smoothing (the record's snapshot count).
    int smooth_massrate() const { return m_setup.snapshot_count; }
    void set_smooth_massrate(int rows) { m_setup.snapshot_count = rows; }
    double AvgBoilzoneRadius() const { return avg_boilzone_radius; }
    // The Ulv/5 start date: year > 0, month 1..12, day 1..31, hour 0..23,
    // minute 0..59.
    bool IsStartDateValid() const;
    // The scenario file says its plume file belongs to its discharge result:
    // the radius (and depth) saved with the settings are the result again.
    void KeepStoredResult();

    bool gas_confirmed = false;

protected:
    std::vector<ReleaseSample> m_samples;
    double avg_boilzone_radius = 0.0;
    bool m_hasResult = false;
    bool m_storedResult = false;  // the loaded settings carry a radius
    float m_storedDepth = 0.0f;

private:
    int WriteResults(const std::vector<PlumeSample>& sorted, double& radius);
};
