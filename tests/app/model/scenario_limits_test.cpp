// A branch longer than a run accepts is refused when the file is opened,
// before its objects are made, with one message; one of the longest length
// opens. The network check refuses the same branch for its length.
#include "fluid_model.h"
#include "message_ids.h"
#include "network_builder.h"
#include "release_input.h"
#include "release_model.h"
#include "scenario_limits.h"

#include <vexil/diagram_file.h>
#include <vexil/message.h>
#include <vexil/object.h>

#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

using model_test::Network;

TEST(ScenarioLimits, a_branch_over_the_limit_is_refused_before_its_objects_are_read) {
    ASSERT_TRUE(vexil_startup());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        int pipes;
        bool accepted;
    } cases[] = {{orvane::MAX_SEGMENTS, true}, {orvane::MAX_SEGMENTS + 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pipes);
        // outlet <- pipe <- join <- pipe ... <- inlet, the leak on the first pipe
        Network net;
        diagram_object* down = net.Outlet();
        diagram_object* first = nullptr;
        for (int i = 0; i < c.pipes; ++i) {
            diagram_object* pipe = net.Pipe(30);
            diagram_object* up = i + 1 < c.pipes ? net.Join() : net.Inlet();
            net.Chain(down, pipe, up);
            if (!first) first = pipe;
            down = up;
        }
        net.Leak(net.Spill(10), first);
        // The network check draws the same line (100 pipelines take more
        // sections than a run allows, a refusal of its own).
        CReleaseModel model;
        CBlackOilModel oil;
        model.ValidateNetwork(net.data, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                              oil.water_cut, {}, "/tmp/branch.$$$");
        ASSERT_FALSE(model.Errors().empty());
        EXPECT_EQ(model.Errors().front().id == unsigned(IDS_MAX_SEGMENTS), !c.accepted);
        const std::string path = dir.filePath("branch.zef").toStdString();
        ASSERT_EQ(diagram_file_save(net.data, path.c_str(), 0, nullptr), 1);
        EXPECT_EQ(LongestBranchInFile(nullptr), 0);

        std::vector<std::string> texts;
        message_set_sink(
            [](message_icon, const char* text, void* all) {
                static_cast<std::vector<std::string>*>(all)->push_back(text);
            },
            &texts);
        InstallScenarioFileLimits();
        diagram_data* d = diagram_data_create();
        const int loaded = diagram_file_load(path.c_str(), d, nullptr);
        diagram_file_set_check(nullptr);
        message_set_sink(nullptr, nullptr);
        EXPECT_EQ(loaded, c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(g_list_length(d->active_layer->objects), guint(2 * c.pipes + 2));
        } else {
            EXPECT_EQ(texts,
                      std::vector<std::string>{
                          path + " was not opened: one of its branches holds 101 Pipeline "
                                 "segments.\n\nA maximum of 100 Pipeline segments per "
                                 "branch (e.g., between two Junction points) is supported."});
            // Nothing of the file was read in.
            EXPECT_EQ(g_list_length(d->active_layer->objects), 0u);
        }
        diagram_data_free(d);
    }
}

}  // namespace
