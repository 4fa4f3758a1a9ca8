// A seeded mutation run of the scenario loader over valid and damaged files:
// every mutant must load or be refused without a crash and with at most one
// message, and what loads must keep its connections consistent. Bounded by a fixed number of mutants.
#include "corpus_scenarios.h"
#include "support.h"

#include <glib/gstdio.h>

#include <random>

#include "vexil/diagram_file.h"

namespace {

std::string valid_scenario(const ScratchDir& tmp) {
    diagram_data* data = diagram_data_create();
    diagram_object* box = make_box(0, 0);
    diagram_object* line = make_line(1, 0.5, 4, 0.5, 3);
    diagram_object* half = make_line(2, 2, 3, 3, 1, "TestHalf");
    diagram_object* other = make_box(5, 0);
    for (diagram_object* o : {box, line, half}) layer_add_object(data->active_layer, o);
    layer* second = layer_create(g_strdup("L2"));
    diagram_add_layer(data, second);
    layer_add_object(second, other);
    handle_attach(line, line->handles[0], box->connections[2]);
    handle_attach(line, line->handles[1], other->connections[1]);
    handle_attach(half, half->handles[0], line->connections[1]);
    handle_attach(other, other->handles[4], line->connections[2]);
    std::string path = tmp.path("seed.zef");
    diagram_file_save(data, path.c_str(), 0, nullptr);
    diagram_data_free(data);
    return read_file(path);
}

// Pieces a mutation may splice in: the file's own vocabulary.
const char* const dictionary[] = {
    "<object type=\"TestBox\" id=\"O1\">",
    "</object>",
    "<connections>",
    "<connection handle=\"4\" to=\"O0\" connection=\"9\"/>",
    "handle=\"-1\"",
    "connection=\"2147483647\"",
    "to=\"O3\"",
    "<zef:layer name=\"x\" visible=\"true\">",
    "</zef:layer>",
    "<point val=\"1e308,nan\"/>",
    "<int val=\"99999999999\"/>",
    "<string>#",
    "<string val=\"\\\\q\"/>",
    "&amp;",
    "&#0;",
    "<attribute name=\"numcp\"><int val=\"-7\"/></attribute>",
    "<rectangle val=\";;,\"/>",
    "<zef:models>",
    "<!--",
    "<![CDATA[",
    "<!DOCTYPE x [<!ENTITY e SYSTEM \"/etc/passwd\">]>",
    "xmlns:zef=\"u\"",
};

std::string mutate(const std::string& seed, std::mt19937& rng) {
    std::string s = seed;
    int steps = 1 + (int)(rng() % 2);
    for (int k = 0; k < steps && !s.empty(); k++) {
        size_t pos = rng() % s.size();
        switch (rng() % 6) {
            case 0:  // flip a byte
                s[pos] = (char)(rng() & 0xff);
                break;
            case 1:  // delete a run
                s.erase(pos, 1 + rng() % 64);
                break;
            case 2:  // duplicate a run
                s.insert(pos, s.substr(rng() % s.size(), 1 + rng() % 200));
                break;
            case 3:  // splice a dictionary word
                s.insert(pos, dictionary[rng() % G_N_ELEMENTS(dictionary)]);
                break;
            case 4: {  // change a digit
                size_t d = s.find_first_of("0123456789", pos);
                if (d != std::string::npos) s[d] = (char)('0' + rng() % 10);
                break;
            }
            default:  // truncate
                s.resize(pos);
                break;
        }
    }
    return s;
}

TEST(LoaderFuzz, mutants_of_valid_and_damaged_files_never_crash) {
    ScratchDir tmp;
    std::vector<std::string> corpus = {
        valid_scenario(tmp),
        "<zef:diagram xmlns:zef=\"u\"><zef:layer name=\"a\" visible=\"true\"><object "
        "type=\"TestLine\" id=\"O0\">"
        "<connections><connection handle=\"5\" to=\"O0\" "
        "connection=\"0\"/></connections></object></zef:layer></zef:diagram>",
        "<zef:diagram "
        "xmlns:zef=\"u\"><zef:diagramdata/><zef:models><zef:fluid/></zef:models></zef:diagram>",
    };
    // Damaged scenarios of the network types, as users' files held them.
    GDir* damaged = g_dir_open(VEXIL_CORPUS, 0, nullptr);
    ASSERT_NE(damaged, nullptr);
    while (const char* name = g_dir_read_name(damaged))
        if (g_str_has_suffix(name, ".zef"))
            corpus.push_back(read_file(std::string(VEXIL_CORPUS "/") + name));
    g_dir_close(damaged);
    // And those made from an example with one damage.
    corpus.push_back(::corpus::OilLineDiameterEmpty(VEXIL_SOURCE_ROOT));
    corpus.push_back(::corpus::NonfiniteSummary(VEXIL_SOURCE_ROOT));
    ASSERT_GE(corpus.size(), 8u);
    std::mt19937 rng(20260101);
    std::string path = tmp.path("mutant.zef");
    // A load asks the user at most once, whatever the damage.
    int shown = 0;
    message_set_sink([](message_icon, const char*, void* count) { ++*(int*)count; }, &shown);
    guint handler = g_log_set_handler(
        nullptr, (GLogLevelFlags)(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    int loaded = 0;
    const int mutants = 20000;
    for (int i = 0; i < mutants; i++) {
        const std::string& seed = corpus[rng() % corpus.size()];
        write_file(path, mutate(seed, rng));
        diagram_data* d = diagram_data_create();
        shown = 0;
        const int result = diagram_file_load(path.c_str(), d, nullptr);
        ASSERT_LE(shown, 1) << "mutant " << i;
        if (result) {
            loaded++;
            ASSERT_TRUE(connections_consistent(d)) << "mutant " << i;
            // What loads also saves (the first few: each save syncs to disk).
            if (loaded <= 3) diagram_file_save(d, tmp.path("resaved.zef").c_str(), 0, nullptr);
        }
        diagram_data_free(d);
        // Truncating a file in place is slow on some file systems; start afresh.
        g_unlink(path.c_str());
    }
    g_log_remove_handler(nullptr, handler);
    message_set_sink(nullptr, nullptr);
    // The run must reach the reader's inner paths, not only the parser's refusals.
    EXPECT_GT(loaded, mutants / 20);
}

}  // namespace
