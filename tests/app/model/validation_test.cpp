// Network validation: small networks drawn with the real object types give
// the exact (message, object) of their first fault, or a record whose
// numbering and coordinates are worked by hand.
#include "network_builder.h"
#include <vexil/network_objects.h>
#include "release_model.h"
#include "string_table.h"
#include <vexil/text.h>
#include "system_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using model_test::Network;

class ValidationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(vexil_startup()); }

    // Validates with the default black oil.
    bool Validate(Network& net) {
        CBlackOilModel oil;
        return model.ValidateNetwork(net.data, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                                     oil.water_cut, {}, path.c_str());
    }
    ValidationError Error() const {
        return model.Errors().empty() ? ValidationError{0, -1} : model.Errors().front();
    }

    CReleaseModel model;
    std::string path = "/tmp/scenario.$$$";
};

// outlet (depth 0) <- P (30 m) <- inlet (depth 10), leak 10 m along P.
struct Minimal {
    Network net;
    diagram_object *outlet, *pipe, *inlet, *spill;
    explicit Minimal(double length = 30, double inletDepth = 10) {
        outlet = net.Outlet(0, 2.0e6);
        pipe = net.Pipe(length);
        inlet = net.Inlet(inletDepth, 1000, 50);
        spill = net.Spill(10, 8);
        net.Chain(outlet, pipe, inlet);
        net.Leak(spill, pipe);
    }
};

TEST_F(ValidationTest, minimal_network_fills_the_record) {
    Minimal m;
    ASSERT_TRUE(Validate(m.net)) << Error().id;
    const orvane::ReleaseInput& in = *model.GetInput();
    EXPECT_EQ(in.net.NBR, 1);
    EXPECT_EQ(in.net.NJUN, 0);
    const BRREC& b = in.br[0];
    ASSERT_EQ(b.NPIPE, 1);
    // Horizontal length of 30 m over a 10 m rise: sqrt(30^2 - 10^2) = 28.284271.
    EXPECT_NEAR(b.PIPE[0].XSTA, -28.284271f, 1e-5f);
    EXPECT_EQ(b.XBR0, b.PIPE[0].XSTA);
    EXPECT_EQ(b.PIPE[0].XEND, 0.0f);
    EXPECT_EQ(b.PIPE[0].ZSTA, -10.0f);
    EXPECT_EQ(b.ZBR0, -10.0f);
    EXPECT_EQ(b.PIPE[0].ZEND, 0.0f);
    EXPECT_EQ(b.PIPE[0].NSECT, 0);
    EXPECT_FLOAT_EQ(b.PIPE[0].DIAM, 0.254f);
    EXPECT_FLOAT_EQ(b.PIPE[0].ROUGH, 5e-5f);
    EXPECT_FLOAT_EQ(b.PIPE[0].HTC, 20.0f);
    EXPECT_FLOAT_EQ(b.PIPE[0].TAMB, 4.0f);
    EXPECT_EQ(in.lek.LEKTYP, 0);
    EXPECT_EQ(in.lek.LEKBR, 1);
    EXPECT_FLOAT_EQ(in.lek.LEKX, 10.0f);
    EXPECT_FLOAT_EQ(in.lek.LEKDIA, 0.05f);
    EXPECT_FLOAT_EQ(in.lek.LEKPB, 1.2e6f);
    EXPECT_FLOAT_EQ(in.leak_depth, 8.0f);
    EXPECT_FLOAT_EQ(in.leak_amb_temp, 4.0f);
    EXPECT_FLOAT_EQ(in.bnd.POUT, 2.0e6f);
    EXPECT_FLOAT_EQ(in.bnd.TCLOUT, -1.0f);
    EXPECT_NEAR(in.bnd.QIN[0], 1000 * 0.010830874f,
                1e-5f);  // per day, scaled for the default black oil
    EXPECT_FLOAT_EQ(in.bnd.TIN[0], 50.0f);
    EXPECT_FLOAT_EQ(in.bnd.TCLIN[0], 600.0f);
    // Bookkeeping by object number.
    EXPECT_EQ(in.outlet_obj, m.outlet->xref);
    EXPECT_EQ(in.branch_start_obj[0], m.inlet->xref);
    EXPECT_EQ(in.branch_name_obj[0], m.inlet->xref);
    EXPECT_EQ(in.inlet_obj[0], m.inlet->xref);
    EXPECT_EQ(in.segment_obj[0][0], m.pipe->xref);
    EXPECT_EQ(in.leak_obj, m.spill->xref);
    EXPECT_GT(m.spill->xref, 0);
    int32_t len = 0;
    EXPECT_STREQ(model.GetInput()->GetResultFileName(&len), "/tmp/scenario.$$$");
    EXPECT_EQ(len, 17);
    EXPECT_TRUE(model.IsValidated());
    EXPECT_TRUE(model.Errors().empty());
}

