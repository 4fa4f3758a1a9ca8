#include "release_model.h"

#include "fluid_tables.h"
#include "network_check.h"
#include "network_values.h"
#include "system_settings.h"

#include <vexil/diagramdata.h>
#include <vexil/object.h>

#include <cmath>
#include <fstream>
#include <new>

using network::IsType;
using network::Value;
using Record = orvane::ReleaseInput;

namespace {

constexpr float MIN_PIPELINE_LENGTH = 30.0f;  // m

[[noreturn]] void fail(unsigned id, const diagram_object* obj) {
    throw ValidationError{id, obj ? obj->xref : 0};
}

// A fault of one pipeline or junction names it by its label, where it has one.
[[noreturn]] void failNamed(unsigned id, unsigned namedId, diagram_object* obj) {
    const QString title = network::ObjectTitle(obj);
    if (title == QString::fromUtf8(network::TypeName(obj))) fail(id, obj);
    throw ValidationError{namedId, obj->xref, {title}};
}

}  // namespace

bool CReleaseModel::ByXref::operator()(const diagram_object* a, const diagram_object* b) const {
    if (a->xref != b->xref) return a->xref < b->xref;
    return a < b;
}

CReleaseModel::CReleaseModel() = default;
CReleaseModel::~CReleaseModel() = default;

void CReleaseModel::SetFluidClass(int fluidClass) {
    if (fluidClass == m_fluidClass) return;
    m_fluidClass = fluidClass;
    m_validated = false;
    m_upToDate = false;
}

bool CReleaseModel::ValidateNetwork(diagram_data* diagram, float gasDensity, float oilDensity,
                                    float gasOilRatio, float waterCut,
                                    const std::vector<FluidComponent>& components,
                                    const char* resultPath) {
    m_validated = false;
    m_upToDate = false;
    m_input.reset();
    m_errors.clear();
    m_warning.clear();
    m_inlets.clear();
    m_diagram = diagram;
    m_pending.clear();
    m_traceLevel = 0;
    // One open of the trace file for the whole walk, closed when it ends.
    m_trace.reset();
    if (app_diagnostic_mode() != 0)
        m_trace = std::make_unique<std::ofstream>(app_trace_path(), std::ios::app);

    try {
        try {
            m_input = std::make_unique<Record>();
        } catch (const std::bad_alloc&) {
            throw ValidationError{IDS_OUT_OF_MEMORY, 0};
        }
        Record& in = *m_input;
        in.SetResultFileName(resultPath);
        // A run setting the user never entered is not run on.
        if (!m_repairedSetup.isEmpty()) {
            const QString& name = m_repairedSetup.front();
            throw ValidationError{IDS_SETUP_VALUE_REPAIRED,
                                  0,
                                  {name == QLatin1String("sim_stop_time")
                                       ? QStringLiteral("end time")
                                       : QStringLiteral("temperature calculation setting"),
                                   name}};
        }

        if (!diagram || !diagram->layers || diagram->layers->len != 1)
            throw ValidationError{IDS_FILE_STRUCTURE, 0};
        auto* lay = static_cast<layer*>(g_ptr_array_index(diagram->layers, 0));
        // Every object gets its number before the walk, in drawing order, so
        // the sets below are ordered and the record can name every object.
        for (GList* l = lay->objects; l; l = l->next)
            object_assign_xref(diagram, static_cast<diagram_object*>(l->data));
        for (GList* l = lay->objects; l; l = l->next)
            m_pending.insert(static_cast<diagram_object*>(l->data));
        // A value the user never entered (a repair, a rate of the other fluid)
        // is not run on.
        for (diagram_object* obj : m_pending) network::CheckConfirmedValues(obj, m_fluidClass);
        // The library refuses a record with anything but numbers in it.
        for (diagram_object* obj : m_pending) network::CheckFiniteValues(obj);
        for (diagram_object* obj : m_pending) network::CheckSubseaLimits(obj);
        m_leakPlace = {};

        diagram_object* outlet = FindObjectOfType(m_pending, network::FLOW_OUTLET);
        if (!outlet) throw ValidationError{IDS_NO_OUTLET_OR_NOT_TREE, 0};
        if (FindObjectOfType(m_pending, network::FLOW_OUTLET)) fail(IDS_ONE_OUTLET_ONLY, outlet);
        in.outlet_obj = outlet->xref;
        in.bnd.POUT = static_cast<float>(Value(outlet, "pressure"));
        in.bnd.TCLOUT = static_cast<float>(Value(outlet, "closingtime"));

        ObjectSet first;
        if (CollectNeighbours(nullptr, outlet, first) != 1) fail(IDS_OUTLET_SINGLE_PIPE, outlet);

        if (m_trace) *m_trace << "\n--- Parsing tree of pipeline branches: ---\n";
        TraceParse(outlet);
        ParseBranch(outlet, *first.begin(), 0.0f, static_cast<float>(Value(outlet, "depth")));

        if (in.leak_obj == 0) throw ValidationError{IDS_NO_LEAK, 0};
        for (diagram_object* left : m_pending)
            if (!IsType(left, network::TEXT)) fail(IDS_NO_OUTLET_OR_NOT_TREE, left);

        ComputeBranchCoordinates(in.net.NBR - 1, 0.0f);
        network::CheckLibraryLimits(in, m_leakPlace, m_control.TUSER);

        BuildFluidTables(in, m_fluidClass, gasDensity, oilDensity, gasOilRatio, waterCut,
                         components, m_warning);
        network::CheckPropertyTableRange(in);

        if (m_trace) DumpNetwork();
        NoteInletRates();
        m_validated = true;
    } catch (const ValidationError& e) {
        m_errors.push_back(e);
    } catch (...) {
        m_errors.push_back({IDS_INTERNAL_CHECK, 0});
    }
    m_pending.clear();
    m_diagram = nullptr;
    m_trace.reset();
    return m_validated;
}

