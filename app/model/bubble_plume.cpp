#include "bubble_plume.h"

#include "string_table.h"

#include <vexil/dia_xml.h>

#include <QSaveFile>

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <locale>
#include <ostream>
#include <sstream>
#include <string>

namespace {

// Entrainment coefficient alpha = 0.1 and relative width of the gas core
// lambda = 0.65 (lambda^2 = 0.4225) enter the velocity scale through
// K = (1 + lambda^2) / (2 alpha^2).
constexpr double kPlumeK = (0.4225 + 1.0) / (2.0 * 0.01);
// g / pi with g = 9.80665 m/s2.
constexpr double kGravityOverPi = 3.121553645344271;
// The plume front travels slower than the steady centreline: its arrival time
// is 1.333 transit times after the gas left the leak.
constexpr double kFrontDelay = 1.333;
constexpr double kTiny = 1e-7;

// The plume equations start from the pure plume of a point source, where the
// gas has not yet expanded: c1 = 0.6 z, c2 = k z^(-1/3), c3 = 0.75 z^(4/3) / k
// with k^3 = 1 / 0.48. At this height the expansion changes the flux by 1e-8.
constexpr double kSourceZ = 1e-8;
// RK4 step in logit(z): fine near the source and near the surface alike. About
// a thousand steps to a few thousand metres of depth, within 1e-8 of the
// converged solution.
constexpr double kLogitStep = 0.02;

PlumeCoefficients PurePlume(double z) {
    const double k = std::cbrt(1.0 / 0.48);
    return {0.6 * z, k / std::cbrt(z), 0.75 * z * std::cbrt(z) / k};
}

// One value of the plume result file: 8 characters, left-aligned, six
// significant digits with the decimal point always shown (C's "%-8#.6g"),
// independent of the process locale.
void PutDbsValue(std::ostream& os, double v) { os << std::left << std::setw(8) << v; }

std::string FormatDbsRow(const PlumeSample& p) {
    std::ostringstream os;
    os.imbue(std::locale::classic());
    os << std::showpoint << std::setprecision(6);
    const double values[7] = {p.Time, p.Vgas0, p.Macc, p.W, p.Rtime, p.Qgas, p.R};
    for (int i = 0; i < 7; ++i) {
        if (i > 0) os << ' ';
        PutDbsValue(os, values[i]);
    }
    os << '\n';
    return os.str();
}

const char kDbsHeader[] =
    "Time     Vgas0    Macc     W        Rtime    Qgas     R\n"
    "s        m3/s     kg       m/s      s        kg/s     m\n"
    "-        -        -        -        -        -        -\n";

bool WriteText(QSaveFile& file, const std::string& text) {
    return file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size()) &&
           file.flush();
}

}  // namespace