TEST_F(ValidationTest, leak_on_the_second_pipeline_is_placed_along_the_branch) {
    // inlet <- P1 (100 m) <- join -> P2 (100 m) -> outlet, leak 10 m into P2.
    Network net;
    auto *outlet = net.Outlet(), *p1 = net.Pipe(100), *join = net.Join(), *p2 = net.Pipe(100),
         *inlet = net.Inlet();
    auto* spill = net.Spill(10);
    net.Chain(outlet, p2, join);
    net.Chain(join, p1, inlet);
    net.Leak(spill, p2);
    ASSERT_TRUE(Validate(net)) << Error().id;
    const orvane::ReleaseInput& in = *model.GetInput();
    ASSERT_EQ(in.br[0].NPIPE, 2);
    EXPECT_EQ(in.segment_obj[0][0], p1->xref);  // upstream first
    EXPECT_EQ(in.segment_obj[0][1], p2->xref);
    EXPECT_FLOAT_EQ(in.lek.LEKX, 110.0f);
    EXPECT_FLOAT_EQ(in.br[0].PIPE[0].XSTA, -200.0f);
    EXPECT_FLOAT_EQ(in.br[0].PIPE[0].XEND, -100.0f);
    EXPECT_FLOAT_EQ(in.br[0].PIPE[1].XSTA, -100.0f);
}

