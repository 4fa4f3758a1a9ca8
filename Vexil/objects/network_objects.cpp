// FlowInlet, FlowOutlet, Junction, PipeJoin, Pipeline and SpillPoint.
#include "vexil/network_objects.h"

#include <cmath>
#include <cstring>

#include "vexil/app_settings.h"
#include "vexil/dia_xml.h"
#include "vexil/renderer.h"

// A type's engineering values as (attribute name, field) rows, saved and
// loaded in row order; a missing attribute keeps the field's default, an
// empty or unreadable one keeps it too and sets the row's bit in the
// object's `repaired` mask.
struct real_value {
    const char* name;
    double* value;
};

// The attribute that lists the values repaired on an open and not yet
// confirmed, so that a save does not pass a repair off as an entered value.
static const char repaired_attribute[] = "repaired";
// Written false on an inlet whose rate was entered for the other fluid.
static const char rate_entered_attribute[] = "rate_entered";

static void save_values(xmlNodePtr node, const real_value* rows, int n) {
    for (int i = 0; i < n; i++) xml_add_real(xml_new_attribute(node, rows[i].name), *rows[i].value);
}

static unsigned load_values(xmlNodePtr node, const real_value* rows, int n) {
    unsigned repaired = 0;
    for (int i = 0; i < n; i++) {
        const unsigned before = xml_damage_serial();
        *rows[i].value = xml_attr_single(node, rows[i].name, *rows[i].value);
        if (xml_damage_serial() != before) repaired |= 1u << i;
    }
    return repaired;
}

static void save_repaired(xmlNodePtr node, unsigned repaired, const char* const* names, int n) {
    if (repaired == 0) return;
    AttributeNode attr = xml_new_attribute(node, repaired_attribute);
    for (int i = 0; i < n; i++)
        if (repaired & (1u << i)) xml_add_string(attr, names[i]);
}

// The values a file lists as repaired before: they stay unconfirmed, and the
// open says so again.
static unsigned load_repaired(xmlNodePtr node, const char* const* names, int n) {
    AttributeNode attr = xml_find_attribute(node, repaired_attribute);
    unsigned repaired = 0;
    for (DataNode d = attr ? xml_attribute_data(attr) : nullptr; d; d = xml_data_next(d)) {
        if (xml_data_type(d) != DATATYPE_STRING) continue;
        char* name = xml_data_string(d);
        for (int i = 0; name && i < n; i++)
            if (strcmp(name, names[i]) == 0 && !(repaired & (1u << i))) {
                repaired |= 1u << i;
                xml_damage_report(node, names[i], "repaired when opened before",
                                  "kept, not yet confirmed");
            }
        g_free(name);
    }
    return repaired;
}

double point_object_label_height() { return app_font_size_cm(APP_FONT_OBJECT_LABEL); }

static text_block* new_label() {
    const Point origin{0, 0};
    return text_create("", font_name_intern("Arial"), point_object_label_height(), &origin,
                       &color_black, ALIGN_CENTER);
}

// ---- Point objects ----

static void point_object_layout(point_object* po, bool keep_centre) {
    element* e = &po->elem;
    text_block* label = po->label;
    text_calc_metrics(label);
    double w = std::max(label->max_width, POINT_OBJECT_SIZE);
    // A label that grows keeps the symbol where it is.
    if (keep_centre) e->corner.x += (e->width - w) / 2;
    e->width = w;
    e->height = label->numlines * text_line_height(label) + LABEL_GAP + POINT_OBJECT_SIZE;
    Point lp{e->corner.x + w / 2, e->corner.y + POINT_OBJECT_SIZE + LABEL_GAP + label->ascent};
    text_set_position(label, &lp);
    double cx = e->corner.x + w / 2, cy = e->corner.y + POINT_OBJECT_CP_OFFSET;
    po->connections[0].pos = {cx, cy - POINT_OBJECT_CP_OFFSET};
    po->connections[1].pos = {cx - POINT_OBJECT_CP_OFFSET, cy};
    po->connections[2].pos = {cx + POINT_OBJECT_CP_OFFSET, cy};
    po->connections[3].pos = {cx, cy + POINT_OBJECT_CP_OFFSET};
    element_update_bbox(e);
    Rectangle lb;
    text_calc_boundingbox(label, &lb, nullptr);
    rectangle_union(&e->object.bounding_box, &lb);
    e->object.position = {cx, cy};
    element_update_handles(e);
}

