// Case files in JSON -> the release input record and run options.
#include "case_file.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace cases {
namespace {

using json = nlohmann::json;

constexpr int kMaxBranches = 15;
constexpr int kMaxJunctions = 3;
constexpr int kMaxPerJunction = 5;
constexpr int kMaxPipes = 100;
constexpr int kMaxComponents = 30;

// Reading helpers that know where they are in the file, so that every
// complaint names the place.
class Reader {
public:
    explicit Reader(std::string source) : source_(std::move(source)) {}

    [[noreturn]] void fail(const std::string& where, const std::string& what) const {
        throw CaseError(source_ + ": " + (where.empty() ? std::string() : where + ": ") + what);
    }

    const json& object(const json& parent, const std::string& where) const {
        if (!parent.is_object()) fail(where, "must be an object");
        return parent;
    }

    // Every key of obj must be one of `known`: a misspelt key would else be
    // silently ignored and the run would use a default instead.
    void keys(const json& obj, const std::string& where,
              std::initializer_list<const char*> known) const {
        object(obj, where);
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            bool ok = false;
            for (const char* k : known) ok = ok || it.key() == k;
            if (!ok) fail(where, "unknown key \"" + it.key() + "\"");
        }
    }

    const json& need(const json& obj, const char* key, const std::string& where) const {
        auto it = obj.find(key);
        if (it == obj.end()) fail(where, std::string("missing \"") + key + "\"");
        return *it;
    }

    float real(const json& v, const std::string& where) const {
        if (!v.is_number()) fail(where, "must be a number");
        double d = v.get<double>();
        if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max())
            fail(where, "does not fit a 32-bit real");
        return static_cast<float>(d);
    }
    float real(const json& obj, const char* key, const std::string& where) const {
        return real(need(obj, key, where), where + "." + key);
    }
    float real_or(const json& obj, const char* key, const std::string& where, float dflt) const {
        auto it = obj.find(key);
        return it == obj.end() ? dflt : real(*it, where + "." + key);
    }

    int32_t integer(const json& v, const std::string& where) const {
        if (!v.is_number_integer()) fail(where, "must be a whole number");
        long long n = v.get<long long>();
        if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
            fail(where, "does not fit a 32-bit integer");
        return static_cast<int32_t>(n);
    }
    int32_t integer(const json& obj, const char* key, const std::string& where) const {
        return integer(need(obj, key, where), where + "." + key);
    }
    int32_t integer_or(const json& obj, const char* key, const std::string& where,
                       int32_t dflt) const {
        auto it = obj.find(key);
        return it == obj.end() ? dflt : integer(*it, where + "." + key);
    }

    std::string text_or(const json& obj, const char* key, const std::string& where) const {
        auto it = obj.find(key);
        if (it == obj.end()) return {};
        if (!it->is_string()) fail(where + "." + key, "must be a text");
        return it->get<std::string>();
    }

    bool boolean_or(const json& obj, const char* key, const std::string& where, bool dflt) const {
        auto it = obj.find(key);
        if (it == obj.end()) return dflt;
        if (!it->is_boolean()) fail(where + "." + key, "must be true or false");
        return it->get<bool>();
    }

    const json& array(const json& obj, const char* key, const std::string& where) const {
        const json& a = need(obj, key, where);
        if (!a.is_array()) fail(where + "." + key, "must be a list");
        return a;
    }

    // A branch number 1..nbr.
    int32_t branch(const json& v, const std::string& where, int nbr) const {
        int32_t b = integer(v, where);
        if (b < 1 || b > nbr)
            fail(where, "branch " + std::to_string(b) + " does not exist (the network has " +
                            std::to_string(nbr) + (nbr == 1 ? " branch)" : " branches)"));
        return b;
    }

private:
    std::string source_;
};

struct PipeValues {
    float diameter = NAN, roughness = 0, heat_transfer = 0, ambient_temperature = 4.0f;
    int32_t sections = 0;
    bool has_diameter = false;
};

