// The network object types and the Text object: defaults, layout,
// handles, following connections, and save/load.
#include "corpus_scenarios.h"
#include "support.h"

#include <cstring>
#include <utility>
#include <vector>

#include "vexil/app_settings.h"
#include "vexil/dia_xml.h"
#include "vexil/diagram_file.h"
#include "vexil/network_objects.h"
#include "vexil/renderer.h"

namespace {

std::string str_of(text_block* t) {
    char* s = text_get_string(t);
    std::string r = s;
    g_free(s);
    return r;
}

// A measuring-only renderer: every character 0.2 wide, ascent 0.3, descent 0.1.
double pitch_width(renderer*, const char* text, const char**, double) {
    return 0.2 * utf8_char_count(text);
}
double pitch_ascent(renderer*, const char**, double) { return 0.3; }
double pitch_descent(renderer*, const char**, double) { return 0.1; }
double pitch_interactive_width(renderer*, const char* text, int n) {
    int chars = utf8_char_count(text);
    return 0.2 * (n < chars ? n : chars);
}

struct PitchRenderer {
    PitchRenderer() {
        data = diagram_data_create();
        ops = renderer_null_ops;
        ops.get_text_width = pitch_width;
        ops.get_font_ascent = pitch_ascent;
        ops.get_font_descent = pitch_descent;
        iops = renderer_null_interactive_ops;
        iops.get_text_width = pitch_interactive_width;
        r = renderer_create(data, 1, 1.0);
        r->ops = &ops;
        r->interactive_ops = &iops;
        renderer_set_current(r);
    }
    ~PitchRenderer() {
        renderer_set_current(nullptr);
        renderer_free(r);
        diagram_data_free(data);
    }
    diagram_data* data;
    renderer_ops ops;
    interactive_renderer_ops iops;
    renderer* r;
};

TEST(NetworkObjects, registered_in_order_with_version_one) {
    for (const char* name :
         {"Text", "Pipeline", "PipeJoin", "Junction", "FlowInlet", "FlowOutlet", "SpillPoint"}) {
        object_type* t = type_registry_find(name);
        ASSERT_NE(t, nullptr) << name;
        EXPECT_EQ(t->version, 1);
        EXPECT_STREQ(t->name, name);
    }
}

TEST(NetworkObjects, defaults_are_the_single_precision_constants) {
    GList* all = nullptr;
    point_object* in = as_point_object(create_object("FlowInlet", 0, 0));
    EXPECT_EQ(in->depth, 0.0);
    EXPECT_EQ(in->flowrate, 0.0);
    EXPECT_EQ(in->temp, (double)21.11111f);
    EXPECT_NE(in->temp, 21.11111);
    EXPECT_EQ(in->closingtime, 300);
    point_object* out = as_point_object(create_object("FlowOutlet", 0, 0));
    EXPECT_EQ(out->pressure, 0.0);
    EXPECT_EQ(out->closingtime, -1);
    pipeline* p = as_pipeline(create_object("Pipeline", 0, 0));
    EXPECT_EQ(p->length, 0.0);
    EXPECT_EQ(p->diameter, (double)0.508f);
    EXPECT_EQ(p->roughness, (double)4.572e-05f);
    EXPECT_EQ(p->heat_trans_coeff, (double)56.570045f);
    EXPECT_EQ(p->amb_temp, (double)4.4444447f);
    EXPECT_EQ(p->cpl->num_connections, 1);
    EXPECT_EQ(p->conn.endpoints[1].x, 1.0);
    EXPECT_EQ(p->conn.endpoints[1].y, 1.0);
    spill_point* sp = as_spill_point(create_object("SpillPoint", 0, 0));
    EXPECT_EQ(sp->distance, (double)1.524f);
    EXPECT_EQ(sp->diameter, (double)0.508f);
    EXPECT_EQ(sp->backpressure, 0.0);
    for (diagram_object* o :
         {&in->elem.object, &out->elem.object, &p->conn.object, &sp->elem.object})
        all = g_list_append(all, o);
    object_list_destroy(all);
}

TEST(NetworkObjects, point_object_layout_with_an_empty_label) {
    PitchRenderer pitch;
    diagram_object* obj = create_object("FlowInlet", 1, 2);
    point_object* po = as_point_object(obj);
    EXPECT_DOUBLE_EQ(po->elem.width, 0.6);
    // One line of the label's height, the gap and the symbol.
    EXPECT_DOUBLE_EQ(po->elem.height, point_object_label_height() + 0.2 + 0.6);
    EXPECT_DOUBLE_EQ(obj->position.x, 1.3);
    EXPECT_DOUBLE_EQ(obj->position.y, 2.3);
    const Point expected[4] = {{1.3, 2.0}, {1.0, 2.3}, {1.6, 2.3}, {1.3, 2.6}};
    for (int i = 0; i < 4; i++) {
        EXPECT_DOUBLE_EQ(obj->connections[i]->pos.x, expected[i].x) << i;
        EXPECT_DOUBLE_EQ(obj->connections[i]->pos.y, expected[i].y) << i;
    }
    EXPECT_DOUBLE_EQ(po->label->position.y, 2 + 0.8 + 0.3);
    for (int i = 0; i < 4; i++) EXPECT_EQ(obj->handles[i]->type, HANDLE_NON_MOVABLE);
    Point to{5, 5};
    obj->ops->move(obj, &to);
    EXPECT_DOUBLE_EQ(po->elem.corner.x, 4.7);
    EXPECT_DOUBLE_EQ(po->elem.corner.y, 4.7);
    object_list_destroy(g_list_append(nullptr, obj));
}

TEST(NetworkObjects, a_growing_label_keeps_the_symbol_in_place) {
    PitchRenderer pitch;
    diagram_object* obj = create_object("Junction", 0, 0);
    point_object* po = as_point_object(obj);
    object_set_label(obj, "Junction A");  // 10 characters: 2.0 wide
    EXPECT_DOUBLE_EQ(po->elem.width, 2.0);
    EXPECT_DOUBLE_EQ(obj->position.x, 0.3);
    EXPECT_DOUBLE_EQ(po->elem.corner.x, -0.7);
    EXPECT_DOUBLE_EQ(obj->connections[2]->pos.x, 0.6);
    // The bounding box holds the label.
    EXPECT_LE(obj->bounding_box.left, -0.7);
    object_list_destroy(g_list_append(nullptr, obj));
}

TEST(NetworkObjects, pipeline_label_side_by_direction) {
    PitchRenderer pitch;
    struct Case {
        Point a, b;
        bool left;
    } cases[] = {
        {{0, 0}, {0, 4}, true},   // down (dx = 0 counts positive)
        {{0, 4}, {0, 0}, false},  // up
        {{0, 0}, {4, 0}, true},   // right (dy = 0 counts positive)
        {{4, 0}, {0, 0}, false},  // left
        {{0, 0}, {4, 4}, true},   // down-right
        {{4, 4}, {0, 0}, true},   // up-left
        {{0, 4}, {4, 0}, false},  // up-right
    };
    for (auto& c : cases) {
        diagram_object* obj = create_object("Pipeline", 0, 0);
        pipeline* p = as_pipeline(obj);
        object_set_label(obj, "P1");  // 0.4 wide
        obj->ops->move_handle(obj, obj->handles[0], &c.a, HANDLE_MOVE_USER, 0);
        obj->ops->move_handle(obj, obj->handles[1], &c.b, HANDLE_MOVE_USER, 0);
        double mx = (c.a.x + c.b.x) / 2, my = (c.a.y + c.b.y) / 2;
        EXPECT_DOUBLE_EQ(p->label->position.x, c.left ? mx - 0.4 : mx + 0.4)
            << c.a.x << c.a.y << c.b.x << c.b.y;
        EXPECT_DOUBLE_EQ(p->label->position.y, my + 0.2 + 0.3);
        EXPECT_DOUBLE_EQ(obj->connections[0]->pos.x, mx);
        EXPECT_DOUBLE_EQ(obj->position.x, c.a.x);
        object_list_destroy(g_list_append(nullptr, obj));
    }
}

TEST(NetworkObjects, spill_point_custom_handle_moves_the_whole_object) {
    diagram_object* obj = create_object("SpillPoint", 0, 0);
    spill_point* sp = as_spill_point(obj);
    EXPECT_EQ(obj->num_connections, 0);
    ASSERT_EQ(obj->num_handles, 5);
    EXPECT_EQ(obj->handles[4]->id, HANDLE_CUSTOM1);
    EXPECT_EQ(obj->handles[4]->connect_type, HANDLE_CONNECTABLE);
    EXPECT_DOUBLE_EQ(obj->handles[4]->pos.x, 0.3);
    EXPECT_DOUBLE_EQ(obj->handles[4]->pos.y, 0.4);
    Point to{2.3, 0.6};
    obj->ops->move_handle(obj, obj->handles[4], &to, HANDLE_MOVE_USER, 0);
    EXPECT_DOUBLE_EQ(sp->elem.corner.x, 2.0);
    EXPECT_DOUBLE_EQ(sp->elem.corner.y, 0.2);
    EXPECT_DOUBLE_EQ(obj->position.y, 0.5);
    Point to2{4, 4};
    obj->ops->move(obj, &to2);
    EXPECT_DOUBLE_EQ(sp->elem.corner.x, 3.7);
    EXPECT_DOUBLE_EQ(sp->elem.corner.y, 3.7);
    object_list_destroy(g_list_append(nullptr, obj));
}

// Inlet at (0,0); a pipeline from its bottom point to (4.3,0.6); the leak
// hanging on the pipeline's middle point.
struct SmallNetwork {
    SmallNetwork() {
        data = diagram_data_create();
        inlet = create_object("FlowInlet", 0, 0);
        pipe = create_object("Pipeline", 0, 0);
        leak = create_object("SpillPoint", 0, 0);
        for (diagram_object* o : {inlet, pipe, leak}) layer_add_object(data->active_layer, o);
        Point a{0.3, 0.6}, b{4.3, 0.6};
        pipe->ops->move_handle(pipe, pipe->handles[0], &a, HANDLE_MOVE_USER, 0);
        pipe->ops->move_handle(pipe, pipe->handles[1], &b, HANDLE_MOVE_USER, 0);
        handle_autoconnect(data, pipe, pipe->handles[0]);
        leak->ops->move_handle(leak, leak->handles[4], &pipe->connections[0]->pos, HANDLE_MOVE_USER,
                               0);
        handle_autoconnect(data, leak, leak->handles[4]);
        undo_set_transaction_point(data->undo);
    }
    ~SmallNetwork() { diagram_data_free(data); }
    diagram_data* data;
    diagram_object *inlet, *pipe, *leak;
};

TEST(NetworkObjects, moving_an_inlet_drags_the_pipeline_and_the_leak) {
    SmallNetwork net;
    ASSERT_EQ(net.pipe->handles[0]->connected_to, net.inlet->connections[3]);
    ASSERT_EQ(net.leak->handles[4]->connected_to, net.pipe->connections[0]);
    EXPECT_DOUBLE_EQ(as_spill_point(net.leak)->elem.corner.x, 2.0);
    EXPECT_DOUBLE_EQ(as_spill_point(net.leak)->elem.corner.y, 0.2);
    Point to{1.3, 1.3};
    net.inlet->ops->move(net.inlet, &to);
    object_update_connections(net.data, net.inlet, 1);
    pipeline* p = as_pipeline(net.pipe);
    // Hand-worked: the inlet's bottom point is (1.3, 1.6); the middle of
    // (1.3,1.6)-(4.3,0.6) is (2.8,1.1); the leak's corner is that less (0.3, 0.4).
    EXPECT_DOUBLE_EQ(p->conn.endpoints[0].x, 1.3);
    EXPECT_DOUBLE_EQ(p->conn.endpoints[0].y, 1.6);
    EXPECT_DOUBLE_EQ(net.pipe->connections[0]->pos.x, 2.8);
    EXPECT_DOUBLE_EQ(net.pipe->connections[0]->pos.y, 1.1);
    EXPECT_DOUBLE_EQ(as_spill_point(net.leak)->elem.corner.x, 2.5);
    EXPECT_DOUBLE_EQ(as_spill_point(net.leak)->elem.corner.y, 0.7);
}

TEST(NetworkObjects, scenario_with_every_type_saves_byte_identical) {
    ScratchDir tmp;
    SmallNetwork net;
    diagram_object* out = create_object("FlowOutlet", 6, 0);
    diagram_object* jn = create_object("Junction", 3, 3);
    diagram_object* pj = create_object("PipeJoin", 5, 3);
    diagram_object* txt = create_object("Text", 1, 5);
    for (diagram_object* o : {out, jn, pj, txt}) layer_add_object(net.data->active_layer, o);
    object_set_label(net.inlet, "Br\xc3\xb8nn 4\xc2\xb0");
    object_set_label(txt, "Two\nlines & <marks>");
    as_point_object(net.inlet)->flowrate = 12.5;
    as_point_object(out)->pressure = 101325;
    as_pipeline(net.pipe)->length = 1234.5;
    object_assign_xref(net.data, net.pipe);
    std::string a = tmp.path("a.zef"), b = tmp.path("b.zef");
    ASSERT_EQ(diagram_file_save(net.data, a.c_str(), 0, nullptr), 1);
    diagram_data* back = diagram_data_create();
    MessageCapture cap;
    ASSERT_EQ(diagram_file_load(a.c_str(), back, nullptr), 1);
    EXPECT_TRUE(cap.messages.empty());
    ASSERT_EQ(g_list_length(back->active_layer->objects), 7u);
    diagram_object* inlet = (diagram_object*)back->active_layer->objects->data;
    char* label = text_get_string(object_label(inlet));
    EXPECT_STREQ(label, "Br\xc3\xb8nn 4\xc2\xb0");
    g_free(label);
    EXPECT_EQ(as_point_object(inlet)->flowrate, 12.5);
    diagram_object* pipe = (diagram_object*)g_list_nth_data(back->active_layer->objects, 1);
    diagram_object* leak = (diagram_object*)g_list_nth_data(back->active_layer->objects, 2);
    EXPECT_EQ(pipe->handles[0]->connected_to, inlet->connections[3]);
    EXPECT_EQ(leak->handles[4]->connected_to, pipe->connections[0]);
    EXPECT_EQ(pipe->xref, 1);
    ASSERT_EQ(diagram_file_save(back, b.c_str(), 0, nullptr), 1);
    EXPECT_EQ(read_file(a), read_file(b));
    diagram_data_free(back);
}

TEST(NetworkObjects, missing_attributes_take_the_defaults) {
    ScratchDir tmp;
    std::string f = tmp.path("m.zef");
    std::string objects;
    for (const char* t :
         {"FlowInlet", "FlowOutlet", "Junction", "PipeJoin", "Pipeline", "SpillPoint", "Text"})
        objects += std::string("<object type=\"") + t + "\" version=\"1\" id=\"O" + t + "\"/>";
    write_file(f,
               "<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata/><zef:layer name=\"L\" "
               "visible=\"true\">" +
                   objects + "</zef:layer></zef:diagram>");
    diagram_data* d = diagram_data_create();
    MessageCapture cap;
    ASSERT_EQ(diagram_file_load(f.c_str(), d, nullptr), 1);
    EXPECT_TRUE(cap.messages.empty());
    GList* o = d->active_layer->objects;
    point_object* in = as_point_object((diagram_object*)o->data);
    EXPECT_EQ(in->temp, (double)21.11111f);
    EXPECT_EQ(in->closingtime, 300);
    EXPECT_EQ(as_point_object((diagram_object*)o->next->data)->closingtime, -1);
    pipeline* p = as_pipeline((diagram_object*)g_list_nth_data(o, 4));
    EXPECT_EQ(p->diameter, (double)0.508f);
    EXPECT_EQ(p->conn.object.num_connections, 1);
    EXPECT_EQ(as_spill_point((diagram_object*)g_list_nth_data(o, 5))->distance, (double)1.524f);
    text_object* t = as_text_object((diagram_object*)g_list_nth_data(o, 6));
    EXPECT_EQ(t->text->alignment, ALIGN_CENTER);
    EXPECT_EQ(t->object.handles[0]->type, HANDLE_MINOR_CONTROL);
    char* s = text_get_string(t->text);
    EXPECT_STREQ(s, "");
    g_free(s);
    diagram_data_free(d);
}

// The objects of a loaded file by type name, in drawing order.
std::vector<diagram_object*> objects_of(diagram_data* d, const char* type) {
    std::vector<diagram_object*> found;
    for (GList* l = d->active_layer->objects; l; l = l->next) {
        auto* obj = (diagram_object*)l->data;
        if (strcmp(obj->type->name, type) == 0) found.push_back(obj);
    }
    return found;
}

std::vector<std::string> repaired_names(diagram_object* obj) {
    const char* names[OBJECT_MAX_VALUES];
    const int n = object_repaired_values(obj, names);
    return std::vector<std::string>(names, names + n);
}

// The pipeline of the oil line with its diameter element left empty: it
// loads with the default bore, says so once, and the value stays marked as
// repaired through a save until the user confirms it; then the file is clean.
TEST(NetworkObjects, an_emptied_value_stays_repaired_until_confirmed) {
    ScratchDir tmp;
    const std::string damaged = tmp.path("damaged.zef"), kept = tmp.path("kept.zef"),
                      confirmed = tmp.path("confirmed.zef");
    ASSERT_NO_THROW(write_file(damaged, corpus::OilLineDiameterEmpty(VEXIL_SOURCE_ROOT)));
    diagram_data* d = diagram_data_create();
    {
        MessageCapture cap;
        ASSERT_EQ(diagram_file_load(damaged.c_str(), d, nullptr), 1);
        EXPECT_EQ(cap.texts(), std::vector<std::string>{
                                   "Warning:\nValues that could not be read were replaced:\n"
                                   "Pipeline \"Oil line\" (O2): diameter (empty) -> "
                                   "0.508 (default)"});
    }
    diagram_object* pipe = objects_of(d, "Pipeline").at(0);
    EXPECT_EQ(as_pipeline(pipe)->diameter, (double)0.508f);
    EXPECT_EQ(repaired_names(pipe), std::vector<std::string>{"diameter"});
    for (const char* type : {"FlowInlet", "FlowOutlet", "SpillPoint"})
        EXPECT_TRUE(repaired_names(objects_of(d, type).at(0)).empty()) << type;

    // Saved unconfirmed: the file says so, writes no empty attribute, and
    // opens with the same repair named again.
    ASSERT_EQ(diagram_file_save(d, kept.c_str(), 0, nullptr), 1);
    const std::string text = read_file(kept);
    EXPECT_EQ(text.find("\"diameter\"></attribute>"), std::string::npos);
    EXPECT_EQ(text.find("\"diameter\"/>"), std::string::npos);
    diagram_data* again = diagram_data_create();
    {
        MessageCapture cap;
        ASSERT_EQ(diagram_file_load(kept.c_str(), again, nullptr), 1);
        EXPECT_EQ(cap.texts(),
                  std::vector<std::string>{
                      "Warning:\nValues that could not be read were replaced:\n"
                      "Pipeline \"Oil line\" (O2): diameter repaired when opened before -> "
                      "kept, not yet confirmed"})
            << text;
    }
    diagram_object* pipe2 = objects_of(again, "Pipeline").at(0);
    EXPECT_EQ(repaired_names(pipe2), std::vector<std::string>{"diameter"});
    EXPECT_NEAR(as_pipeline(pipe2)->diameter, 0.508, 1e-7);  // as saved, "%g"

    // Confirmed (or entered anew), the next save opens without a word.
    EXPECT_EQ(object_confirm_values(pipe2), 1);
    EXPECT_EQ(object_confirm_values(pipe2), 0);
    ASSERT_EQ(diagram_file_save(again, confirmed.c_str(), 0, nullptr), 1);
    diagram_data* clean = diagram_data_create();
    {
        MessageCapture cap;
        ASSERT_EQ(diagram_file_load(confirmed.c_str(), clean, nullptr), 1);
        EXPECT_TRUE(cap.texts().empty());
    }
    EXPECT_TRUE(repaired_names(objects_of(clean, "Pipeline").at(0)).empty());
    EXPECT_EQ(read_file(confirmed).find("repaired"), std::string::npos);
    for (diagram_data* x : {d, again, clean}) diagram_data_free(x);
}

// Which values of each type can be marked: every engineering value, the
// closing time included, each by its own name.
TEST(NetworkObjects, each_unreadable_value_is_marked_by_name) {
    struct Case {
        const char* type;
        const char* attribute;
        const char* inner;
    } cases[] = {
        {"FlowInlet", "depth", ""},
        {"FlowInlet", "flowrate", "<real/>"},
        {"FlowInlet", "temp", "<real val=\"hot\"/>"},
        {"FlowInlet", "closingtime", ""},
        {"FlowOutlet", "pressure", ""},
        {"FlowOutlet", "closingtime", "<int val=\"1.5\"/>"},
        {"Junction", "depth", ""},
        {"PipeJoin", "depth", "<string>#1#</string>"},
        {"Pipeline", "length", ""},
        {"Pipeline", "amb_temp", "<real val=\"\"/>"},
        {"SpillPoint", "distance", ""},
        {"SpillPoint", "backpressure", "<real/>"},
    };
    ScratchDir tmp;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.attribute);
        const std::string f = tmp.path("v.zef");
        write_file(f, std::string("<zef:diagram xmlns:zef=\"urn:x\"><zef:diagramdata/>"
                                  "<zef:layer name=\"L\" visible=\"true\"><object type=\"") +
                          c.type + "\" version=\"1\" id=\"O1\"><attribute name=\"" + c.attribute +
                          "\">" + c.inner + "</attribute></object></zef:layer></zef:diagram>");
        diagram_data* d = diagram_data_create();
        MessageCapture cap;
        ASSERT_EQ(diagram_file_load(f.c_str(), d, nullptr), 1);
        EXPECT_EQ(cap.texts().size(), 1u);
        EXPECT_EQ(repaired_names((diagram_object*)d->active_layer->objects->data),
                  std::vector<std::string>{c.attribute});
        diagram_data_free(d);
    }
}