void point_object_update_data(point_object* po) { point_object_layout(po, true); }

static void point_object_destroy(diagram_object* obj) {
    point_object* po = (point_object*)obj;
    element_destroy(&po->elem);
    text_destroy(po->label);
    po->label = nullptr;
}

static void point_object_begin_draw(renderer* r) {
    r->ops->set_fillstyle(r, 0);
    r->ops->set_linestyle(r, LINESTYLE_SOLID);
    r->ops->set_linewidth(r, POINT_OBJECT_LINE_WIDTH);
}

static double symbol_cx(point_object* po) { return po->elem.corner.x + po->elem.width / 2; }

static void flow_inlet_draw(diagram_object* obj, renderer* r) {
    point_object* po = (point_object*)obj;
    point_object_begin_draw(r);
    double cx = symbol_cx(po), y = po->elem.corner.y;
    Point tri[3] = {{cx - 0.3, y + 0.6}, {cx + 0.3, y + 0.6}, {cx, y}};
    r->ops->fill_polygon(r, tri, 3, &color_black);
    r->ops->draw_polygon(r, tri, 3, &color_black);
    text_draw(po->label, r);
}

static void flow_outlet_draw(diagram_object* obj, renderer* r) {
    point_object* po = (point_object*)obj;
    point_object_begin_draw(r);
    double cx = symbol_cx(po), y = po->elem.corner.y;
    Point tri[3] = {{cx - 0.3, y}, {cx, y + 0.6}, {cx + 0.3, y}};
    r->ops->fill_polygon(r, tri, 3, &color_black);
    r->ops->draw_polygon(r, tri, 3, &color_black);
    text_draw(po->label, r);
}

static void circle_symbol(point_object* po, renderer* r) {
    Point c{symbol_cx(po), po->elem.corner.y + POINT_OBJECT_CP_OFFSET};
    r->ops->fill_ellipse(r, &c, POINT_OBJECT_SIZE, POINT_OBJECT_SIZE, &color_white);
    r->ops->draw_ellipse(r, &c, POINT_OBJECT_SIZE, POINT_OBJECT_SIZE, &color_black);
}

static void pipe_join_draw(diagram_object* obj, renderer* r) {
    point_object* po = (point_object*)obj;
    point_object_begin_draw(r);
    circle_symbol(po, r);
    text_draw(po->label, r);
}

static void junction_draw(diagram_object* obj, renderer* r) {
    point_object* po = (point_object*)obj;
    point_object_begin_draw(r);
    circle_symbol(po, r);
    double cx = symbol_cx(po), cy = po->elem.corner.y + POINT_OBJECT_CP_OFFSET, a = JUNCTION_ARM;
    Point p1{cx - a, cy - a}, p2{cx + a, cy + a}, p3{cx - a, cy + a}, p4{cx + a, cy - a};
    r->ops->draw_line(r, &p1, &p2, &color_black);
    r->ops->draw_line(r, &p3, &p4, &color_black);
    text_draw(po->label, r);
}

static double point_object_distance_from(diagram_object* obj, const Point* p) {
    return element_distance_from((element*)obj, p);
}

static void point_object_select(diagram_object* obj, const Point* clicked, renderer* r,
                                int just_selected) {
    point_object* po = (point_object*)obj;
    if (!just_selected && clicked->y >= po->elem.corner.y + LABEL_CLICK_BAND) {
        text_set_cursor(po->label, clicked, r);
        text_grab_focus(po->label, obj);
    }
    element_update_handles(&po->elem);
}

static void point_object_move(diagram_object* obj, const Point* to) {
    point_object* po = (point_object*)obj;
    text_calc_metrics(po->label);
    double w = std::max(po->label->max_width, POINT_OBJECT_SIZE);
    po->elem.width = w;
    po->elem.corner = {to->x - w / 2, to->y - POINT_OBJECT_CP_OFFSET};
    point_object_layout(po, false);
}

