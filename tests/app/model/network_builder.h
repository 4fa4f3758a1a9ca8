// Small pipeline networks for the validation tests, built through the
// diagram library's registered object types: each object is loaded by its
// type from typed attributes and put on the diagram's one layer; pipelines
// are joined to nodes by attaching their end handles to the nodes'
// connection points, and a leak by attaching the SpillPoint's handle to a
// connection point of its pipeline.
#pragma once

#include <vexil/dia_xml.h>
#include <vexil/diagramdata.h>
#include <vexil/object.h>

#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace model_test {

class Network {
public:
    using Values = std::initializer_list<std::pair<const char*, double>>;

    Network() : data(diagram_data_create()) {}
    ~Network() { diagram_data_free(data); }
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    diagram_object* Add(const char* type, Values values) {
        object_type* t = type_registry_find(type);
        EXPECT_NE(t, nullptr) << type;
        if (!t) return nullptr;
        xmlNodePtr node = xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("object"));
        for (const auto& [name, v] : values) {
            AttributeNode a = xml_new_attribute(node, name);
            if (std::strcmp(name, "closingtime") == 0 || std::strcmp(name, "numcp") == 0)
                xml_add_int(a, static_cast<int>(v));
            else
                xml_add_real(a, v);
        }
        diagram_object* obj = t->ops->load(node, t->version, nullptr);
        xmlFreeNode(node);
        layer_add_object(data->active_layer, obj);
        return obj;
    }

    diagram_object* Outlet(double depth = 0, double pressure = 2.0e6) {
        return Add("FlowOutlet", {{"depth", depth}, {"pressure", pressure}, {"closingtime", -1}});
    }
    diagram_object* Inlet(double depth = 0, double flowrate = 1000, double temp = 50) {
        return Add(
            "FlowInlet",
            {{"depth", depth}, {"flowrate", flowrate}, {"temp", temp}, {"closingtime", 600}});
    }
    diagram_object* Junction(double depth = 0) { return Add("Junction", {{"depth", depth}}); }
    diagram_object* Join(double depth = 0) { return Add("PipeJoin", {{"depth", depth}}); }
    diagram_object* Pipe(double length) {
        return Add("Pipeline", {{"length", length},
                                {"diameter", 0.254},
                                {"roughness", 5e-5},
                                {"heat_trans_coeff", 20},
                                {"amb_temp", 4}});
    }
    diagram_object* Spill(double distance, double depth = 0) {
        return Add("SpillPoint", {{"depth", depth},
                                  {"distance", distance},
                                  {"diameter", 0.05},
                                  {"backpressure", 1.2e6}});
    }

    // Attaches a pipeline end (0 start, 1 end) to the next free connection
    // point of a node.
    void Link(diagram_object* pipe, int end, diagram_object* node) {
        object_handle* h = Handle(pipe, end == 0 ? HANDLE_MOVE_STARTPOINT : HANDLE_MOVE_ENDPOINT);
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(h->connected_to, nullptr) << "end already linked";
        connection_point* cp = nullptr;
        int fewest = 1 << 30;
        for (int i = 0; i < node->num_connections; ++i) {  // spread over the four points
            int n = static_cast<int>(g_list_length(node->connections[i]->connected));
            if (n < fewest) fewest = n, cp = node->connections[i];
        }
        ASSERT_NE(cp, nullptr);
        ASSERT_TRUE(handle_attach(pipe, h, cp));
    }
    // downstream node <- pipe <- upstream node
    void Chain(diagram_object* down, diagram_object* pipe, diagram_object* up) {
        Link(pipe, 1, down);
        Link(pipe, 0, up);
    }
    void Leak(diagram_object* spill, diagram_object* pipe) {
        object_handle* h = Handle(spill, HANDLE_CUSTOM1);
        ASSERT_NE(h, nullptr);
        ASSERT_GT(pipe->num_connections, 0);
        ASSERT_TRUE(handle_attach(spill, h, pipe->connections[0]));
    }

    static object_handle* Handle(diagram_object* obj, int id) {
        for (int i = 0; i < obj->num_handles; ++i)
            if (obj->handles[i] && obj->handles[i]->id == id) return obj->handles[i];
        return nullptr;
    }

    diagram_data* data;
};

}  // namespace model_test