// An inlet's rate entered for the other fluid is kept as such in the file;
// a file without the mark (every stored file) reads as entered.
TEST(NetworkObjects, an_inlet_rate_of_the_other_fluid_is_kept_through_a_save) {
    ScratchDir tmp;
    SmallNetwork net;
    const std::string a = tmp.path("a.zef"), b = tmp.path("b.zef");
    ASSERT_EQ(diagram_file_save(net.data, a.c_str(), 0, nullptr), 1);
    EXPECT_EQ(read_file(a).find("rate_entered"), std::string::npos);
    as_point_object(net.inlet)->rate_pending = 1;
    ASSERT_EQ(diagram_file_save(net.data, b.c_str(), 0, nullptr), 1);
    for (const auto& [file, pending] : {std::pair{a, 0}, std::pair{b, 1}}) {
        diagram_data* d = diagram_data_create();
        MessageCapture cap;
        ASSERT_EQ(diagram_file_load(file.c_str(), d, nullptr), 1);
        EXPECT_TRUE(cap.texts().empty());
        point_object* inlet = as_point_object(objects_of(d, "FlowInlet").at(0));
        EXPECT_EQ(inlet->rate_pending, pending) << file;
        EXPECT_EQ(object_confirm_values(&inlet->elem.object), pending);
        EXPECT_EQ(inlet->rate_pending, 0);
        diagram_data_free(d);
    }
}