// Two junctions: J2 joins inlets A and B; J1 joins that branch and inlet C;
// the outlet branch leaves J1. Depths differ so every pipeline is inclined.
TEST_F(ValidationTest, two_junction_tree_numbers_upstream_first_and_couples_branch_ends) {
    Network net;
    auto *outlet = net.Outlet(50), *j1 = net.Junction(80), *j2 = net.Junction(100);
    auto *a = net.Inlet(120), *b = net.Inlet(130), *c = net.Inlet(90);
    auto *pOut = net.Pipe(500), *pJ = net.Pipe(400), *pA = net.Pipe(300), *pB = net.Pipe(200),
         *pC = net.Pipe(100);
    net.Chain(outlet, pOut, j1);
    net.Chain(j1, pJ, j2);
    net.Chain(j1, pC, c);
    net.Chain(j2, pA, a);
    net.Chain(j2, pB, b);
    auto* spill = net.Spill(5);
    net.Leak(spill, pA);
    ASSERT_TRUE(Validate(net)) << Error().id << " " << Error().xref;
    const orvane::ReleaseInput& in = *model.GetInput();
    ASSERT_EQ(in.net.NBR, 5);
    ASSERT_EQ(in.net.NJUN, 2);
    // The outlet branch is numbered last; each junction lists its
    // downstream branch last; upstream branches carry lower numbers.
    EXPECT_EQ(in.branch_start_obj[4], pOut->xref);
    EXPECT_EQ(in.branch_name_obj[4], j1->xref);
    EXPECT_EQ(in.junction_obj[0], j2->xref);  // completed first
    EXPECT_EQ(in.junction_obj[1], j1->xref);
    for (int j = 0; j < 2; ++j) {
        ASSERT_EQ(in.net.NBJ[j], 3);
        for (int k = 0; k < 2; ++k) EXPECT_LT(in.IBJ(j, k), in.IBJ(j, 2));
    }
    // J2 (first): A = 1, B = 2, leaving 3; J1: 3, C = 4, leaving 5.
    EXPECT_EQ(in.IBJ(0, 0), 1);
    EXPECT_EQ(in.IBJ(0, 1), 2);
    EXPECT_EQ(in.IBJ(0, 2), 3);
    EXPECT_EQ(in.IBJ(1, 0), 3);
    EXPECT_EQ(in.IBJ(1, 1), 4);
    EXPECT_EQ(in.IBJ(1, 2), 5);
    // Sibling branches in object-number order: A (drawn before B) first.
    EXPECT_EQ(in.branch_start_obj[0], a->xref);
    EXPECT_EQ(in.branch_start_obj[1], b->xref);
    EXPECT_EQ(in.lek.LEKBR, 1);
    // Every upstream branch ends where its downstream branch starts.
    for (int j = 0; j < in.net.NJUN; ++j) {
        const BRREC& down = in.br[in.IBJ(j, in.net.NBJ[j] - 1) - 1];
        for (int k = 0; k + 1 < in.net.NBJ[j]; ++k) {
            const BRREC& up = in.br[in.IBJ(j, k) - 1];
            const PIPSEG& last = up.PIPE[up.NPIPE - 1];
            EXPECT_NEAR(last.XEND, down.XBR0, 0.001f) << "junction " << j + 1 << " entry " << k + 1;
            EXPECT_NEAR(last.ZEND, down.ZBR0, 0.001f);
        }
    }
    // Hand values: outlet branch 500 m rising 30 m: h = sqrt(500^2 - 30^2) = 499.099189.
    EXPECT_NEAR(in.br[4].XBR0, -499.099189f, 1e-3f);
    // J1 -> J2: 400 m over 20 m: h = 399.499687; J2 at -898.598876.
    EXPECT_NEAR(in.br[2].XBR0, -898.598876f, 2e-3f);
    // Inlet A: 300 m over 20 m: h = 299.332591, so -1197.931467.
    EXPECT_NEAR(in.br[0].XBR0, -1197.931467f, 2e-3f);
}