static void point_object_move_handle(diagram_object* obj, object_handle* h, const Point* to, int,
                                     int) {
    point_object* po = (point_object*)obj;
    element_move_handle(&po->elem, h->id, to);
    point_object_layout(po, false);
}

static const object_ops flow_inlet_ops = {
    point_object_destroy,    flow_inlet_draw, point_object_distance_from,
    point_object_select,     nullptr,         point_object_move,
    point_object_move_handle};
static const object_ops flow_outlet_ops = {
    point_object_destroy,    flow_outlet_draw, point_object_distance_from,
    point_object_select,     nullptr,          point_object_move,
    point_object_move_handle};
static const object_ops junction_ops = {
    point_object_destroy,    junction_draw, point_object_distance_from,
    point_object_select,     nullptr,       point_object_move,
    point_object_move_handle};
static const object_ops pipe_join_ops = {
    point_object_destroy,    pipe_join_draw, point_object_distance_from,
    point_object_select,     nullptr,        point_object_move,
    point_object_move_handle};

static const object_ops* point_ops_for(object_type* type) {
    if (type == &flow_inlet_type) return &flow_inlet_ops;
    if (type == &flow_outlet_type) return &flow_outlet_ops;
    if (type == &junction_type) return &junction_ops;
    return &pipe_join_ops;
}

static void point_object_defaults(point_object* po, object_type* type) {
    po->depth = 0.0;
    po->flowrate = 0.0;
    po->pressure = 0.0;
    po->temp = 0.0;
    po->closingtime = 0;
    if (type == &flow_inlet_type) {
        po->temp = FLOW_INLET_DEFAULT_TEMP;
        po->closingtime = FLOW_INLET_DEFAULT_CLOSINGTIME;
    } else if (type == &flow_outlet_type) {
        po->closingtime = FLOW_OUTLET_DEFAULT_CLOSINGTIME;
    }
}

static point_object* point_object_new(object_type* type) {
    point_object* po = g_new0(point_object, 1);
    element_init(&po->elem, 4, 4);
    diagram_object* obj = &po->elem.object;
    obj->type = type;
    obj->ops = point_ops_for(type);
    for (int i = 0; i < 4; i++) {
        obj->connections[i] = &po->connections[i];
        po->connections[i].object = obj;
    }
    return po;
}

static diagram_object* point_object_create(object_type* type, const Point* start) {
    point_object* po = point_object_new(type);
    po->elem.corner = *start;
    po->label = new_label();
    po->elem.width = std::max(po->label->max_width, POINT_OBJECT_SIZE);
    point_object_layout(po, false);
    point_object_defaults(po, type);
    return &po->elem.object;
}

// The real values of a point type in file order (closingtime, an integer, follows them).
static int point_object_values(point_object* po, real_value* rows) {
    object_type* type = po->elem.object.type;
    rows[0] = {"depth", &po->depth};
    if (type == &flow_inlet_type) {
        rows[1] = {"flowrate", &po->flowrate};
        rows[2] = {"temp", &po->temp};
        return 3;
    }
    if (type == &flow_outlet_type) {
        rows[1] = {"pressure", &po->pressure};
        return 2;
    }
    return 1;
}

static bool has_closing_time(object_type* type) {
    return type == &flow_inlet_type || type == &flow_outlet_type;
}

static diagram_object* point_object_load(object_type* type, xmlNodePtr node) {
    point_object* po = point_object_new(type);
    element_load(&po->elem, node);
    po->label = text_load_attribute(node, "label", point_object_label_height());
    if (!po->label) po->label = new_label();
    // The symbol centre of the file stays where it was.
    point_object_layout(po, true);
    point_object_defaults(po, type);
    real_value rows[3];
    const int n = point_object_values(po, rows);
    po->repaired = load_values(node, rows, n);
    if (has_closing_time(type)) {
        const unsigned before = xml_damage_serial();
        po->closingtime = xml_attr_int(node, "closingtime", po->closingtime);
        if (xml_damage_serial() != before) po->repaired |= 1u << n;
    }
    const char* names[OBJECT_MAX_VALUES];
    const int count = object_value_names(&po->elem.object, names);
    po->repaired |= load_repaired(node, names, count);
    if (type == &flow_inlet_type)
        po->rate_pending = !xml_attr_boolean(node, rate_entered_attribute, 1);
    return &po->elem.object;
}

