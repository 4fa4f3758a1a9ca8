#include "support.h"

#include <glib/gstdio.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "vexil/dia_xml.h"

namespace {

void capture_sink(message_icon icon, const char* text, void* user_data) {
    static_cast<MessageCapture*>(user_data)->messages.push_back({icon, text});
}

void log_capture(const gchar*, GLogLevelFlags, const gchar* message, gpointer user_data) {
    static_cast<LogCapture*>(user_data)->lines.push_back(message);
}

}  // namespace

MessageCapture::MessageCapture() : previous_(message_set_sink(capture_sink, this)) {}
MessageCapture::~MessageCapture() { message_set_sink(nullptr, nullptr); }

std::vector<std::string> MessageCapture::texts() const {
    std::vector<std::string> t;
    for (auto& m : messages) t.push_back(m.text);
    return t;
}

bool MessageCapture::contains(const std::string& text) const {
    for (auto& m : messages)
        if (m.text == text) return true;
    return false;
}

LogCapture::LogCapture() {
    handler_ = g_log_set_handler(
        nullptr, (GLogLevelFlags)(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL), log_capture, this);
}

LogCapture::~LogCapture() { g_log_remove_handler(nullptr, handler_); }

ScratchDir::ScratchDir() {
    char tmpl[] = "/tmp/vexil_test_XXXXXX";
    dir = g_mkdtemp(tmpl);
}

static void remove_tree(const std::string& path) {
    GDir* d = g_dir_open(path.c_str(), 0, nullptr);
    if (d) {
        while (const char* name = g_dir_read_name(d)) {
            std::string p = path + "/" + name;
            if (g_file_test(p.c_str(), G_FILE_TEST_IS_DIR) &&
                !g_file_test(p.c_str(), G_FILE_TEST_IS_SYMLINK))
                remove_tree(p);
            else
                g_unlink(p.c_str());
        }
        g_dir_close(d);
    }
    g_rmdir(path.c_str());
}

ScratchDir::~ScratchDir() { remove_tree(dir); }

std::string ScratchDir::path(const std::string& name) const { return dir + "/" + name; }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

int test_objects_destroyed = 0;

// ---- TestBox ----

static void box_update(test_box* b) {
    element* e = &b->elem;
    double cx = e->corner.x + e->width / 2, cy = e->corner.y + e->height / 2;
    b->points[0].pos = {cx, e->corner.y};
    b->points[1].pos = {e->corner.x, cy};
    b->points[2].pos = {e->corner.x + e->width, cy};
    b->points[3].pos = {cx, e->corner.y + e->height};
    b->custom.pos = {cx, cy};
    element_update_handles(e);
    element_update_bbox(e);
    e->object.position = e->corner;
}

static void box_destroy(diagram_object* obj) {
    test_objects_destroyed++;
    element_destroy((element*)obj);
}
static void box_draw(diagram_object*, renderer*) {}
static double box_distance(diagram_object* obj, const Point* p) {
    return element_distance_from((element*)obj, p);
}
static void box_select(diagram_object*, const Point*, renderer*, int) {}
static void box_move(diagram_object* obj, const Point* to) {
    test_box* b = (test_box*)obj;
    b->elem.corner = *to;
    box_update(b);
}
static void box_move_handle(diagram_object* obj, object_handle* h, const Point* to, int, int) {
    test_box* b = (test_box*)obj;
    if (h->id == HANDLE_CUSTOM1)
        b->elem.corner = {to->x - b->elem.width / 2, to->y - b->elem.height / 2};
    else
        element_move_handle(&b->elem, h->id, to);
    box_update(b);
}

static const object_ops box_ops = {box_destroy, box_draw, box_distance,   box_select,
                                   nullptr,     box_move, box_move_handle};
extern object_type test_box_type;