PipeValues pipe_values(const Reader& r, const json& obj, const std::string& where, PipeValues v) {
    if (obj.contains("diameter")) {
        v.diameter = r.real(obj, "diameter", where);
        v.has_diameter = true;
    }
    v.roughness = r.real_or(obj, "roughness", where, v.roughness);
    v.heat_transfer = r.real_or(obj, "heat_transfer", where, v.heat_transfer);
    v.ambient_temperature = r.real_or(obj, "ambient_temperature", where, v.ambient_temperature);
    v.sections = r.integer_or(obj, "sections", where, v.sections);
    return v;
}

// A point {"x": m, "depth": m}; elevation is minus the depth.
void point(const Reader& r, const json& obj, const char* key, const std::string& where, float& x,
           float& z) {
    std::string at = where + "." + key;
    const json& p = r.need(obj, key, where);
    r.keys(p, at, {"x", "depth"});
    x = r.real(p, "x", at);
    z = -r.real(p, "depth", at);
}

void read_network(const Reader& r, const json& root, Case& c) {
    ReleaseInput& in = *c.input;
    const json& net = r.need(root, "network", "");
    r.keys(net, "network", {"branches", "junctions"});
    const json& branches = r.array(net, "branches", "network");
    int nbr = static_cast<int>(branches.size());
    if (nbr < 1) r.fail("network.branches", "at least one branch is needed");
    if (nbr > kMaxBranches)
        r.fail("network.branches", std::to_string(nbr) + " branches; the record holds at most 15");
    in.net.NBR = nbr;

    for (int b = 0; b < nbr; ++b) {
        std::string where = "network.branches[" + std::to_string(b) + "]";
        const json& br = branches[b];
        r.keys(br, where, {"name", "start", "pipe_defaults", "pipes"});
        c.branch_names.push_back(r.text_or(br, "name", where));
        BRREC& rec = in.br[b];
        point(r, br, "start", where, rec.XBR0, rec.ZBR0);
        PipeValues defaults;
        if (br.contains("pipe_defaults")) {
            std::string at = where + ".pipe_defaults";
            r.keys(br["pipe_defaults"], at,
                   {"diameter", "roughness", "heat_transfer", "ambient_temperature", "sections"});
            defaults = pipe_values(r, br["pipe_defaults"], at, defaults);
        }
        const json& pipes = r.array(br, "pipes", where);
        int np = static_cast<int>(pipes.size());
        if (np < 1) r.fail(where + ".pipes", "at least one pipe is needed");
        if (np > kMaxPipes)
            r.fail(where + ".pipes", std::to_string(np) + " pipes; a branch holds at most 100");
        rec.NPIPE = np;
        float x = rec.XBR0, z = rec.ZBR0;
        for (int p = 0; p < np; ++p) {
            std::string at = where + ".pipes[" + std::to_string(p) + "]";
            r.keys(pipes[p], at,
                   {"end", "diameter", "roughness", "heat_transfer", "ambient_temperature",
                    "sections"});
            PipeValues v = pipe_values(r, pipes[p], at, defaults);
            if (!v.has_diameter)
                r.fail(at, "missing \"diameter\" (neither here nor in pipe_defaults)");
            PIPSEG& seg = rec.PIPE[p];
            seg.NSECT = v.sections;
            seg.DIAM = v.diameter;
            seg.ROUGH = v.roughness;
            seg.HTC = v.heat_transfer;
            seg.TAMB = v.ambient_temperature;
            seg.XSTA = x;
            seg.ZSTA = z;
            point(r, pipes[p], "end", at, seg.XEND, seg.ZEND);
            x = seg.XEND;
            z = seg.ZEND;
        }
    }

    // Junctions: the branches flowing in, then the one leaving downstream.
    std::vector<int> outs;
    if (net.contains("junctions")) {
        const json& js = r.array(net, "junctions", "network");
        int njun = static_cast<int>(js.size());
        if (njun > kMaxJunctions)
            r.fail("network.junctions",
                   std::to_string(njun) + " junctions; the record holds at most 3");
        if (njun > 0 && nbr == 1)
            r.fail("network.junctions", "a network of one branch has no junctions");
        in.net.NJUN = njun;
        for (int j = 0; j < njun; ++j) {
            std::string where = "network.junctions[" + std::to_string(j) + "]";
            r.keys(js[j], where, {"in", "out"});
            const json& ins = r.array(js[j], "in", where);
            int nin = static_cast<int>(ins.size());
            if (nin < 1) r.fail(where + ".in", "at least one branch must flow in");
            if (nin + 1 > kMaxPerJunction)
                r.fail(where, std::to_string(nin + 1) + " branches; a junction holds at most 5");
            std::vector<int32_t> list;
            for (int k = 0; k < nin; ++k)
                list.push_back(r.branch(ins[k], where + ".in[" + std::to_string(k) + "]", nbr));
            int32_t out = r.branch(r.need(js[j], "out", where), where + ".out", nbr);
            list.push_back(out);
            outs.push_back(out);
            in.net.NBJ[j] = static_cast<int32_t>(list.size());
            for (std::size_t k = 0; k < list.size(); ++k) in.net.IBJ[j + 3 * k] = list[k];
        }
    } else if (nbr > 1) {
        r.fail("network", "a network of several branches needs \"junctions\"");
    }

    // Inlets: one on every branch that does not leave a junction.
    const json& inlets = r.array(root, "inlets", "");
    std::set<int> with_inlet;
    for (std::size_t i = 0; i < inlets.size(); ++i) {
        std::string where = "inlets[" + std::to_string(i) + "]";
        r.keys(inlets[i], where, {"branch", "rate", "temperature", "closing_time"});
        int32_t b = r.branch(r.need(inlets[i], "branch", where), where + ".branch", nbr);
        for (int o : outs)
            if (o == b)
                r.fail(where,
                       "branch " + std::to_string(b) + " starts at a junction, not at an inlet");
        if (!with_inlet.insert(b).second)
            r.fail(where, "branch " + std::to_string(b) + " has a second inlet");
        in.bnd.QIN[b - 1] = r.real(inlets[i], "rate", where);
        in.bnd.TIN[b - 1] = r.real(inlets[i], "temperature", where);
        in.bnd.TCLIN[b - 1] = r.real_or(inlets[i], "closing_time", where, -1.0f);
    }
    for (int b = 1; b <= nbr; ++b) {
        bool is_out = false;
        for (int o : outs) is_out = is_out || o == b;
        if (!is_out && !with_inlet.count(b))
            r.fail("inlets",
                   "branch " + std::to_string(b) + " starts at an inlet but has no entry here");
    }

    const json& outlet = r.need(root, "outlet", "");
    r.keys(outlet, "outlet", {"pressure", "closing_time"});
    in.bnd.POUT = r.real(outlet, "pressure", "outlet");
    in.bnd.TCLOUT = r.real_or(outlet, "closing_time", "outlet", -1.0f);

    const json& leak = r.need(root, "leak", "");
    r.keys(leak, "leak", {"branch", "position", "diameter", "back_pressure", "kind"});
    in.lek.LEKTYP = r.integer_or(leak, "kind", "leak", 0);
    in.lek.LEKBR = r.branch(r.need(leak, "branch", "leak"), "leak.branch", nbr);
    in.lek.LEKX = r.real(leak, "position", "leak");
    in.lek.LEKDIA = r.real(leak, "diameter", "leak");
    in.lek.LEKPB = r.real(leak, "back_pressure", "leak");
}