static void point_object_save(diagram_object* obj, xmlNodePtr node, const char*) {
    point_object* po = (point_object*)obj;
    element_save(&po->elem, node);
    text_save(po->label, node, "label");
    real_value rows[3];
    save_values(node, rows, point_object_values(po, rows));
    if (has_closing_time(obj->type))
        xml_add_int(xml_new_attribute(node, "closingtime"), po->closingtime);
    const char* names[OBJECT_MAX_VALUES];
    save_repaired(node, po->repaired, names, object_value_names(obj, names));
    if (obj->type == &flow_inlet_type && po->rate_pending)
        xml_add_boolean(xml_new_attribute(node, rate_entered_attribute), 0);
}

#define POINT_TYPE_OPS(prefix, type)                                                               \
    static diagram_object* prefix##_create(const Point* start, void*, object_handle**,             \
                                           object_handle**) {                                      \
        return point_object_create(&type, start);                                                  \
    }                                                                                              \
    static diagram_object* prefix##_load(xmlNodePtr node, int, const char*) {                      \
        return point_object_load(&type, node);                                                     \
    }                                                                                              \
    static object_type_ops prefix##_type_ops = {prefix##_create, prefix##_load, point_object_save, \
                                                nullptr};

POINT_TYPE_OPS(flow_inlet, flow_inlet_type)
POINT_TYPE_OPS(flow_outlet, flow_outlet_type)
POINT_TYPE_OPS(junction, junction_type)
POINT_TYPE_OPS(pipe_join, pipe_join_type)

object_type flow_inlet_type = {FLOW_INLET_TYPE, 1, nullptr, &flow_inlet_type_ops, nullptr, nullptr};
object_type flow_outlet_type = {FLOW_OUTLET_TYPE,      1,       nullptr,
                                &flow_outlet_type_ops, nullptr, nullptr};
object_type junction_type = {JUNCTION_TYPE, 1, nullptr, &junction_type_ops, nullptr, nullptr};
object_type pipe_join_type = {PIPE_JOIN_TYPE, 1, nullptr, &pipe_join_type_ops, nullptr, nullptr};

// ---- Pipeline ----

#define PIPELINE_VALUES(p)                                                                      \
    {                                                                                           \
        {"length", &(p)->length}, {"diameter", &(p)->diameter}, {"roughness", &(p)->roughness}, \
            {"heat_trans_coeff", &(p)->heat_trans_coeff}, {"amb_temp", &(p)->amb_temp},         \
    }

void pipeline_update_data(pipeline* p) {
    connection* c = &p->conn;
    c->extra_spacing = {PIPELINE_END_EXTRA, PIPELINE_END_EXTRA, PIPELINE_END_EXTRA,
                        PIPELINE_END_EXTRA};
    connection_update_bbox(c);
    c->object.position = c->endpoints[0];
    connpoint_line_update(p->cpl, &c->endpoints[0], &c->endpoints[1]);
    connection_update_handles(c);
    text_calc_metrics(p->label);
    Point m{(c->endpoints[0].x + c->endpoints[1].x) / 2,
            (c->endpoints[0].y + c->endpoints[1].y) / 2};
    double dx = c->endpoints[1].x - c->endpoints[0].x, dy = c->endpoints[1].y - c->endpoints[0].y;
    // Zero counts as positive: a vertical or horizontal line is "down-right".
    bool same_sign = (dx >= 0) == (dy >= 0);
    double shift = p->label->max_width / 2 + LABEL_GAP;
    Point lp{same_sign ? m.x - shift : m.x + shift, m.y + LABEL_GAP + p->label->ascent};
    text_set_position(p->label, &lp);
}

static void pipeline_destroy(diagram_object* obj) {
    pipeline* p = (pipeline*)obj;
    connection_destroy(&p->conn);
    connpoint_line_destroy(p->cpl);
    p->cpl = nullptr;
    text_destroy(p->label);
    p->label = nullptr;
}

