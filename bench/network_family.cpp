#include "network_family.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "run/state.h"

namespace family {

namespace {

std::string num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

struct Point {
    double x, depth;
};

// One pipe of a branch, ending at `end`, with `sections` sections.
std::string pipe(Point end, int sections) {
    return "{\"end\": {\"x\": " + num(end.x) + ", \"depth\": " + num(end.depth) +
           "}, \"sections\": " + std::to_string(sections) + "}";
}

// A branch from `start` to `end` with `sections` sections in one pipe, or in
// two when it has eight or more; the second pipe ends 10 m deeper half-way
// along so that the branch has a dip.
std::string branch(const std::string& name, Point start, Point end, int sections, double diameter) {
    std::string pipes;
    if (sections < 8) {
        pipes = pipe(end, sections);
    } else {
        const Point mid{0.5 * (start.x + end.x), 0.5 * (start.depth + end.depth) + 10.0};
        pipes = pipe(mid, sections / 2) + ", " + pipe(end, sections - sections / 2);
    }
    return "{\"name\": \"" + name + "\", \"start\": {\"x\": " + num(start.x) +
           ", \"depth\": " + num(start.depth) +
           "}, \"pipe_defaults\": {\"diameter\": " + num(diameter) +
           ", \"roughness\": 5.0e-5, \"heat_transfer\": 15.0, \"ambient_temperature\": 5.0}, "
           "\"pipes\": [" +
           pipes + "]}";
}

// Outlet closing 10 min after the leak opens, inlets never closing, black
// oil with gas: the leak is the only way out and it never runs dry.
std::string tail(float end_time) {
    return "\"outlet\": {\"pressure\": 2.5e6, \"closing_time\": 600.0},"
           "\"fluid\": {\"black_oil\": {\"gas_density\": 0.85, \"oil_density\": 850.0, \"gor\": "
           "100.0,"
           " \"water_cut\": 10.0}},"
           "\"run\": {\"end_time\": " +
           num(end_time) + ", \"temperature_calculation\": true}}";
}

std::string duration(float end_time) {
    return end_time >= 86400.0f ? "24h"
                                : std::to_string(static_cast<int>(end_time / 3600.0f)) + "h";
}

constexpr double kSectionLength = 150.0;  // m, about, in every member

Member named(const std::string& kind, int sections, int branches, float end_time) {
    Member m;
    m.name = kind + std::to_string(sections) + "_" + duration(end_time);
    m.sections = sections;
    m.branches = branches;
    m.end_time = end_time;
    return m;
}

}  // namespace

Member line(int sections, float end_time) {
    Member m = named("line", sections, 1, end_time);
    // Five pipes of about equal section counts, rising and falling along the
    // sea bed. The library adds an inlet and an end section to the branch.
    const int npipe = 5;
    const int own = sections - 2;
    const double depth[npipe + 1] = {150.0, 135.0, 160.0, 140.0, 125.0, 120.0};
    std::string pipes;
    double x = 0.0, length = 0.0;
    std::vector<double> xs{0.0};
    std::vector<int> counts;
    for (int p = 0; p < npipe; ++p) counts.push_back(own / npipe + (p < own % npipe ? 1 : 0));
    for (int p = 0; p < npipe; ++p) {
        x += counts[p] * kSectionLength;
        xs.push_back(x);
    }
    const double x0 = -x;
    for (int p = 0; p < npipe; ++p) {
        if (p > 0) pipes += ", ";
        pipes += pipe({x0 + xs[p + 1], depth[p + 1]}, counts[p]);
        length += xs[p + 1] - xs[p];
    }
    m.json = "{\"description\": \"generated line of " + std::to_string(sections) +
             " sections\", \"network\": {\"branches\": [{\"name\": \"Line\", \"start\": {\"x\": " +
             num(x0) +
             ", \"depth\": 150.0}, \"pipe_defaults\": {\"diameter\": 0.2032, \"roughness\": 5.0e-5,"
             " \"heat_transfer\": 15.0, \"ambient_temperature\": 5.0}, \"pipes\": [" +
             pipes +
             "]}]},"
             "\"inlets\": [{\"branch\": 1, \"rate\": 15.0, \"temperature\": 55.0, "
             "\"closing_time\": -1.0}],"
             "\"leak\": {\"branch\": 1, \"position\": " +
             num(std::round(0.5 * length)) + ", \"diameter\": 0.05, \"back_pressure\": 1.5e6}," +
             tail(end_time);
    return m;
}

Member network(int sections, float end_time) {
    Member m = named("net", sections, 13, end_time);
    // Junction j (1..3) gathers four branches: three inlet branches and the
    // branch leaving junction j - 1 (for junction 1, a fourth inlet branch).
    // Branches 5 and 9 join the junctions, 13 runs to the outlet. The
    // library adds an end section to every branch and an inlet section to
    // each of the ten inlet branches.
    const int nbr = 13;
    const int own = sections - nbr - 10;
    std::vector<int> count(nbr, own / nbr);
    const int order[nbr] = {12, 8, 4, 0, 1, 2, 3, 5, 6, 7, 9, 10, 11};  // remainder: trunk first
    for (int k = 0; k < own % nbr; ++k) ++count[order[k]];
    const Point junction[4] = {{-9000.0, 140.0}, {-6000.0, 130.0}, {-3000.0, 120.0}, {0.0, 100.0}};
    const double inlet_diameter = 0.1524, trunk_diameter[3] = {0.2032, 0.254, 0.3048};
    std::string branches, inlets;
    int b = 0;
    for (int j = 0; j < 3; ++j) {
        const int first_inlet = j == 0 ? 0 : 1;
        for (int k = first_inlet; k < 4; ++k) {
            const int n = count[b];
            const Point start{junction[j].x - n * kSectionLength, junction[j].depth + 8.0 * k};
            if (b > 0) branches += ", ";
            branches +=
                branch("Inlet " + std::to_string(b + 1), start, junction[j], n, inlet_diameter);
            if (!inlets.empty()) inlets += ", ";
            inlets += "{\"branch\": " + std::to_string(b + 1) +
                      ", \"rate\": " + num(3.0 + 0.5 * k) +
                      ", \"temperature\": " + num(50.0 + 3.0 * k) + ", \"closing_time\": -1.0}";
            ++b;
        }
        branches += ", " + branch("Trunk " + std::to_string(j + 1), junction[j], junction[j + 1],
                                  count[b], trunk_diameter[j]);
        ++b;
    }
    const std::string junctions =
        "{\"in\": [1, 2, 3, 4], \"out\": 5}, {\"in\": [5, 6, 7, 8], \"out\": 9}, "
        "{\"in\": [9, 10, 11, 12], \"out\": 13}";
    m.json = "{\"description\": \"generated 13-branch network of " + std::to_string(sections) +
             " sections\", \"network\": {\"branches\": [" + branches + "], \"junctions\": [" +
             junctions + "]}, \"inlets\": [" + inlets +
             "],"
             "\"leak\": {\"branch\": 9, \"position\": 1500.0, \"diameter\": 0.05, "
             "\"back_pressure\": 1.4e6}," +
             tail(end_time);
    return m;
}

std::vector<Member> members() {
    std::vector<Member> all;
    for (float t : {3600.0f, 86400.0f}) {
        for (int n : {20, 50, 100, 199}) all.push_back(line(n, t));
        for (int n : {75, 130, 199}) all.push_back(network(n, t));
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Member& a, const Member& b) { return a.branches < b.branches; });
    return all;
}