TEST_F(ValidationTest, each_fault_gives_its_message_and_object) {
    struct Case {
        const char* name;
        std::function<void(Network&, diagram_object*& expected)> build;
        unsigned id;
        bool objectZero;
    };
    auto inletPipe = [](Network& net, diagram_object* down, double length = 100) {
        auto* p = net.Pipe(length);
        net.Chain(down, p, net.Inlet());
        return p;
    };
    const Case cases[] = {
        {"pipeline of 29.9 m",
         [](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(29.9), *i = net.Inlet();
             net.Chain(o, p, i);
             net.Leak(net.Spill(1), p);
             e = p;
         },
         16126, false},
        {"40 m pipeline over a 50 m depth difference",
         [](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(0), *p = net.Pipe(40), *i = net.Inlet(50);
             net.Chain(o, p, i);
             net.Leak(net.Spill(1), p);
             e = p;
         },
         16127, false},
        {"junction with one upstream pipeline",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
             net.Chain(o, p, j);
             net.Leak(net.Spill(1), p);
             inletPipe(net, j);
             e = j;
         },
         16119, false},
        {"a fourth junction",
         [&](Network& net, diagram_object*& e) {
             diagram_object *down = net.Outlet(), *first = nullptr;
             for (int k = 0; k < 4; ++k) {
                 auto *p = net.Pipe(100), *j = net.Junction();
                 net.Chain(down, p, j);
                 if (k == 0) {
                     net.Leak(net.Spill(1), p);
                     first = j;
                 }
                 inletPipe(net, j);
                 down = j;
             }
             inletPipe(net, down);
             e = first;  // junctions complete upstream first: the fourth is the first drawn
         },
         16107, false},
        {"a sixteenth branch",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
             net.Chain(o, p, j);
             net.Leak(net.Spill(1), p);
             for (int k = 0; k < 16; ++k) {
                 auto *q = net.Pipe(100), *i = net.Inlet();
                 net.Chain(j, q, i);
                 e = i;
             }
         },
         16117, false},
        {"a 101st segment in one branch",
         [](Network& net, diagram_object*& e) {
             diagram_object* down = net.Outlet();
             for (int k = 0; k < 101; ++k) {
                 auto* p = net.Pipe(30);
                 if (k == 0) {
                     net.Leak(net.Spill(1), p);
                     e = p;  // segments append upstream first: the last is next to the outlet
                 }
                 diagram_object* up = k == 100 ? net.Inlet() : net.Join();
                 net.Chain(down, p, up);
                 down = up;
             }
         },
         16106, false},
        {"two outlets",
         [](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *i = net.Inlet();
             net.Chain(o, p, i);
             net.Leak(net.Spill(1), p);
             net.Outlet();
             e = o;
         },
         16102, false},
        {"an outlet with two pipelines",
         [&](Network& net, diagram_object*& e) {
             auto* o = net.Outlet();
             net.Leak(net.Spill(1), inletPipe(net, o));
             inletPipe(net, o);
             e = o;
         },
         16121, false},
        {"a loop back to a junction already reached",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j1 = net.Junction(), *j2 = net.Junction();
             net.Chain(o, p, j1);
             net.Leak(net.Spill(1), p);
             auto *a = net.Pipe(100), *b = net.Pipe(100);
             net.Chain(j1, a, j2);
             net.Chain(j1, b, j2);  // a second way between the junctions
             inletPipe(net, j2);
             e = j1;
         },
         16103, false},
        {"a stray pipeline",
         [&](Network& net, diagram_object*& e) {
             auto* o = net.Outlet();
             net.Leak(net.Spill(1), inletPipe(net, o));
             e = net.Pipe(100);
         },
         16103, false},
        {"no outlet",
         [&](Network& net, diagram_object*&) {
             net.Leak(net.Spill(1), inletPipe(net, net.Junction()));
         },
         16103, true},
        {"no leakage point", [&](Network& net, diagram_object*&) { inletPipe(net, net.Outlet()); },
         16123, true},
        {"two leakage points on one pipeline",
         [&](Network& net, diagram_object*& e) {
             auto* p = inletPipe(net, net.Outlet());
             net.Leak(net.Spill(1), p);
             auto* s = net.Spill(2);
             net.Leak(s, p);
             e = s;
         },
         16104, false},
        {"two leakage points on two pipelines",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *join = net.Join();
             net.Chain(o, p, join);
             auto* q = inletPipe(net, join);
             net.Leak(net.Spill(1), q);  // upstream: reached first
             auto* s = net.Spill(2);
             net.Leak(s, p);
             e = s;
         },
         16104, false},
        {"two pipelines joined directly",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *q = net.Pipe(100);
             net.Link(p, 1, o);
             net.Leak(net.Spill(1), p);
             ASSERT_TRUE(
                 handle_attach(q, Network::Handle(q, HANDLE_MOVE_ENDPOINT), p->connections[0]));
             e = q;
         },
         16122, false},
        {"a connection with three pipelines",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *join = net.Join();
             net.Chain(o, p, join);
             net.Leak(net.Spill(1), p);
             inletPipe(net, join);
             inletPipe(net, join);
             e = join;
         },
         16118, false},
        {"an inlet in the middle of a branch",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *i = net.Inlet();
             net.Chain(o, p, i);
             net.Leak(net.Spill(1), p);
             inletPipe(net, i);
             e = i;
         },
         16120, false},
        {"a pipeline with an open upstream end",
         [](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100);
             net.Link(p, 1, o);
             net.Leak(net.Spill(1), p);
             e = p;
         },
         16116, false},
        {"six pipelines at a junction: the leaving one is the sixth",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
             net.Chain(o, p, j);
             net.Leak(net.Spill(1), p);
             for (int k = 0; k < 5; ++k) inletPipe(net, j);
             e = p;
         },
         16108, false},
        {"six upstream pipelines at a junction",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
             net.Chain(o, p, j);
             net.Leak(net.Spill(1), p);
             for (int k = 0; k < 6; ++k) inletPipe(net, j);
             e = j;
         },
         16108, false},
    };
    for (const Case& c : cases) {
        Network net;
        diagram_object* expected = nullptr;
        c.build(net, expected);
        EXPECT_FALSE(Validate(net)) << c.name;
        ASSERT_EQ(model.Errors().size(), 1u) << c.name;
        EXPECT_EQ(Error().id, c.id) << c.name;
        const int want = c.objectZero ? 0 : expected ? expected->xref : -1;
        EXPECT_EQ(Error().xref, want) << c.name;
        EXPECT_FALSE(model.IsValidated()) << c.name;
    }
}