// The round bubble plume in its own scales, with X = c1^2 c2 (volume flux),
// Y = c1^2 c2^2 (momentum flux):
//   dX/dz  = c1 c2                (entrainment)
//   dY/dz  = 1 / (c2 (1 - z))     (buoyancy of the gas, expanding as it rises)
//   dc3/dz = 1 / c2               (transit time)
// integrated in x = ln(z / (1 - z)), dz/dx = z (1 - z), which keeps the
// right-hand sides smooth at the source and towards the surface.
PlumeCoefficients SurfacePlumeCoefficients(double z) {
    if (!(z > kSourceZ && z < 1.0))
        return z > 0.0 && z <= kSourceZ ? PurePlume(z) : PlumeCoefficients{NAN, NAN, NAN};
    const PlumeCoefficients start = PurePlume(kSourceZ);
    double y[3] = {start.c1 * start.c1 * start.c2, start.c1 * start.c1 * start.c2 * start.c2,
                   start.c3};
    auto rate = [](double x, const double* v, double* dv) {
        const double zeta = 1.0 / (1.0 + std::exp(-x));
        const double dzdx = zeta * (1.0 - zeta);
        const double inverseC2 = v[0] / v[1];
        dv[0] = dzdx * std::sqrt(v[1]);
        dv[1] = zeta * inverseC2;
        dv[2] = dzdx * inverseC2;
    };
    const double x0 = std::log(kSourceZ / (1.0 - kSourceZ)), x1 = std::log(z / (1.0 - z));
    const int steps = static_cast<int>(std::ceil((x1 - x0) / kLogitStep));
    const double h = (x1 - x0) / steps;
    for (int i = 0; i < steps; ++i) {
        const double x = x0 + i * h;
        double k1[3], k2[3], k3[3], k4[3], v[3];
        rate(x, y, k1);
        for (int j = 0; j < 3; ++j) v[j] = y[j] + 0.5 * h * k1[j];
        rate(x + 0.5 * h, v, k2);
        for (int j = 0; j < 3; ++j) v[j] = y[j] + 0.5 * h * k2[j];
        rate(x + 0.5 * h, v, k3);
        for (int j = 0; j < 3; ++j) v[j] = y[j] + h * k3[j];
        rate(x + h, v, k4);
        for (int j = 0; j < 3; ++j) y[j] += h / 6.0 * (k1[j] + 2.0 * k2[j] + 2.0 * k3[j] + k4[j]);
    }
    return {y[0] / std::sqrt(y[1]), y[1] / y[0], y[2]};
}

PlumeState PlumeState::Build(double depth) {
    PlumeState s{};
    s.H = depth + 10.0;
    s.c = SurfacePlumeCoefficients(depth / s.H);
    s.A = 0.2 * s.H * s.c.c1;
    s.B = kPlumeK / s.H;
    s.C = s.H * s.c.c3;
    return s;
}

bool MakePlumeSample(const PlumeState& state, double t, double q, double m, PlumeSample& out) {
    if (q < -kTiny) throw ValidationError{NearFieldMsg::NegativeVolumeRate, 0};
    if (m < -kTiny) throw ValidationError{NearFieldMsg::NegativeMass, 0};
    if (!(m >= kTiny && q >= kTiny && std::isfinite(m) && std::isfinite(q) && std::isfinite(t)))
        return false;
    // Velocity scale U = (g / pi * q * K / H)^(1/3).
    const double buoyancy = q * kGravityOverPi;
    const double U = std::cbrt(buoyancy * state.B);
    if (buoyancy <= 0.0 || U <= 0.0) return false;
    out.Vgas0 = q;
    out.W = state.c.c2 * U;
    out.Rtime = state.C / U;
    out.Time = kFrontDelay * out.Rtime + t;
    out.Qgas = q;
    out.Macc = m;
    // Surface radius widened by the boil's outward flow, growing towards its
    // steady value as the plume establishes itself.
    out.R = (1.0 + 0.29 * std::pow(out.W / 0.3, 0.68)) * state.A *
            std::sqrt(1.0 - std::exp(-3.0 * out.Time / out.Rtime));
    return true;
}

CBubblePlume::CBubblePlume() { m_setup.snapshot_count = 4; }

void CBubblePlume::AppendReleaseRow(float time, float masslk, float qgleak) {
    if (!(time >= 0.0f)) return;
    const float previous = m_samples.empty() ? 0.0f : m_samples.back().MASSLK;
    m_samples.push_back({time, masslk, qgleak, masslk - previous});
}

QString CBubblePlume::Warning() const {
    // In deep water part of the gas dissolves on the way up, and hydrates form
    // in cold water under the pressure; the plume keeps all of it as free gas.
    if (m_depth > 500.0f) return AfxLoadString(NearFieldMsg::DeepWater);
    return QString();
}

bool CBubblePlume::IsStartDateValid() const {
    const NearFieldSetup& s = m_setup;
    return s.start_year > 0 && s.start_month >= 1 && s.start_month <= 12 && s.start_day >= 1 &&
           s.start_day <= 31 && s.start_hour <= 23 && s.start_minute <= 59;
}

