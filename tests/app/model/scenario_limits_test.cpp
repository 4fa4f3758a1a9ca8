// What the loader refuses before a file's objects are made (only a file too
// large to read in), and what it leaves to the network check (a branch
// longer than a run takes).
#include "fluid_model.h"
#include "message_ids.h"
#include "network_builder.h"
#include "release_input.h"
#include "release_model.h"
#include "scenario_limits.h"

#include <vexil/diagram_file.h>
#include <vexil/message.h>
#include <vexil/object.h>

#include <QFile>
#include <libxml/parser.h>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

using model_test::Network;

// A branch one pipeline over what a run takes opens (the user can mend and
// save it); the network check refuses it, naming the limit. At the limit the
// check refuses the branch for the sections its pipelines take, not for its
// length.
TEST(ScenarioLimits, a_branch_over_the_run_limit_opens_and_the_check_refuses_it) {
    ASSERT_TRUE(vexil_startup());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const int pipes : {orvane::MAX_SEGMENTS, orvane::MAX_SEGMENTS + 1}) {
        SCOPED_TRACE(pipes);
        // outlet <- pipe <- join <- pipe ... <- inlet, the leak on the first pipe
        Network net;
        diagram_object* down = net.Outlet();
        diagram_object* first = nullptr;
        for (int i = 0; i < pipes; ++i) {
            diagram_object* pipe = net.Pipe(30);
            diagram_object* up = i + 1 < pipes ? net.Join() : net.Inlet();
            net.Chain(down, pipe, up);
            if (!first) first = pipe;
            down = up;
        }
        net.Leak(net.Spill(10), first);
        CReleaseModel model;
        CBlackOilModel oil;
        model.ValidateNetwork(net.data, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                              oil.water_cut, {}, "/tmp/branch.$$$");
        ASSERT_FALSE(model.Errors().empty());
        EXPECT_EQ(model.Errors().front().id == unsigned(IDS_MAX_SEGMENTS),
                  pipes > orvane::MAX_SEGMENTS);
        const std::string path = dir.filePath("branch.zef").toStdString();
        ASSERT_EQ(diagram_file_save(net.data, path.c_str(), 0, nullptr), 1);

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
        EXPECT_EQ(loaded, 1);
        EXPECT_TRUE(texts.empty());
        EXPECT_EQ(g_list_length(d->active_layer->objects), guint(2 * pipes + 2));
        diagram_data_free(d);
    }
}

// The loader refuses only a file with more objects than could be read in,
// with one message naming the file, its count and the most; one at the most
// opens.
TEST(ScenarioLimits, a_file_over_the_object_limit_is_refused_before_its_objects_are_read) {
    ASSERT_TRUE(vexil_startup());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const int objects : {MAX_FILE_OBJECTS, MAX_FILE_OBJECTS + 1}) {
        SCOPED_TRACE(objects);
        std::string text =
            "<?xml version=\"1.0\"?>\n<zef:diagram xmlns:zef=\"urn:x-holvik:zef\"><zef:layer "
            "name=\"Background\" visible=\"true\">";
        for (int i = 0; i < objects; ++i)
            text += "<object type=\"PipeJoin\" id=\"J" + std::to_string(i) + "\"/>";
        text += "</zef:layer></zef:diagram>\n";
        const std::string path = dir.filePath("many.zef").toStdString();
        {
            QFile f(QString::fromStdString(path));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_EQ(f.write(text.data(), qint64(text.size())), qint64(text.size()));
        }
        std::vector<std::string> texts;
        message_set_sink(
            [](message_icon, const char* t, void* all) {
                static_cast<std::vector<std::string>*>(all)->push_back(t);
            },
            &texts);
        const bool accepted = objects <= MAX_FILE_OBJECTS;
        if (accepted) {
            // The check on the parsed file (making that many objects would
            // only take time).
            xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), path.c_str(), nullptr, 0);
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(ObjectsInFile(xmlDocGetRootElement(doc)), objects);
            EXPECT_EQ(CheckScenarioFileLimits(xmlDocGetRootElement(doc), path.c_str()), 1);
            xmlFreeDoc(doc);
            message_set_sink(nullptr, nullptr);
            EXPECT_TRUE(texts.empty());
            continue;
        }
        InstallScenarioFileLimits();
        diagram_data* d = diagram_data_create();
        const int loaded = diagram_file_load(path.c_str(), d, nullptr);
        diagram_file_set_check(nullptr);
        message_set_sink(nullptr, nullptr);
        EXPECT_EQ(loaded, 0);
        {
            EXPECT_EQ(texts,
                      std::vector<std::string>{path + " was not opened: it holds 200001 objects, "
                                                      "more than the 200000 a scenario file may "
                                                      "hold."});
            EXPECT_EQ(g_list_length(d->active_layer->objects), 0u);
        }
        diagram_data_free(d);
    }
}

}  // namespace