static void pipeline_draw(diagram_object* obj, renderer* r) {
    pipeline* p = (pipeline*)obj;
    r->ops->set_linewidth(r, PIPELINE_LINE_WIDTH);
    r->ops->set_linestyle(r, LINESTYLE_SOLID);
    r->ops->set_linecaps(r, 0);
    r->ops->draw_line(r, &p->conn.endpoints[0], &p->conn.endpoints[1], &color_black);
    text_draw(p->label, r);
}

static double pipeline_distance_from(diagram_object* obj, const Point* pt) {
    pipeline* p = (pipeline*)obj;
    return distance_line_point(&p->conn.endpoints[0], &p->conn.endpoints[1], PIPELINE_LINE_WIDTH,
                               pt);
}

static void pipeline_select(diagram_object* obj, const Point* clicked, renderer* r,
                            int just_selected) {
    pipeline* p = (pipeline*)obj;
    if (!just_selected && text_distance_from(p->label, clicked, r) <= LABEL_GAP) {
        text_set_cursor(p->label, clicked, r);
        text_grab_focus(p->label, obj);
    }
    connection_update_handles(&p->conn);
}

static void pipeline_move(diagram_object* obj, const Point* to) {
    pipeline* p = (pipeline*)obj;
    Point d = p->conn.endpoints[1];
    point_sub(&d, &p->conn.endpoints[0]);
    p->conn.endpoints[0] = *to;
    point_add(&p->conn.endpoints[1], to, &d);
    pipeline_update_data(p);
}

static void pipeline_move_handle(diagram_object* obj, object_handle* h, const Point* to, int, int) {
    pipeline* p = (pipeline*)obj;
    connection_move_handle(&p->conn, h->id, to);
    pipeline_update_data(p);
}

static const object_ops pipeline_ops = {pipeline_destroy,    pipeline_draw, pipeline_distance_from,
                                        pipeline_select,     nullptr,       pipeline_move,
                                        pipeline_move_handle};

static pipeline* pipeline_new() {
    pipeline* p = g_new0(pipeline, 1);
    connection_init(&p->conn, 2, 0);
    p->conn.object.type = &pipeline_type;
    p->conn.object.ops = &pipeline_ops;
    p->length = 0.0;
    p->diameter = PIPELINE_DEFAULT_DIAMETER;
    p->roughness = PIPELINE_DEFAULT_ROUGHNESS;
    p->heat_trans_coeff = PIPELINE_DEFAULT_HEAT_TRANS;
    p->amb_temp = PIPELINE_DEFAULT_AMB_TEMP;
    return p;
}

static diagram_object* pipeline_create(const Point* start, void*, object_handle** h1,
                                       object_handle** h2) {
    pipeline* p = pipeline_new();
    p->conn.endpoints[0] = *start;
    p->conn.endpoints[1] = {start->x + 1.0, start->y + 1.0};
    p->cpl = connpoint_line_create(&p->conn.object, PIPELINE_DEFAULT_NUMCP);
    p->label = new_label();
    pipeline_update_data(p);
    *h1 = &p->conn.endpoint_handles[0];
    *h2 = &p->conn.endpoint_handles[1];
    return &p->conn.object;
}

static diagram_object* pipeline_load(xmlNodePtr node, int, const char*) {
    pipeline* p = pipeline_new();
    connection_load(&p->conn, node);
    p->cpl = connpoint_line_load(&p->conn.object, node, "numcp", PIPELINE_DEFAULT_NUMCP, nullptr);
    p->label = text_load_attribute(node, "label", point_object_label_height());
    if (!p->label) p->label = new_label();
    const real_value rows[] = PIPELINE_VALUES(p);
    p->repaired = load_values(node, rows, G_N_ELEMENTS(rows));
    const char* names[OBJECT_MAX_VALUES];
    p->repaired |= load_repaired(node, names, object_value_names(&p->conn.object, names));
    pipeline_update_data(p);
    return &p->conn.object;
}

static void pipeline_save(diagram_object* obj, xmlNodePtr node, const char*) {
    pipeline* p = (pipeline*)obj;
    connection_save(&p->conn, node);
    connpoint_line_save(p->cpl, node, "numcp");
    text_save(p->label, node, "label");
    const real_value rows[] = PIPELINE_VALUES(p);
    save_values(node, rows, G_N_ELEMENTS(rows));
    const char* names[OBJECT_MAX_VALUES];
    save_repaired(node, p->repaired, names, object_value_names(obj, names));
}