void CBubblePlume::LoadSetup(xmlNodePtr setup) {
    CNearFieldModel::LoadSetup(setup);
    avg_boilzone_radius = 0.0;
    m_hasResult = false;
    m_storedResult = false;
    // A file without the smoothing keeps the value a new plume starts with.
    const bool hasSnapshots = setup && xml_find_attribute(setup, "snapshot_count");
    m_setup.snapshot_count = hasSnapshots ? m_setup.snapshot_count : 4;
    if (!setup) return;
    NearFieldSetup& s = m_setup;
    char* confirmed = xml_attr_string(setup, "gas_confirmed", "");
    gas_confirmed = confirmed && std::strcmp(confirmed, "true") == 0;
    g_free(confirmed);
    s.water_temperature =
        static_cast<float>(xml_attr_single(setup, "water_temperature", s.water_temperature));
    s.snapshot_count = xml_attr_int(setup, "smooth_massrate", s.snapshot_count);
    s.option_Ulv5 = xml_attr_boolean(setup, "option_Ulv5", 0) != 0;
    // Out-of-range numbers are kept out of range (so the date is refused)
    // rather than wrapped into a valid-looking date.
    auto field = [setup](const char* name, int most) {
        return std::clamp(xml_attr_int(setup, name, 0), 0, most);
    };
    s.start_year = static_cast<uint16_t>(field("start_year", 65535));
    s.start_month = static_cast<uint8_t>(field("start_month", 255));
    s.start_day = static_cast<uint8_t>(field("start_day", 255));
    s.start_hour = static_cast<uint8_t>(field("start_hour", 255));
    s.start_minute = static_cast<uint8_t>(field("start_minute", 255));
    avg_boilzone_radius = xml_attr_real(setup, "avg_boilzone_radius", 0.0);
    m_storedResult = xml_find_attribute(setup, "avg_boilzone_radius") != nullptr;
    m_storedDepth = static_cast<float>(xml_attr_single(setup, "leak_depth", 0.0));
    if (s.option_Ulv5 && !IsStartDateValid()) gas_confirmed = false;
}

void CBubblePlume::SaveSetup(xmlNodePtr setup) const {
    CNearFieldModel::SaveSetup(setup);
    const NearFieldSetup& s = m_setup;
    auto integer = [setup](const char* name, int v) {
        xml_add_int(xml_new_attribute(setup, name), v);
    };
    xml_add_string(xml_new_attribute(setup, "gas_confirmed"), gas_confirmed ? "true" : "false");
    xml_add_real(xml_new_attribute(setup, "water_temperature"), s.water_temperature);
    integer("smooth_massrate", s.snapshot_count);
    xml_add_boolean(xml_new_attribute(setup, "option_Ulv5"), s.option_Ulv5);
    if (s.option_Ulv5) {
        integer("start_year", s.start_year);
        integer("start_month", s.start_month);
        integer("start_day", s.start_day);
        integer("start_hour", s.start_hour);
        integer("start_minute", s.start_minute);
    }
    if (m_prepared || m_hasResult)
        xml_add_real(xml_new_attribute(setup, "avg_boilzone_radius"), avg_boilzone_radius);
    // The depth the result was computed for (its report's warning follows it).
    if (m_hasResult) xml_add_real(xml_new_attribute(setup, "leak_depth"), m_depth);
}

void CBubblePlume::KeepStoredResult() {
    if (!m_storedResult) return;
    m_hasResult = true;
    m_depth = m_storedDepth;
}

void CBubblePlume::LoadRelease(float /*temperature*/) {
    ClearSamples();
    enum { Time, MASSLK, QGLEAK };
    static const ResultColumn columns[] = {
        {"Time", "s", nullptr},
        {"MASSLK", "kg", nullptr},
        {"QGLEAK", "m3/s", nullptr},
        {nullptr, nullptr, nullptr},
    };
    ResultFileReader reader;
    ResultColumnMap map;
    OpenResultFile(reader, columns, map);
    std::vector<float> row;
    while (reader.ReadRow(map, row)) AppendReleaseRow(row[Time], row[MASSLK], row[QGLEAK]);
}