static test_box* box_new() {
    test_box* b = g_new0(test_box, 1);
    element_init(&b->elem, 5, 4);
    diagram_object* obj = &b->elem.object;
    obj->type = &test_box_type;
    obj->ops = &box_ops;
    for (int i = 0; i < 4; i++) {
        obj->connections[i] = &b->points[i];
        b->points[i].object = obj;
    }
    b->custom = {HANDLE_CUSTOM1, HANDLE_MAJOR_CONTROL, {0, 0}, HANDLE_CONNECTABLE, nullptr};
    obj->handles[4] = &b->custom;
    return b;
}

static diagram_object* box_create(const Point* start, void*, object_handle** h1,
                                  object_handle** h2) {
    test_box* b = box_new();
    b->elem.corner = *start;
    b->elem.width = b->elem.height = 1.0;
    box_update(b);
    *h1 = nullptr;
    *h2 = nullptr;
    return &b->elem.object;
}

static diagram_object* box_load(xmlNodePtr node, int, const char*) {
    test_box* b = box_new();
    element_load(&b->elem, node);
    box_update(b);
    return &b->elem.object;
}

static void box_save(diagram_object* obj, xmlNodePtr node, const char*) {
    element_save((element*)obj, node);
}

static object_type_ops box_type_ops = {box_create, box_load, box_save, nullptr};
object_type test_box_type = {"TestBox", 1, nullptr, &box_type_ops, nullptr, nullptr};

// ---- TestLine / TestHalf ----

static void line_update(test_line* t) {
    connection* c = &t->conn;
    c->extra_spacing = {0.025, 0.025, 0.025, 0.025};
    connection_update_bbox(c);
    connection_update_handles(c);
    connpoint_line_update(t->cpl, &c->endpoints[0], &c->endpoints[1]);
    c->object.position = c->endpoints[0];
}

static void line_destroy(diagram_object* obj) {
    test_objects_destroyed++;
    test_line* t = (test_line*)obj;
    connection_destroy(&t->conn);
    connpoint_line_destroy(t->cpl);
}
static double line_distance(diagram_object* obj, const Point* p) {
    connection* c = (connection*)obj;
    return distance_line_point(&c->endpoints[0], &c->endpoints[1], 0.1, p);
}
static void line_move(diagram_object* obj, const Point* to) {
    test_line* t = (test_line*)obj;
    Point d = t->conn.endpoints[1];
    point_sub(&d, &t->conn.endpoints[0]);
    t->conn.endpoints[0] = *to;
    point_add(&t->conn.endpoints[1], to, &d);
    line_update(t);
}
static void line_move_handle(diagram_object* obj, object_handle* h, const Point* to, int, int) {
    test_line* t = (test_line*)obj;
    connection_move_handle(&t->conn, h->id, to);
    line_update(t);
}

static const object_ops line_ops = {line_destroy, box_draw,  line_distance,   box_select,
                                    nullptr,      line_move, line_move_handle};
extern object_type test_line_type;
extern object_type test_half_type;

static test_line* line_new(object_type* type) {
    test_line* t = g_new0(test_line, 1);
    connection_init(&t->conn, 2, 0);
    t->conn.object.type = type;
    t->conn.object.ops = &line_ops;
    if (type == &test_half_type) t->conn.endpoint_handles[1].connect_type = HANDLE_NONCONNECTABLE;
    return t;
}

static diagram_object* line_create_typed(object_type* type, const Point* start, object_handle** h1,
                                         object_handle** h2) {
    test_line* t = line_new(type);
    t->conn.endpoints[0] = *start;
    t->conn.endpoints[1] = {start->x + 1, start->y + 1};
    t->cpl = connpoint_line_create(&t->conn.object, 1);
    line_update(t);
    *h1 = &t->conn.endpoint_handles[0];
    *h2 = &t->conn.endpoint_handles[1];
    return &t->conn.object;
}