int twenty_points(int) { return 20; }

TEST(NetworkObjects, label_height_comes_from_the_settings_at_load_time) {
    ScratchDir tmp;
    diagram_data* d = diagram_data_create();
    diagram_object* j = create_object("Junction", 2, 2);
    layer_add_object(d->active_layer, j);
    object_set_label(j, "J");
    text_block* label = object_label(j);
    EXPECT_EQ(label->height, (double)(float)(10 * 2.54 / 72));
    std::string f = tmp.path("h.zef");
    ASSERT_EQ(diagram_file_save(d, f.c_str(), 0, nullptr), 1);
    app_set_font_size_provider(twenty_points);
    diagram_data* back = diagram_data_create();
    ASSERT_EQ(diagram_file_load(f.c_str(), back, nullptr), 1);
    app_set_font_size_provider(nullptr);
    text_block* loaded = object_label((diagram_object*)back->active_layer->objects->data);
    EXPECT_EQ(loaded->height, (double)(float)(20 * 2.54 / 72));
    EXPECT_EQ(loaded->alignment, ALIGN_CENTER);
    EXPECT_EQ(loaded->position.x, label->position.x);
    EXPECT_EQ(str_of(loaded), "J");
    diagram_data_free(back);
    diagram_data_free(d);
}

TEST(NetworkObjects, text_object_create_and_handle) {
    object_handle *h1 = nullptr, *h2 = nullptr;
    Point p{2, 3};
    diagram_object* obj = text_object_type.ops->create(&p, nullptr, &h1, &h2);
    EXPECT_EQ(h1, nullptr);
    EXPECT_EQ(h2, obj->handles[0]);
    EXPECT_EQ(h2->type, HANDLE_MAJOR_CONTROL);
    char* s = text_get_string(as_text_object(obj)->text);
    EXPECT_STREQ(s, "Text");
    g_free(s);
    Point to{4, 4};
    obj->ops->move_handle(obj, h2, &to, HANDLE_MOVE_USER, 0);
    EXPECT_EQ(obj->position.x, 4);
    EXPECT_EQ(as_text_object(obj)->text->position.y, 4);
    object_list_destroy(g_list_append(nullptr, obj));
}

}  // namespace