static object_type_ops pipeline_type_ops = {pipeline_create, pipeline_load, pipeline_save, nullptr};
object_type pipeline_type = {PIPELINE_TYPE, 1, nullptr, &pipeline_type_ops, nullptr, nullptr};

// ---- SpillPoint ----

#define SPILL_POINT_VALUES(sp)                                                                 \
    {                                                                                          \
        {"depth", &(sp)->depth}, {"distance", &(sp)->distance}, {"diameter", &(sp)->diameter}, \
            {"backpressure", &(sp)->backpressure},                                             \
    }

void spill_point_update_data(spill_point* sp) {
    element* e = &sp->elem;
    e->width = POINT_OBJECT_SIZE;
    e->height = POINT_OBJECT_SIZE;
    sp->custom_handle.pos = {e->corner.x + 0.3, e->corner.y + 0.4};
    element_update_bbox(e);
    e->object.position = {e->corner.x + 0.3, e->corner.y + 0.3};
    element_update_handles(e);
}

static void spill_point_destroy(diagram_object* obj) { element_destroy((element*)obj); }

static void spill_point_draw(diagram_object* obj, renderer* r) {
    spill_point* sp = (spill_point*)obj;
    double cx = sp->elem.corner.x + sp->elem.width / 2, y = sp->elem.corner.y;
    Point pts[5] = {{cx - 0.3, y + 0.6},
                    {cx + 0.3, y + 0.6},
                    {cx, y},
                    {cx - 0.3, y + 0.6},
                    {cx - 0.15, y + 0.6}};
    r->ops->set_fillstyle(r, 0);
    r->ops->set_linestyle(r, LINESTYLE_SOLID);
    r->ops->set_linewidth(r, PIPELINE_LINE_WIDTH);
    r->ops->draw_polyline(r, pts, 5, &color_red);
}

static double spill_point_distance_from(diagram_object* obj, const Point* p) {
    return element_distance_from((element*)obj, p);
}

static void spill_point_select(diagram_object* obj, const Point*, renderer*, int) {
    element_update_handles((element*)obj);
}

static void spill_point_move(diagram_object* obj, const Point* to) {
    spill_point* sp = (spill_point*)obj;
    sp->elem.corner = {to->x - sp->elem.width / 2, to->y - 0.3};
    spill_point_update_data(sp);
}

static void spill_point_move_handle(diagram_object* obj, object_handle* h, const Point* to, int,
                                    int) {
    spill_point* sp = (spill_point*)obj;
    if (h->id > 7)
        sp->elem.corner = {to->x - sp->elem.width / 2, to->y - 0.4};
    else
        element_move_handle(&sp->elem, h->id, to);
    spill_point_update_data(sp);
}

static const object_ops spill_point_ops = {
    spill_point_destroy,    spill_point_draw, spill_point_distance_from,
    spill_point_select,     nullptr,          spill_point_move,
    spill_point_move_handle};

static spill_point* spill_point_new() {
    spill_point* sp = g_new0(spill_point, 1);
    element_init(&sp->elem, 5, 0);
    diagram_object* obj = &sp->elem.object;
    obj->type = &spill_point_type;
    obj->ops = &spill_point_ops;
    sp->custom_handle = {HANDLE_CUSTOM1, HANDLE_MAJOR_CONTROL, {0, 0}, HANDLE_CONNECTABLE, nullptr};
    obj->handles[4] = &sp->custom_handle;
    sp->depth = 0.0;
    sp->distance = SPILL_POINT_DEFAULT_DISTANCE;
    sp->diameter = SPILL_POINT_DEFAULT_DIAMETER;
    sp->backpressure = 0.0;
    return sp;
}

static diagram_object* spill_point_create(const Point* start, void*, object_handle**,
                                          object_handle**) {
    spill_point* sp = spill_point_new();
    sp->elem.corner = *start;
    spill_point_update_data(sp);
    return &sp->elem.object;
}