// A labelled pipeline or junction at fault is named by its label in the
// message, and is the object the message selects.
TEST_F(ValidationTest, a_labelled_pipeline_or_junction_at_fault_is_named_by_its_label) {
    const struct {
        const char* name;
        const char* label;
        std::function<void(Network&, diagram_object*&)> build;
        unsigned id;
        const char* text;
    } cases[] = {
        {"junction with one upstream pipeline", "North tee",
         [&](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
             net.Chain(o, p, j);
             net.Leak(net.Spill(1), p);
             auto *up = net.Pipe(100), *i = net.Inlet();
             net.Chain(j, up, i);
             e = j;
         },
         IDS_JUNCTION_THREE_BRANCHES_NAMED,
         "Junction \"North tee\": A Junction object should connect at least 3 branches "
         "(Pipelines)."},
        {"pipeline with an open upstream end", "Export",
         [](Network& net, diagram_object*& e) {
             auto *o = net.Outlet(), *p = net.Pipe(100);
             net.Link(p, 1, o);
             net.Leak(net.Spill(1), p);
             e = p;
         },
         IDS_PIPELINE_BOTH_ENDS_NAMED,
         "Pipeline \"Export\": A Pipeline object must be connected to a non-Pipeline object at "
         "both endpoints."},
    };
    for (const auto& c : cases) {
        Network net;
        diagram_object* expected = nullptr;
        c.build(net, expected);
        text_block* label = object_label(expected);
        ASSERT_NE(label, nullptr) << c.name;
        text_set_string(label, c.label);
        EXPECT_FALSE(Validate(net)) << c.name;
        ASSERT_EQ(model.Errors().size(), 1u) << c.name;
        EXPECT_EQ(Error().id, c.id) << c.name;
        EXPECT_EQ(Error().xref, expected->xref) << c.name;
        ASSERT_EQ(Error().args.size(), 1u) << c.name;
        EXPECT_EQ(AfxFormatString1(c.id, Error().args[0]).toStdString(), c.text) << c.name;
    }
}

// Values the loader never lets in, but an object in memory may hold: each
// is refused before the walk, naming the field and what it holds.
TEST_F(ValidationTest, values_that_are_not_numbers_are_refused_with_their_field) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* field;
        std::function<diagram_object*(Minimal&)> damage;
        const char *name, *shown;
    } cases[] = {
        {"length", [&](Minimal& m) { return as_pipeline(m.pipe)->length = inf, m.pipe; },
         "pipeline's length", "inf"},
        {"pressure",
         [](Minimal& m) { return as_point_object(m.outlet)->pressure = std::nan(""), m.outlet; },
         "outlet's pressure", "nan"},
        {"temp", [](Minimal& m) { return as_point_object(m.inlet)->temp = 1e39, m.inlet; },
         "inlet's temperature", "1e+39"},
        {"leak depth", [&](Minimal& m) { return as_spill_point(m.spill)->depth = -inf, m.spill; },
         "leak's water depth", "-inf"},
    };
    for (const auto& c : cases) {
        Minimal m;
        diagram_object* obj = c.damage(m);
        EXPECT_FALSE(Validate(m.net)) << c.field;
        const ValidationError e = Error();
        EXPECT_EQ(e.id, IDS_VALUE_NOT_A_NUMBER) << c.field;
        EXPECT_EQ(e.xref, obj->xref) << c.field;
        EXPECT_EQ(e.args, (std::vector<QString>{c.name, c.shown})) << c.field;
    }
}

