// The QPainter renderer: pixel probes on a QImage at 254 dpi (100 pixels per
// centimetre), the mapping-mode scales, fonts, and a picture of a network.
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>

#include "support.h"
#include "vexil/diagram_file.h"
#include "vexil/network_objects.h"
#include "vexil/render_qt.h"
#include "qt_canvas.h"

namespace {

constexpr QRgb WHITE = 0xffffff, BLACK = 0x000000, RED = 0xff0000, CROSS = 0x6666ff;

TEST(RenderQt, a_horizontal_line_covers_both_end_pixels) {
    Canvas c;
    EXPECT_DOUBLE_EQ(c.r->scale_x, 100.0);
    Point a{0.1, 0.5}, b{0.2, 0.5};
    c.r->ops->set_linewidth(c.r, 0);
    c.r->ops->draw_line(c.r, &a, &b, &color_black);
    EXPECT_EQ(c.at(9, 50), WHITE);
    for (int x = 10; x <= 20; x++) EXPECT_EQ(c.at(x, 50), BLACK) << x;
    EXPECT_EQ(c.at(21, 50), WHITE);
    EXPECT_EQ(c.at(15, 51), WHITE);
}

TEST(RenderQt, a_handle_fills_five_pixels_with_its_outline_three_away) {
    Canvas c;
    object_handle h{
        HANDLE_RESIZE_NW, HANDLE_MAJOR_CONTROL, {0.5, 0.5}, HANDLE_NONCONNECTABLE, nullptr};
    handle_draw(&h, c.r);
    for (int d = -2; d <= 2; d++) {
        EXPECT_EQ(c.at(50 + d, 50), 0x00ff00u) << d;  // unconnected major control: green
        EXPECT_EQ(c.at(50, 50 + d), 0x00ff00u) << d;
    }
    for (int d = -3; d <= 3; d++) {
        EXPECT_EQ(c.at(47, 50 + d), BLACK) << d;
        EXPECT_EQ(c.at(53, 50 + d), BLACK) << d;
        EXPECT_EQ(c.at(50 + d, 47), BLACK) << d;
    }
    EXPECT_EQ(c.at(46, 50), WHITE);
    EXPECT_EQ(c.at(54, 50), WHITE);
    // A selection rectangle 40 by 10 pixels has its outline at both ends.
    c.r->interactive_ops->draw_pixel_rect(c.r, 100, 100, 40, 10, &color_black);
    EXPECT_EQ(c.at(100, 100), BLACK);
    EXPECT_EQ(c.at(140, 110), BLACK);
    EXPECT_EQ(c.at(141, 110), WHITE);
    EXPECT_EQ(c.at(120, 105), WHITE);
}

TEST(RenderQt, network_symbols_in_their_colours) {
    Canvas c;
    c.add("FlowInlet", 0, 0);
    c.add("PipeJoin", 1, 0);
    c.add("SpillPoint", 2, 0);
    c.add("Junction", 3, 0);
    diagram_render(c.data, c.r, DIAGRAM_RENDER_CONNECTION_POINTS);
    EXPECT_EQ(c.at(30, 30), BLACK);             // inlet centre
    EXPECT_EQ(c.at(130, 30), WHITE);            // pipe join interior
    EXPECT_EQ(c.at(130 - 29, 30), BLACK);       // its outline
    EXPECT_EQ(c.at(230, 60), RED);              // leak triangle base
    EXPECT_EQ(c.at(230, 30), WHITE);            // inside the open triangle
    EXPECT_EQ(c.at(330 + 15, 30 + 15), BLACK);  // junction cross arm
    // Connection-point crosses drawn over the symbols: the left point of the
    // pipe join at (100, 30), arms to +-2 pixels.
    EXPECT_EQ(c.at(102, 32), CROSS);
    EXPECT_EQ(c.at(98, 28), CROSS);
    EXPECT_EQ(c.at(102, 28), CROSS);
}

TEST(RenderQt, mapping_mode_scale_table) {
    diagram_data* data = diagram_data_create();
    renderer* r = renderer_create(data, 0, 1.0);
    struct Case {
        int mode;
        double sx, sy;
    } cases[] = {
        {0, 100, 100},
        {MM_TEXT, 100, 100},
        {MM_LOMETRIC, 100, -100},
        {MM_HIMETRIC, 1000, -1000},
        {MM_LOENGLISH, 100 / 2.54, -100 / 2.54},
        {MM_HIENGLISH, 1000 / 2.54, -1000 / 2.54},
        {MM_TWIPS, 566.9291338582677, -566.9291338582677},
        {MM_ANISOTROPIC, 1, 1},  // extents unknown
        {99, 1, 1},
    };
    for (auto& cs : cases) {
        vexil_dc dc{};
        dc.logpixels_x = dc.logpixels_y = 254;
        dc.map_mode = cs.mode;
        renderer_set_dc(r, data, &dc, nullptr, 0, 1.0, 100000, 100000);
        EXPECT_DOUBLE_EQ(r->scale_x, cs.sx) << cs.mode;
        EXPECT_DOUBLE_EQ(r->scale_y, cs.sy) << cs.mode;
    }
    vexil_dc iso{};
    iso.logpixels_x = iso.logpixels_y = 254;
    iso.map_mode = MM_ISOTROPIC;
    iso.extents_valid = 1;
    iso.window_ext_x = 10;
    iso.viewport_ext_x = 10;
    iso.window_ext_y = 10;
    iso.viewport_ext_y = -10;
    renderer_set_dc(r, data, &iso, nullptr, 0, 1.0, 100000, 100000);
    EXPECT_DOUBLE_EQ(r->scale_x, 100);
    EXPECT_DOUBLE_EQ(r->scale_y, -100);
    // Pixel size and the shrink to a maximum width: 10 cm at 100 px/cm in 500 px.
    vexil_dc text{};
    text.logpixels_x = text.logpixels_y = 254;
    renderer_set_dc(r, data, &text, nullptr, 0, 2.0, 500, 100000);
    EXPECT_EQ(r->pixel_width, 2000);
    EXPECT_DOUBLE_EQ(r->scale_x, 25);
    EXPECT_DOUBLE_EQ(r->scale_y, 25);
    // Line width in pixels: |scale x| x zoom x width, truncated.
    r->ops->set_linewidth(r, 0.1);
    EXPECT_EQ(r->line_width, 5);
    renderer_free(r);
    diagram_data_free(data);
}

TEST(RenderQt, unsupported_modes_keep_the_setting) {
    Canvas c;
    MessageCapture cap;
    c.r->ops->set_linestyle(c.r, LINESTYLE_DOTTED);
    c.r->ops->set_linestyle(c.r, 9);
    c.r->ops->set_linecaps(c.r, 3);
    EXPECT_EQ(c.r->line_style, LINESTYLE_DOTTED);
    EXPECT_EQ(cap.messages.size(), 2u);
    EXPECT_EQ(cap.messages[0].text, "Win32DC Renderer: Unsupported fill mode specified!\n");
}

TEST(RenderQt, fonts_map_to_the_installed_faces_and_the_pool_is_stable) {
    EXPECT_STREQ(renderer_font_face("Times New Roman"), "Times New Roman");
    EXPECT_STREQ(renderer_font_face("Old Times"), "Times New Roman");
    EXPECT_STREQ(renderer_font_face("Courier"), "Courier New");
    EXPECT_STREQ(renderer_font_face("Foo"), "Arial");
    EXPECT_NEAR(renderer_font_height_cm(-12), 0.42333331, 1e-8);  // 12 x 0.035277776
    EXPECT_NEAR(renderer_font_height_cm(-0.5), 0.035277776, 1e-12);
    const char** a = font_name_intern("Arial");
    EXPECT_EQ(font_name_intern("Arial"), a);
    EXPECT_STREQ(*a, "Arial");
    std::string forty(40, 'F');
    const char** f = font_name_intern(forty.c_str());
    EXPECT_EQ(strlen(*f), 30u);
    EXPECT_EQ(font_name_intern(forty.c_str()), f);

    Canvas c;
    QFont font = vexil_qt_font(c.r, a, -10);
    EXPECT_EQ(font.pixelSize(), 35);  // 10 pt = 0.35277776 cm at 100 px/cm
    QFontInfo info(font);
    EXPECT_EQ(info.family(), "Liberation Sans") << "fonts-liberation2 missing?";
    // Real measurement: a longer text is wider, unlike the no-device fallback.
    double w1 = c.r->ops->get_text_width(c.r, "i", a, 0.5);
    double w2 = c.r->ops->get_text_width(c.r, "Pipeline West", a, 0.5);
    EXPECT_GT(w2, 5 * w1);
    EXPECT_GT(c.r->ops->get_font_ascent(c.r, a, 0.5), 0.3);
    EXPECT_LT(c.r->ops->get_font_ascent(c.r, a, 0.5), 0.5);
    EXPECT_GT(c.r->ops->get_font_descent(c.r, a, 0.5), 0.0);
}

TEST(RenderQt, the_dummy_renderer_never_divides_by_zero) {
    renderer* d = renderer_get_current();
    ASSERT_EQ(d->dc, nullptr);
    int px, py;
    d->interactive_ops->lengths_to_pixels(d, 1.0, 1.0, &px, &py);
    EXPECT_EQ(px, 38);  // 96 dpi: 37.8 pixels per centimetre
    EXPECT_EQ(py, 38);
    Point p;
    d->interactive_ops->from_pixel(d, 378, 0, &p);
    EXPECT_TRUE(std::isfinite(p.x));
    EXPECT_NEAR(p.x, 10.0, 0.01);
    object_handle h{0, HANDLE_MAJOR_CONTROL, {5, 5}, 0, nullptr};
    Point far{6, 6};
    EXPECT_EQ(handle_is_clicked(d, &h, &far), 0);
    EXPECT_DOUBLE_EQ(d->ops->get_text_width(d, "long text", font_name_intern("Arial"), -10),
                     0.35277776);
    EXPECT_EQ(d->ops->get_font_descent(d, nullptr, 1.0), 0.0);
}

TEST(RenderQt, handles_within_seven_pixels_are_clicked) {
    Canvas c;
    object_handle h{0, HANDLE_MAJOR_CONTROL, {1, 1}, 0, nullptr};
    Point six{1.06, 1.06}, seven{1.07, 1.0};
    EXPECT_EQ(handle_is_clicked(c.r, &h, &six), 1);
    EXPECT_EQ(handle_is_clicked(c.r, &h, &seven), 0);
}

TEST(RenderQt, relayout_after_attaching_a_renderer_uses_real_metrics) {
    diagram_data* data = diagram_data_create();
    diagram_object* j = create_object("Junction", 1, 1);
    layer_add_object(data->active_layer, j);
    object_set_label(j, "A rather long junction label");
    point_object* po = as_point_object(j);
    EXPECT_DOUBLE_EQ(po->elem.width, 0.6);  // fallback: every text |height| wide
    Canvas c(10, 5);
    diagram_relayout_objects(data);
    EXPECT_GT(po->elem.width, 3.0);
    EXPECT_DOUBLE_EQ(j->position.x, 1.3);  // the symbol stays
    diagram_data_free(data);
}

TEST(RenderQt, picture_of_a_small_network) {
    Canvas c(8, 5);
    diagram_object* in1 = c.add("FlowInlet", 0.5, 0.5);
    diagram_object* in2 = c.add("FlowInlet", 0.5, 3.0);
    diagram_object* jn = c.add("Junction", 3.5, 1.6);
    diagram_object* pj = c.add("PipeJoin", 5.5, 1.6);
    diagram_object* out = c.add("FlowOutlet", 7.0, 1.6);
    object_set_label(in1, "Well A");
    object_set_label(in2, "Well B \xc3\x98st");
    object_set_label(jn, "J1");
    object_set_label(out, "Outlet");
    auto pipe = [&](diagram_object* from, int fp, diagram_object* to, int tp, const char* label) {
        diagram_object* p = c.add("Pipeline", 0, 0);
        p->ops->move_handle(p, p->handles[0], &from->connections[fp]->pos, HANDLE_MOVE_USER, 0);
        p->ops->move_handle(p, p->handles[1], &to->connections[tp]->pos, HANDLE_MOVE_USER, 0);
        handle_autoconnect(c.data, p, p->handles[0]);
        handle_autoconnect(c.data, p, p->handles[1]);
        object_set_label(p, label);
        return p;
    };
    pipe(in1, 2, jn, 0, "P1");
    pipe(in2, 2, jn, 3, "P2");
    diagram_object* p3 = pipe(jn, 2, pj, 1, "P3");
    pipe(pj, 2, out, 1, "P4");
    diagram_object* leak = c.add("SpillPoint", 0, 0);
    leak->ops->move_handle(leak, leak->handles[4], &p3->connections[0]->pos, HANDLE_MOVE_USER, 0);
    handle_autoconnect(c.data, leak, leak->handles[4]);
    diagram_object* txt = c.add("Text", 0.5, 4.7);
    object_set_label(txt,
                     "North Field, 4\xc2\xb0"
                     "C");
    diagram_select_object(c.data, p3);
    diagram_render(c.data, c.r, DIAGRAM_RENDER_CONNECTION_POINTS | DIAGRAM_RENDER_HANDLES);
    EXPECT_EQ(leak->handles[4]->connected_to, p3->connections[0]);
    c.painter->end();
    std::string dir = VEXIL_ARTIFACTS;
    EXPECT_TRUE(c.image.save(QString::fromStdString(dir + "/vexil_small_network.png")));
    c.painter->begin(&c.image);
    EXPECT_TRUE(connections_consistent(c.data));
}

}  // namespace