static diagram_object* spill_point_load(xmlNodePtr node, int, const char*) {
    spill_point* sp = spill_point_new();
    element_load(&sp->elem, node);
    spill_point_update_data(sp);
    const real_value rows[] = SPILL_POINT_VALUES(sp);
    sp->repaired = load_values(node, rows, G_N_ELEMENTS(rows));
    const char* names[OBJECT_MAX_VALUES];
    sp->repaired |= load_repaired(node, names, object_value_names(&sp->elem.object, names));
    return &sp->elem.object;
}

static void spill_point_save(diagram_object* obj, xmlNodePtr node, const char*) {
    spill_point* sp = (spill_point*)obj;
    element_save(&sp->elem, node);
    const real_value rows[] = SPILL_POINT_VALUES(sp);
    save_values(node, rows, G_N_ELEMENTS(rows));
    const char* names[OBJECT_MAX_VALUES];
    save_repaired(node, sp->repaired, names, object_value_names(obj, names));
}

static object_type_ops spill_point_type_ops = {spill_point_create, spill_point_load,
                                               spill_point_save, nullptr};
object_type spill_point_type = {SPILL_POINT_TYPE,      1,       nullptr,
                                &spill_point_type_ops, nullptr, nullptr};

// ---- Lookup ----

point_object* as_point_object(diagram_object* obj) {
    if (obj && (obj->type == &flow_inlet_type || obj->type == &flow_outlet_type ||
                obj->type == &junction_type || obj->type == &pipe_join_type))
        return (point_object*)obj;
    return nullptr;
}

pipeline* as_pipeline(diagram_object* obj) {
    return obj && obj->type == &pipeline_type ? (pipeline*)obj : nullptr;
}

spill_point* as_spill_point(diagram_object* obj) {
    return obj && obj->type == &spill_point_type ? (spill_point*)obj : nullptr;
}

text_block* object_label(diagram_object* obj) {
    if (point_object* po = as_point_object(obj)) return po->label;
    if (pipeline* p = as_pipeline(obj)) return p->label;
    if (text_object* t = as_text_object(obj)) return t->text;
    return nullptr;
}

void object_set_label(diagram_object* obj, const char* str) {
    text_block* label = object_label(obj);
    if (!label) return;
    text_set_string(label, str);
    if (point_object* po = as_point_object(obj))
        point_object_update_data(po);
    else if (pipeline* p = as_pipeline(obj))
        pipeline_update_data(p);
    else if (text_object* t = as_text_object(obj))
        text_object_update_data(t);
}

// ---- Values the user has to confirm ----

int object_value_names(diagram_object* obj, const char** names) {
    int n = 0;
    if (point_object* po = as_point_object(obj)) {
        real_value rows[3];
        n = point_object_values(po, rows);
        for (int i = 0; i < n; i++) names[i] = rows[i].name;
        if (has_closing_time(obj->type)) names[n++] = "closingtime";
    } else if (pipeline* p = as_pipeline(obj)) {
        const real_value rows[] = PIPELINE_VALUES(p);
        for (const real_value& r : rows) names[n++] = r.name;
    } else if (spill_point* sp = as_spill_point(obj)) {
        const real_value rows[] = SPILL_POINT_VALUES(sp);
        for (const real_value& r : rows) names[n++] = r.name;
    }
    return n;
}

static unsigned* repaired_mask(diagram_object* obj) {
    if (point_object* po = as_point_object(obj)) return &po->repaired;
    if (pipeline* p = as_pipeline(obj)) return &p->repaired;
    if (spill_point* sp = as_spill_point(obj)) return &sp->repaired;
    return nullptr;
}

int object_repaired_values(diagram_object* obj, const char** names) {
    const unsigned* mask = repaired_mask(obj);
    if (!mask || *mask == 0) return 0;
    const char* all[OBJECT_MAX_VALUES];
    const int n = object_value_names(obj, all);
    int found = 0;
    for (int i = 0; i < n; i++)
        if (*mask & (1u << i)) names[found++] = all[i];
    return found;
}

int object_confirm_values(diagram_object* obj) {
    unsigned* mask = repaired_mask(obj);
    int changed = mask && *mask != 0;
    if (mask) *mask = 0;
    if (point_object* po = as_point_object(obj)) {
        changed = changed || po->rate_pending;
        po->rate_pending = 0;
    }
    return changed;
}