diagram_object* CReleaseModel::FindObjectOfType(ObjectSet& set, const char* typeName) {
    for (auto it = set.begin(); it != set.end(); ++it)
        if (IsType(*it, typeName)) {
            diagram_object* obj = *it;
            set.erase(it);
            return obj;
        }
    return nullptr;
}

int CReleaseModel::CollectNeighbours(diagram_object* from, diagram_object* obj,
                                     ObjectSet& neighbours, int* backLinks) {
    neighbours.clear();
    int back = 0;
    auto consider = [&](diagram_object* other) {
        if (!other || IsType(other, network::TEXT)) return;
        if (other == from || other == obj)
            ++back;
        else
            neighbours.insert(other);
    };
    for (int i = 0; i < obj->num_connections; ++i) {
        connection_point* cp = obj->connections[i];
        if (!cp) continue;
        for (GList* l = cp->connected; l; l = l->next)
            consider(static_cast<diagram_object*>(l->data));
    }
    for (int i = 0; i < obj->num_handles; ++i) {
        object_handle* h = obj->handles[i];
        if (h && h->connected_to) consider(h->connected_to->object);
    }
    if (backLinks) *backLinks = back;
    return static_cast<int>(neighbours.size()) + (back > 0 ? 1 : 0);
}

int CReleaseModel::TakeObject(diagram_object* obj) {
    auto it = m_pending.find(obj);
    if (it == m_pending.end()) fail(IDS_NO_OUTLET_OR_NOT_TREE, obj);  // reached twice
    m_pending.erase(it);
    return object_assign_xref(m_diagram, obj);
}

int CReleaseModel::AddBranch(int startObj, int nameObj) {
    Record& in = *m_input;
    if (in.net.NBR == orvane::MAX_BRANCHES) throw ValidationError{IDS_MAX_BRANCHES, startObj};
    const int k = in.net.NBR++;
    in.branch_start_obj[k] = startObj;
    in.branch_name_obj[k] = nameObj;
    return k;
}