TEST_F(ValidationTest, stray_text_is_ignored_and_a_second_layer_is_refused) {
    Minimal m;
    object_type* text = type_registry_find("Text");
    ASSERT_NE(text, nullptr);
    Point at{5, 5};
    object_handle *h1 = nullptr, *h2 = nullptr;
    layer_add_object(m.net.data->active_layer,
                     text->ops->create(&at, text->default_user_data, &h1, &h2));
    EXPECT_TRUE(Validate(m.net)) << Error().id << " " << Error().xref;

    diagram_add_layer(m.net.data, layer_create(g_strdup("second")));
    EXPECT_FALSE(Validate(m.net));
    EXPECT_EQ(Error(), (ValidationError{16113, 0}));
}

TEST_F(ValidationTest, sibling_numbering_is_the_same_for_the_same_drawing) {
    auto build = [](Network& net) {
        auto *o = net.Outlet(), *p = net.Pipe(100), *j = net.Junction();
        net.Chain(o, p, j);
        net.Leak(net.Spill(1), p);
        for (int k = 0; k < 4; ++k) {
            auto* q = net.Pipe(100 + 10 * k);
            net.Chain(j, q, net.Inlet());
        }
    };
    std::vector<float> lengths[2];
    for (auto& run : lengths) {
        Network net;
        build(net);
        ASSERT_TRUE(Validate(net));
        const orvane::ReleaseInput& in = *model.GetInput();
        for (int k = 0; k < in.net.NBR; ++k)
            run.push_back(in.br[k].PIPE[0].XEND - in.br[k].PIPE[0].XSTA);
    }
    EXPECT_EQ(lengths[0], lengths[1]);
    EXPECT_EQ(lengths[0],
              (std::vector<float>{100, 110, 120, 130, 100}));  // drawing order, outlet branch last
}

TEST_F(ValidationTest, fluid_failures_end_validation_with_the_library_text) {
    Minimal m;
    FluidComponent c1;
    c1.compid = "C1";
    c1.name = "Methane";
    c1.model_idx = 4;
    c1.mole_weight = 16.043f;
    c1.fraction = 60;  // does not add up to 100
    model.SetFluidClass(FLUID_GAS_COMPOSITION);
    EXPECT_FALSE(model.ValidateNetwork(m.net.data, 0, 0, 0, 0, {c1}, "/tmp/x.$$$"));
    EXPECT_EQ(Error(), (ValidationError{16183, 0}));
    EXPECT_EQ(model.Warning(), "MOLE FRACTIONS DO NOT SUM UP TO 100%");

    c1.fraction = 100;
    ASSERT_TRUE(model.ValidateNetwork(m.net.data, 0, 0, 0, 0, {c1}, "/tmp/x.$$$"));
    EXPECT_TRUE(model.Warning().isEmpty());
    EXPECT_GE(model.GetInput()->pvt.BETAST, 0.99999f);

    model.SetFluidClass(5);
    EXPECT_FALSE(Validate(m.net));
    EXPECT_EQ(Error(), (ValidationError{16184, 0}));
}

TEST_F(ValidationTest, diagnostic_mode_appends_the_walk_and_the_network_to_the_trace_file) {
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    settings.SetDiagnosticMode(true);
    SetAppSettings(&settings);
    // The trace path is fixed at its first use in the process.
    QDir().mkpath(QFileInfo(QString::fromUtf8(app_trace_path())).path());
    QFile::remove(QString::fromUtf8(app_trace_path()));
    Minimal m;
    EXPECT_TRUE(Validate(m.net));
    SetAppSettings(nullptr);
    QFile trace(QString::fromUtf8(app_trace_path()));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(trace.readAll());
    trace.close();
    trace.remove();
    EXPECT_TRUE(text.contains("\n--- Parsing tree of pipeline branches: ---\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(": FlowOutlet\n"));
    EXPECT_TRUE(text.contains("  - ")) << "nested entries are indented";
    EXPECT_TRUE(text.contains("\n--- Network: ---\n1 branches, 0 junctions\n"));
    EXPECT_TRUE(text.contains("  B1(1), x0=-28.2843, y0=-10:\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("    outlet pressure: 2e+06    outlet closetime: -1\n"));
}

}  // namespace