void read_fluid(const Reader& r, const json& root, Case& c) {
    const json& fluid = r.need(root, "fluid", "");
    r.keys(fluid, "fluid", {"black_oil", "composition"});
    bool bo = fluid.contains("black_oil"), comp = fluid.contains("composition");
    if (bo == comp) r.fail("fluid", "give either \"black_oil\" or \"composition\"");
    Fluid& f = c.fluid;
    if (bo) {
        const json& b = fluid["black_oil"];
        r.keys(b, "fluid.black_oil", {"gas_density", "oil_density", "gor", "water_cut"});
        f.kind = Fluid::Kind::BlackOil;
        f.gas_density = r.real(b, "gas_density", "fluid.black_oil");
        f.oil_density = r.real(b, "oil_density", "fluid.black_oil");
        f.gor = r.real(b, "gor", "fluid.black_oil");
        f.water_cut = r.real(b, "water_cut", "fluid.black_oil");
        // The front end stores the black-oil parameters as the standard
        // values of the property block before it calls BLACKOIL.
        PVTBLK& pvt = c.input->pvt;
        pvt.ROGST = f.gas_density;
        pvt.ROLST = f.oil_density;
        pvt.GORST = f.gor;
        pvt.BETAST = 0.0f;
        return;
    }
    f.kind = Fluid::Kind::Composition;
    const json& list = fluid["composition"];
    if (!list.is_array()) r.fail("fluid.composition", "must be a list of components");
    if (list.empty()) r.fail("fluid.composition", "at least one component is needed");
    if (list.size() > kMaxComponents)
        r.fail("fluid.composition", std::to_string(list.size()) + " components; at most 30");
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string where = "fluid.composition[" + std::to_string(i) + "]";
        r.keys(list[i], where, {"name", "model", "mole_percent", "mole_weight", "liquid_density"});
        Component k;
        k.name = r.text_or(list[i], "name", where);
        k.model = r.integer(list[i], "model", where);
        if (k.model < 1) r.fail(where + ".model", "model index must be 1 or more");
        k.mole_percent = r.real(list[i], "mole_percent", where);
        k.mole_weight = r.real_or(list[i], "mole_weight", where, 0.0f);
        k.liquid_density = r.real_or(list[i], "liquid_density", where, 0.0f);
        if (k.liquid_density < 0) k.liquid_density = 0;  // "none given"
        f.components.push_back(k);
    }
}