static diagram_object* line_create(const Point* start, void*, object_handle** h1,
                                   object_handle** h2) {
    return line_create_typed(&test_line_type, start, h1, h2);
}
static diagram_object* half_create(const Point* start, void*, object_handle** h1,
                                   object_handle** h2) {
    return line_create_typed(&test_half_type, start, h1, h2);
}

static diagram_object* line_load_typed(object_type* type, xmlNodePtr node) {
    test_line* t = line_new(type);
    connection_load(&t->conn, node);
    t->cpl = connpoint_line_load(&t->conn.object, node, "numcp", 1, nullptr);
    line_update(t);
    return &t->conn.object;
}
static diagram_object* line_load(xmlNodePtr node, int, const char*) {
    return line_load_typed(&test_line_type, node);
}
static diagram_object* half_load(xmlNodePtr node, int, const char*) {
    return line_load_typed(&test_half_type, node);
}

static void line_save(diagram_object* obj, xmlNodePtr node, const char*) {
    test_line* t = (test_line*)obj;
    connection_save(&t->conn, node);
    connpoint_line_save(t->cpl, node, "numcp");
}

static object_type_ops line_type_ops = {line_create, line_load, line_save, nullptr};
static object_type_ops half_type_ops = {half_create, half_load, line_save, nullptr};
object_type test_line_type = {"TestLine", 1, nullptr, &line_type_ops, nullptr, nullptr};
object_type test_half_type = {"TestHalf", 1, nullptr, &half_type_ops, nullptr, nullptr};

void register_test_types() {
    if (!type_registry_find("TestBox")) {
        type_registry_add(&test_box_type);
        type_registry_add(&test_line_type);
        type_registry_add(&test_half_type);
    }
}

diagram_object* make_box(double x, double y, double w, double h) {
    test_box* b = box_new();
    b->elem.corner = {x, y};
    b->elem.width = w;
    b->elem.height = h;
    box_update(b);
    return &b->elem.object;
}

diagram_object* make_line(double x1, double y1, double x2, double y2, int numcp, const char* type) {
    object_type* t = type_registry_find(type);
    test_line* l = line_new(t ? t : &test_line_type);
    l->conn.endpoints[0] = {x1, y1};
    l->conn.endpoints[1] = {x2, y2};
    l->cpl = connpoint_line_create(&l->conn.object, numcp);
    line_update(l);
    return &l->conn.object;
}

::testing::AssertionResult connections_consistent(diagram_data* data) {
    for (guint i = 0; i < data->layers->len; i++)
        for (GList* o = ((layer*)g_ptr_array_index(data->layers, i))->objects; o; o = o->next) {
            diagram_object* obj = (diagram_object*)o->data;
            for (int h = 0; h < obj->num_handles; h++) {
                connection_point* cp = obj->handles[h]->connected_to;
                if (!cp) continue;
                int handles_on = 0;
                for (int k = 0; k < obj->num_handles; k++)
                    handles_on += obj->handles[k]->connected_to == cp;
                int listed = 0;
                for (GList* l = cp->connected; l; l = l->next) listed += l->data == obj;
                if (listed != handles_on)
                    return ::testing::AssertionFailure()
                           << "handle " << h << " listed " << listed << " times";
            }
            for (int c = 0; c < obj->num_connections; c++)
                for (GList* l = obj->connections[c]->connected; l; l = l->next) {
                    diagram_object* other = (diagram_object*)l->data;
                    bool found = false;
                    for (int k = 0; k < other->num_handles; k++)
                        found |= other->handles[k]->connected_to == obj->connections[c];
                    if (!found)
                        return ::testing::AssertionFailure()
                               << "point lists an object with no handle on it";
                }
        }
    return ::testing::AssertionSuccess();
}

diagram_object* create_object(const char* type, double x, double y) {
    object_handle *h1 = nullptr, *h2 = nullptr;
    Point p{x, y};
    return type_registry_find(type)->ops->create(&p, nullptr, &h1, &h2);
}