int CReleaseModel::ParseBranch(diagram_object* from, diagram_object* pipe, float x, float depth) {
    Record& in = *m_input;
    TraceParse(pipe);
    ++m_traceLevel;
    TakeObject(pipe);
    ObjectSet neighbours;
    int backLinks = 0;
    int count = CollectNeighbours(from, pipe, neighbours, &backLinks);
    if (backLinks > 1) fail(IDS_NO_OUTLET_OR_NOT_TREE, pipe);  // a loop back to where we came from
    if (!IsType(pipe, network::PIPELINE)) fail(IDS_ONLY_PIPELINES_AT_NODES, pipe);

    diagram_object* spill = FindObjectOfType(neighbours, network::SPILL_POINT);
    if (count - (spill ? 1 : 0) < 2)
        failNamed(IDS_PIPELINE_BOTH_ENDS, IDS_PIPELINE_BOTH_ENDS_NAMED, pipe);
    const double length = Value(pipe, "length");
    if (!(length >= MIN_PIPELINE_LENGTH)) fail(IDS_PIPELINE_TOO_SHORT, pipe);

    const float u = static_cast<float>(x - length);
    float upDepth = 0.0f;
    bool found = false;
    int branch = -1;
    for (diagram_object* node : neighbours) {
        if (IsType(node, network::PIPE_JOIN)) {
            if (found) failNamed(IDS_PIPELINE_BOTH_ENDS, IDS_PIPELINE_BOTH_ENDS_NAMED, pipe);
            TraceParse(node);
            TakeObject(node);
            upDepth = static_cast<float>(Value(node, "depth"));
            ObjectSet beyond;
            if (CollectNeighbours(pipe, node, beyond) != 2) fail(IDS_CONNECTION_TWO_PIPES, node);
            if (beyond.size() != 1 || !IsType(*beyond.begin(), network::PIPELINE))
                fail(IDS_INTERNAL_CHECK, node);
            ++m_traceLevel;
            branch = ParseBranch(node, *beyond.begin(), u, upDepth);
            --m_traceLevel;
            found = true;
        } else if (IsType(node, network::JUNCTION)) {
            if (found) failNamed(IDS_PIPELINE_BOTH_ENDS, IDS_PIPELINE_BOTH_ENDS_NAMED, pipe);
            int j = ParseJunction(pipe, node, u, upDepth);
            branch = AddBranch(pipe->xref, in.junction_obj[j]);
            if (in.net.NBJ[j] == orvane::MAX_BRANCHES_PER_JUNCTION)
                fail(IDS_MAX_PIPES_AT_JUNCTION, pipe);
            in.IBJ(j, in.net.NBJ[j]++) = branch + 1;  // the branch leaving the junction, last
            found = true;
        } else if (IsType(node, network::SPILL_POINT)) {
            fail(IDS_ONE_LEAK_ONLY, node);
        } else if (IsType(node, network::PIPELINE)) {
            fail(IDS_PIPELINES_DIRECT, node);
        } else {
            branch = ParseInlet(pipe, node, upDepth);
            if (found) failNamed(IDS_PIPELINE_BOTH_ENDS, IDS_PIPELINE_BOTH_ENDS_NAMED, pipe);
            found = true;
        }
    }
    if (!found) failNamed(IDS_PIPELINE_BOTH_ENDS, IDS_PIPELINE_BOTH_ENDS_NAMED, pipe);

    BRREC& br = in.br[branch];
    if (br.NPIPE == orvane::MAX_SEGMENTS) fail(IDS_MAX_SEGMENTS, pipe);
    const int s = br.NPIPE++;
    in.segment_obj[branch][s] = pipe->xref;
    PIPSEG& seg = br.PIPE[s];
    seg.NSECT = 0;
    seg.DIAM = static_cast<float>(Value(pipe, "diameter"));
    seg.ROUGH = static_cast<float>(Value(pipe, "roughness"));
    seg.HTC = static_cast<float>(Value(pipe, "heat_trans_coeff"));
    seg.TAMB = static_cast<float>(Value(pipe, "amb_temp"));
    seg.XSTA = u;
    seg.ZSTA = -upDepth;
    seg.XEND = x;
    seg.ZEND = -depth;
    if (s == 0) {
        br.XBR0 = seg.XSTA;
        br.ZBR0 = seg.ZSTA;
    }

    if (spill) {
        TraceParse(spill);
        TakeObject(spill);
        if (in.leak_obj != 0) fail(IDS_ONE_LEAK_ONLY, spill);
        // The library places the leak by its distance along the branch: the
        // lengths of the pipelines upstream of this one on the branch, plus
        // the leak's distance along this pipeline. Until the coordinates are
        // computed, XSTA holds minus the length along the pipelines to the
        // outlet, so that sum is XSTA of this segment minus XSTA of the first.
        double upstream = 0.0;
        for (int i = 0; i < s; ++i)
            upstream += static_cast<double>(br.PIPE[i].XEND) - br.PIPE[i].XSTA;
        in.lek.LEKTYP = 0;
        in.lek.LEKBR = branch + 1;
        in.lek.LEKX = static_cast<float>(upstream + Value(spill, "distance"));
        in.lek.LEKDIA = static_cast<float>(Value(spill, "diameter"));
        in.lek.LEKPB = static_cast<float>(Value(spill, "backpressure"));
        in.leak_amb_temp = static_cast<float>(Value(pipe, "amb_temp"));
        in.leak_depth = static_cast<float>(Value(spill, "depth"));
        in.leak_obj = spill->xref;
        m_leakPlace = {branch, s, Value(spill, "distance"), length};
    }
    --m_traceLevel;
    return branch;
}