int CBubblePlume::Compute() {
    // A new run starts without a result; the radius is stored only on success.
    avg_boilzone_radius = 0.0;
    m_hasResult = false;

    if (m_samples.empty()) throw ValidationError{NearFieldMsg::NoDischargeRecords, 0};
    if (!(m_setup.water_temperature >= -273.0f))  // NaN included
        throw ValidationError{NearFieldMsg::WaterTemperature, 0};
    if (!(m_depth > 0.0f)) throw ValidationError{NearFieldMsg::NotSubsurface, 0};
    const PlumeState state = PlumeState::Build(m_depth);

    // Each interval between two kept rows releases its mass at the mean time and
    // mean gas rate of its ends (the leak opens at time 0 with nothing released).
    const size_t n = m_samples.size();
    std::vector<PlumeSample> plume;
    plume.reserve(n);
    double prevTime = 0.0, prevRate = 0.0, prevMass = 0.0;
    for (size_t i = 0; i < n; ++i) {
        if (ReportProgress(static_cast<int>(80 * i / n))) return NearFieldCancelled;
        const ReleaseSample& r = m_samples[i];
        const double t = 0.5 * (prevTime + r.Time);
        const double q = 0.5 * (prevRate + r.QGLEAK);
        const double m = static_cast<double>(r.MASSLK) - prevMass;
        PlumeSample p{};
        if (MakePlumeSample(state, t, q, m, p)) plume.push_back(p);
        prevTime = r.Time;
        prevRate = r.QGLEAK;
        prevMass = r.MASSLK;
    }

    // Gas released earlier cannot reach the surface after gas released later:
    // both rise in the same column of water, and the stronger, later plume
    // carries the weaker gas ahead of it up with it. Without this the weak
    // first intervals of an opening leak (rising slower on their own) arrive
    // long after the full plume, as single rows of a fraction of its rate.
    for (size_t i = plume.size(); i-- > 1;)
        plume[i - 1].Time = std::min(plume[i - 1].Time, plume[i].Time);
    // Equal arrival times keep the release order, so a bin shows the plume of
    // its latest release.
    std::stable_sort(plume.begin(), plume.end(),
                     [](const PlumeSample& a, const PlumeSample& b) { return a.Time < b.Time; });
    if (ReportProgress(85)) return NearFieldCancelled;

    double radius = 0.0;
    const int code = WriteResults(plume, radius);
    if (code == NearFieldDone) {
        avg_boilzone_radius = radius;
        m_hasResult = true;
    }
    return code;
}

