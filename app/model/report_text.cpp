#include "report_text.h"

#include "fluid_model.h"
#include "model_errors.h"
#include "network_values.h"
#include "release_model.h"
#include "units.h"

#include <vexil/diagramdata.h>
#include <vexil/network_objects.h>

#include <cmath>
#include <string>

namespace {

constexpr int LABEL_WIDTH = 30;
const QString CRLF = QStringLiteral("\r\n");

// Cut or pad to n characters (whole code points, never half a UTF-8 or
// UTF-16 sequence).
QString fitted(const QString& text, int n) {
    QList<uint> points = text.toUcs4();
    if (points.size() > n) points.resize(n);
    QString out =
        QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
    return out + QString(n - static_cast<int>(points.size()), QLatin1Char(' '));
}

double value(diagram_object* obj, const char* field) { return network::Value(obj, field); }

// The objects of the one layer, in layer order.
template <typename Fn>
void forEachOfType(diagram_data* diagram, const char* type, Fn fn) {
    auto* lay = static_cast<layer*>(g_ptr_array_index(diagram->layers, 0));
    for (GList* l = lay->objects; l; l = l->next) {
        auto* obj = static_cast<diagram_object*>(l->data);
        if (network::IsType(obj, type)) fn(obj);
    }
}

struct SummaryRow {
    const char* label;
    const char* rateKey;
    int rateWord;
    const char* totalKey;
    int totalWord;
};

const SummaryRow SUMMARY_ROWS[] = {
    {"Mass:           ", "MASSRATE", 1, "MASSTOT", 6},
    {"Oil:            ", "OILRATE", 2, "OILTOT", 7},
    {"Gas:            ", "GASRATE", 3, "GASTOT", 8},
    {"Oil (std.cond): ", "OILRATESTD", 4, "OILTOTSTD", 9},
    {"Gas (std.cond): ", "GASRATESTD", 5, "GASTOTSTD", 10},
};

}  // namespace

QString ReportLabel(diagram_object* obj) {
    const text_block* label = object_label(obj);
    if (label)
        for (int row = 0; row < label->numlines; ++row)
            if (label->line[row] && label->strlen[row] > 0)
                return fitted(QString::fromUtf8(label->line[row], label->strlen[row]), LABEL_WIDTH);
    return QString(LABEL_WIDTH, QLatin1Char(' '));
}

QString ReportValue(const char* key, double x, int width) {
    const double shown = key ? ToDisplayUnits(key, static_cast<float>(x)) : x;
    // printf's negative field width left-aligns; QString::asprintf needs the
    // flag spelt out.
    const int w = width - 1;
    if (w < 0) return QString::asprintf(" %-*g", -w, shown);
    return QString::asprintf(" %*g", w, shown);
}

QString ReportUnit(const char* key, int width) {
    if (width > 0)
        return QString::asprintf("%*s", width, GetUnitLabel(key, true).toUtf8().constData());
    return QString::asprintf("%-*s", -width, GetUnitLabel(key, false).toUtf8().constData());
}

QString ReportDuration(float seconds) {
    const long long t = std::llround(std::floor(static_cast<double>(seconds) + 0.5));
    const long long days = t / 86400, rest = t % 86400;
    return QString::asprintf("%lld seconds (%lldd %lldh %lldm %llds)", t, days, rest / 3600,
                             rest % 3600 / 60, rest % 60);
}