int CReleaseModel::ParseJunction(diagram_object* from, diagram_object* junction, float x,
                                 float& depth) {
    Record& in = *m_input;
    TraceParse(junction);
    TakeObject(junction);
    ObjectSet neighbours;
    if (CollectNeighbours(from, junction, neighbours) < 2)
        failNamed(IDS_JUNCTION_THREE_BRANCHES, IDS_JUNCTION_THREE_BRANCHES_NAMED, junction);
    depth = static_cast<float>(Value(junction, "depth"));
    std::vector<int> upstream;
    ++m_traceLevel;
    for (diagram_object* pipe : neighbours)
        if (IsType(pipe, network::PIPELINE))
            upstream.push_back(ParseBranch(junction, pipe, x, depth));
    --m_traceLevel;
    if (upstream.size() < 2)
        failNamed(IDS_JUNCTION_THREE_BRANCHES, IDS_JUNCTION_THREE_BRANCHES_NAMED, junction);
    if (in.net.NJUN == orvane::MAX_JUNCTIONS) fail(IDS_MAX_JUNCTIONS, junction);
    const int j = in.net.NJUN++;
    in.junction_obj[j] = junction->xref;
    for (int b : upstream) {
        if (in.net.NBJ[j] == orvane::MAX_BRANCHES_PER_JUNCTION)
            fail(IDS_MAX_PIPES_AT_JUNCTION, junction);
        in.IBJ(j, in.net.NBJ[j]++) = b + 1;
    }
    return j;
}

int CReleaseModel::ParseInlet(diagram_object* from, diagram_object* node, float& depth) {
    Record& in = *m_input;
    TraceParse(node);
    TakeObject(node);
    ObjectSet neighbours;
    CollectNeighbours(from, node, neighbours);
    if (!IsType(node, network::FLOW_INLET) || !neighbours.empty()) fail(IDS_INLET_AT_START, node);
    depth = static_cast<float>(Value(node, "depth"));
    const int k = AddBranch(node->xref, node->xref);
    in.bnd.QIN[k] = static_cast<float>(Value(node, "flowrate"));
    in.bnd.TIN[k] = static_cast<float>(Value(node, "temp"));
    in.bnd.TCLIN[k] = static_cast<float>(Value(node, "closingtime"));
    in.inlet_obj[k] = node->xref;
    return k;
}

