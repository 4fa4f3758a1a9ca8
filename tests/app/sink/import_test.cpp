// The import of recorded segments into a diagram: placement, connections
// through PipeJoins, the depth rule, one transaction, and failure without
// any change.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vexil/diagram_file.h"
#include "vexil/diagramdata.h"
#include "vexil/network_objects.h"
#include "vexil/undo.h"
#include "zef_db_mgr.h"

namespace {

PipelineSegment Seg(const char* name, float length, bool hasDepths = false, float startDepth = 0,
                    float endDepth = 0, int connectTo = 0) {
    PipelineSegment s;
    s.name = name;
    s.length = length;
    s.diameter = 0.3f;
    s.roughness = 5e-5f;
    s.heatTransCoeff = 20.0f;
    s.temp = 6.5f;
    s.hasDepths = hasDepths;
    s.startDepth = startDepth;
    s.endDepth = endDepth;
    s.connected = connectTo != 0;
    s.connectToId = connectTo;
    return s;
}

std::string LabelOf(diagram_object* obj) {
    text_block* t = object_label(obj);
    return t && t->numlines > 0 ? std::string(t->line[0]) : std::string();
}

class Import : public ::testing::Test {
protected:
    void SetUp() override { data = diagram_data_create(); }
    void TearDown() override { diagram_data_free(data); }

