// The scenario file: round trips, the safe replace, damaged files.
#include "support.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "vexil/dia_xml.h"
#include "vexil/diagram_file.h"

namespace {

struct Section {
    std::string saved_value = "kept";
    std::string loaded_value;
    int loads = 0;
};

void section_save(void* ud, xmlNodePtr node) {
    xml_add_string(xml_new_attribute(node, "value"),
                   static_cast<Section*>(ud)->saved_value.c_str());
}

void section_load(void* ud, xmlNodePtr node) {
    auto* s = static_cast<Section*>(ud);
    char* v = xml_attr_string(node, "value", nullptr);
    s->loaded_value = v ? v : "";
    g_free(v);
    s->loads++;
}

class DiagramFile : public ::testing::Test {
protected:
    void SetUp() override {
        data = diagram_data_create();
        sections[0] = {&fluid, "fluid", section_save, section_load};
        sections[1] = {&release, "release", section_save, section_load};
        sections[2] = {nullptr, nullptr, nullptr, nullptr};
        release.saved_value = "r\xc3\xb8";
    }
    void TearDown() override {
        diagram_data_free(data);
        xml_set_write_function(nullptr);
        diagram_file_set_rename_function(nullptr);
    }

    diagram_object* add(diagram_object* obj, layer* l = nullptr) {
        layer_add_object(l ? l : data->active_layer, obj);
        return obj;
    }

    // A small network over two layers, with a connection across the layers.
    void build_network() {
        diagram_object* box = add(make_box(0, 0));
        diagram_object* line = add(make_line(1, 0.5, 4, 0.5, 3));
        diagram_object* half = add(make_line(2, 2, 3, 3, 1, "TestHalf"));
        handle_attach(line, line->handles[0], box->connections[2]);
        handle_attach(half, half->handles[0], line->connections[1]);
        layer* second = layer_create(g_strdup("Second \xc3\xb8"));
        diagram_add_layer(data, second);
        diagram_object* far = add(make_box(6, 0), second);
        handle_attach(far, far->handles[4], line->connections[2]);
        // And one from the first layer onto an object of the later layer.
        diagram_object* late = add(make_box(9, 9), second);
        diagram_object* early = add(make_line(8, 8, 9.5, 9));
        handle_attach(early, early->handles[1], late->connections[0]);
        // Handles sit on their points, as after editing.
        for (diagram_object* o : {box, line, late}) object_update_connections(data, o, 1);
        object_assign_xref(data, box);
        object_assign_xref(data, line);
        data->scaling = 1.25f;
    }

    int count_temp_files(const std::string& dir) {
        int n = 0;
        GDir* d = g_dir_open(dir.c_str(), 0, nullptr);
        while (const char* name = g_dir_read_name(d)) n += g_str_has_prefix(name, "__zef");
        g_dir_close(d);
        return n;
    }