void read_run(const Reader& r, const json& root, Case& c) {
    c.control.version = 2;
    if (!root.contains("run")) return;
    const json& run = root["run"];
    r.keys(run, "run", {"end_time", "temperature_calculation"});
    c.control.TUSER = r.real_or(run, "end_time", "run", 0.0f);
    c.control.NOTEMP = r.boolean_or(run, "temperature_calculation", "run", true) ? 0 : 1;
}

}  // namespace

std::unique_ptr<ReleaseInput> fresh_input() {
    auto in = std::make_unique<ReleaseInput>();
    std::memset(static_cast<void*>(in.get()), 0, sizeof(ReleaseInput));
    in->result_path = nullptr;
    in->bnd.POUT = 1.0f;
    in->bnd.TCLOUT = -1.0f;
    in->lek.LEKPB = 1.0f;
    in->leak_amb_temp = 4.0f;
    return in;
}

Case parse_case(std::string_view text, const std::string& source) {
    Reader r(source);
    json root;
    try {
        root = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        r.fail("", std::string("not valid JSON: ") + e.what());
    }
    r.keys(root, "", {"description", "network", "inlets", "outlet", "leak", "fluid", "run"});
    Case c;
    c.source = source;
    c.input = fresh_input();
    c.description = r.text_or(root, "description", "");
    read_network(r, root, c);
    read_fluid(r, root, c);
    read_run(r, root, c);
    return c;
}

Case load_case(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw CaseError(path + ": cannot open the file: " + std::strerror(errno));
    std::stringstream ss;
    ss << f.rdbuf();
    if (f.bad()) throw CaseError(path + ": cannot read the file");
    return parse_case(ss.str(), path);
}

COMPREC make_comprec(const Fluid& fluid) {
    COMPREC c;
    std::memset(&c, 0, sizeof c);
    int n = 0;
    for (const Component& k : fluid.components) {
        if (n == kMaxComponents) break;
        c.MODEL[n] = k.model;
        c.MOLEPCT[n] = k.mole_percent;
        c.MOLWT[n] = k.mole_weight;
        c.LIQDEN[n] = k.liquid_density;
        ++n;
    }
    c.NCOMP = n;
    return c;
}

}  // namespace cases