QString BuildReportText(diagram_data* diagram, const CReleaseModel& model,
                        const FluidComponentList& components, const NearfieldReport* nearfield,
                        const std::function<QString(unsigned)>& strings) {
    if (!diagram || !diagram->layers || diagram->layers->len != 1)
        return strings ? strings(IDS_FILE_STRUCTURE) : QString();
    const QString blanks(LABEL_WIDTH, QLatin1Char(' '));
    QString t;

    // The rate as the runs read it: with a black oil the liquid rate. It takes
    // 13 columns: a gas rate in scf/d has eight digits and more, "7.06293e+07",
    // and must stay apart from the depth before it.
    const char* rateKey = InletRateKey(model.GetFluidClass());
    t += QStringLiteral("Inlets:\r\n\r\n");
    if (model.GetFluidClass() == FLUID_BLACK_OIL)
        t += QStringLiteral("Flow rate: Total liquid flow rate (standard conditions)\r\n");
    t += QStringLiteral(
        "Label                              Depth    Flow rate  Temp.   Closing\r\n");
    t += blanks + ReportUnit("DEPTH", 10) + ReportUnit(rateKey, 13) + ReportUnit("TEMP", 7) +
         ReportUnit("CLOSINGTIME", 10);
    t += QStringLiteral(
        "\r\n----------------------------------------------------------------------\r\n");
    forEachOfType(diagram, network::FLOW_INLET, [&](diagram_object* o) {
        t += ReportLabel(o) + ReportValue("DEPTH", value(o, "depth"), 10) +
             ReportValue(rateKey, value(o, "flowrate"), 13) +
             ReportValue("TEMP", value(o, "temp"), 7) +
             ReportValue("CLOSINGTIME", value(o, "closingtime"), 10) + CRLF;
    });
    t += CRLF + CRLF;

    t += QStringLiteral(
        "Outlet:\r\n\r\nLabel                              Depth  Pressure   Closing\r\n");
    t += blanks + ReportUnit("DEPTH", 10) + ReportUnit("PRESSURE", 10) +
         ReportUnit("CLOSINGTIME", 10);
    t += QStringLiteral("\r\n------------------------------------------------------------\r\n");
    forEachOfType(diagram, network::FLOW_OUTLET, [&](diagram_object* o) {
        t += ReportLabel(o) + ReportValue("DEPTH", value(o, "depth"), 10) +
             ReportValue("PRESSURE", value(o, "pressure"), 10);
        // A negative closing time: the outlet never closes.
        if (static_cast<int>(value(o, "closingtime")) >= 0)
            t += ReportValue("CLOSINGTIME", value(o, "closingtime"), 10);
        t += CRLF;
    });
    t += CRLF + CRLF;

    t += QStringLiteral("Leakage point:\r\n\r\n  Distance  Diameter     Depth  Pressure\r\n");
    t += ReportUnit("DISTANCE", 10) + ReportUnit("DIAMETER", 10) + ReportUnit("DEPTH", 10) +
         ReportUnit("PRESSURE", 10);
    t += QStringLiteral("\r\n----------------------------------------\r\n");
    forEachOfType(diagram, network::SPILL_POINT, [&](diagram_object* o) {
        t += ReportValue("DISTANCE", value(o, "distance"), 10) +
             ReportValue("DIAMETER", value(o, "diameter"), 10) +
             ReportValue("DEPTH", value(o, "depth"), 10) +
             ReportValue("PRESSURE", value(o, "backpressure"), 10) + CRLF;
    });
    t += CRLF + CRLF;

    t += QStringLiteral(
        "Pipelines:\r\n\r\nLabel                             Length  Diameter Roughness  Heat "
        "tran.  Temp.\r\n");
    t += blanks + ReportUnit("LENGTH", 10) + ReportUnit("DIAMETER", 10) +
         ReportUnit("ROUGHNESS", 10) + ReportUnit("HEATTRANS", 12) + ReportUnit("TEMP", 7);
    t += QStringLiteral(
        "\r\n-------------------------------------------------------------------------------\r\n");
    forEachOfType(diagram, network::PIPELINE, [&](diagram_object* o) {
        t += ReportLabel(o) + ReportValue("LENGTH", value(o, "length"), 10) +
             ReportValue("DIAMETER", value(o, "diameter"), 10) +
             ReportValue("ROUGHNESS", value(o, "roughness"), 10) +
             ReportValue("HEATTRANS", value(o, "heat_trans_coeff"), 12) +
             ReportValue("TEMP", value(o, "amb_temp"), 7) + CRLF;
    });
    t += CRLF + CRLF;

    if (components.comps_confirmed) {
        t += QStringLiteral(
            "Gas Composition:\r\n\r\nFraction  Component    Mole weight  Liq.density\r\n");
        t += QStringLiteral("     [%]  ") + QString(11, QLatin1Char(' ')) +
             QStringLiteral("      [g/mol]") + ReportUnit("LIQDENSITY", 13);
        t += QStringLiteral("\r\n-----------------------------------------------\r\n");
        for (const FluidComponent& c : components.components) {
            t += ReportValue(nullptr, c.fraction, 8) + QLatin1Char(' ') + fitted(c.name, 11) +
                 ReportValue(nullptr, c.mole_weight, 13);
            if (c.HasLiquidDensity()) t += ReportValue("LIQDENSITY", c.liquid_density, 13);
            t += CRLF;
        }
        t += CRLF + CRLF;
    }

    if (const DischargeSummary* s = model.GetSummary()) {
        t += QStringLiteral("Release Summary:");
        if (!model.IsUpToDate()) {
            t += QStringLiteral(" (needs recalculation)\r\n");
        } else {
            QString duration = ReportDuration(s->time);
            if (model.RunStopped() && strings)
                duration =
                    strings(IDS_TIME_RUN_STOPPED).arg(strings(IDS_TIME_AT_LEAST).arg(duration));
            t += QStringLiteral("\r\n\r\nTime to get total mass: ") + duration;
            t += QStringLiteral(
                "\r\n\r\n                   Peak rate                  Total           "
                "\r\n--------------------------------------------------------------\r\n");
            const float* v = &s->time;
            for (const SummaryRow& row : SUMMARY_ROWS) {
                t += QLatin1String(row.label) + ReportValue(row.rateKey, v[row.rateWord], -12) +
                     QLatin1Char(' ') + ReportUnit(row.rateKey, -10) +
                     ReportValue(row.totalKey, v[row.totalWord], -12) + QLatin1Char(' ') +
                     ReportUnit(row.totalKey, -10) + CRLF;
            }
            if (!model.Warning().isEmpty())
                t += QStringLiteral("\r\nWarnings: ") + model.Warning() + CRLF;
            t += CRLF + CRLF;
        }
    }

    if (nearfield && nearfield->prepared && model.HasSummary() && model.IsUpToDate()) {
        t += QStringLiteral("Nearfield Summary:\r\n\r\n");
        t += QStringLiteral("Water temperature: ") +
             QString::asprintf("%g", ToDisplayUnits("TEMP", nearfield->waterTemp)) +
             QLatin1Char(' ') + GetUnitLabel("TEMP", false) + CRLF;
        t += QStringLiteral("Start time, output to Ulv/5: ");
        if (nearfield->ulvOutput)
            t += QString::asprintf("%d-%02d-%02d %02d:%02d UTC\r\n", nearfield->year,
                                   nearfield->month, nearfield->day, nearfield->hour,
                                   nearfield->minute);
        else
            t += QStringLiteral("Disabled\r\n");
        if (nearfield->hasResult)
            t += QStringLiteral("Average boiling zone radius: ") +
                 QString::asprintf("%g", ToDisplayUnits("LENGTH", nearfield->boilingZoneRadius)) +
                 QLatin1Char(' ') + GetUnitLabel("LENGTH", false) + CRLF;
        if (!nearfield->warning.isEmpty())
            t += QStringLiteral("Warning: ") + nearfield->warning + CRLF;
        t += CRLF + CRLF;
    }
    return t;
}