    diagram_data* data;
    Section fluid, release;
    FileSection sections[3];
    ScratchDir tmp;
};

TEST_F(DiagramFile, save_load_save_is_byte_identical_and_keeps_connections) {
    build_network();
    std::string a = tmp.path("a.zef"), b = tmp.path("b.zef");
    ASSERT_EQ(diagram_file_save(data, a.c_str(), 0, sections), 1);

    diagram_data* back = diagram_data_create();
    Section f2, r2;
    FileSection s2[] = {{&f2, "fluid", section_save, section_load},
                        {&r2, "release", section_save, section_load},
                        {nullptr, nullptr, nullptr, nullptr}};
    ASSERT_EQ(diagram_file_load(a.c_str(), back, s2), 1);
    EXPECT_EQ(r2.loaded_value, "r\xc3\xb8");
    EXPECT_EQ(f2.loads, 1);
    EXPECT_EQ(back->xref_max, 2);
    EXPECT_EQ(back->scaling, 1.25f);
    ASSERT_EQ(back->layers->len, 2u);
    EXPECT_STREQ(((layer*)g_ptr_array_index(back->layers, 1))->name, "Second \xc3\xb8");
    EXPECT_EQ(back->active_layer, g_ptr_array_index(back->layers, 0));

    GList* objs = back->active_layer->objects;
    diagram_object* box = (diagram_object*)g_list_nth_data(objs, 0);
    diagram_object* line = (diagram_object*)g_list_nth_data(objs, 1);
    diagram_object* half = (diagram_object*)g_list_nth_data(objs, 2);
    diagram_object* early = (diagram_object*)g_list_nth_data(objs, 3);
    layer* second = (layer*)g_ptr_array_index(back->layers, 1);
    diagram_object* far = (diagram_object*)g_list_nth_data(second->objects, 0);
    diagram_object* late = (diagram_object*)g_list_nth_data(second->objects, 1);
    EXPECT_EQ(line->handles[0]->connected_to, box->connections[2]);
    EXPECT_EQ(half->handles[0]->connected_to, line->connections[1]);
    EXPECT_EQ(far->handles[4]->connected_to, line->connections[2]);
    EXPECT_EQ(early->handles[1]->connected_to, late->connections[0]);
    EXPECT_EQ(box->xref, 1);
    EXPECT_EQ(line->num_connections, 3);
    EXPECT_TRUE(connections_consistent(back));

    f2.saved_value = f2.loaded_value;
    r2.saved_value = r2.loaded_value;
    ASSERT_EQ(diagram_file_save(back, b.c_str(), 0, s2), 1);
    EXPECT_EQ(read_file(a), read_file(b));
    diagram_data_free(back);
    EXPECT_EQ(count_temp_files(tmp.dir), 0);
}

TEST_F(DiagramFile, backup_keeps_the_previous_version) {
    std::string a = tmp.path("a.zef");
    write_file(a, "previous");
    write_file(a + "~", "older");
    ASSERT_EQ(diagram_file_save(data, a.c_str(), 1, sections), 1);
    EXPECT_EQ(read_file(a + "~"), "previous");
    EXPECT_NE(read_file(a).find("<zef:diagram"), std::string::npos);
    // Without backup the target is replaced and no "~" is made.
    std::string c = tmp.path("c.zef");
    write_file(c, "old");
    ASSERT_EQ(diagram_file_save(data, c.c_str(), 0, sections), 1);
    EXPECT_FALSE(g_file_test((c + "~").c_str(), G_FILE_TEST_EXISTS));
    // A missing target skips the backup step.
    std::string n = tmp.path("new.zef");
    ASSERT_EQ(diagram_file_save(data, n.c_str(), 1, sections), 1);
    EXPECT_FALSE(g_file_test((n + "~").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_EQ(count_temp_files(tmp.dir), 0);
}

ssize_t full_device(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(DiagramFile, a_full_device_keeps_the_old_scenario) {
    build_network();
    std::string a = tmp.path("a.zef");
    write_file(a, "previous scenario");
    xml_set_write_function(full_device);
    // With an older backup present, a failed save leaves it alone too.
    write_file(a + "~", "older backup");
    MessageCapture cap;
    for (int backup = 0; backup < 2; backup++) {
        EXPECT_EQ(diagram_file_save(data, a.c_str(), backup, sections), 0);
        EXPECT_EQ(read_file(a), "previous scenario");
        EXPECT_EQ(count_temp_files(tmp.dir), 0);
        EXPECT_EQ(read_file(a + "~"), "older backup");
    }
    ASSERT_EQ(cap.messages.size(), 2u);
    EXPECT_EQ(cap.messages[0].text, "Couldn't write: '" + a + "': " + g_strerror(ENOSPC) + ".\n");
}

// Renames fail with EACCES when their target ends as chosen ("~" for the
// backup step, ".zef" for the final step).
std::string failing_rename_suffix;

int failing_rename(const char* from, const char* to) {
    if (g_str_has_suffix(to, failing_rename_suffix.c_str())) {
        errno = EACCES;
        return -1;
    }
    return g_rename(from, to);
}

TEST_F(DiagramFile, a_failed_rename_names_the_step_and_the_reason_and_keeps_the_old_scenario) {
    build_network();
    std::string a = tmp.path("a.zef");
    const std::string reason = std::string(": ") + g_strerror(EACCES) + ".\n";
    const struct {
        const char* name;
        int backup;
        const char* failing;
        std::string from, to;  // of the rename the message names
    } cases[] = {
        {"final rename", 0, ".zef", tmp.path("__zef"), a},
        {"final rename after the backup", 1, ".zef", tmp.path("__zef"), a},
        {"backup rename", 1, "~", a, a + "~"},
    };
    diagram_file_set_rename_function(failing_rename);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(a, "previous scenario");
        g_unlink((a + "~").c_str());
        failing_rename_suffix = c.failing;
        MessageCapture cap;
        EXPECT_EQ(diagram_file_save(data, a.c_str(), c.backup, sections), 0);
        EXPECT_EQ(read_file(a), "previous scenario");
        EXPECT_EQ(count_temp_files(tmp.dir), 0);
        ASSERT_EQ(cap.messages.size(), 1u);
        const std::string& text = cap.messages[0].text;
        // (The temporary file's name ends in six random characters.)
        EXPECT_EQ(text.rfind("Couldn't rename: '" + c.from, 0), 0u) << text;
        EXPECT_TRUE(g_str_has_suffix(text.c_str(), ("' to '" + c.to + "'" + reason).c_str()))
            << text;
    }
    diagram_file_set_rename_function(nullptr);
}

TEST_F(DiagramFile, an_unwritable_folder_is_reported) {
    MessageCapture cap;
    std::string a = tmp.path("missing/a.zef");
    EXPECT_EQ(diagram_file_save(data, a.c_str(), 1, sections), 0);
    ASSERT_EQ(cap.messages.size(), 1u);
    const std::string& text = cap.messages[0].text;
    EXPECT_EQ(text.rfind("Couldn't open: '" + tmp.path("missing/") + "__zef", 0), 0u) << text;
    EXPECT_TRUE(g_str_has_suffix(
        text.c_str(), (std::string("' for writing: ") + g_strerror(ENOENT) + ".\n").c_str()))
        << text;
}

TEST_F(DiagramFile, a_bare_file_name_saves_in_the_current_folder) {
    char* cwd = g_get_current_dir();
    ASSERT_EQ(g_chdir(tmp.dir.c_str()), 0);
    int ok = diagram_file_save(data, "bare.zef", 0, sections);
    int temps = count_temp_files(".");
    g_chdir(cwd);
    g_free(cwd);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(temps, 0);
    EXPECT_TRUE(g_file_test(tmp.path("bare.zef").c_str(), G_FILE_TEST_EXISTS));
}

// The body of a scenario with two boxes and a line between them, with
// placeholders for the parts a case changes.
std::string scenario(const std::string& objects,
                     const std::string& root_open = "<zef:diagram xmlns:zef=\"urn:other\">",
                     const std::string& root_close = "</zef:diagram>") {
    return "<?xml version=\"1.0\"?>\n" + root_open +
           "<zef:diagramdata><attribute name=\"xref_max\"><int "
           "val=\"4\"/></attribute></zef:diagramdata>"
           "<zef:layer name=\"Background\" visible=\"true\">" +
           objects + "</zef:layer>" + root_close;
}

const std::string box_a =
    "<object type=\"TestBox\" version=\"1\" id=\"O0\"><attribute name=\"elem_corner\"><point "
    "val=\"0,0\"/></attribute></object>";
const std::string box_b =
    "<object type=\"TestBox\" version=\"1\" id=\"O2\"><attribute name=\"elem_corner\"><point "
    "val=\"5,0\"/></attribute></object>";
std::string line_with(const std::string& connections, const std::string& type = "TestLine") {
    return "<object type=\"" + type +
           "\" version=\"1\" id=\"O1\"><attribute name=\"conn_endpoints\"><point "
           "val=\"1,0.5\"/><point val=\"5,0.5\"/></attribute><connections>" +
           connections + "</connections></object>";
}

std::string numbered_box(const std::string& id, const std::string& xref) {
    return "<object type=\"TestBox\" version=\"1\" id=\"" + id +
           "\"><attribute name=\"xref\"><int val=\"" + xref + "\"/></attribute></object>";
}

struct DamagedCase {
    const char* name;
    std::string content;  // empty: the case makes its own path
    int result;
    std::vector<std::string> messages;
    int objects;
};

TEST_F(DiagramFile, damaged_files_give_their_messages_and_never_crash) {
    std::string f = tmp.path("d.zef");
    const std::string unknown = "<object type=\"Nonesuch\" version=\"1\" id=\"O9\"/>";
    std::vector<DamagedCase> cases = {
        {"not_xml",
         "this is not xml <",
         0,
         {"Error loading diagram " + f + ".\nUnknown file type."},
         -1},
        {"empty_root",
         "<zef:diagram xmlns:zef=\"urn:x\"/>",
         0,
         {"Error loading diagram " + f + ".\nUnknown file type."},
         -1},
        {"root_foo",
         "<foo><bar/></foo>",
         0,
         {"Error loading diagram " + f + ".\nNot a ZEF Scenario file."},
         -1},
        {"no_prefix",
         "<diagram xmlns=\"urn:x\"><layer/></diagram>",
         0,
         {"Error loading diagram " + f + ".\nNot a ZEF Scenario file."},
         -1},
        {"unknown_type_between",
         scenario(box_a + unknown +
                  line_with("<connection handle=\"0\" to=\"O0\" connection=\"2\"/>") + unknown +
                  "<object type=\"Other\"/>" + box_b),
         1,
         {"Unknown types while reading diagram file\nNonesuch\nOther"},
         3},
        {"missing_point_corrected",
         scenario(box_a + line_with("<connection handle=\"0\" to=\"O0\" connection=\"6\"/>")),
         1,
         {"Warning:\nConnection to missing connection point\nfound -- corrected.\nTestLine (O1): "
          "handle 0 to point 6 of O0 -> point 2"},
         2},
        {"missing_handle_corrected",
         scenario(box_a +
                  line_with("<connection handle=\"3\" to=\"O0\" connection=\"2\"/>", "TestHalf")),
         1,
         {"Warning:\nConnection with non-existing connection\nhandle found -- "
          "corrected.\nTestHalf (O1): handle 3 to point 2 of O0 -> handle 0"},
         2},
        {"missing_linked_object",
         scenario(box_a + line_with("<connection handle=\"0\" to=\"O7\" connection=\"2\"/>")),
         1,
         {"Error loading diagram.\nLinked object not found in document.\nTestLine (O1): handle 0 "
          "to point 2 of O7 -> not connected"},
         2},
        {"point_on_object_without_points",
         scenario(box_a +
                  line_with("<connection handle=\"0\" to=\"O1\" connection=\"0\"/>", "TestLine")
                      .replace(0, 0, "")),
         1,
         {},
         2},
        {"negative_point",
         scenario(box_a + line_with("<connection handle=\"0\" to=\"O0\" connection=\"-1\"/>")),
         1,
         {"Error loading diagram.\nConnection point does not exist.\nTestLine (O1): handle 0 to "
          "point -1 of O0 -> not connected"},
         2},
        {"negative_handle",
         scenario(box_a + line_with("<connection handle=\"-5\" to=\"O0\" connection=\"1\"/>")),
         1,
         {"Error loading diagram.\nConnection handle does not exist.\nTestLine (O1): handle -5 to "
          "point 1 of O0 -> not connected"},
         2},
        {"huge_indices",
         scenario(
             box_a +
             line_with("<connection handle=\"99999999999\" to=\"O0\" connection=\"2147483647\"/>")),
         1,
         {"Warning:\nConnection to missing connection point\nfound -- corrected.\nTestLine (O1): "
          "handle 2147483647 to point 2147483647 of O0 -> point 3\n\n"
          "Connection with non-existing connection\nhandle found -- corrected.\nTestLine (O1): "
          "handle 2147483647 to point 2147483647 of O0 -> handle 1"},
         2},
        {"non_connectable_handle",
         scenario(box_a + box_b.substr(0, box_b.size() - 9) +
                  "<connections><connection handle=\"0\" to=\"O0\" "
                  "connection=\"1\"/></connections></object>"),
         1,
         {"Error? trying to connect a non connectable handle.\nCheck this out...\n"},
         2},
        {"duplicate_id",
         scenario(box_a + box_a +
                  line_with("<connection handle=\"0\" to=\"O0\" connection=\"2\"/>")),
         1,
         {"Warning:\nDuplicate object id O0 found -- links go to the first object."},
         3},
        {"not_an_object", scenario(box_a + "<thing/>"), 1, {"Error reading diagram file\n"}, 1},
        {"unreadable_values",
         scenario("<object type=\"TestBox\" version=\"1\" id=\"O0\"><attribute "
                  "name=\"elem_width\"><real val=\"wide\"/></attribute>"
                  "<attribute name=\"elem_height\"><real val=\"nan\"/></attribute></object>"),
         1,
         {"Warning:\nValues that could not be read were replaced:\nTestBox (O0): "
          "elem_width \"wide\" -> 1 (default)\n"
          "TestBox (O0): elem_height \"nan\" -> 1 (default)"},
         1},
        // Every kind of damage of one load comes in one message; a number
        // written as another kind of number keeps its value.
        {"damage_of_every_kind",
         scenario("<object type=\"TestBox\" version=\"1\" id=\"O0\"><attribute "
                  "name=\"elem_width\"><int val=\"3\"/></attribute>"
                  "<attribute name=\"xref\"><int val=\"4\"/></attribute>"
                  "<attribute name=\"elem_height\"><float val=\"2\"/></attribute>"
                  "<attribute name=\"obj_pos\"><int val=\"2\"/></attribute></object>" +
                  unknown + unknown +
                  line_with("<connection handle=\"0\" to=\"O7\" connection=\"2\"/>"
                            "<connection handle=\"1\" to=\"O8\" connection=\"2\"/>")),
         1,
         {"Unknown types while reading diagram file\nNonesuch\n\n"
          "Error loading diagram.\nLinked object not found in document.\nTestLine (O1): handle 0 "
          "to point 2 of O7 -> not connected\n\n"
          "Error loading diagram.\nLinked object not found in document.\nTestLine (O1): handle 1 "
          "to point 2 of O8 -> not connected\n\n"
          "Values that could not be read were replaced:\n"
          "TestBox (O0) object 4: obj_pos int \"2\" -> unchanged\n"
          "TestBox (O0) object 4: elem_width int \"3\" -> 3\n"
          "TestBox (O0) object 4: elem_height float \"2\" -> 1 (default)"},
         2},
        {"repeated_number",
         scenario(numbered_box("O0", "2") + numbered_box("O2", "2")),
         1,
         {"Warning:\nObject numbers that repeat or are out of range were renumbered:\nTestBox "
          "(O2): 2 -> 5"},
         2},
        {"same_handle_twice",
         scenario(box_a + box_b +
                  line_with("<connection handle=\"0\" to=\"O0\" connection=\"2\"/><connection "
                            "handle=\"0\" to=\"O2\" connection=\"1\"/>")),
         1,
         {},
         3},
        {"huge_point_count",
         scenario("<object type=\"TestLine\" id=\"O1\"><attribute name=\"numcp\"><int "
                  "val=\"2000000000\"/></attribute></object>"),
         1,
         {},
         1},
        {"external_entity",
         "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" +
             scenario("<object type=\"TestBox\" id=\"O0\"><attribute "
                      "name=\"s\"><string>#&e;#</string></attribute></object>")
                 .substr(22),
         1,
         {},
         1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(f, c.content);
        MessageCapture cap;
        diagram_data* d = diagram_data_create();
        EXPECT_EQ(diagram_file_load(f.c_str(), d, sections), c.result);
        EXPECT_EQ(cap.texts(), c.messages);
        if (c.objects >= 0) {
            EXPECT_EQ((int)g_list_length(d->active_layer->objects), c.objects);
            EXPECT_TRUE(connections_consistent(d));
        }
        diagram_data_free(d);
    }
}

// A file whose internal entities stand for far more than the file itself (a
// 100 kB entity used 10,000 times: a gigabyte of text from 130 kB) is refused
// with one message, and the refusal costs little memory: the load runs in a
// child process whose peak resident size is read back. An entity within the
// limit is still read.
TEST_F(DiagramFile, entities_beyond_a_small_multiple_of_the_file_are_refused) {
    struct Case {
        const char* name;
        size_t entity_bytes;
        int uses;
        int result;
    } cases[] = {
        {"gigabyte", 100000, 10000, 0},
        {"nested gigabyte", 0, 10000, 0},  // ten entities of ten uses of the 100 kB one
        {"within the limit", 4, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string decl;
        if (c.entity_bytes > 0) {
            decl = "<!ENTITY e \"0." + std::string(c.entity_bytes - 3, '0') + "1\">";
        } else {
            decl = "<!ENTITY x \"" + std::string(99999, '0') + "1\"><!ENTITY e \"";
            for (int i = 0; i < 10; i++) decl += "&x;";
            decl += "\">";
        }
        std::string refs;
        for (int i = 0; i < c.uses; i++) refs += "&e;";
        const std::string f = tmp.path("entities.zef");
        write_file(f, "<?xml version=\"1.0\"?>\n<!DOCTYPE zef:diagram [" + decl +
                          "]>\n<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata><attribute "
                          "name=\"scaling\"><real val=\"" +
                          refs +
                          "\"/></attribute></zef:diagramdata><zef:layer name=\"L\" "
                          "visible=\"true\"/></zef:diagram>");
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::vector<std::string> texts;
            message_set_sink([](message_icon, const char* text,
                                void* all) { ((std::vector<std::string>*)all)->push_back(text); },
                             &texts);
            diagram_data* d = diagram_data_create();
            const int result = diagram_file_load(f.c_str(), d, nullptr);
            const bool refused_once =
                texts.size() == 1 && texts[0] == "Error loading diagram " + f +
                                                     ".\nIts entities would expand it to more "
                                                     "than 4 times its size; the file was not "
                                                     "opened.";
            const bool ok = result == c.result &&
                            (result == 1 ? texts.empty() && d->scaling == 0.01f : refused_once);
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        struct rusage usage {};
        ASSERT_EQ(wait4(child, &status, 0, &usage), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_LT(usage.ru_maxrss, 100L * 1024) << "kB at the peak";
    }
}

// The entity rule's bound: references that stand for exactly four times the
// file's bytes are read, one byte of file less and the file is refused. The
// file is padded with a comment to put it on either side of the bound.
TEST_F(DiagramFile, the_entity_bound_is_four_times_the_file_to_the_byte) {
    const std::string entity(1000, '7');
    const int uses = 200;  // 200,000 bytes stand behind the references
    const auto content = [&](size_t pad) {
        std::string refs;
        for (int i = 0; i < uses; i++) refs += "&e;";
        return "<?xml version=\"1.0\"?>\n<!DOCTYPE zef:diagram [<!ENTITY e \"" + entity +
               "\">]>\n<!--" + std::string(pad, ' ') +
               "-->\n<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata><attribute "
               "name=\"scaling\"><real val=\"0.5\"/></attribute></zef:diagramdata><zef:layer "
               "name=\"L\" visible=\"true\"/><zef:pad>" +
               refs + "</zef:pad></zef:diagram>";
    };
    const size_t expanded = entity.size() * uses;
    const size_t bare = content(0).size();
    ASSERT_LT(bare, expanded / 4);
    struct Case {
        const char* name;
        size_t size;  // of the file
        int result;
    } cases[] = {
        {"four times the file", expanded / 4, 1},
        {"a byte of file less", expanded / 4 - 1, 0},
    };
    const std::string f = tmp.path("bound.zef");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = content(c.size - bare);
        ASSERT_EQ(text.size(), c.size);
        write_file(f, text);
        MessageCapture cap;
        diagram_data* d = diagram_data_create();
        EXPECT_EQ(diagram_file_load(f.c_str(), d, nullptr), c.result);
        if (c.result == 1) {
            EXPECT_TRUE(cap.texts().empty());
            EXPECT_EQ(d->scaling, 0.5f);
        } else {
            EXPECT_EQ(cap.texts(), std::vector<std::string>{
                                       "Error loading diagram " + f +
                                       ".\nIts entities would expand it to more than 4 times its "
                                       "size; the file was not opened."});
        }
        diagram_data_free(d);
    }
}

// The peak a hostile file may cost the loader's process. Under
// AddressSanitizer the process also carries the shadow of what it touches
// and a quarantine of freed blocks (256 MB by default), so the bound grows by
// that much; an unbounded parse (gigabytes) still fails it there.
long peak_allowed(long loader_kb) {
#if defined(__SANITIZE_ADDRESS__)
    return 2 * loader_kb + 320L * 1024;
#else
    return loader_kb;
#endif
}

// Files built to exhaust the loader, however they are packed: compressed
// (the parser would inflate it without bound), a tree many times the file
// (one-byte entity references, each a node; plain elements past the
// ceiling), past the parser's own limits (nesting, a text of 10 MB), a
// device that never ends. Each is
// refused with one message that says what the file is or exceeds, and the
// refusal stays small: the load runs in a child whose peak resident size is
// read back.
TEST_F(DiagramFile, hostile_files_are_refused_within_bounded_memory) {
    const std::string head =
        "<?xml version=\"1.0\"?>\n<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata><attribute "
        "name=\"scaling\"><real val=\"0.5\"/></attribute></zef:diagramdata><zef:layer name=\"L\" "
        "visible=\"true\"/>";
    const std::string tail = "</zef:diagram>";
    const auto repeated = [](const std::string& piece, size_t bytes) {
        std::string out;
        out.reserve(bytes + piece.size());
        while (out.size() < bytes) out += piece;
        return out;
    };
    struct Case {
        const char* name;
        std::function<std::string()> content;  // made when its case runs; none: /dev/zero
        bool gzip;
        std::string says;  // after "Error loading diagram FILE.\n"
        long peak_kb;
    } cases[] = {
        {"compressed",
         [&] { return head + repeated("<pad><real val=\"1\"/></pad>\n", 40 << 20) + tail; }, true,
         "It is compressed; scenario files are read as plain XML only. Decompress it and open "
         "the result.",
         40L * 1024},
        {"one-byte references, within the ceiling by size",
         [&] {
             return "<?xml version=\"1.0\"?>\n<!DOCTYPE zef:diagram [<!ENTITY e \"0\">]>\n" +
                    head.substr(22) +
                    repeated("<pad>" + repeated("&e;", 30000) + "</pad>\n", 1 << 20) + tail;
         },
         false,
         "Reading it would take more than 32 times its size in memory (at most 160 MB); the file "
         "was not opened.",
         100L * 1024},
        {"one-byte references past the ceiling",
         [&] {
             return "<?xml version=\"1.0\"?>\n<!DOCTYPE zef:diagram [<!ENTITY e \"0\">]>\n" +
                    head.substr(22) +
                    repeated("<pad>" + repeated("&e;", 30000) + "</pad>\n", 8 << 20) + tail;
         },
         false,
         "Reading it would take more than 32 times its size in memory (at most 160 MB); the file "
         "was not opened.",
         300L * 1024},
        {"plain elements past the ceiling",
         [&] { return head + repeated("<pad><real val=\"1\"/></pad>\n", 12 << 20) + tail; }, false,
         "Reading it would take more than 32 times its size in memory (at most 160 MB); the file "
         "was not opened.",
         300L * 1024},
        {"nested 300 deep",
         [&] { return head + repeated("<a>", 900) + repeated("</a>", 1200) + tail; }, false,
         "It exceeds what a scenario file may hold: its elements are nested deeper than 256 "
         "levels.",
         40L * 1024},
        {"attribute of 10 MB",
         [&] { return head + "<pad v=\"" + std::string(10000001, '1') + "\"/>" + tail; }, false,
         "It exceeds what a scenario file may hold: a text or attribute value in it is longer "
         "than 10000000 bytes.",
         80L * 1024},
        {"a device without end", nullptr, false,
         "It is larger than a scenario file can be (more than 160 MB); the file was not opened.",
         300L * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = c.content ? tmp.path("hostile.zef") : "/dev/zero";
        if (c.content && c.gzip) {
            const std::string plain = tmp.path("hostile.xml");
            write_file(plain, c.content());
            ASSERT_EQ(system(("gzip -c '" + plain + "' > '" + f + "'").c_str()), 0);
        } else if (c.content) {
            write_file(f, c.content());
        }
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::vector<std::string> texts;
            message_set_sink([](message_icon, const char* text,
                                void* all) { ((std::vector<std::string>*)all)->push_back(text); },
                             &texts);
            diagram_data* d = diagram_data_create();
            const int result = diagram_file_load(f.c_str(), d, nullptr);
            const bool refused_once = result == 0 && texts.size() == 1 &&
                                      texts[0] == "Error loading diagram " + f + ".\n" + c.says;
            if (!refused_once)
                for (const std::string& t : texts) fprintf(stderr, "said: %s\n", t.c_str());
            _exit(refused_once ? 0 : 1);
        }
        int status = 0;
        struct rusage usage {};
        ASSERT_EQ(wait4(child, &status, 0, &usage), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_LT(usage.ru_maxrss, peak_allowed(c.peak_kb)) << "kB at the peak";
    }
}

// After a load every object number is unique and in range and the counter
// lies above all of them, so the next number cannot repeat or overflow.
TEST_F(DiagramFile, object_numbers_are_unique_and_bounded_after_load) {
    struct Case {
        const char* name;
        std::string xref_max;
        std::vector<std::string> xrefs;  // of the boxes O0, O1, ...
        std::vector<int> numbers;        // after the load
        int counter;                     // xref_max after the load
        bool warned;
    } cases[] = {
        {"clean", "3", {"1", "3", "0"}, {1, 3, 0}, 3, false},
        {"all the same", "3", {"3", "3", "3"}, {3, 4, 5}, 5, true},
        {"counter at the int limit", "2147483647", {"0", "0"}, {0, 0}, 0, true},
        {"counter below the numbers", "1", {"1", "6"}, {1, 6}, 6, true},
        {"negative counter", "-4", {"0"}, {0}, 0, true},
        {"numbers out of range", "2", {"-3", "2", "2000000", "2147483647"}, {3, 2, 4, 5}, 5, true},
        {"number that does not parse", "2", {"two", "2"}, {0, 2}, 2, true},
    };
    std::string f = tmp.path("n.zef");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string boxes;
        for (size_t i = 0; i < c.xrefs.size(); i++)
            boxes += numbered_box("O" + std::to_string(i), c.xrefs[i]);
        write_file(f,
                   "<?xml version=\"1.0\"?>\n<zef:diagram "
                   "xmlns:zef=\"urn:x\"><zef:diagramdata><attribute name=\"xref_max\"><int val=\"" +
                       c.xref_max +
                       "\"/></attribute></zef:diagramdata><zef:layer name=\"L\" visible=\"true\">" +
                       boxes + "</zef:layer></zef:diagram>");
        MessageCapture cap;
        diagram_data* d = diagram_data_create();
        ASSERT_EQ(diagram_file_load(f.c_str(), d, nullptr), 1);
        std::vector<int> numbers;
        for (GList* o = d->active_layer->objects; o; o = o->next)
            numbers.push_back(((diagram_object*)o->data)->xref);
        EXPECT_EQ(numbers, c.numbers);
        EXPECT_EQ(d->xref_max, c.counter);
        EXPECT_EQ(cap.messages.size(), c.warned ? 1u : 0u);
        // Numbering every object afterwards gives each its own number.
        for (GList* o = d->active_layer->objects; o; o = o->next)
            object_assign_xref(d, (diagram_object*)o->data);
        for (GList* o = d->active_layer->objects; o; o = o->next)
            EXPECT_EQ(object_find_by_xref(d, ((diagram_object*)o->data)->xref), o->data);
        diagram_data_free(d);
    }
}

TEST_F(DiagramFile, repairs_land_on_the_right_handle_and_point) {
    std::string f = tmp.path("r.zef");
    write_file(f,
               scenario(box_a + line_with("<connection handle=\"3\" to=\"O0\" connection=\"6\"/>",
                                          "TestHalf")));
    MessageCapture cap;
    ASSERT_EQ(diagram_file_load(f.c_str(), data, sections), 1);
    diagram_object* box = (diagram_object*)g_list_nth_data(data->active_layer->objects, 0);
    diagram_object* line = (diagram_object*)g_list_nth_data(data->active_layer->objects, 1);
    // Point 6 of 4 is point 2; handle 3 of 2 searches handle 1 (not connectable), then 0.
    EXPECT_EQ(line->handles[0]->connected_to, box->connections[2]);
    EXPECT_EQ(line->handles[0]->pos.x, 1);
    EXPECT_EQ(fluid.loads, 0);  // no models element: no callback
}

TEST_F(DiagramFile, directories_missing_files_and_models_matching) {
    MessageCapture cap;
    EXPECT_EQ(diagram_file_load(tmp.dir.c_str(), data, sections), 0);
    std::string missing = tmp.path("none.zef");
    EXPECT_EQ(diagram_file_load(missing.c_str(), data, sections), 0);
    EXPECT_EQ(cap.texts(),
              (std::vector<std::string>{"You must specify a file, not a directory.\n",
                                        "Couldn't open: '" + missing + "' for reading.\n"}));
    std::string f = tmp.path("m.zef");
    write_file(f,
               scenario(box_a, "<zef:diagram xmlns:zef=\"urn:x\">",
                        "<zef:other/><zef:models><zef:unknown/><zef:release><attribute "
                        "name=\"value\"><string>#v#</string></attribute></zef:release></zef:models>"
                        "<zef:models><zef:fluid/></zef:models></zef:diagram>"));
    diagram_data* d = diagram_data_create();
    EXPECT_EQ(diagram_file_load(f.c_str(), d, sections), 1);
    EXPECT_EQ(release.loaded_value, "v");
    EXPECT_EQ(fluid.loads, 0);
    diagram_data_free(d);
}

TEST_F(DiagramFile, first_child_layer_and_no_layer_cases) {
    std::string f = tmp.path("l.zef");
    write_file(f, "<zef:diagram xmlns:zef=\"urn:x\"><zef:layer name=\"L\" visible=\"true\">" +
                      box_a + "</zef:layer></zef:diagram>");
    ASSERT_EQ(diagram_file_load(f.c_str(), data, sections), 1);
    EXPECT_STREQ(data->active_layer->name, "L");
    EXPECT_EQ(g_list_length(data->active_layer->objects), 1u);
    EXPECT_EQ(data->scaling, 1.0f);

    write_file(f, "<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata/></zef:diagram>");
    diagram_data* d = diagram_data_create();
    ASSERT_EQ(diagram_file_load(f.c_str(), d, sections), 1);
    ASSERT_EQ(d->layers->len, 1u);
    EXPECT_STREQ(d->active_layer->name, "Background");
    EXPECT_EQ(d->extents.right, 10);
    diagram_data_free(d);
}

}  // namespace