// Bins the arrivals by whole seconds and writes the plume result file (and the
// Ulv/5 file) to temporary files that replace the previous results only when
// everything was written; a cancel or a failure leaves the previous files.
int CBubblePlume::WriteResults(const std::vector<PlumeSample>& sorted, double& radius) {
    QSaveFile dbs(OutputBase() + QStringLiteral(".dbs"));
    const auto dbsFailed = [&](int code, const char* step) {
        SetFileFailure(dbs, ".dbs", step);
        return code;
    };
    if (!dbs.open(QIODevice::WriteOnly)) return dbsFailed(12, "create");
    if (!WriteText(dbs, kDbsHeader)) return dbsFailed(13, "write");

    const int smoothing = smooth_massrate();
    const bool ulv5 = m_setup.option_Ulv5;
    std::vector<PlumeSample> kept;    // rows waiting for the smoothing
    std::vector<MassAtTime> arrived;  // cumulative mass at the surface, for Ulv/5

    // The open bin: its second, its distance from the previous bin and the mass
    // that has arrived up to it.
    PlumeSample bin{};
    double binSecond = 0.0, binLength = 0.0, arrivedMass = 0.0;
    double radiusSum = 0.0;
    auto closeBin = [&]() {
        radiusSum += bin.R * binLength;
        bin.Macc = arrivedMass;
        if (std::fabs(binLength) > kTiny)
            bin.Qgas /= binLength;  // mass of the bin -> mean rate since the previous bin
        if (smoothing >= 1) {
            kept.push_back(bin);
            return true;
        }
        if (ulv5) arrived.push_back({bin.Time, arrivedMass});
        return WriteText(dbs, FormatDbsRow(bin));
    };

    const size_t count = sorted.size();
    for (size_t k = 0; k < count; ++k) {
        if (ReportProgress(static_cast<int>(85 + 15 * k / count))) return NearFieldCancelled;
        const PlumeSample& p = sorted[k];
        const double second = std::trunc(p.Time);
        if (second > binSecond) {
            if (!closeBin()) return dbsFailed(13, "write");
            bin = PlumeSample{};
            bin.Time = second;
            binLength = second - binSecond;
        }
        bin.Vgas0 = p.Vgas0;
        bin.W = p.W;
        bin.Rtime = p.Rtime;
        bin.R = p.R;
        bin.Qgas += p.Macc;
        arrivedMass += p.Macc;
        binSecond = second;
    }
    if (!closeBin()) return dbsFailed(13, "write");
    if (bin.Time > 1.0) radiusSum /= bin.Time;

    if (smoothing >= 1) {
        // Centred difference of the cumulative mass over +-smoothing rows. The
        // rows before the first arrival carry no gas, and the rates after it are
        // not spread back over the time when nothing had arrived yet.
        const size_t last = kept.size() - 1;
        size_t first = 0;
        while (first < last && !(kept[first].Macc > 0.0)) kept[first++].Qgas = 0.0;
        for (size_t k = first; k <= last; ++k) {
            const size_t lead = std::min(k + smoothing, last);
            const size_t trail =
                std::max(k >= static_cast<size_t>(smoothing) ? k - smoothing : 0, first);
            const double span = kept[lead].Time - kept[trail].Time;
            if (span > 1e-8) kept[k].Qgas = (kept[lead].Macc - kept[trail].Macc) / span;
        }
        for (const PlumeSample& row : kept) {
            if (!WriteText(dbs, FormatDbsRow(row))) return dbsFailed(13, "write");
            if (ulv5) arrived.push_back({row.Time, row.Macc});
        }
    }

    QSaveFile dat(OutputBase() + QStringLiteral(".dat"));
    const auto datFailed = [&](const char* step) {
        SetFileFailure(dat, ".dat", step);
        return ValidationError{NearFieldMsg::Ulv5Write, 0, {}, m_fileFailure};
    };
    if (ulv5) {
        std::ostringstream text;
        text.imbue(std::locale::classic());
        if (!dat.open(QIODevice::WriteOnly)) throw datFailed("create");
        // Only the start date can fail here: the text goes to memory.
        if (!WriteUlv5Rows(text, arrived, m_setup))
            throw ValidationError{
                NearFieldMsg::Ulv5Write, 0, {}, AfxLoadString(NearFieldMsg::Ulv5StartDate)};
        if (!WriteText(dat, text.str())) throw datFailed("write");
    }
    if (ReportProgress(100)) return NearFieldCancelled;
    if (!dbs.commit()) return dbsFailed(13, "save");
    if (ulv5 && !dat.commit()) throw datFailed("save");
    radius = radiusSum;
    return NearFieldDone;
}

QStringList CBubblePlume::ResultFiles() const {
    if (!m_hasResult) return {};
    QStringList files{BaseName() + QStringLiteral(".dbs")};
    if (m_setup.option_Ulv5) files << BaseName() + QStringLiteral(".dat");
    return files;
}

void CBubblePlume::PrintSettings(std::ostream& os) const {
    const NearFieldSetup& s = m_setup;
    os << "Water temperature: " << s.water_temperature << " deg.C\n";
    os << "Mass rate smoothing: " << s.snapshot_count << " timesteps before/after\n";
    os << "Start date and time: " << s.start_year << ", " << int(s.start_month) << ", "
       << int(s.start_day) << ", " << int(s.start_hour) << ", " << int(s.start_minute) << " UTC\n";
}