    std::vector<diagram_object*> OfType(const char* type) const {
        std::vector<diagram_object*> out;
        for (GList* l = data->active_layer->objects; l; l = l->next) {
            auto* obj = static_cast<diagram_object*>(l->data);
            if (std::string(obj->type->name) == type) out.push_back(obj);
        }
        return out;
    }
    // The object a pipeline's start (0) or end (1) hangs on, or null.
    static diagram_object* AttachedAt(diagram_object* pipe, int end) {
        connection_point* cp = as_pipeline(pipe)->conn.endpoint_handles[end].connected_to;
        return cp ? cp->object : nullptr;
    }
    std::string Saved() {
        const FileSection none[] = {{nullptr, nullptr, nullptr, nullptr}};
        const std::string path = dir.filePath(QStringLiteral("net.zef")).toStdString();
        EXPECT_EQ(diagram_file_save(data, path.c_str(), 0, none), 1);
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    QTemporaryDir dir;
    diagram_data* data = nullptr;
    CZefDBMgr mgr;
};

TEST_F(Import, two_segments_and_a_connected_one_give_three_pipelines_and_one_join) {
    EXPECT_EQ(mgr.RecordSegment(Seg("North", 1200.0f)), 1);
    EXPECT_EQ(mgr.RecordSegment(Seg("South", 800.0f)), 2);
    EXPECT_EQ(mgr.RecordSegment(Seg("Riser", 150.0f, true, -110.0f, -5.0f, 1)), 3);
    const int depthBefore = data->undo->depth;

    int placed = 0;
    ASSERT_TRUE(mgr.BuildNetworkFromDatabase(data, Point{10.0, 20.0}, &placed));
    EXPECT_EQ(placed, 3);
    EXPECT_TRUE(mgr.Segments().empty());
    // Exactly one new transaction.
    EXPECT_EQ(data->undo->depth, depthBefore + 1);

    const auto pipes = OfType(PIPELINE_TYPE);
    const auto joins = OfType(PIPE_JOIN_TYPE);
    ASSERT_EQ(pipes.size(), 3u);
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_EQ(LabelOf(pipes[0]), "North");
    EXPECT_EQ(LabelOf(pipes[1]), "South");
    EXPECT_EQ(LabelOf(pipes[2]), "Riser");
    EXPECT_STREQ(*object_label(pipes[0])->font, "Arial");
    const pipeline* north = as_pipeline(pipes[0]);
    EXPECT_EQ(north->length, (double)1200.0f);
    EXPECT_EQ(north->diameter, (double)0.3f);
    EXPECT_EQ(north->roughness, (double)5e-5f);
    EXPECT_EQ(north->heat_trans_coeff, (double)20.0f);
    EXPECT_EQ(north->amb_temp, (double)6.5f);
    EXPECT_EQ(as_pipeline(pipes[2])->length, (double)150.0f);

    // Unconnected segments from the start point + (3, 1), one below the other.
    EXPECT_DOUBLE_EQ(north->conn.endpoints[0].x, 13.0);
    EXPECT_DOUBLE_EQ(north->conn.endpoints[0].y, 21.0);
    EXPECT_DOUBLE_EQ(as_pipeline(pipes[1])->conn.endpoints[0].x, 13.0);
    EXPECT_DOUBLE_EQ(as_pipeline(pipes[1])->conn.endpoints[0].y, 22.0);

    // The join sits at North's end, holding North's end and Riser's start.
    diagram_object* join = joins[0];
    EXPECT_EQ(AttachedAt(pipes[0], 1), join);
    EXPECT_EQ(AttachedAt(pipes[2], 0), join);
    EXPECT_EQ(AttachedAt(pipes[0], 0), nullptr);
    EXPECT_EQ(AttachedAt(pipes[1], 0), nullptr);
    EXPECT_EQ(AttachedAt(pipes[1], 1), nullptr);
    EXPECT_EQ(AttachedAt(pipes[2], 1), nullptr);
    EXPECT_LT(distance_point_point(&join->position, &north->conn.endpoints[1]), POINT_OBJECT_SIZE);
    // North has no depths: the join takes Riser's start depth.
    EXPECT_EQ(as_point_object(join)->depth, (double)-110.0f);
}

struct DepthCase {
    bool targetDepths;
    bool nextDepths;
    double expected;
};

TEST_F(Import, join_depth_is_the_target_end_else_the_new_start_else_zero) {
    const DepthCase cases[] = {
        {true, true, (double)-40.0f},   // the target's end depth wins
        {true, false, (double)-40.0f},  //
        {false, true, (double)-55.0f},  // the new segment's start depth
        {false, false, 0.0},            // neither has depths
    };
    for (const DepthCase& c : cases) {
        CZefDBMgr m;
        const int32_t first = m.RecordSegment(Seg("A", 100.0f, c.targetDepths, -10.0f, -40.0f));
        m.RecordSegment(Seg("B", 100.0f, c.nextDepths, -55.0f, -60.0f, first));
        diagram_data* d = diagram_data_create();
        ASSERT_TRUE(m.BuildNetworkFromDatabase(d, Point{0, 0}));
        int joins = 0;
        for (GList* l = d->active_layer->objects; l; l = l->next)
            if (point_object* po = as_point_object(static_cast<diagram_object*>(l->data))) {
                EXPECT_EQ(po->depth, c.expected) << c.targetDepths << c.nextDepths;
                joins++;
            }
        EXPECT_EQ(joins, 1);
        diagram_data_free(d);
    }
}

TEST_F(Import, branches_from_one_end_share_one_join_and_chains_follow) {
    const int32_t trunk = mgr.RecordSegment(Seg("Trunk", 500.0f));
    // Listed before its own target: placed once that target is.
    const int32_t tail = mgr.RecordSegment(Seg("Tail", 50.0f, false, 0, 0, trunk + 3));
    const int32_t a = mgr.RecordSegment(Seg("A", 100.0f, false, 0, 0, trunk));
    mgr.RecordSegment(Seg("B", 100.0f, false, 0, 0, trunk));
    const int32_t c = mgr.RecordSegment(Seg("C", 100.0f, false, 0, 0, a));
    ASSERT_EQ(tail, 2);
    ASSERT_EQ(c, 5);  // Tail continues from id 4, B
    ASSERT_TRUE(mgr.BuildNetworkFromDatabase(data, Point{0, 0}));

    const auto pipes = OfType(PIPELINE_TYPE);
    ASSERT_EQ(pipes.size(), 5u);
    // Three joins: at Trunk's end (shared by A and B), at A's end, at B's end.
    EXPECT_EQ(OfType(PIPE_JOIN_TYPE).size(), 3u);
    auto pipe = [&](const char* name) {
        for (diagram_object* p : pipes)
            if (LabelOf(p) == name) return p;
        return static_cast<diagram_object*>(nullptr);
    };
    diagram_object* trunkJoin = AttachedAt(pipe("Trunk"), 1);
    ASSERT_NE(trunkJoin, nullptr);
    EXPECT_EQ(AttachedAt(pipe("A"), 0), trunkJoin);
    EXPECT_EQ(AttachedAt(pipe("B"), 0), trunkJoin);
    EXPECT_NE(AttachedAt(pipe("A"), 1), nullptr);
    EXPECT_EQ(AttachedAt(pipe("C"), 0), AttachedAt(pipe("A"), 1));
    EXPECT_EQ(AttachedAt(pipe("Tail"), 0), AttachedAt(pipe("B"), 1));
    // A and B leave the join at different points.
    EXPECT_NE(as_pipeline(pipe("A"))->conn.endpoint_handles[0].connected_to,
              as_pipeline(pipe("B"))->conn.endpoint_handles[0].connected_to);
}

TEST_F(Import, unplaceable_segments_fail_and_change_nothing) {
    struct Case {
        const char* what;
        std::vector<PipelineSegment> segs;
    };
    const Case cases[] = {
        {"unknown target", {Seg("A", 10.0f), Seg("B", 10.0f, false, 0, 0, 99)}},
        {"a loop",
         {Seg("A", 10.0f), Seg("B", 10.0f, false, 0, 0, 3), Seg("C", 10.0f, false, 0, 0, 2)}},
        {"its own target", {Seg("A", 10.0f, false, 0, 0, 1)}},
    };
    // Something already drawn, which must stay as it is.
    CZefDBMgr first;
    first.RecordSegment(Seg("Existing", 10.0f));
    first.RecordSegment(Seg("Next", 10.0f, false, 0, 0, 1));
    ASSERT_TRUE(first.BuildNetworkFromDatabase(data, Point{0, 0}));
    const std::string before = Saved();
    const int chainBefore = undo_chain_length(data->undo);
    for (const Case& c : cases) {
        CZefDBMgr m;
        for (const PipelineSegment& s : c.segs) m.RecordSegment(s);
        int placed = -1;
        EXPECT_FALSE(m.BuildNetworkFromDatabase(data, Point{5, 5}, &placed)) << c.what;
        EXPECT_EQ(placed, 0);
        EXPECT_EQ(m.Segments().size(), c.segs.size()) << c.what << ": the list is kept";
        EXPECT_EQ(undo_chain_length(data->undo), chainBefore) << c.what;
        EXPECT_EQ(Saved(), before) << c.what;
    }
}

TEST_F(Import, nothing_recorded_is_no_failure_and_no_change) {
    const int chainBefore = undo_chain_length(data->undo);
    int placed = -1;
    EXPECT_TRUE(mgr.BuildNetworkFromDatabase(data, Point{0, 0}, &placed));
    EXPECT_EQ(placed, 0);
    EXPECT_EQ(undo_chain_length(data->undo), chainBefore);
    EXPECT_EQ(data->active_layer->objects, nullptr);
}

TEST_F(Import, ids_keep_running_after_an_import) {
    mgr.RecordSegment(Seg("A", 10.0f));
    mgr.RecordSegment(Seg("B", 10.0f));
    ASSERT_TRUE(mgr.BuildNetworkFromDatabase(data, Point{0, 0}));
    // The database still knows the earlier ids: a new one may not repeat them.
    EXPECT_EQ(mgr.RecordSegment(Seg("C", 10.0f)), 3);
}

}  // namespace
