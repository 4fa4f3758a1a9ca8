// Shared fixtures of the diagram-library tests: a message capture, scratch
// folders, and small object types built on the element and connection bases.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vexil/connpoint_line.h"
#include "vexil/diagramdata.h"
#include "vexil/element.h"
#include "vexil/message.h"
#include "vexil/object.h"

struct CapturedMessage {
    message_icon icon;
    std::string text;
};

// Captures every message box of the library while alive.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    std::vector<CapturedMessage> messages;
    std::vector<std::string> texts() const;
    bool contains(const std::string& text) const;

private:
    message_sink_fn previous_;
};

// Captures GLib log lines (warning and critical) while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> lines;

private:
    guint handler_;
};

// A temporary folder removed with its contents afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const;
    std::string dir;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);

// "TestBox": an element with four connection points (top, left, right, bottom)
// and a fifth, connectable custom handle. "TestLine": a connection with a row
// of connection points. "TestHalf": a connection whose second end cannot connect.
struct test_box {
    element elem;
    connection_point points[4];
    object_handle custom;
    int destroyed_marker;
};

struct test_line {
    connection conn;
    connpoint_line* cpl;
};

void register_test_types();

// A fresh diagram per test.
class DiagramTest : public ::testing::Test {
protected:
    void SetUp() override { data = diagram_data_create(); }
    void TearDown() override { diagram_data_free(data); }
    // Adds to the active layer.
    diagram_object* add(diagram_object* obj) {
        layer_add_object(data->active_layer, obj);
        return obj;
    }
    diagram_data* data = nullptr;
};

// An object of a registered type made by its create operation at (x, y).
diagram_object* create_object(const char* type, double x, double y);
diagram_object* make_box(double x, double y, double w = 1.0, double h = 1.0);
diagram_object* make_line(double x1, double y1, double x2, double y2, int numcp = 1,
                          const char* type = "TestLine");
// Number of destroyed test objects since the last reset.
extern int test_objects_destroyed;

// Checks that every connection is listed once per handle on both sides.
::testing::AssertionResult connections_consistent(diagram_data* data);