void CReleaseModel::ComputeBranchCoordinates(int branch, float x) {
    Record& in = *m_input;
    BRREC& br = in.br[branch];
    for (int s = br.NPIPE - 1; s >= 0; --s) {
        PIPSEG& seg = br.PIPE[s];
        const float L = seg.XEND - seg.XSTA;
        const float dz = seg.ZEND - seg.ZSTA;
        const float h2 = L * L - dz * dz;
        if (h2 < 0.0f)
            throw ValidationError{IDS_PIPELINE_SHORTER_THAN_DEPTH, in.segment_obj[branch][s]};
        const float h = std::sqrt(h2);
        seg.XEND += x;
        x += L - h;
        seg.XSTA += x;
    }
    br.XBR0 = br.PIPE[0].XSTA;

    // The branches that flow into the junction this branch leaves.
    int ending = -1;
    for (int j = in.net.NJUN - 1; j >= 0; --j) {
        if (in.net.NBJ[j] == 0 || in.IBJ(j, in.net.NBJ[j] - 1) != branch + 1) continue;
        if (ending >= 0) throw ValidationError{IDS_INTERNAL_CHECK, in.junction_obj[j]};
        ending = j;
    }
    if (ending < 0) return;
    for (int k = in.net.NBJ[ending] - 2; k >= 0; --k)
        ComputeBranchCoordinates(in.IBJ(ending, k) - 1, x);
}

void CReleaseModel::TraceParse(const diagram_object* obj) {
    if (!m_trace) return;
    std::ostream& trace = *m_trace;
    trace << std::string(2 * static_cast<size_t>(m_traceLevel), ' ') << "- ";
    if (!obj) {
        trace << "<void>\n";
        return;
    }
    trace << std::hex << reinterpret_cast<uintptr_t>(obj) << std::dec << ": "
          << network::TypeName(obj) << "\n";
}

void CReleaseModel::DumpNetwork() const {
    const Record& in = *m_input;
    std::ostream& out = *m_trace;
    out << "\n--- Network: ---\n";
    out << in.net.NBR << " branches, " << in.net.NJUN << " junctions\n";
    out << "- branches per junction =\n";
    for (int j = 0; j < in.net.NJUN; ++j) {
        out << "  J" << j + 1 << "(" << in.net.NBJ[j] << "):";
        for (int k = 0; k < in.net.NBJ[j]; ++k) out << " " << in.IBJ(j, k);
        out << "\n";
    }
    out << "Pipes of branches:\n";
    for (int i = 0; i < in.net.NBR; ++i) {
        const BRREC& br = in.br[i];
        out << "  B" << i + 1 << "(" << br.NPIPE << "), x0=" << br.XBR0 << ", y0=" << br.ZBR0
            << ":\n";
        for (int s = 0; s < br.NPIPE; ++s) {
            const PIPSEG& p = br.PIPE[s];
            out << "  [" << s + 1 << "] "
                << "  x1=" << p.XSTA << ", y1=" << p.ZSTA << "  x2=" << p.XEND << ", y2=" << p.ZEND
                << "  sections=" << p.NSECT << "\n";
        }
        out << "  - boundary: flowrate=" << in.bnd.QIN[i] << " closetime=" << in.bnd.TCLIN[i]
            << " temp=" << in.bnd.TIN[i] << "\n\n";
    }
    out << "    outlet pressure: " << in.bnd.POUT << "    outlet closetime: " << in.bnd.TCLOUT
        << "\n";
    out << "Simulation stop time = " << m_control.TUSER << " seconds\n";
    out << "  Disable Temp. Calc = " << m_control.NOTEMP << "\n";
}