namespace {

TEST(RenderQt, the_text_cursor_is_drawn_only_with_the_focus) {
    Canvas c;
    diagram_object* obj = c.add("Text", 1, 1.5);
    text_object* t = as_text_object(obj);
    t->text->cursor_pos = 4;  // after "Text"
    double x = 1 + t->text->row_width[0];
    int px = (int)(x * 100), py = 150;  // on the baseline
    diagram_render(c.data, c.r, 0);
    EXPECT_EQ(c.at(px + 2, py - 5), WHITE);
    text_grab_focus(t->text, obj);
    diagram_render(c.data, c.r, 0);
    EXPECT_EQ(c.at(px + 2, py - 5), BLACK);
    focus_clear();
}

TEST(RenderQt, a_second_click_on_a_pipeline_label_starts_editing) {
    Canvas c;
    diagram_object* obj = c.add("Pipeline", 1, 1);
    object_set_label(obj, "P1");
    pipeline* p = as_pipeline(obj);
    Point on_label{p->label->position.x, p->label->position.y - 0.1};
    Point on_line{1.5, 1.5};
    obj->ops->select(obj, &on_label, c.r, 1);  // just selected: no editing yet
    EXPECT_EQ(focus_get(), nullptr);
    obj->ops->select(obj, &on_line, c.r, 0);  // far from the label
    EXPECT_EQ(focus_get(), nullptr);
    obj->ops->select(obj, &on_label, c.r, 0);
    EXPECT_EQ(focus_get(), &p->label->focus.record);
    focus_clear();
}

}  // namespace