Outcome run(cases::Case& c, const std::string& stem) {
    Outcome o;
    auto trimmed = [](const char* msg, int len) {
        int n = len;
        while (n > 0 && (msg[n - 1] == ' ' || msg[n - 1] == '\0')) --n;
        return std::string(msg, static_cast<size_t>(n));
    };
    char msg[256];
    std::memset(msg, ' ', sizeof msg);
    int32_t ierr = 0;
    cases::Fluid& f = c.fluid;
    if (f.kind == cases::Fluid::Kind::BlackOil) {
        BLACKOIL(&f.gas_density, &f.oil_density, &f.gor, &f.water_cut, &c.input->pvt, &ierr, msg,
                 256);
    } else {
        COMPREC comp = cases::make_comprec(f);
        COMPPVT(&comp, &c.input->pvt, &ierr, msg, 256);
    }
    if (ierr != 0) {
        o.ierr = ierr;
        o.message = trimmed(msg, 256);
        o.fluid_refused = true;
        return o;
    }
    const std::string path = stem + ".$$$";
    ReleaseInput& in = *c.input;
    ReleaseProgressFn none = nullptr;
    std::memset(msg, ' ', sizeof msg);
    RELEASE(&in.net, in.br, &in.bnd, &in.lek, &in.pvt, &c.control, &o.summary, path.c_str(),
            static_cast<int32_t>(path.size()), &none, &ierr, msg, 256);
    o.ierr = ierr;
    o.message = trimmed(msg, 256);
    o.steps = rel::RUNCTL.NINTGR;
    return o;
}

}  // namespace family
