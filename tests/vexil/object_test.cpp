// Objects, attach and detach, the registry and the library's start and exit.
#include "support.h"

namespace {

TEST(Object, registry_tells_same_sum_names_apart_and_keeps_the_first) {
    EXPECT_EQ(type_name_hash("ab"), type_name_hash("ba"));
    EXPECT_EQ(type_name_hash("\xc3\xb8"), (guint)(-61 + -72));  // signed 8-bit characters
    static object_type_ops ops = {};
    static object_type ab = {"ab", 1, nullptr, &ops, nullptr, nullptr};
    static object_type ba = {"ba", 1, nullptr, &ops, nullptr, nullptr};
    static object_type ab2 = {"ab", 1, nullptr, &ops, nullptr, nullptr};
    type_registry_add(&ab);
    type_registry_add(&ba);
    MessageCapture cap;
    type_registry_add(&ab2);
    EXPECT_EQ(type_registry_find("ab"), &ab);
    EXPECT_EQ(type_registry_find("ba"), &ba);
    EXPECT_EQ(type_registry_find("abc"), nullptr);
    EXPECT_EQ(cap.texts(), std::vector<std::string>{
                               "Several object-types were named ab.\nOnly first one will be "
                               "used.\nSome things might not work as expected.\n"});
}

TEST(Object, attach_detach_keeps_both_sides_consistent) {
    diagram_object* box = make_box(0, 0);
    diagram_object* line = make_line(0, 0, 2, 0);
    connection_point* cp = box->connections[0];
    // Two handles of one object on one point: listed twice, one detach removes one.
    EXPECT_EQ(handle_attach(line, line->handles[0], cp), 1);
    EXPECT_EQ(handle_attach(line, line->handles[1], cp), 1);
    EXPECT_EQ(g_list_length(cp->connected), 2u);
    handle_detach(line, line->handles[0]);
    EXPECT_EQ(g_list_length(cp->connected), 1u);
    EXPECT_EQ(line->handles[0]->connected_to, nullptr);
    handle_detach(line, line->handles[0]);  // hangs on nothing: nothing happens
    EXPECT_EQ(g_list_length(cp->connected), 1u);
    connection_point_detach_all(cp);
    EXPECT_EQ(line->handles[1]->connected_to, nullptr);
    EXPECT_EQ(cp->connected, nullptr);

    MessageCapture cap;
    EXPECT_EQ(handle_attach(box, box->handles[0], line->connections[0]), 0);
    EXPECT_EQ(box->handles[0]->connected_to, nullptr);
    EXPECT_EQ(line->connections[0]->connected, nullptr);
    EXPECT_EQ(cap.texts(),
              std::vector<std::string>{
                  "Error? trying to connect a non connectable handle.\nCheck this out...\n"});

    GList* list = g_list_append(g_list_append(nullptr, box), line);
    object_list_destroy(list);
}

TEST(Object, init_copy_and_insert_connection_points) {
    diagram_object a{}, b{};
    object_init(&a, 2, 0);
    EXPECT_EQ(a.connections, nullptr);
    EXPECT_EQ(a.num_connections, 0);
    a.xref = 5;
    a.position = {1, 2};
    object_copy(&a, &b);
    EXPECT_EQ(b.xref, 0);
    EXPECT_EQ(b.position.x, 1);
    EXPECT_EQ(b.num_handles, 2);
    EXPECT_NE(b.handles, a.handles);
    connection_point p1{}, p2{}, p3{};
    object_add_connection_point(&a, &p1);
    object_add_connection_point(&a, &p3);
    object_insert_connection_point(&a, &p2, 1);
    ASSERT_EQ(a.num_connections, 3);
    EXPECT_EQ(a.connections[0], &p1);
    EXPECT_EQ(a.connections[1], &p2);
    EXPECT_EQ(a.connections[2], &p3);
    object_destroy(&a);
    object_destroy(&b);
}

TEST(Object, second_shutdown_logs_one_critical_line) {
    LogCapture logs;
    vexil_shutdown();
    vexil_shutdown();
    ASSERT_EQ(logs.lines.size(), 1u);
    EXPECT_EQ(logs.lines[0], "file Vexil/app_procs: line 82: assertion `!app_exit_once' failed");
    // Start again for the tests that follow.
    vexil_startup();
    type_registry_init();
    register_test_types();
}

}  // namespace
